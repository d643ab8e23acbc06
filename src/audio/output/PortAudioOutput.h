#pragma once

// Threads: start(), stop(), rest() and resume() on the thread that owns the back end, under its
// lock; callback() on PortAudio's real-time thread; the watchdog on a thread of its own. The
// watchdog and those calls share m_mutex and sleep on its condition variable (never taken by
// the callback); the callback only counts itself.
// Lock order: the back end's lock, then m_mutex; the watchdog never takes the back end's lock.
// clock() reads what the callback published without a lock.

#include "audio/core/BlockRing.h"
#include "audio/output/OutputDevice.h"

#include <portaudio.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace quillmere::audio {

// The system's default output device through PortAudio (normally PulseAudio or PipeWire), at
// the rate of the sound server's default sink (48 kHz on most), else the device's own.
// A sound server that restarts, or a device that goes away, stops the callbacks; the watchdog
// sees them stop, and opens the device again (a new server is found through a fresh look at
// the devices). The channels keep their positions meanwhile, since only the callback moves
// them. When no device opens for a while, the output counts as lost until the next start().
// While it rests the stream is stopped (PortAudio's callback thread ends) and the watchdog
// sleeps until resume().
class PortAudioOutput final : public OutputDevice {
public:
    PortAudioOutput();
    ~PortAudioOutput() override;
    bool start(RenderFunction render, void *context) override;
    void stop() override;
    void rest() override;
    bool resume() override;
    void setLossWakeup(Wakeup *wakeup) override { m_lossWakeup = wakeup; }
    double latencySeconds() const override { return m_latency.load(std::memory_order_relaxed); }
    bool lost() const override { return m_lost.load(std::memory_order_acquire); }
    OutputClock clock() const override;
    int sampleRate() const override;

private:
    static int callback(const void *, void *output, unsigned long frames,
                        const PaStreamCallbackTimeInfo *timeInfo, unsigned long, void *self);
    bool openStream();                          // under m_mutex
    bool openStreamAt(int device, double rate); // under m_mutex
    void chooseRate(int device);                // under m_mutex, before the first stream
    void closeStream();                         // under m_mutex
    void watch();
    bool reopen(std::unique_lock<std::mutex> &lock, std::chrono::steady_clock::duration patience);
    // Waits with the lock released, so that start(), stop() and rest() are never held up; true
    // when stop() ended the wait.
    bool pauseUnlessStopped(std::unique_lock<std::mutex> &lock, std::chrono::milliseconds interval);

    std::mutex m_mutex;
    std::condition_variable m_watchWake; // with m_mutex: stop(), rest() and resume()
    bool m_initialised = false;
    bool m_resting = false; // under m_mutex
    std::atomic<bool> m_watching{false};
    Wakeup *m_lossWakeup = nullptr;
    void *m_stream = nullptr;
    RenderFunction m_render = nullptr;
    void *m_context = nullptr;
    std::atomic<double> m_latency{0.0};
    // Chosen when the first stream opens and kept after, for the channels are made at it; a
    // later device of another rate is resampled by the server.
    std::atomic<int> m_rate{0};
    std::atomic<unsigned long> m_callbacks{0};
    // Callback only, then published: the first frame of its buffer, when that frame reaches the
    // speaker (steady clock, nanoseconds) and the frames it rendered.
    qint64 m_framesRendered = 0;
    struct BufferTiming {
        qint64 firstFrame = 0;
        qint64 frames = 0;
        qint64 dacNs = 0;
    };
    mutable LatestValue<BufferTiming> m_timing;
    mutable BufferTiming m_heardTiming; // the reader's copy; clock() runs under the back end's lock
    std::atomic<bool> m_lost{false};
    std::thread m_watchdog;
};

} // namespace quillmere::audio
