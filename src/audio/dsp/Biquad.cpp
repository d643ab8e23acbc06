#include "audio/dsp/Biquad.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>

namespace quillmere::audio {

BiquadCoefficients peakingCoefficients(const EqualizerParams &params, double sampleRate)
{
    const double nyquist = sampleRate / 2;
    const double centre = std::clamp(double(params.centreHz), 1.0, nyquist * 0.99);
    const double octaves = std::max(double(params.bandwidthSemitones), 0.1) / 12.0;
    const double a = std::pow(10.0, params.gainDb / 40.0);
    const double w0 = 2 * std::numbers::pi * centre / sampleRate;
    const double alpha = std::sin(w0) * std::sinh(std::log(2.0) / 2 * octaves * w0 / std::sin(w0));
    const double cosW0 = std::cos(w0);
    const double a0 = 1 + alpha / a;
    BiquadCoefficients c;
    c.b0 = (1 + alpha * a) / a0;
    c.b1 = -2 * cosW0 / a0;
    c.b2 = (1 - alpha * a) / a0;
    c.a1 = -2 * cosW0 / a0;
    c.a2 = (1 - alpha / a) / a0;
    return c;
}

double biquadGainDb(const BiquadCoefficients &c, double frequencyHz, double sampleRate)
{
    const std::complex<double> z1 =
        std::polar(1.0, -2 * std::numbers::pi * frequencyHz / sampleRate);
    const std::complex<double> z2 = z1 * z1;
    const std::complex<double> h = (c.b0 + c.b1 * z1 + c.b2 * z2) / (1.0 + c.a1 * z1 + c.a2 * z2);
    return 20 * std::log10(std::abs(h));
}

void StereoBiquad::process(float *stereo, int frames)
{
    for (int ch = 0; ch < 2; ++ch) {
        double s1 = m_state[ch][0], s2 = m_state[ch][1];
        for (int i = 0; i < frames; ++i) {
            const double x = stereo[2 * i + ch];
            const double y = m_c.b0 * x + s1;
            s1 = m_c.b1 * x - m_c.a1 * y + s2;
            s2 = m_c.b2 * x - m_c.a2 * y;
            stereo[2 * i + ch] = static_cast<float>(y);
        }
        // Denormals would make a silent tail slow on some processors.
        m_state[ch][0] = std::abs(s1) < 1e-30 ? 0 : s1;
        m_state[ch][1] = std::abs(s2) < 1e-30 ? 0 : s2;
    }
}

} // namespace quillmere::audio
