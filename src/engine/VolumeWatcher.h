#pragma once

#include <atomic>
#include <chrono>
#include <climits>
#include <memory>
#include <thread>

class TLxVolume;

namespace quillmere::engine {

// The system volume as the windows see it: a worker thread owns the TLxVolume, keeps the reading
// up to date and applies the volume the user chose, so a sound server that hangs costs the UI
// thread nothing. GetVolume gives the last reading (-1 before the first one or without a
// control); SetVolume queues the new volume and shows it at once, so a reading taken before the
// write cannot move the slider back.
//
// The worker sleeps until there is something to do: the sound server tells it of every change
// of its sinks. Without a server (ALSA alone, or no control found yet) it reads again every
// pollInterval, and only while someone calls GetVolume: when a whole interval passes without a
// call it sleeps until the next one (which still gets the last reading; a fresh one follows).
//
// Threads: GetVolume, SetVolume and awaitFirstReading on the UI thread; the TLxVolume only on
// the worker. They share atomics only (and the TLxVolume's Interrupt, which any thread may
// call), so no call ever waits for the worker.
class VolumeWatcher {
public:
    explicit VolumeWatcher(std::chrono::milliseconds pollInterval = std::chrono::milliseconds(250));
    ~VolumeWatcher();
    VolumeWatcher(const VolumeWatcher &) = delete;
    VolumeWatcher &operator=(const VolumeWatcher &) = delete;

    // Cheap: two atomic loads, and once after a quiet spell a wake of the worker.
    int GetVolume() const
    {
        if (!m_readSincePoll.load(std::memory_order_relaxed))
            noteRead();
        return m_percent.load(std::memory_order_acquire);
    }
    // False when the last reading found no volume control; the write is queued all the same.
    bool SetVolume(int percent);
    // Waits at most `timeout` for the first reading (the window's start shows the real volume).
    void awaitFirstReading(std::chrono::milliseconds timeout) const;

private:
    static constexpr int NoWrite = INT_MIN;

    void run();
    void rest();
    void noteRead() const;

    std::atomic<int> m_percent{-1};
    std::atomic<bool> m_haveReading{false};
    std::atomic<int> m_pendingWrite{NoWrite};
    std::atomic<unsigned> m_writes{
        0}; // counts SetVolume calls; a reading taken across one is stale
    std::atomic<bool> m_stopping{false};
    mutable std::atomic<bool> m_readSincePoll{true};
    std::atomic<bool> m_dormant{false}; // the worker sleeps until GetVolume is called
    const std::chrono::milliseconds m_pollInterval;
    std::unique_ptr<TLxVolume> m_volume;
    std::thread m_worker;
};

} // namespace quillmere::engine
