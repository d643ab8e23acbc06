#pragma once

#include <QPoint>
#include <QRect>

// Pure geometry of the skin buttons and sliders, kept apart from drawing so that every rule
// can be tested without a window. All coordinates are skin pixels.
namespace SkinGeometry {

// Rounds to the nearest integer, halves to even (the rounding of every screen position).
int roundHalfEven(double v);

// True when the distance from (cx, cy) to (x, y), rounded to a whole pixel, is at most radius.
bool inCircle(int cx, int cy, int radius, int x, int y);

// A straight slider track: from (x0, y0) for length pixels to the right, or downwards when
// vertical. A vertical track has its minimum at the bottom end.
struct SliderTrack {
    int x0 = 0;
    int y0 = 0;
    int length = 0;
    bool vertical = false;

    int x1() const { return vertical ? x0 : x0 + length; }
    int y1() const { return vertical ? y0 + length : y0; }

    // Where the thumb's centre goes for value; only meaningful when min < max and the value
    // lies in min..max. Values are 64-bit: the position slider counts bytes of hours of audio.
    QPoint thumbCentre(qint64 value, qint64 min, qint64 max) const;
    // The value under a mouse point (not limited to min..max: callers ignore values outside).
    qint64 valueAt(QPoint p, qint64 min, qint64 max) const;
    // The track and 4 pixels to either side of it, ends included.
    bool inPressArea(QPoint p) const;
    // Everything a thumb of thumbSize can cover (right and bottom included, as the hint area).
    QRect thumbArea(QSize thumbSize) const;
};

// Top-left corner of a thumb of thumbSize whose centre is at centre (half sizes rounded down).
QPoint thumbTopLeft(QPoint centre, QSize thumbSize);
// The thumb at topLeft covers p; the right column and bottom row one past the image count too.
bool inThumb(QPoint topLeft, QSize thumbSize, QPoint p);

} // namespace SkinGeometry
