#pragma once

#include "audio/AudioTypes.h"

namespace quillmere::audio {

// Coefficients of one second-order section, normalised so that a0 = 1.
struct BiquadCoefficients {
    double b0 = 1, b1 = 0, b2 = 0, a1 = 0, a2 = 0;
};

// A peaking equaliser band (the well-known cookbook formulas), with the bandwidth given in
// semitones between the band edges. Pure; computed on the UI thread. At 0 dB the numerator
// equals the denominator exactly, so the band passes everything unchanged.
BiquadCoefficients peakingCoefficients(const EqualizerParams &params, double sampleRate);

// True when the section passes everything unchanged (b = a), whatever its poles.
bool isFlat(const BiquadCoefficients &c);

// The band's gain in dB at a frequency: for tests and displays.
double biquadGainDb(const BiquadCoefficients &c, double frequencyHz, double sampleRate);

// Stereo filter state, transposed direct form II. Render thread only.
//
// A new setting is reached by interpolating the coefficients sample by sample over
// RampFrames, with the state kept. Interpolating is chosen over running the old and new
// filters side by side and crossfading their outputs: it costs one filter instead of two,
// and the new filter needs no state of its own (a second filter started from rest would
// itself start with a step). Every intermediate filter is stable, because the stable
// (a1, a2) pairs form a triangle and a straight line between two points of a triangle stays
// inside it. The structure never changes, not even at 0 dB: a flat band keeps running until
// the ringing of its poles has died away, and only then is it skipped.
class StereoBiquad {
public:
    static constexpr int RampFrames = 512;

    // Takes the coefficients at once, for a filter that has not run yet.
    void setCoefficients(const BiquadCoefficients &c);
    // Moves to the coefficients over the next RampFrames.
    void setTarget(const BiquadCoefficients &c);
    // Clears the state and takes the target at once: for a new start, nothing heard yet.
    void reset();
    void process(float *stereo, int frames);
    // The same as process() on each band in turn, to the bit, but sample by sample through all
    // of them with both channels together: each band's next sample waits for its previous
    // one, and this way the processor works on every band and channel at once instead.
    static void processChain(StereoBiquad *bands, int count, float *stereo, int frames);
    // Flat, settled and silent inside: process() does nothing.
    bool idle() const { return m_idle; }

private:
    template <int N>
    static void processSteadyChain(StereoBiquad *const *bands, float *stereo, int frames);
    int processRamp(float *stereo, int frames);
    void processSteady(float *stereo, int frames);
    void updateIdle();
    void clearState() { m_state[0][0] = m_state[0][1] = m_state[1][0] = m_state[1][1] = 0; }

    BiquadCoefficients m_c;      // in force now
    BiquadCoefficients m_target; // reached when the ramp ends
    BiquadCoefficients m_step;   // per frame, while m_rampLeft > 0
    int m_rampLeft = 0;
    bool m_idle = true;
    double m_state[2][2] = {};
};

} // namespace quillmere::audio
