#pragma once

// Threads: start() and request() run on the UI thread, takeReady() and retire() on the
// channel's render thread, everything else on the swap's own worker thread. They meet only
// through atomics (the ready slot and the retired flags) and, between the UI and the worker,
// a mutex the render thread never touches. The worker sleeps on a Wakeup until a request
// comes or, when it needs one back, until the render thread retires a stretcher.
//
// Why a swap at all: both libraries allocate when their ratio changes. SoundTouch rebuilds
// its anti-alias filter (new coefficient arrays) inside setTempo/setPitch and, when the rate
// crosses 1, moves its queued samples into another buffer; Rubber Band's setters are free, but
// the first process() at a new pitch builds a new resampler filter table and grows the
// resampler's buffers. So a changed ratio is set, run and reset here, off the render thread.

#include "audio/core/Realtime.h"
#include "audio/core/Wakeup.h"
#include "audio/stretch/Stretcher.h"

#include <array>
#include <atomic>
#include <memory>
#include <mutex>
#include <thread>

namespace quillmere::audio {

// A stretcher prepared for one setting, with the setting it runs at.
struct PreparedStretcher {
    Stretcher *stretcher = nullptr;
    double speed = 1.0; // what the stretcher supports of the speed asked for
    double pitch = 1.0;
};

// A pair of stretchers for one channel: the render thread plays one while the worker prepares
// the other for the newest setting asked for. Only the newest request matters: a slider
// dragged fast costs one preparation at a time, never a queue of them. At the song's own speed
// and pitch a pair of pass-throughs stands in for them: the sound as it was recorded, and no
// stretcher's cost at the setting most songs play at.
class StretcherSwap {
public:
    explicit StretcherSwap(Stretcher::Kind kind, int rate = 44100);
    ~StretcherSwap(); // stops the worker; the render thread must be gone by then

    // Before start(): told, with `reason`, whenever a prepared stretcher is ready to be taken.
    void setReadyWakeup(Wakeup *wakeup, unsigned reason)
    {
        m_readyWakeup = wakeup;
        m_readyReason = reason;
    }
    // UI thread, once, before the render thread starts: the stretcher it plays first.
    PreparedStretcher start(double speed, double pitch);
    void request(double speed, double pitch);

    // Render thread.
    // The newest prepared stretcher, once; the old one is handed back with retire().
    bool takeReady(PreparedStretcher &ready) QUILLMERE_NONBLOCKING;
    // True while a prepared stretcher waits to be taken.
    bool readyWaiting() const QUILLMERE_NONBLOCKING
    {
        return m_ready.load(std::memory_order_acquire) >= 0;
    }
    void retire(Stretcher *stretcher) QUILLMERE_NONBLOCKING;
    // True while a request has not been answered with a prepared stretcher yet.
    bool preparing() const QUILLMERE_NONBLOCKING
    {
        return m_asked.load(std::memory_order_acquire) !=
               m_answered.load(std::memory_order_acquire);
    }

    // The newest request's serial (0 for the setting the first one was made for).
    quint64 askedSerial() const QUILLMERE_NONBLOCKING
    {
        return m_asked.load(std::memory_order_acquire);
    }

    static constexpr int PoolSize = 2; // of each kind: stretchers and pass-throughs
    // The song's own speed and pitch, where a pass-through plays instead of a stretcher.
    static bool isNeutral(double speed, double pitch) { return speed == 1.0 && pitch == 1.0; }

private:
    struct Entry {
        std::unique_ptr<Stretcher> stretcher; // by start() or by the worker
        // The same, for the render thread to recognise a stretcher it hands back by; set once.
        std::atomic<Stretcher *> made{nullptr};
        PreparedStretcher prepared;
        bool withWorker = false;          // worker thread only
        std::atomic<bool> retired{false}; // set by the render thread
    };

    void workerLoop();
    void collectRetired();
    int spareEntry(bool neutral);
    // The stretchers come first, then the pass-throughs (for speed 1 and pitch 1).
    static bool holdsPassThrough(size_t index) { return index >= size_t(PoolSize); }
    void make(size_t index);
    void prepare(Entry &entry, double speed, double pitch);

    Stretcher::Kind m_kind;
    int m_rate;
    std::array<Entry, 2 * PoolSize> m_entries; // the stretchers, then the pass-throughs
    std::atomic<int> m_ready{-1};              // an entry prepared and not yet taken
    std::atomic<quint64> m_asked{0};           // the newest request's serial
    std::atomic<quint64> m_answered{0};        // the serial of the newest stretcher prepared

    std::mutex m_lock; // the request and m_stop; never taken by the render thread
    Wakeup m_wake;     // the worker sleeps on it
    Wakeup *m_readyWakeup = nullptr;
    unsigned m_readyReason = Wakeup::AnyReason;
    double m_wantedSpeed = 1.0;
    double m_wantedPitch = 1.0;
    quint64 m_requestSerial = 0;
    bool m_stop = false;
    std::thread m_worker;
};

} // namespace quillmere::audio
