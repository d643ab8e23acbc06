#pragma once

#include <QColor>
#include <QtGlobal>

// Pure geometry and colours of the A-B section bar, kept apart from drawing so they can be
// tested without a window.
namespace SectionBarGeometry {

inline const QColor Navy{0x00, 0x00, 0x80};  // the bar's ground
inline const QColor Red{0xFF, 0x00, 0x00};   // sections
inline const QColor White{0xFF, 0xFF, 0xFF}; // the A mark
inline const QColor Lime{0x00, 0xFF, 0x00};  // the play-position cursor

// x of a position on a bar from left to right showing rangeStart..rangeEnd: rounded to the
// nearest pixel with halves to even; 0 for an empty range. Positions outside the range give x
// outside the bar (clamped far outside it, so that any 64-bit position is safe).
int positionToX(qint64 pos, qint64 rangeStart, qint64 rangeEnd, int left, int right);

} // namespace SectionBarGeometry
