#pragma once

#include "audio/AudioTypes.h"
#include "audio/dsp/GainRamp.h"

#include <array>
#include <vector>

namespace quillmere::audio {

// A feedback-delay-network reverb: eight delay lines mixed by a Householder matrix, each with
// a damping filter whose gains give the reverb time at low frequencies and the reverb time x
// the high-frequency ratio at the top of the band. The output is the dry signal plus the
// reverberation at mixDb (-96 dB or less: none at all).
//
// Turned down to nothing, the reverb stops taking input but its lines keep running, silently,
// until the tail has decayed below -96 dB; only then is it skipped. A tail frozen instead
// would come back, stale, when the level is raised again. Level and input gain changes are
// ramped. Set up anywhere; then render thread only. process() never allocates.
class Reverb {
public:
    static constexpr int Lines = 8;
    // Mutually prime lengths between about 25 and 60 ms (at 44100 Hz) give a dense, uncoloured
    // tail: no two lines ever line up their echoes again.
    static constexpr std::array<int, Lines> LineLengths = {1117, 1361, 1559, 1789,
                                                           1951, 2179, 2417, 2659};

    explicit Reverb(int rate = OutputRate);
    void setParams(const ReverbParams &params);
    // Empties the tail; settings until the next process() are taken at once: a new start.
    void reset();
    void process(float *stereo, int frames);
    // No tail and no level: process() does nothing.
    bool idle() const { return m_idle; }

private:
    // The lines side by side, so that the eight of them are worked on together.
    struct Lanes {
        // Each line's damping filter: y = feedback * x * (1 - pole) + pole * y.
        std::array<float, Lines> feedback{};
        std::array<float, Lines> pole{};
        std::array<float, Lines> state{};
    };
    void run(float *stereo, int frames);
    int runUntilAWrap(float *stereo, int frames);
    void clearLines();

    int m_rate;
    std::array<std::vector<float>, Lines> m_buffers;
    std::array<int, Lines> m_positions{};
    Lanes m_lanes;
    GainRamp m_inputGain;
    GainRamp m_wetGain;
    float m_inputTarget = 1;
    int m_quietFrames = 0;
    bool m_idle = true;
    bool m_heard = false; // until then a new setting is taken at once
};

} // namespace quillmere::audio
