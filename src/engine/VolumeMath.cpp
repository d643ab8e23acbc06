#include "engine/VolumeMath.h"

#include <algorithm>

namespace quillmere::engine {

int volumePercentFromRaw(VolumeRange range, quint32 value)
{
    if (!range.usable())
        return -1;
    const quint64 span = range.maximum - range.minimum;
    const quint64 above = std::clamp(value, range.minimum, range.maximum) - range.minimum;
    // 64 bits throughout: a 32-bit product would wrap for spans above 42,949,672.
    return int((above * 100 + span / 2) / span);
}

quint32 volumeRawFromPercent(VolumeRange range, int percent)
{
    const qint64 span = qint64(range.maximum) - qint64(range.minimum);
    // Integer division truncates towards zero, for negative percents too.
    const qint64 raw = qint64(range.minimum) + (qint64(percent) * span) / 100;
    return quint32(std::clamp<qint64>(raw, range.minimum, range.maximum));
}

} // namespace quillmere::engine
