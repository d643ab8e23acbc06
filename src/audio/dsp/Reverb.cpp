#include "audio/dsp/Reverb.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace quillmere::audio {
namespace {

constexpr float TailFloor = 1.6e-5f; // -96 dBFS

float dbToGain(float db)
{
    return std::pow(10.0f, db / 20.0f);
}

} // namespace

Reverb::Reverb(int rate) : m_rate(rate)
{
    for (int i = 0; i < Lines; ++i)
        m_buffers[i].assign(static_cast<size_t>(LineLengths[i]), 0.0f);
    setParams(ReverbParams{});
    reset();
}

void Reverb::setParams(const ReverbParams &params)
{
    m_inputTarget = dbToGain(std::min(params.inputGainDb, 0.0f));
    const float wet = params.mixDb <= -96.0f ? 0.0f : dbToGain(std::min(params.mixDb, 0.0f));
    // Silent, it takes no input, so that its tail dies away.
    const float input = wet > 0 ? m_inputTarget : 0.0f;
    if (m_heard) {
        m_wetGain.setTarget(wet);
        m_inputGain.setTarget(input);
    } else {
        m_wetGain.jumpTo(wet);
        m_inputGain.jumpTo(input);
        m_idle = wet == 0;
    }
    const double timeS = std::clamp(double(params.timeMs), 1.0, 3'000'000.0) / 1000.0;
    const double ratio = std::clamp(double(params.highFrequencyRatio), 0.001, 0.999);
    for (int i = 0; i < Lines; ++i) {
        // Each pass through a line of d samples must lose 60 dB x d / (time x rate).
        const double d = LineLengths[i];
        const double low = std::pow(10.0, -3.0 * d / (timeS * m_rate));
        const double high = std::pow(10.0, -3.0 * d / (timeS * ratio * m_rate));
        m_lanes.feedback[i] = static_cast<float>(low);
        m_lanes.pole[i] = static_cast<float>((low - high) / (low + high));
    }
}

void Reverb::reset()
{
    clearLines();
    m_wetGain.jumpTo(m_wetGain.target());
    m_inputGain.jumpTo(m_inputGain.target());
    m_idle = m_wetGain.target() == 0;
    m_heard = false;
}

void Reverb::clearLines()
{
    for (std::vector<float> &buffer : m_buffers)
        std::fill(buffer.begin(), buffer.end(), 0.0f);
    m_lanes.state.fill(0.0f);
    m_quietFrames = 0;
}

void Reverb::process(float *stereo, int frames)
{
    m_heard = true;
    if (m_idle) {
        if (m_wetGain.target() == 0)
            return;
        m_idle = false;
    }
    run(stereo, frames);
    // Quiet for as long as the longest line: all the lines hold is below the floor.
    const bool closed = m_inputGain.steady() && m_inputGain.value() == 0;
    if (m_wetGain.target() == 0 && closed && m_quietFrames >= LineLengths.back()) {
        clearLines();
        m_idle = true;
    }
}

void Reverb::run(float *stereo, int frames)
{
    for (int done = 0; done < frames;)
        done += runUntilAWrap(stereo + 2 * done, frames - done);
}

namespace {

// Four lines at a time: each operation is the scalar one on each lane, so the sound is the
// same to the bit as line by line.
using Quad = float __attribute__((vector_size(16)));
using QuadMask = int __attribute__((vector_size(16)));

Quad load(const std::array<float, Reverb::Lines> &lanes, int half)
{
    Quad q;
    std::memcpy(&q, lanes.data() + 4 * half, sizeof q);
    return q;
}

Quad magnitude(Quad q)
{
    QuadMask bits;
    std::memcpy(&bits, &q, sizeof bits);
    bits &= 0x7fffffff;
    std::memcpy(&q, &bits, sizeof q);
    return q;
}

} // namespace

// Up to the first frame where a line's position wraps round: in between, every line's read
// and write position just moves on.
int Reverb::runUntilAWrap(float *stereo, int frames)
{
    int run = frames;
    for (int i = 0; i < Lines; ++i)
        run = std::min(run, LineLengths[i] - m_positions[i]);
    std::array<float *, Lines> at;
    for (int i = 0; i < Lines; ++i)
        at[i] = m_buffers[i].data() + m_positions[i];
    const Quad feedback[2] = {load(m_lanes.feedback, 0), load(m_lanes.feedback, 1)};
    const Quad pole[2] = {load(m_lanes.pole, 0), load(m_lanes.pole, 1)};
    const Quad keep[2] = {1 - pole[0], 1 - pole[1]};
    Quad state[2] = {load(m_lanes.state, 0), load(m_lanes.state, 1)};
    const Quad floor = {1e-25f, 1e-25f, 1e-25f, 1e-25f};
    // Local copies: the compiler cannot tell the gains from the samples written meanwhile.
    GainRamp inputGain = m_inputGain, wetGain = m_wetGain;
    for (int f = 0; f < run; ++f) {
        const float input = (stereo[2 * f] + stereo[2 * f + 1]) * 0.5f * inputGain.next();
        const Quad delayed[2] = {Quad{at[0][f], at[1][f], at[2][f], at[3][f]},
                                 Quad{at[4][f], at[5][f], at[6][f], at[7][f]}};
        state[0] = feedback[0] * delayed[0] * keep[0] + pole[0] * state[0];
        state[1] = feedback[1] * delayed[1] * keep[1] + pole[1] * state[1];
        const Quad a = state[0], b = state[1];
        // Summed in line order, from 0, as line by line.
        const float sum = 0.0f + a[0] + a[1] + a[2] + a[3] + b[0] + b[1] + b[2] + b[3];
        const float left = 0.0f + a[0] + a[2] + b[0] + b[2];
        const float right = 0.0f + a[1] + a[3] + b[1] + b[3];
        const Quad ma = magnitude(a), mb = magnitude(b);
        const Quad m = ma > mb ? ma : mb;
        const float loudest = std::max(std::max(m[0], m[1]), std::max(m[2], m[3]));
        // Householder feedback matrix: lossless, and every line feeds every other.
        const float reflect = sum * (2.0f / Lines);
        const Quad va = a - reflect + input, vb = b - reflect + input;
        // Below the floor a line holds 0: no denormals circulating.
        const Quad ka = magnitude(va) < floor ? Quad{} : va;
        const Quad kb = magnitude(vb) < floor ? Quad{} : vb;
        at[0][f] = ka[0];
        at[1][f] = ka[1];
        at[2][f] = ka[2];
        at[3][f] = ka[3];
        at[4][f] = kb[0];
        at[5][f] = kb[1];
        at[6][f] = kb[2];
        at[7][f] = kb[3];
        const float wet = wetGain.next() * 0.25f;
        stereo[2 * f] += left * wet;
        stereo[2 * f + 1] += right * wet;
        m_quietFrames = loudest < TailFloor ? m_quietFrames + 1 : 0;
    }
    m_inputGain = inputGain;
    m_wetGain = wetGain;
    std::memcpy(m_lanes.state.data(), &state[0], sizeof state[0]);
    std::memcpy(m_lanes.state.data() + 4, &state[1], sizeof state[1]);
    for (int i = 0; i < Lines; ++i)
        m_positions[i] = m_positions[i] + run == LineLengths[i] ? 0 : m_positions[i] + run;
    return run;
}

} // namespace quillmere::audio
