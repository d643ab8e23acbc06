#pragma once

#include "audio/AudioTypes.h"
#include "audio/core/Realtime.h"

#include <array>

namespace quillmere::audio {

// A pause before each repeat of a section, in output frames, with a count-in of clicks in it.
struct BreathSettings {
    int gapFrames = 0; // 0: the section repeats at once
    int clicks = 0;
    int beatFrames = 0; // the tapped tempo
};

// The clicks of a count-in: short decaying sine bursts placed in the pause so that the last
// one falls one beat before the section comes back, as a musician counts in. When the pause is
// shorter than the clicks need at the tapped tempo, they are squeezed evenly into it (one beat
// of pause each), still ending a beat before the restart: a count-in that started before the
// pause would have to start in the section itself. Render thread only, after set up.
class CountInClicks {
public:
    static constexpr int BurstFrames = 1323;  // 30 ms at 44100 Hz
    static constexpr float BurstHz = 1500.0f; // above most instruments' fundamentals
    static constexpr float BurstLevel = 0.4f;

    explicit CountInClicks(int rate = OutputRate);

    void set(const BreathSettings &settings) QUILLMERE_NONBLOCKING;
    int gapFrames() const QUILLMERE_NONBLOCKING { return m_gapFrames; }
    int clickCount() const QUILLMERE_NONBLOCKING { return m_clicks; }
    // Where click `index` (0 = first) starts, in frames from the start of the pause.
    int clickStart(int index) const QUILLMERE_NONBLOCKING;
    // Adds the clicks that sound in frames [from, from + frames) of the pause to interleaved
    // stereo.
    void addTo(float *stereo, int from, int frames) const QUILLMERE_NONBLOCKING;

private:
    std::array<float, BurstFrames> m_burst{};
    int m_gapFrames = 0;
    int m_clicks = 0;
    int m_beatFrames = 0;
};

} // namespace quillmere::audio
