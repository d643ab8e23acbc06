#include "audio/dsp/Reverb.h"

#include <algorithm>
#include <cmath>

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
        m_lines[i].buffer.assign(static_cast<size_t>(LineLengths[i]), 0.0f);
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
        m_lines[i].feedback = static_cast<float>(low);
        m_lines[i].pole = static_cast<float>((low - high) / (low + high));
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
    for (Line &line : m_lines) {
        std::fill(line.buffer.begin(), line.buffer.end(), 0.0f);
        line.state = 0;
    }
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
    std::array<float, Lines> out{};
    for (int f = 0; f < frames; ++f) {
        float loudest = 0;
        const float input = (stereo[2 * f] + stereo[2 * f + 1]) * 0.5f * m_inputGain.next();
        float sum = 0;
        for (int i = 0; i < Lines; ++i) {
            Line &line = m_lines[i];
            const float delayed = line.buffer[static_cast<size_t>(line.pos)];
            line.state = line.feedback * delayed * (1 - line.pole) + line.pole * line.state;
            out[i] = line.state;
            sum += out[i];
            loudest = std::max(loudest, std::abs(out[i]));
        }
        // Householder feedback matrix: lossless, and every line feeds every other.
        const float reflect = sum * (2.0f / Lines);
        float left = 0, right = 0;
        for (int i = 0; i < Lines; ++i) {
            Line &line = m_lines[i];
            const float value = out[i] - reflect + input;
            line.buffer[static_cast<size_t>(line.pos)] = std::abs(value) < 1e-25f ? 0.0f : value;
            line.pos = line.pos + 1 == static_cast<int>(line.buffer.size()) ? 0 : line.pos + 1;
            (i % 2 == 0 ? left : right) += out[i];
        }
        const float wet = m_wetGain.next() * 0.25f;
        stereo[2 * f] += left * wet;
        stereo[2 * f + 1] += right * wet;
        m_quietFrames = loudest < TailFloor ? m_quietFrames + 1 : 0;
    }
}

} // namespace quillmere::audio
