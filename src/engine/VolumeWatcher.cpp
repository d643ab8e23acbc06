#include "engine/VolumeWatcher.h"

#include "engine/TLxVolume.h"

namespace quillmere::engine {

VolumeWatcher::VolumeWatcher(std::chrono::milliseconds pollInterval)
    : m_pollInterval(pollInterval), m_volume(std::make_unique<TLxVolume>()),
      m_worker([this] { run(); })
{
}

VolumeWatcher::~VolumeWatcher()
{
    {
        const std::lock_guard guard(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    m_worker.join();
}

int VolumeWatcher::GetVolume() const
{
    const std::lock_guard guard(m_mutex);
    return m_percent;
}

bool VolumeWatcher::SetVolume(int percent)
{
    bool controlSeen = false;
    {
        const std::lock_guard guard(m_mutex);
        controlSeen = m_percent >= 0;
        m_pendingWrite = percent;
        ++m_writes;
        if (controlSeen)
            m_percent = percent;
    }
    m_changed.notify_all();
    return controlSeen;
}

void VolumeWatcher::awaitFirstReading(std::chrono::milliseconds timeout) const
{
    std::unique_lock lock(m_mutex);
    m_changed.wait_for(lock, timeout, [this] { return m_haveReading; });
}

void VolumeWatcher::run()
{
    std::unique_lock lock(m_mutex);
    while (!m_stopping) {
        if (m_pendingWrite) {
            const int percent = *m_pendingWrite;
            m_pendingWrite.reset();
            lock.unlock();
            m_volume->SetVolume(percent);
            lock.lock();
        }
        const unsigned writesBefore = m_writes;
        lock.unlock();
        const int percent = m_volume->GetVolume();
        lock.lock();
        if (m_writes == writesBefore && !m_pendingWrite)
            m_percent = percent;
        m_haveReading = true;
        m_changed.notify_all();
        m_changed.wait_for(lock, m_pollInterval,
                           [this] { return m_stopping || m_pendingWrite.has_value(); });
    }
}

} // namespace quillmere::engine
