#include "audio/dsp/CountInClicks.h"

#include "audio/AudioTypes.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace quillmere::audio {

CountInClicks::CountInClicks(int rate)
{
    // A sine starts at zero, so the burst needs no attack; it decays to -60 dB by its end, so
    // it stops without a step.
    const double decayPerFrame = std::log(1000.0) / BurstFrames;
    for (int i = 0; i < BurstFrames; ++i)
        m_burst[size_t(i)] =
            BurstLevel * float(std::exp(-decayPerFrame * i) *
                               std::sin(2 * std::numbers::pi * BurstHz * i / rate));
}

void CountInClicks::set(const BreathSettings &settings) QUILLMERE_NONBLOCKING
{
    m_gapFrames = std::max(0, settings.gapFrames);
    m_clicks = settings.beatFrames > 0 ? std::clamp(settings.clicks, 0, 8) : 0;
    m_beatFrames = m_clicks > 0 ? std::min(settings.beatFrames, m_gapFrames / m_clicks) : 0;
    if (m_beatFrames <= 0)
        m_clicks = 0;
}

int CountInClicks::clickStart(int index) const QUILLMERE_NONBLOCKING
{
    return m_gapFrames - (m_clicks - index) * m_beatFrames;
}

void CountInClicks::addTo(float *stereo, int from, int frames) const QUILLMERE_NONBLOCKING
{
    for (int k = 0; k < m_clicks; ++k) {
        const int start = clickStart(k);
        const int first = std::max(from, start);
        const int end = std::min(from + frames, start + BurstFrames);
        for (int f = first; f < end; ++f) {
            const float s = m_burst[size_t(f - start)];
            stereo[2 * (f - from)] += s;
            stereo[2 * (f - from) + 1] += s;
        }
    }
}

} // namespace quillmere::audio
