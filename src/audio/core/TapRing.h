#pragma once

#include <algorithm>
#include <array>
#include <atomic>

namespace quillmere::audio {

// The newest mono output of a channel, for the FFT. Written by the output callback, read on
// the UI thread; the samples are atomics so that a read racing a write is defined behaviour
// (it can only smear the oldest samples of the window, which the ring is large enough to avoid).
// The callback writes a buffer before the device plays it, so the block being heard lies the
// device's queued frames behind the write head. A window may end up to half the ring minus its
// length behind (3072 frames, 70 ms: more than the 50 ms queue we ask PortAudio for), so the
// other half keeps the writer well away from what is read.
class TapRing {
public:
    static constexpr int Size = 8192;

    // Output callback only.
    void write(const float *stereo, int frames)
    {
        unsigned pos = m_written.load(std::memory_order_relaxed);
        for (int i = 0; i < frames; ++i, ++pos)
            m_samples[pos % Size].store((stereo[2 * i] + stereo[2 * i + 1]) * 0.5f,
                                        std::memory_order_relaxed);
        m_written.store(pos, std::memory_order_release);
    }

    // Any thread: the n (at most Size / 2) samples that end behindFrames before the newest,
    // oldest first; false when fewer have been written. A queue longer than the ring keeps
    // gives the oldest window it still holds safely.
    bool readNewest(float *out, int n, double behindFrames = 0) const
    {
        const unsigned written = m_written.load(std::memory_order_acquire);
        const unsigned behind = unsigned(std::clamp(behindFrames, 0.0, double(Size / 2 - n)));
        if (written < unsigned(n) + behind)
            return false;
        const unsigned end = written - behind;
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
