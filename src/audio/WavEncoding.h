#pragma once

#include <QByteArray>

#include <vector>

namespace quillmere::audio {

// A 44100 Hz, 16-bit stereo PCM WAV file with the plain 44-byte header, from interleaved float
// frames; samples beyond -1..1 are clipped, the rest rounded to the nearest step.
QByteArray encodeWav16(const std::vector<float> &stereo);

} // namespace quillmere::audio
