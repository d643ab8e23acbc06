#pragma once

#include "audio/stretch/Stretcher.h"

#include <algorithm>
#include <array>

namespace quillmere::audio {

// Stands in for a stretcher at the song's own speed and pitch: what goes in comes out
// unchanged, at once. A real stretcher at ratio 1 still filters and re-synthesises the sound;
// this leaves it bit for bit as it was.
class PassThroughStretcher final : public Stretcher {
public:
    void setSpeedAndPitch(double, double) override {}
    void reset() override { m_begin = m_end = 0; }
    void feed(const float *stereo, int frames) override
    {
        if (m_end + frames > Capacity) { // move what is left to the front: rare and short
            std::copy(m_frames.begin() + 2 * m_begin, m_frames.begin() + 2 * m_end,
                      m_frames.begin());
            m_end -= m_begin;
            m_begin = 0;
        }
        frames = std::min(frames, Capacity - m_end);
        std::copy(stereo, stereo + 2 * frames, m_frames.begin() + 2 * m_end);
        m_end += frames;
    }
    int available() override { return m_end - m_begin; }
    int retrieve(float *stereo, int maxFrames) override
    {
        const int n = std::min(maxFrames, m_end - m_begin);
        std::copy(m_frames.begin() + 2 * m_begin, m_frames.begin() + 2 * (m_begin + n), stereo);
        m_begin += n;
        if (m_begin == m_end)
            m_begin = m_end = 0;
        return n;
    }
    int outputDelay() const override { return 0; }

private:
    // The render feeds until a block of output waits: less than one block plus one feed, or,
    // while it takes over from another, the frames it drops up to the one due as well.
    static constexpr int Capacity = 16 * maxBlockFrames();
    std::array<float, 2 * Capacity> m_frames{};
    int m_begin = 0;
    int m_end = 0;
};

} // namespace quillmere::audio
