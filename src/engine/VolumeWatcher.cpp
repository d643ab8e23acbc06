#include "engine/VolumeWatcher.h"

#include "audio/core/ThreadName.h"
#include "engine/TLxVolume.h"

namespace quillmere::engine {
namespace {

using namespace std::chrono_literals;

// How often the start-up wait looks for the first reading.
constexpr auto FirstReadingSlice = 5ms;
// Asleep for want of readers, only an interrupt wakes the worker; long, but finite.
constexpr auto DormantSleep = std::chrono::milliseconds(std::chrono::hours(1));

} // namespace

VolumeWatcher::VolumeWatcher(std::chrono::milliseconds pollInterval)
    : m_pollInterval(pollInterval), m_volume(std::make_unique<TLxVolume>()),
      m_worker([this] { run(); })
{
}

VolumeWatcher::~VolumeWatcher()
{
    m_stopping.store(true, std::memory_order_release);
    m_volume->Interrupt();
    m_worker.join();
}

bool VolumeWatcher::SetVolume(int percent)
{
    const bool controlSeen = m_percent.load(std::memory_order_acquire) >= 0;
    m_writes.fetch_add(1, std::memory_order_acq_rel);
    m_pendingWrite.store(percent, std::memory_order_release);
    if (controlSeen)
        m_percent.store(percent, std::memory_order_release);
    m_volume->Interrupt();
    return controlSeen;
}

// The first read after a poll; if the worker went to sleep for want of readers, it reads again.
// With the worker's check in rest(), both sides store, then look at the other's flag
// (sequentially consistent), so one of them always sees the other.
void VolumeWatcher::noteRead() const
{
    m_readSincePoll.store(true, std::memory_order_seq_cst);
    if (m_dormant.load(std::memory_order_seq_cst))
        m_volume->Interrupt();
}

void VolumeWatcher::awaitFirstReading(std::chrono::milliseconds timeout) const
{
    const auto giveUp = std::chrono::steady_clock::now() + timeout;
    while (!m_haveReading.load(std::memory_order_acquire) &&
           std::chrono::steady_clock::now() < giveUp)
        std::this_thread::sleep_for(FirstReadingSlice);
}

// Sleeps until the volume may have changed, a write is queued or the watcher ends (each of
// those interrupts the wait).
void VolumeWatcher::rest()
{
    if (m_stopping.load(std::memory_order_acquire) ||
        m_pendingWrite.load(std::memory_order_acquire) != NoWrite)
        return;
    if (m_volume->WaitForChange(m_pollInterval))
        return; // the server tells of changes: one came (or it went), or an interrupt
    // Polled: another reading follows only if someone read this one.
    if (m_readSincePoll.exchange(false, std::memory_order_acq_rel))
        return;
    m_dormant.store(true, std::memory_order_seq_cst);
    if (!m_readSincePoll.load(std::memory_order_seq_cst) &&
        !m_stopping.load(std::memory_order_acquire))
        m_volume->WaitForChange(DormantSleep);
    m_dormant.store(false, std::memory_order_relaxed);
}

void VolumeWatcher::run()
{
    quillmere::audio::nameThisThread("qm-volume");
    while (!m_stopping.load(std::memory_order_acquire)) {
        const int write = m_pendingWrite.exchange(NoWrite, std::memory_order_acq_rel);
        if (write != NoWrite)
            m_volume->SetVolume(write);
        const unsigned writesBefore = m_writes.load(std::memory_order_acquire);
        int shown = m_percent.load(std::memory_order_acquire);
        const int percent = m_volume->GetVolume();
        // A volume chosen while the server was asked stays shown; the next reading has it.
        if (m_writes.load(std::memory_order_acquire) == writesBefore)
            m_percent.compare_exchange_strong(shown, percent, std::memory_order_acq_rel);
        m_haveReading.store(true, std::memory_order_release);
        rest();
    }
}

} // namespace quillmere::engine
