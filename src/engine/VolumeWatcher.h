#pragma once

#include <atomic>
#include <chrono>
#include <climits>
#include <memory>
#include <thread>

class TLxVolume;

namespace quillmere::engine {

// The system volume as the windows see it: a worker thread owns the TLxVolume, reads it a few
// times a second and applies the volume the user chose, so a sound server that hangs costs the
// UI thread nothing. GetVolume gives the last reading (-1 before the first one or without a
// control); SetVolume queues the new volume and shows it at once, so a reading taken before the
// write cannot move the slider back.
//
// Threads: GetVolume, SetVolume and awaitFirstReading on the UI thread; the TLxVolume only on
// the worker. They share atomics only, so no call ever waits for the worker.
class VolumeWatcher {
public:
    explicit VolumeWatcher(std::chrono::milliseconds pollInterval = std::chrono::milliseconds(100));
    ~VolumeWatcher();
    VolumeWatcher(const VolumeWatcher &) = delete;
    VolumeWatcher &operator=(const VolumeWatcher &) = delete;

    int GetVolume() const { return m_percent.load(std::memory_order_acquire); }
    // False when the last reading found no volume control; the write is queued all the same.
    bool SetVolume(int percent);
    // Waits at most `timeout` for the first reading (the window's start shows the real volume).
    void awaitFirstReading(std::chrono::milliseconds timeout) const;

private:
    static constexpr int NoWrite = INT_MIN;

    void run();
    void pause();

    std::atomic<int> m_percent{-1};
    std::atomic<bool> m_haveReading{false};
    std::atomic<int> m_pendingWrite{NoWrite};
    std::atomic<unsigned> m_writes{
        0}; // counts SetVolume calls; a reading taken across one is stale
    std::atomic<bool> m_stopping{false};
    const std::chrono::milliseconds m_pollInterval;
    std::unique_ptr<TLxVolume> m_volume;
    std::thread m_worker;
};

} // namespace quillmere::engine
