#include "audio/cd/CdDisc.h"

#include <QFileInfo>

#include <cdio/cdio.h>
#include <cdio/cdtext.h>

namespace quillmere::audio {

std::unique_ptr<CdDisc> CdDisc::open(const QString &path)
{
    // libcdio's image drivers keep reading a file that was deleted under them; a missing
    // image is treated like an empty drive before libcdio is asked.
    if (!path.startsWith(QLatin1String("/dev/")) && !QFileInfo::exists(path))
        return nullptr;
    CdIo_t *cdio = cdio_open(QFile::encodeName(path).constData(), DRIVER_UNKNOWN);
    if (!cdio)
        return nullptr;
    std::unique_ptr<CdDisc> disc(new CdDisc(cdio));
    if (disc->m_trackCount <= 0)
        return nullptr;
    return disc;
}

CdDisc::CdDisc(CdIo_t *cdio) : m_cdio(cdio)
{
    const track_t first = cdio_get_first_track_num(cdio);
    const track_t count = cdio_get_num_tracks(cdio);
    if (first != CDIO_INVALID_TRACK && count != CDIO_INVALID_TRACK) {
        m_firstTrackNumber = first;
        m_trackCount = count;
    }
}

CdDisc::~CdDisc()
{
    cdio_destroy(m_cdio);
}

int CdDisc::trackCount() const
{
    return m_trackCount;
}

bool CdDisc::isAudioTrack(int track) const
{
    if (track < 0 || track >= m_trackCount)
        return false;
    return cdio_get_track_format(m_cdio, track_t(m_firstTrackNumber + track)) == TRACK_FORMAT_AUDIO;
}

qint64 CdDisc::firstSector(int track) const
{
    if (track < 0 || track >= m_trackCount)
        return -1;
    const lsn_t lsn = cdio_get_track_lsn(m_cdio, track_t(m_firstTrackNumber + track));
    return lsn == CDIO_INVALID_LSN ? -1 : qint64(lsn);
}

qint64 CdDisc::sectorCount(int track) const
{
    const qint64 first = firstSector(track);
    if (first < 0)
        return 0;
    const lsn_t last = cdio_get_track_last_lsn(m_cdio, track_t(m_firstTrackNumber + track));
    return last == CDIO_INVALID_LSN || last < first ? 0 : qint64(last) - first + 1;
}

qint64 CdDisc::trackLengthBytes(int track) const
{
    if (!isAudioTrack(track))
        return -1;
    return sectorCount(track) * CdSectorBytes;
}

QStringList CdDisc::cdTextTitles() const
{
    QStringList titles;
    cdtext_t *text = cdio_get_cdtext(m_cdio);
    if (!text)
        return titles;
    for (int t = 0; t < m_trackCount; ++t) {
        const char *title =
            cdtext_get_const(text, CDTEXT_FIELD_TITLE, track_t(m_firstTrackNumber + t));
        if (title)
            titles << QStringLiteral("TITLE%1=").arg(t + 1) + QString::fromUtf8(title);
    }
    return titles;
}

} // namespace quillmere::audio
