#pragma once

#include "playlist/TLxABLoopInfo.h"

#include <optional>

class TLxMusicInfoMng;

// Runs the speed trainer of the section that A-B repeat holds, from the positions the position
// timer reads. The stream wraps from B to A by itself and says nothing of it, so a repeat is
// counted when the heard position jumps back inside the section without the user seeking.
// UI thread only.
class SpeedTrainerSession {
public:
    // One tick of the position timer: looped is the section of the current song that A-B repeat
    // holds now (-1: none), pos the position heard, userSeek true while the user moves the
    // position. Returns the speed to set when it changes: the trainer's start on entering a
    // section with a trainer, then each step. Leaving the section ends the session and keeps
    // the speed; so does a change of the section or of its trainer (a changed trainer in the
    // held section starts again at once).
    std::optional<int> follow(const TLxMusicInfoMng &mng, int looped, qint64 pos, bool userSeek);
    // A-B repeat off, another song, playback stopped: the speed stays where it got to.
    void stop() { m_index = -1; }

    int section() const { return m_index; } // -1: no trainer runs
    int repeats() const { return m_repeats; }

private:
    bool isWrap(qint64 pos) const;

    int m_index = -1;
    TLxABLoopInfo m_section; // as it was when entered, trainer included
    int m_repeats = 0;
    int m_speed = 0;
    qint64 m_lastPos = 0;
};
