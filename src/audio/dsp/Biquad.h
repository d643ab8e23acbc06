#pragma once

#include "audio/AudioTypes.h"

namespace quillmere::audio {

// Coefficients of one second-order section, normalised so that a0 = 1.
struct BiquadCoefficients {
    double b0 = 1, b1 = 0, b2 = 0, a1 = 0, a2 = 0;
};

// A peaking equaliser band (the well-known cookbook formulas), with the bandwidth given in
// semitones between the band edges. Pure; computed on the UI thread.
BiquadCoefficients peakingCoefficients(const EqualizerParams &params, double sampleRate);

// The band's gain in dB at a frequency: for tests and displays.
double biquadGainDb(const BiquadCoefficients &c, double frequencyHz, double sampleRate);

// Stereo filter state, transposed direct form II. Render thread only.
class StereoBiquad {
public:
    void setCoefficients(const BiquadCoefficients &c) { m_c = c; }
    void reset() { m_state[0][0] = m_state[0][1] = m_state[1][0] = m_state[1][1] = 0; }
    void process(float *stereo, int frames);

private:
    BiquadCoefficients m_c;
    double m_state[2][2] = {};
};

} // namespace quillmere::audio
