#include "engine/FormatText.h"

#include <cmath>

using namespace quillmere::audio;

namespace FormatText {

QString describe(const ChannelInfo &info, const std::vector<PluginFormat> &formats)
{
    QString text = QStringLiteral("不明");
    if (info.plugin != 0) {
        for (const PluginFormat &format : formats) {
            if (format.plugin == int(info.plugin) && format.typeCode == info.typeCode)
                text = format.name; // the last match stays
        }
    }
    switch (info.typeCode) {
    case TypeCode::OggVorbis:
        text = QStringLiteral("Ogg Vorbis");
        break;
    case TypeCode::Mp1:
        text = QStringLiteral("MPEG layer 1");
        break;
    case TypeCode::Mp2:
        text = QStringLiteral("MPEG layer 2");
        break;
    case TypeCode::Mp3:
        text = QStringLiteral("MPEG layer 3");
        break;
    case TypeCode::Aiff:
        text = QStringLiteral("Audio IFF");
        break;
    case TypeCode::WavCodecBase:
        text = QStringLiteral("Wave");
        break;
    case TypeCode::WavPcm:
        text = QStringLiteral("PCM WAVE");
        break;
    case TypeCode::WavFloat:
        text = QStringLiteral("Floating-point Wave");
        break;
    default:
        break;
    }
    return text + QStringLiteral(" [%1ch]").arg(info.channels);
}

QString time(qint64 bytes)
{
    const double seconds = bytesToSeconds(bytes);
    const auto s = static_cast<qint32>(std::nearbyint(seconds)); // halves to even
    return QString::asprintf("%.2d:%.2d", s / 60, s % 60);
}

float reverbMixDb(int level)
{
    const double rest = 20.0 - level;
    return static_cast<float>(-0.012 * rest * rest * rest);
}

} // namespace FormatText
