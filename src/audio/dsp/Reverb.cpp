#include "audio/dsp/Reverb.h"

#include <algorithm>
#include <cmath>

namespace quillmere::audio {
namespace {

// Mutually prime lengths between about 25 and 60 ms give a dense, uncoloured tail.
constexpr std::array<int, 8> LineLengths = {1116, 1356, 1557, 1789, 1951, 2179, 2417, 2659};

float dbToGain(float db)
{
    return std::pow(10.0f, db / 20.0f);
}

} // namespace

Reverb::Reverb()
{
    for (int i = 0; i < Lines; ++i)
        m_lines[i].buffer.assign(static_cast<size_t>(LineLengths[i]), 0.0f);
    setParams(ReverbParams{});
}

void Reverb::setParams(const ReverbParams &params)
{
    m_inputGain = dbToGain(std::min(params.inputGainDb, 0.0f));
    m_wetGain = params.mixDb <= -96.0f ? 0.0f : dbToGain(std::min(params.mixDb, 0.0f));
    const double timeS = std::clamp(double(params.timeMs), 1.0, 3'000'000.0) / 1000.0;
    const double ratio = std::clamp(double(params.highFrequencyRatio), 0.001, 0.999);
    for (int i = 0; i < Lines; ++i) {
        // Each pass through a line of d samples must lose 60 dB x d / (time x rate).
        const double d = LineLengths[i];
        const double low = std::pow(10.0, -3.0 * d / (timeS * OutputRate));
        const double high = std::pow(10.0, -3.0 * d / (timeS * ratio * OutputRate));
        m_lines[i].feedback = static_cast<float>(low);
        m_lines[i].pole = static_cast<float>((low - high) / (low + high));
    }
}

void Reverb::reset()
{
    for (Line &line : m_lines) {
        std::fill(line.buffer.begin(), line.buffer.end(), 0.0f);
        line.state = 0;
    }
}

void Reverb::process(float *stereo, int frames)
{
    if (m_wetGain == 0.0f)
        return;
    std::array<float, Lines> out{};
    for (int f = 0; f < frames; ++f) {
        const float input = (stereo[2 * f] + stereo[2 * f + 1]) * 0.5f * m_inputGain;
        float sum = 0;
        for (int i = 0; i < Lines; ++i) {
            Line &line = m_lines[i];
            const float delayed = line.buffer[static_cast<size_t>(line.pos)];
            line.state = line.feedback * delayed * (1 - line.pole) + line.pole * line.state;
            out[i] = line.state;
            sum += out[i];
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
        stereo[2 * f] += left * m_wetGain * 0.25f;
        stereo[2 * f + 1] += right * m_wetGain * 0.25f;
    }
}

} // namespace quillmere::audio
