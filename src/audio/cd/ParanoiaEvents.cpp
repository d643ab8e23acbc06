#include "audio/cd/ParanoiaEvents.h"

#include "audio/cd/CdDisc.h"

namespace quillmere::audio {

void ParanoiaEvents::startSector(qint64 sector)
{
    m_current = sector;
    m_failed = false;
}

void ParanoiaEvents::note(long word, paranoia_cb_mode_t mode)
{
    const qint64 sector = qint64(word) / (CdSectorBytes / 2);
    if (word < 0 || sector < m_first || sector >= m_end)
        return;
    switch (mode) {
    case PARANOIA_CB_FIXUP_EDGE:
    case PARANOIA_CB_FIXUP_ATOM:
    case PARANOIA_CB_FIXUP_DROPPED:
    case PARANOIA_CB_FIXUP_DUPED:
    case PARANOIA_CB_SCRATCH: // not sent by this paranoia, but a repair if it ever is
    case PARANOIA_CB_REPAIR:
        m_repaired.insert(sector);
        break;
    case PARANOIA_CB_READERR:
    case PARANOIA_CB_SKIP:
        m_failed = m_failed || sector == m_current;
        break;
    default: // reads, verification, overlap and drift adjustment: the data is as read
        break;
    }
}

} // namespace quillmere::audio
