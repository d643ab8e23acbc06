#include "session/SpeedTrainerSession.h"

#include "common/Units.h"
#include "playlist/TLxMusicInfoMng.h"

#include <algorithm>

namespace {
using quillmere::BytesPerSecond;
// A quarter of a second of the song: the position timer's lateness and the jump back from
// past B that the timer makes when the stream could not repeat the section itself.
constexpr qint64 Slack = BytesPerSecond / 4;
} // namespace

bool SpeedTrainerSession::isWrap(qint64 pos) const
{
    const qint64 a = m_section.PosA, b = m_section.PosB;
    // Between two ticks a wrap takes the position back by the section's length less the time
    // that passed, so even a late tick sees it; the heard position never goes back by itself
    // further than a few milliseconds (a change of speed moves the stretcher's latency).
    const qint64 back = std::min((b - a) / 2, BytesPerSecond / 20);
    return pos < m_lastPos - back && m_lastPos >= a && m_lastPos <= b + Slack && pos >= a - Slack &&
           pos <= b;
}

std::optional<int> SpeedTrainerSession::follow(const TLxMusicInfoMng &mng, int looped, qint64 pos,
                                               bool userSeek)
{
    if (m_index >= 0) {
        const std::optional<TLxABLoopInfo> now = mng.Section(m_index);
        const bool changed = !now || *now != m_section || (looped >= 0 && looped != m_index);
        const bool inside = pos >= m_section.PosA - Slack && pos <= m_section.PosB + Slack;
        if (changed || !inside) {
            stop();
        } else if (!userSeek && isWrap(pos)) {
            m_lastPos = pos;
            const int speed = m_section.Trainer->speedAfter(++m_repeats);
            if (speed == m_speed)
                return std::nullopt;
            m_speed = speed;
            return speed;
        } else {
            m_lastPos = pos;
            return std::nullopt;
        }
    }
    const std::optional<TLxABLoopInfo> entered = mng.Section(looped);
    if (!entered || !entered->Trainer)
        return std::nullopt;
    m_index = looped;
    m_section = *entered;
    m_repeats = 0;
    m_lastPos = pos;
    m_speed = entered->Trainer->speedAfter(0);
    return m_speed;
}
