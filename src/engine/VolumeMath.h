#pragma once

#include <QtGlobal>

namespace quillmere::engine {

// The range of a mixer volume control, as raw values of that control.
struct VolumeRange {
    quint32 minimum = 0;
    quint32 maximum = 0;

    // A control whose minimum equals its maximum (or lies above it) has no steps to show as a
    // percentage; such a control counts as no volume control at all.
    bool usable() const { return maximum > minimum; }
};

// Raw control value -> percent: the nearest percentage, halves rounded up. A value outside the
// range is first pulled into it, so the result is always 0..100. -1 for an unusable range.
int volumePercentFromRaw(VolumeRange range, quint32 value);

// Percent -> raw control value: minimum + p * (maximum - minimum) div 100, truncating, with a
// 64-bit product. The percent is not clamped; a result outside the range is pulled into it,
// because no control accepts values beyond its own bounds.
quint32 volumeRawFromPercent(VolumeRange range, int percent);

} // namespace quillmere::engine
