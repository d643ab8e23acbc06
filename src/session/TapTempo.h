#pragma once

#include <QtGlobal>

#include <array>

// Tap tempo: the beat is the mean interval of the last few taps, so that one uneven tap does
// not throw it off; a pause of more than two seconds starts counting afresh. UI thread.
class TapTempo {
public:
    static constexpr qint64 ResetMs = 2000;
    static constexpr int Intervals = 4;

    // A tap at `nowMs` (any steady clock); true when it gave a new beat.
    bool tap(qint64 nowMs);
    int beatMs() const { return m_beatMs; }

private:
    std::array<qint64, Intervals> m_intervals{};
    int m_count = 0;
    qint64 m_lastMs = -1;
    int m_beatMs = 0;
};
