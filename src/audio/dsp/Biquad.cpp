#include "audio/dsp/Biquad.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <complex>
#include <numbers>
#include <utility>

namespace quillmere::audio {
namespace {

// About -180 dBFS: far below what a 24-bit output resolves, so dropping it makes no step.
constexpr double SettledState = 1e-9;

bool sameCoefficients(const BiquadCoefficients &x, const BiquadCoefficients &y)
{
    return x.b0 == y.b0 && x.b1 == y.b1 && x.b2 == y.b2 && x.a1 == y.a1 && x.a2 == y.a2;
}

} // namespace

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

bool isFlat(const BiquadCoefficients &c)
{
    return c.b0 == 1 && c.b1 == c.a1 && c.b2 == c.a2;
}

double biquadGainDb(const BiquadCoefficients &c, double frequencyHz, double sampleRate)
{
    const std::complex<double> z1 =
        std::polar(1.0, -2 * std::numbers::pi * frequencyHz / sampleRate);
    const std::complex<double> z2 = z1 * z1;
    const std::complex<double> h = (c.b0 + c.b1 * z1 + c.b2 * z2) / (1.0 + c.a1 * z1 + c.a2 * z2);
    return 20 * std::log10(std::abs(h));
}

void StereoBiquad::setCoefficients(const BiquadCoefficients &c)
{
    m_c = m_target = c;
    m_rampLeft = 0;
    m_idle = false;
    updateIdle();
}

void StereoBiquad::reset()
{
    clearState();
    setCoefficients(m_target);
}

void StereoBiquad::setTarget(const BiquadCoefficients &c)
{
    if (sameCoefficients(c, m_target))
        return; // another effect changed; this band goes on as it is
    if (m_idle) {
        // A skipped band is flat with no state: any flat filter stands in for it. With the
        // target's own poles only the numerator moves during the ramp.
        m_c = c;
        m_c.b0 = 1;
        m_c.b1 = c.a1;
        m_c.b2 = c.a2;
    }
    m_target = c;
    constexpr double inv = 1.0 / RampFrames;
    m_step = {(c.b0 - m_c.b0) * inv, (c.b1 - m_c.b1) * inv, (c.b2 - m_c.b2) * inv,
              (c.a1 - m_c.a1) * inv, (c.a2 - m_c.a2) * inv};
    m_rampLeft = RampFrames;
    m_idle = false;
}

void StereoBiquad::process(float *stereo, int frames)
{
    if (m_idle)
        return;
    const int ramped = m_rampLeft > 0 ? processRamp(stereo, frames) : 0;
    processSteady(stereo + 2 * ramped, frames - ramped);
    updateIdle();
}

// Both channels per frame, the coefficients moving one step each frame.
int StereoBiquad::processRamp(float *stereo, int frames)
{
    const int n = std::min(frames, m_rampLeft);
    BiquadCoefficients c = m_c;
    for (int i = 0; i < n; ++i) {
        c.b0 += m_step.b0;
        c.b1 += m_step.b1;
        c.b2 += m_step.b2;
        c.a1 += m_step.a1;
        c.a2 += m_step.a2;
        for (int ch = 0; ch < 2; ++ch) {
            double &s1 = m_state[ch][0], &s2 = m_state[ch][1];
            const double x = stereo[2 * i + ch];
            const double y = c.b0 * x + s1;
            s1 = c.b1 * x - c.a1 * y + s2;
            s2 = c.b2 * x - c.a2 * y;
            stereo[2 * i + ch] = static_cast<float>(y);
        }
    }
    m_rampLeft -= n;
    // The last step lands on the target itself, free of rounding drift.
    m_c = m_rampLeft == 0 ? m_target : c;
    return n;
}

void StereoBiquad::processSteady(float *stereo, int frames)
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
        m_state[ch][0] = s1;
        m_state[ch][1] = s2;
    }
}

// Two lanes, left and right: each operation is the same IEEE operation as the scalar one on
// each lane, so the results are those of processSteady() exactly.
using Pair = double __attribute__((vector_size(16)));
using FloatPair = float __attribute__((vector_size(8)));

template <int N>
void StereoBiquad::processSteadyChain(StereoBiquad *const *bands, float *stereo, int frames)
{
    Pair b0[N], b1[N], b2[N], a1[N], a2[N], s1[N], s2[N];
    for (int k = 0; k < N; ++k) {
        const BiquadCoefficients &c = bands[k]->m_c;
        b0[k] = Pair{c.b0, c.b0};
        b1[k] = Pair{c.b1, c.b1};
        b2[k] = Pair{c.b2, c.b2};
        a1[k] = Pair{c.a1, c.a1};
        a2[k] = Pair{c.a2, c.a2};
        s1[k] = Pair{bands[k]->m_state[0][0], bands[k]->m_state[1][0]};
        s2[k] = Pair{bands[k]->m_state[0][1], bands[k]->m_state[1][1]};
    }
    // The bands run as a wavefront: at step t band k filters frame t - k. Within a step no
    // band waits for another's result, so the processor overlaps all of them; each band still
    // sees its frames in order, through the same operations, so the output is unchanged.
    // next[k] is what band k takes at the coming step (band k - 1's last output, as floats).
    FloatPair next[N];
    const auto band = [&](int k, int t) __attribute__((always_inline))
    {
        const Pair x = __builtin_convertvector(next[k], Pair);
        const Pair y = b0[k] * x + s1[k];
        s1[k] = b1[k] * x - a1[k] * y + s2[k];
        s2[k] = b2[k] * x - a2[k] * y;
        const FloatPair out = __builtin_convertvector(y, FloatPair); // bands hand on floats
        if (k == N - 1) {
            stereo[2 * (t - k)] = out[0];
            stereo[2 * (t - k) + 1] = out[1];
        } else {
            next[k + 1] = out;
        }
    };
    const auto take = [&](int t) { next[0] = FloatPair{stereo[2 * t], stereo[2 * t + 1]}; };
    const int full = std::min(N - 1, frames); // the first step with every band at work
    for (int t = 0; t < full; ++t) {
        take(t);
        for (int k = t; k >= 0; --k)
            band(k, t);
    }
    for (int t = full; t < frames; ++t) {
        take(t);
#pragma GCC unroll 8
        for (int k = N - 1; k >= 0; --k)
            band(k, t);
    }
    for (int t = std::max(frames, full); t < frames + N - 1; ++t) {
        for (int k = std::min(N - 1, t); k > t - frames; --k)
            band(k, t);
    }
    for (int k = 0; k < N; ++k) {
        bands[k]->m_state[0][0] = s1[k][0];
        bands[k]->m_state[1][0] = s1[k][1];
        bands[k]->m_state[0][1] = s2[k][0];
        bands[k]->m_state[1][1] = s2[k][1];
    }
}

void StereoBiquad::processChain(StereoBiquad *bands, int count, float *stereo, int frames)
{
    constexpr int MaxChain = 8;
    StereoBiquad *running[MaxChain];
    int n = 0;
    for (int i = 0; i < count; ++i) {
        if (bands[i].m_idle)
            continue;
        // A band gliding to a new setting, or more bands than the chain takes: one by one.
        if (bands[i].m_rampLeft > 0 || n == MaxChain) {
            for (int j = 0; j < count; ++j)
                bands[j].process(stereo, frames);
            return;
        }
        running[n++] = &bands[i];
    }
    // One instantiation per chain length, so that each runs with its loops unrolled.
    using Chain = void (*)(StereoBiquad *const *, float *, int);
    static constexpr auto chains = []<std::size_t... I>(std::index_sequence<I...>)
    {
        return std::array<Chain, sizeof...(I)>{&processSteadyChain<int(I) + 1>...};
    }
    (std::make_index_sequence<MaxChain>{});
    if (n > 0)
        chains[size_t(n - 1)](running, stereo, frames);
    for (int i = 0; i < n; ++i)
        running[i]->updateIdle();
}

// A flat band still rings with its poles after a change; it is skipped only once that has
// died away, and its state is then cleared so that taking it up again starts from rest.
void StereoBiquad::updateIdle()
{
    if (m_rampLeft > 0 || !isFlat(m_c))
        return;
    for (const auto &channel : m_state) {
        if (std::abs(channel[0]) > SettledState || std::abs(channel[1]) > SettledState)
            return;
    }
    clearState();
    m_idle = true;
}

} // namespace quillmere::audio
