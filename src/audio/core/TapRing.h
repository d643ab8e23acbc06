#pragma once

#include <array>
#include <atomic>

namespace quillmere::audio {

// The newest mono output of a channel, for the FFT. Written by the output callback, read on
// the UI thread; the samples are atomics so that a read racing a write is defined behaviour
// (it can only smear the oldest samples of the window, which the ring is large enough to avoid).
class TapRing {
public:
    static constexpr int Size = 4096;

    // Output callback only.
    void write(const float *stereo, int frames)
    {
        unsigned pos = m_written.load(std::memory_order_relaxed);
        for (int i = 0; i < frames; ++i, ++pos)
            m_samples[pos % Size].store((stereo[2 * i] + stereo[2 * i + 1]) * 0.5f,
                                        std::memory_order_relaxed);
        m_written.store(pos, std::memory_order_release);
    }

    // Any thread: the newest n (at most Size / 2) samples, oldest first; false when fewer
    // than n have been written.
    bool readNewest(float *out, int n) const
    {
        const unsigned end = m_written.load(std::memory_order_acquire);
        if (end < unsigned(n))
            return false;
        for (int i = 0; i < n; ++i)
            out[i] =
                m_samples[(end - unsigned(n) + unsigned(i)) % Size].load(std::memory_order_relaxed);
        return true;
    }

private:
    std::array<std::atomic<float>, Size> m_samples{};
    std::atomic<unsigned> m_written{0};
};

} // namespace quillmere::audio
