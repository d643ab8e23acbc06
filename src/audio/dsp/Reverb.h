#pragma once

#include "audio/AudioTypes.h"

#include <array>
#include <vector>

namespace quillmere::audio {

// A feedback-delay-network reverb: eight delay lines mixed by a Householder matrix, each with
// a damping filter whose gains give the reverb time at low frequencies and the reverb time x
// the high-frequency ratio at the top of the band. The output is the dry signal plus the
// reverberation at mixDb (-96 dB or less: none at all).
// Set up anywhere; then render thread only. process() never allocates.
class Reverb {
public:
    Reverb();
    void setParams(const ReverbParams &params);
    void reset();
    void process(float *stereo, int frames);

private:
    static constexpr int Lines = 8;
    struct Line {
        std::vector<float> buffer;
        int pos = 0;
        float feedback = 0; // damping filter: y = feedback * x * (1 - pole) + pole * y
        float pole = 0;
        float state = 0;
    };
    std::array<Line, Lines> m_lines;
    float m_inputGain = 1;
    float m_wetGain = 0;
};

} // namespace quillmere::audio
