#include "skin/SkinGeometry.h"

#include <cmath>
#include <cstdlib>

namespace SkinGeometry {

int roundHalfEven(double v)
{
    // nearbyint rounds halves to even under the default rounding mode.
    return static_cast<int>(std::nearbyint(v));
}

bool inCircle(int cx, int cy, int radius, int x, int y)
{
    const double dx = std::abs(static_cast<double>(cx) - x);
    const double dy = std::abs(static_cast<double>(cy) - y);
    return roundHalfEven(std::sqrt(dx * dx + dy * dy)) <= radius;
}

QPoint SliderTrack::thumbCentre(qint64 value, qint64 min, qint64 max) const
{
    const double span = static_cast<double>(max) - static_cast<double>(min);
    const int offset =
        roundHalfEven(length * (static_cast<double>(value) - static_cast<double>(min)) / span);
    return vertical ? QPoint(x0, y1() - offset) : QPoint(x0 + offset, y0);
}

qint64 SliderTrack::valueAt(QPoint p, qint64 min, qint64 max) const
{
    if (length == 0)
        return min;
    const double along = vertical ? static_cast<double>(y1()) - p.y() : p.x() - double(x0);
    const double span = static_cast<double>(max) - static_cast<double>(min);
    return min + static_cast<qint64>(std::nearbyint(span * along / length));
}

bool SliderTrack::inPressArea(QPoint p) const
{
    if (vertical)
        return x0 - 4 <= p.x() && p.x() <= x1() + 4 && y0 <= p.y() && p.y() <= y1();
    return x0 <= p.x() && p.x() <= x1() && y0 - 4 <= p.y() && p.y() <= y1() + 4;
}

QRect SliderTrack::thumbArea(QSize thumbSize) const
{
    const int hw = thumbSize.width() / 2;
    const int hh = thumbSize.height() / 2;
    return QRect(QPoint(x0 - hw, y0 - hh), QPoint(x1() + hw, y1() + hh));
}

QPoint thumbTopLeft(QPoint centre, QSize thumbSize)
{
    return centre - QPoint(thumbSize.width() / 2, thumbSize.height() / 2);
}

bool inThumb(QPoint topLeft, QSize thumbSize, QPoint p)
{
    return topLeft.x() <= p.x() && p.x() <= topLeft.x() + thumbSize.width() &&
           topLeft.y() <= p.y() && p.y() <= topLeft.y() + thumbSize.height();
}

} // namespace SkinGeometry
