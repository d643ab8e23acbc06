#include "engine/VolumeWatcher.h"

#include "engine/TLxVolume.h"

namespace quillmere::engine {
namespace {

using namespace std::chrono_literals;

// How often a wait looks for a new write or the end: a slider's move reaches the server
// within this, whatever the poll interval.
constexpr auto Slice = 5ms;

} // namespace

VolumeWatcher::VolumeWatcher(std::chrono::milliseconds pollInterval)
    : m_pollInterval(pollInterval), m_volume(std::make_unique<TLxVolume>()),
      m_worker([this] { run(); })
{
}

VolumeWatcher::~VolumeWatcher()
{
    m_stopping.store(true, std::memory_order_release);
    m_worker.join();
}

bool VolumeWatcher::SetVolume(int percent)
{
    const bool controlSeen = m_percent.load(std::memory_order_acquire) >= 0;
    m_writes.fetch_add(1, std::memory_order_acq_rel);
    m_pendingWrite.store(percent, std::memory_order_release);
    if (controlSeen)
        m_percent.store(percent, std::memory_order_release);
    return controlSeen;
}

void VolumeWatcher::awaitFirstReading(std::chrono::milliseconds timeout) const
{
    const auto giveUp = std::chrono::steady_clock::now() + timeout;
    while (!m_haveReading.load(std::memory_order_acquire) &&
           std::chrono::steady_clock::now() < giveUp)
        std::this_thread::sleep_for(Slice);
}

// Sleeps for the poll interval, or less when a write is queued or the watcher ends.
void VolumeWatcher::pause()
{
    const auto until = std::chrono::steady_clock::now() + m_pollInterval;
    while (std::chrono::steady_clock::now() < until &&
           !m_stopping.load(std::memory_order_acquire) &&
           m_pendingWrite.load(std::memory_order_acquire) == NoWrite)
        std::this_thread::sleep_for(Slice);
}

void VolumeWatcher::run()
{
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
        pause();
    }
}

} // namespace quillmere::engine
