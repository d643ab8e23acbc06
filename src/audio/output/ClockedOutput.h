#pragma once

#include "audio/output/OutputDevice.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

typedef struct sf_private_tag SNDFILE;

namespace quillmere::audio {

// An output without a sound card: a thread renders 10 ms at a time on a real-time clock, and
// either drops the sound ("null") or appends it to a WAV file ("file:PATH.wav"). Its clock is
// exact: a buffer is "heard" from the moment it is written, at the real-time rate (44100 Hz, or the
// rate asked for), so the frame heard now is where the schedule stands, never past what was
// written. While it rests its thread sleeps and nothing is written; the clock stands still, and
// runs on from resume(). Threads: start(), stop(), rest(), resume() and clock() on the back
// end's thread; run() on its own thread. They share atomics, and m_restLock to sleep on while
// resting.
class ClockedOutput final : public OutputDevice {
public:
    explicit ClockedOutput(QString wavPath = {}, int rate = OutputRate);
    ~ClockedOutput() override;
    bool start(RenderFunction render, void *context) override;
    void stop() override;
    void rest() override;
    bool resume() override;
    double latencySeconds() const override { return 0.0; }
    OutputClock clock() const override;
    int sampleRate() const override { return m_rate; }

private:
    void run(RenderFunction render, void *context);
    void restUntilResumed();

    QString m_wavPath;
    int m_rate;
    int m_periodFrames; // 10 ms
    SNDFILE *m_file = nullptr;
    std::atomic<bool> m_running{false};
    std::atomic<qint64> m_written{0};           // frames rendered and written so far
    std::atomic<qint64> m_scheduleStartNs{0};   // steady clock time that frame 0 was due
    std::atomic<qint64> m_framesBeforeStart{0}; // frames of earlier runs, before that time
    std::mutex m_restLock;
    std::condition_variable m_restEnds;
    std::atomic<bool> m_resting{false}; // changed under m_restLock
    std::thread m_thread;
};

} // namespace quillmere::audio
