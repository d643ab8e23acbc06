#include "audio/cd/CdRipStream.h"

#include "audio/cd/CdDisc.h"
#include "audio/cd/ParanoiaEvents.h"

#include <QtEndian>

#include <cdio/cdio.h>
#include <cdio/paranoia/cdda.h>
#include <cdio/paranoia/paranoia.h>

#include <cstdio>

namespace quillmere::audio {
namespace {

// Paranoia's callback carries no user pointer: the rip reading on this thread collects what
// happened to its sectors here.
thread_local ParanoiaEvents *t_events = nullptr;

void onParanoiaEvent(long word, paranoia_cb_mode_t mode)
{
    if (t_events)
        t_events->note(word, mode);
}

// How often paranoia retries a sector before it gives up on it.
constexpr int MaxRetries = 20;

} // namespace

struct CdRipStream::Paranoia {
    cdrom_drive_t *drive = nullptr;
    cdrom_paranoia_t *paranoia = nullptr;
    ~Paranoia()
    {
        if (paranoia)
            cdio_paranoia_free(paranoia);
        if (drive)
            cdio_cddap_close_no_free_cdio(drive); // the CdDisc owns the libcdio handle
    }
};

std::unique_ptr<CdRipStream> CdRipStream::open(const QString &drivePath, int track)
{
    std::unique_ptr<CdDisc> disc = CdDisc::open(drivePath);
    if (!disc || !disc->isAudioTrack(track))
        return nullptr;
    auto paranoia = std::make_unique<Paranoia>();
    paranoia->drive = cdio_cddap_identify_cdio(disc->handle(), CDDA_MESSAGE_FORGETIT, nullptr);
    if (!paranoia->drive || cdio_cddap_open(paranoia->drive) != 0)
        return nullptr;
    cdio_cddap_verbose_set(paranoia->drive, CDDA_MESSAGE_FORGETIT, CDDA_MESSAGE_FORGETIT);
    // Red Book audio is little-endian; paranoia's guess from the samples misjudges some
    // content (noise, silence) and would swap every sample.
    paranoia->drive->bigendianp = 0;
    paranoia->paranoia = cdio_paranoia_init(paranoia->drive);
    if (!paranoia->paranoia)
        return nullptr;
    // Every check and repair paranoia has, but its own never-skip retry loop is left out: on
    // a sector that cannot be read at all it would retry for ever. A sector paranoia gives
    // up on (after MaxRetries) is reported as unreadable instead of being skipped.
    cdio_paranoia_modeset(paranoia->paranoia, PARANOIA_MODE_FULL ^ PARANOIA_MODE_NEVERSKIP);
    const qint64 first = disc->firstSector(track);
    const qint64 count = disc->sectorCount(track);
    cdio_paranoia_seek(paranoia->paranoia, int32_t(first), SEEK_SET);
    auto stream = std::unique_ptr<CdRipStream>(
        new CdRipStream(std::move(disc), std::move(paranoia), first, count));
    // Paranoia's multi-sector reads can come back "verified" with stale data for sectors the
    // medium does not have (seen on images whose table of contents runs past the end of the
    // file). A track whose last sector cannot be read plainly has its every sector checked.
    stream->m_checkEachSector = !stream->plainReadWorks(first + count - 1);
    return stream;
}

CdRipStream::CdRipStream(std::unique_ptr<CdDisc> disc, std::unique_ptr<Paranoia> paranoia,
                         qint64 first, qint64 count)
    : m_disc(std::move(disc)), m_paranoia(std::move(paranoia)),
      m_events(std::make_unique<ParanoiaEvents>(first, count)), m_firstSector(first),
      m_sectorCount(count)
{
}

CdRipStream::~CdRipStream() = default;

qint64 CdRipStream::lengthBytes() const
{
    return m_sectorCount * CdSectorBytes;
}

qint64 CdRipStream::positionBytes() const
{
    return m_done * CdSectorBytes;
}

bool CdRipStream::atEnd() const
{
    return m_done >= m_sectorCount;
}

bool CdRipStream::plainReadWorks(qint64 sector) const
{
    char scratch[CdSectorBytes];
    return cdio_read_audio_sectors(m_disc->handle(), scratch, lsn_t(sector), 1) ==
           DRIVER_OP_SUCCESS;
}

bool CdRipStream::readSector(char *out)
{
    const qint64 sector = m_firstSector + m_done;
    m_events->startSector(sector);
    t_events = m_events.get();
    const int16_t *samples =
        cdio_paranoia_read_limited(m_paranoia->paranoia, &onParanoiaEvent, MaxRetries);
    t_events = nullptr;
    if (!samples || m_events->currentFailed() || (m_checkEachSector && !plainReadWorks(sector))) {
        ++m_unreadable;
        // Paranoia has moved past the sector it gave up on: aim it back, so the position
        // still names the sector that failed.
        cdio_paranoia_seek(m_paranoia->paranoia, int32_t(sector), SEEK_SET);
        return false;
    }
    if (m_events->repaired(sector))
        ++m_repaired;
    qToLittleEndian<qint16>(samples, CdSectorBytes / 2, out);
    return true;
}

qint64 CdRipStream::read(char *buffer, qint64 maxBytes)
{
    if (m_failed)
        return -1;
    qint64 bytes = 0;
    while (!atEnd() && bytes + CdSectorBytes <= maxBytes) {
        if (!readSector(buffer + bytes)) {
            // What came before the bad sector is good; the failure shows at the next read.
            m_failed = true;
            return bytes > 0 ? bytes : -1;
        }
        bytes += CdSectorBytes;
        ++m_done;
    }
    return bytes;
}

} // namespace quillmere::audio
