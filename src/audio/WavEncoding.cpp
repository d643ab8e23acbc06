#include "audio/WavEncoding.h"

#include "audio/AudioTypes.h"

#include <QtEndian>

#include <algorithm>
#include <cmath>

namespace quillmere::audio {
namespace {

void put32(QByteArray &out, quint32 value)
{
    const quint32 le = qToLittleEndian(value);
    out.append(reinterpret_cast<const char *>(&le), 4);
}

void put16(QByteArray &out, quint16 value)
{
    const quint16 le = qToLittleEndian(value);
    out.append(reinterpret_cast<const char *>(&le), 2);
}

} // namespace

QByteArray encodeWav16(const std::vector<float> &stereo)
{
    const auto dataBytes = quint32(stereo.size() * 2);
    QByteArray out;
    out.reserve(qsizetype(44 + dataBytes));
    out.append("RIFF");
    put32(out, 36 + dataBytes);
    out.append("WAVEfmt ");
    put32(out, 16);
    put16(out, 1); // PCM
    put16(out, OutputChannels);
    put32(out, OutputRate);
    put32(out, quint32(BytesPerSecond));
    put16(out, quint16(BytesPerFrame));
    put16(out, 16);
    out.append("data");
    put32(out, dataBytes);
    out.resize(out.size() + qsizetype(dataBytes));
    uchar *data = reinterpret_cast<uchar *>(out.data()) + 44;
    for (float sample : stereo) {
        const float clipped = std::clamp(sample, -1.0f, 1.0f);
        qToLittleEndian(qint16(std::lrint(clipped * 32767.0f)), data);
        data += 2;
    }
    return out;
}

} // namespace quillmere::audio
