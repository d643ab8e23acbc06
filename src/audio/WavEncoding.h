#pragma once

#include <QByteArray>

#include <cstdint>

namespace quillmere::audio {

// The plain 44-byte header of a 44100 Hz, 16-bit stereo PCM WAV file holding dataBytes.
QByteArray wavHeader16(quint32 dataBytes);

// Float samples to 16 bits with triangular (TPDF) dither of +-1 step: the sum of two uniform
// random values per sample, so that sound quieter than one step survives as itself plus a
// constant noise floor instead of vanishing or turning into a square wave. The generator is
// seeded the same every time, so one input always gives the same file. Samples that are
// already 16-bit values pass undithered, so a 16-bit source comes out as itself. Samples
// beyond -1..1 are clipped.
class Dither16 {
public:
    void convert(const float *in, qint16 *out, std::size_t samples);

private:
    std::uint64_t m_state = 0x9E3779B97F4A7C15u;
};

} // namespace quillmere::audio
