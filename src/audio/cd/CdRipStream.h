#pragma once

// Threads: used by one thread (the CD dialog's recording loop runs on the UI thread).

#include <QString>

#include <memory>

namespace quillmere::audio {

class CdDisc;
class ParanoiaEvents;

// Reads one audio track for ripping through libcdio-paranoia in full paranoia mode, never
// skipping: a sector is either delivered as read (possibly after repairs) or reported as
// unreadable, never silently replaced by zeros.
class CdRipStream {
public:
    // Null when the drive has no readable disc or `track` (0-based) is not an audio track.
    static std::unique_ptr<CdRipStream> open(const QString &drivePath, int track);
    ~CdRipStream();
    CdRipStream(const CdRipStream &) = delete;
    CdRipStream &operator=(const CdRipStream &) = delete;

    qint64 lengthBytes() const;
    qint64 positionBytes() const;
    bool atEnd() const;

    // Reads whole sectors, up to `maxBytes`, in little-endian order. Returns the bytes read,
    // 0 at the end of the track, -1 once a sector could not be read (the bytes before it are
    // still returned first; the position stays at that sector).
    qint64 read(char *buffer, qint64 maxBytes);

    int repairedSectors() const { return m_repaired; }
    int unreadableSectors() const { return m_unreadable; }

private:
    struct Paranoia;
    CdRipStream(std::unique_ptr<CdDisc> disc, std::unique_ptr<Paranoia> paranoia, qint64 first,
                qint64 count);
    bool readSector(char *out);
    bool plainReadWorks(qint64 sector) const;

    std::unique_ptr<CdDisc> m_disc;
    std::unique_ptr<Paranoia> m_paranoia;
    std::unique_ptr<ParanoiaEvents> m_events;
    qint64 m_firstSector = 0;
    qint64 m_sectorCount = 0;
    qint64 m_done = 0; // sectors delivered
    int m_repaired = 0;
    int m_unreadable = 0;
    bool m_failed = false;
    bool m_checkEachSector = false;
};

} // namespace quillmere::audio
