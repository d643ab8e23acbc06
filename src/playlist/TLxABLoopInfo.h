#pragma once

#include <QtGlobal>

// One A-B section of a song, in source bytes (176,400 bytes are one second of the song,
// whatever the playback speed). Positions are 64-bit so that songs longer than 3 h 22 min
// keep exact sections.
struct TLxABLoopInfo {
    qint64 PosA = 0;
    qint64 PosB = 0;

    // Both ends belong to the section.
    bool contains(qint64 pos) const { return PosA <= pos && pos <= PosB; }
    friend bool operator==(const TLxABLoopInfo &, const TLxABLoopInfo &) = default;
};
