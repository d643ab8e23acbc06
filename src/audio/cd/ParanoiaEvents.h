#pragma once

// Threads: one rip's reading thread.

#include <QtGlobal>

#include <cdio/paranoia/paranoia.h>

#include <set>

namespace quillmere::audio {

// What paranoia's callback told about the sectors of one track while it was read. Paranoia
// reads, verifies and repairs whole runs of sectors ahead of the one asked for, and reports a
// repair when it makes it, not when that sector is handed out: a repair is kept for its own
// sector until the rip gets there. A failure counts only for the sector being read (paranoia
// retries read-ahead sectors that failed when they are asked for).
class ParanoiaEvents {
public:
    ParanoiaEvents(qint64 firstSector, qint64 sectorCount)
        : m_first(firstSector), m_end(firstSector + sectorCount)
    {
    }

    // The sector about to be read; clears its failure.
    void startSector(qint64 sector);
    // Paranoia's callback: `word` is the position in 16-bit samples from the disc's start.
    void note(long word, paranoia_cb_mode_t mode);

    bool repaired(qint64 sector) const { return m_repaired.count(sector) > 0; }
    bool currentFailed() const { return m_failed; }

private:
    qint64 m_first;
    qint64 m_end;
    qint64 m_current = -1;
    bool m_failed = false;
    std::set<qint64> m_repaired; // sparse: an image may claim a track of any length
};

} // namespace quillmere::audio
