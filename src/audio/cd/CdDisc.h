#pragma once

// Threads: one CdDisc belongs to one thread at a time (libcdio handles are not shared).

#include <QString>
#include <QStringList>

#include <memory>

using CdIo_t = struct _CdIo;

namespace quillmere::audio {

constexpr qint64 CdSectorBytes = 2352;

// An open audio CD, in a drive or as a disc image: its table of contents and CD-TEXT.
// Tracks are numbered from 0 here; libcdio counts from its first track number.
class CdDisc {
public:
    // Null when nothing readable is there (no disc, door open, image gone or unreadable).
    static std::unique_ptr<CdDisc> open(const QString &path);
    ~CdDisc();
    CdDisc(const CdDisc &) = delete;
    CdDisc &operator=(const CdDisc &) = delete;

    int trackCount() const;
    bool isAudioTrack(int track) const;
    // -1 for a data track or a track that does not exist.
    qint64 trackLengthBytes(int track) const;
    qint64 firstSector(int track) const; // -1 when the track does not exist
    qint64 sectorCount(int track) const; // 0 when it does not exist

    // The titles the disc's CD-TEXT gives, as "TITLE<n>=<text>" entries (n from 1) in track
    // order; empty when the disc has none. The text is UTF-8 as libcdio hands it over.
    QStringList cdTextTitles() const;

    CdIo_t *handle() const { return m_cdio; }

private:
    explicit CdDisc(CdIo_t *cdio);
    CdIo_t *m_cdio;
    int m_firstTrackNumber = 1;
    int m_trackCount = 0;
};

} // namespace quillmere::audio
