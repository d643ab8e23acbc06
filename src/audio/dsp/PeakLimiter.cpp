#include "audio/dsp/PeakLimiter.h"

#include "audio/AudioTypes.h"

#include <algorithm>
#include <cmath>

namespace quillmere::audio {
// Held for 25 ms; the per-frame step of the recovery towards 1 makes a 150 ms time constant.
PeakLimiter::PeakLimiter(int rate)
    : m_holdFrames(rate / 40), m_release(1.0f - std::exp(-1.0f / (0.150f * float(rate))))
{
}

void PeakLimiter::reset()
{
    m_gain = 1;
    m_holdLeft = 0;
}

void PeakLimiter::process(float *stereo, int frames)
{
    if (m_gain == 1) {
        float peak = 0;
        for (int i = 0; i < 2 * frames; ++i)
            peak = std::max(peak, std::abs(stereo[i]));
        if (peak <= 1)
            return; // within full scale: untouched
    }
    for (int f = 0; f < frames; ++f) {
        float &left = stereo[2 * f], &right = stereo[2 * f + 1];
        const float peak = std::max(std::abs(left), std::abs(right));
        if (peak * m_gain > 1) {
            m_gain = 1 / peak;
            m_holdLeft = m_holdFrames;
        } else if (m_holdLeft > 0) {
            --m_holdLeft;
        } else if (m_gain < 1) {
            // Heading for a little above 1 lands on exactly 1 in finite time, with no step
            // at the end; no faster than this sample allows.
            m_gain = std::min(m_gain + (1.01f - m_gain) * m_release, 1.0f);
            if (peak * m_gain > 1)
                m_gain = 1 / peak;
        }
        left = std::clamp(left * m_gain, -1.0f, 1.0f);
        right = std::clamp(right * m_gain, -1.0f, 1.0f);
    }
}

} // namespace quillmere::audio
