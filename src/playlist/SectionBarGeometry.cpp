#include "playlist/SectionBarGeometry.h"

#include <algorithm>
#include <cmath>

namespace SectionBarGeometry {

int positionToX(qint64 pos, qint64 rangeStart, qint64 rangeEnd, int left, int right)
{
    const double range = static_cast<double>(rangeEnd) - static_cast<double>(rangeStart);
    if (range <= 0)
        return 0;
    const double offset = static_cast<double>(pos) - static_cast<double>(rangeStart);
    // nearbyint rounds halves to even under the default rounding mode.
    const double x = std::nearbyint(static_cast<double>(right - left) * offset / range) + left;
    constexpr double farOutside = 1 << 30;
    return static_cast<int>(std::clamp(x, -farOutside, farOutside));
}

} // namespace SectionBarGeometry
