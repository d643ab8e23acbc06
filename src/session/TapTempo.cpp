#include "session/TapTempo.h"

#include <algorithm>
#include <cmath>
#include <numeric>

bool TapTempo::tap(qint64 nowMs)
{
    const qint64 since = m_lastMs < 0 ? -1 : nowMs - m_lastMs;
    m_lastMs = nowMs;
    if (since > ResetMs || since <= 0) { // the first tap of a new count
        m_count = 0;
        return false;
    }
    m_intervals[size_t(m_count % Intervals)] = since;
    ++m_count;
    const int used = std::min(m_count, Intervals);
    const qint64 sum = std::accumulate(m_intervals.begin(), m_intervals.begin() + used, qint64(0));
    m_beatMs = int(std::llround(double(sum) / used));
    return true;
}
