#include "audio/WavEncoding.h"

#include "audio/AudioTypes.h"

#include <QtEndian>

#include <algorithm>
#include <cmath>

namespace quillmere::audio {

QByteArray wavHeader16(quint32 dataBytes)
{
    QByteArray h(44, '\0');
    const auto put32 = [&h](int at, quint32 value) { qToLittleEndian(value, h.data() + at); };
    const auto put16 = [&h](int at, quint16 value) { qToLittleEndian(value, h.data() + at); };
    h.replace(0, 4, "RIFF");
    put32(4, 36 + dataBytes);
    h.replace(8, 8, "WAVEfmt ");
    put32(16, 16);
    put16(20, 1); // PCM
    put16(22, OutputChannels);
    put32(24, OutputRate);
    put32(28, quint32(BytesPerSecond));
    put16(32, quint16(BytesPerFrame));
    put16(34, 16);
    h.replace(36, 4, "data");
    put32(40, dataBytes);
    return h;
}

float Dither16::nextUniform()
{
    // xorshift32: cheap, and good enough for noise that sits at the 16th bit
    m_state ^= m_state << 13;
    m_state ^= m_state >> 17;
    m_state ^= m_state << 5;
    return float(m_state) * (1.0f / 4294967296.0f) - 0.5f;
}

void Dither16::convert(const float *in, qint16 *out, std::size_t samples)
{
    for (std::size_t i = 0; i < samples; ++i) {
        const float dither = nextUniform() + nextUniform();
        const float scaled = std::clamp(in[i], -1.0f, 1.0f) * 32767.0f + dither;
        out[i] = qint16(std::clamp(std::lrint(scaled), -32768L, 32767L));
    }
}

} // namespace quillmere::audio
