#include "audio/cd/CdPlayStream.h"

#include "audio/AudioBackend.h"

#include <mutex>

namespace quillmere::audio {

struct CdPlayStream::Listener {
    std::mutex lock; // held while the listener runs, so that clearing it waits for the call
    EndListener onEnd;
};

CdPlayStream::CdPlayStream(AudioBackend &backend, int drive, QString drivePath, EndListener onEnd)
    : m_backend(backend), m_drive(drive), m_drivePath(std::move(drivePath)),
      m_listener(std::make_shared<Listener>())
{
    m_listener->onEnd = std::move(onEnd);
}

CdPlayStream::~CdPlayStream()
{
    {
        std::lock_guard guard(m_listener->lock);
        m_listener->onEnd = nullptr;
    }
    release();
}

void CdPlayStream::release()
{
    if (m_channel)
        m_backend.freeChannel(m_channel);
    m_channel = 0;
    m_track = -1;
}

bool CdPlayStream::setTrack(int track)
{
    release();
    const Handle source = m_backend.openCdTrack(m_drivePath, track);
    const Handle channel = source ? m_backend.createTempoChannel(source) : 0;
    if (!channel)
        return false;
    m_channel = channel;
    m_track = track;
    const int drive = m_drive;
    m_backend.setEndNotification(channel, [listener = m_listener, drive, track](Handle, Handle) {
        std::lock_guard guard(listener->lock);
        if (listener->onEnd)
            listener->onEnd(drive, track);
    });
    return true;
}

quint32 CdPlayStream::driveAndTrack() const
{
    return (quint32(m_drive) << 16) | quint32(m_track < 0 ? 0 : m_track);
}

} // namespace quillmere::audio
