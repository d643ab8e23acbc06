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

void Dither16::convert(const float *in, qint16 *out, std::size_t samples)
{
    constexpr float Scale = 1.0f / 16777216.0f; // 24 random bits to 0..1
    std::uint64_t state = m_state;
    for (std::size_t i = 0; i < samples; ++i) {
        // xorshift64: one step gives both uniform values of a sample
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        const float noise = float(std::uint32_t(state) >> 8) * Scale +
                            float(std::uint32_t(state >> 32) >> 8) * Scale - 1.0f;
        // min/max in this order turn a NaN (which the decoders already remove) into -1, never
        // into an undefined conversion.
        // Scaled as the decoders scale 16-bit samples to float, so that a 16-bit source comes
        // back as itself.
        const float scaled = std::min(1.0f, std::max(-1.0f, in[i])) * 32768.0f;
        // A sample that is already a 16-bit value (a source that passed untouched, digital
        // silence) is kept exactly: dither there would only add noise. Otherwise rounded to
        // nearest by truncating a positive number: one instruction, where lrint is a library
        // call.
        const int whole = int(scaled);
        const int rounded = float(whole) == scaled ? whole : int(scaled + noise + 32768.5f) - 32768;
        out[i] = qint16(std::min(32767, std::max(-32768, rounded)));
    }
    m_state = state;
}

} // namespace quillmere::audio
