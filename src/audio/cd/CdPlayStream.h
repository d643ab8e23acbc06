#pragma once

// Threads: every member is called on the UI thread. The end listener runs on the back end's
// event thread; destroying the stream waits for a listener call in progress and silences it,
// so a listener never outlives the stream.

#include "audio/AudioTypes.h"

#include <QString>

#include <functional>
#include <memory>

namespace quillmere::audio {

class AudioBackend;

// The stream one CD drive plays through. It is made once and then aimed at other tracks;
// each aim starts the new track from its beginning.
class CdPlayStream {
public:
    using EndListener = std::function<void(int drive, int track)>;

    CdPlayStream(AudioBackend &backend, int drive, QString drivePath, EndListener onEnd);
    ~CdPlayStream();
    CdPlayStream(const CdPlayStream &) = delete;
    CdPlayStream &operator=(const CdPlayStream &) = delete;

    // False (and no track) when the track cannot be opened.
    bool setTrack(int track);
    int track() const { return m_track; } // -1 before the first successful aim
    // The track in the low 16 bits and the drive in the high 16 bits.
    quint32 driveAndTrack() const;
    Handle channel() const { return m_channel; }

private:
    struct Listener;
    void release();

    AudioBackend &m_backend;
    int m_drive;
    QString m_drivePath;
    std::shared_ptr<Listener> m_listener;
    Handle m_channel = 0;
    int m_track = -1;
};

} // namespace quillmere::audio
