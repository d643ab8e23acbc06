#pragma once

#include "playlist/SpeedTrainer.h"

#include <QtGlobal>

#include <optional>

// One A-B section of a song, in source bytes (176,400 bytes are one second of the song,
// whatever the playback speed). Positions are 64-bit so that songs longer than 3 h 22 min
// keep exact sections.
struct TLxABLoopInfo {
    qint64 PosA = 0;
    qint64 PosB = 0;
    std::optional<SpeedTrainer> Trainer =
        std::nullopt; // none: the section repeats at the speed set

    // Both ends belong to the section.
    bool contains(qint64 pos) const { return PosA <= pos && pos <= PosB; }
    bool sameRange(const TLxABLoopInfo &other) const
    {
        return PosA == other.PosA && PosB == other.PosB;
    }
    friend bool operator==(const TLxABLoopInfo &, const TLxABLoopInfo &) = default;
};
