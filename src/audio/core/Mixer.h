#pragma once

// Threads: addChannel() and removeChannel() run on the UI or event thread under the back end's
// lock; render() is the output callback, pull() the one thread that renders offline. They
// share only the slot array of atomics, the callback's entry counter and the frame count of
// the pulls (lastPullFrame(), read under the back end's lock).

#include "audio/core/Realtime.h"

#include <QtGlobal>

#include <array>
#include <atomic>
#include <vector>

namespace quillmere::audio {

class TempoChannel;

// Sums the playing channels into the output buffer.
class Mixer {
public:
    static constexpr int MaxChannels = 32;
    static constexpr int MaxFrames = 8192;

    Mixer();
    bool addChannel(TempoChannel *channel);
    // True once the callback no longer touches the channel, so that it may be destroyed; false
    // when a callback in progress did not finish within 2 s (a hung device): the channel must
    // then be kept alive until the output has been stopped.
    bool removeChannel(TempoChannel *channel);

    // The output callback: never locks, allocates or waits. firstFrame is the device's number
    // for the first frame, which the channels' position marks refer to.
    static void render(void *self, float *stereo, int frames,
                       qint64 firstFrame) QUILLMERE_NONBLOCKING;
    // Offline rendering, as fast as the chains go: like render(), but runs each playing
    // channel's chain on this thread (the channels were started inline) until it has the
    // audio, instead of leaving a gap. Returns the most frames any channel had (fewer than
    // asked only once the songs end), or -1 when a channel's chain can deliver no more though
    // it still plays. Not for a real-time thread.
    int pull(float *stereo, int frames);
    // The first frame of the last pull (past its end once the songs ended in it), in the
    // numbering of the marks: what counts as heard
    // when nothing plays in real time.
    qint64 lastPullFrame() const { return m_lastPullFrame.load(std::memory_order_acquire); }

private:
    void mix(float *stereo, int frames, qint64 firstFrame) QUILLMERE_NONBLOCKING;

    std::array<std::atomic<TempoChannel *>, MaxChannels> m_slots{};
    // Odd while the callback runs; lets removeChannel() wait out a callback in progress. The
    // slots and this counter form a handshake (clear a slot, then read the counter; bump the
    // counter, then read the slots), so both sides use sequentially consistent order: with
    // acquire/release alone each side could miss the other's write.
    std::atomic<unsigned> m_callbackCount{0};
    std::atomic<qint64> m_pulledFrames{0};
    std::atomic<qint64> m_lastPullFrame{0};
};

} // namespace quillmere::audio
