#include "FfmpegFormats.h"

extern "C" {
#include <libavcodec/codec_id.h>
}

#include <array>

namespace ffmpegplugin {
namespace {

// Type codes are stable: they are shown to the user and may be stored by the player.
constexpr uint32_t TypeAac = 0x10100;
constexpr uint32_t TypeOpus = 0x10101;
constexpr uint32_t TypeFlac = 0x10102;
constexpr uint32_t TypeWma = 0x10103;
constexpr uint32_t TypeAlac = 0x10104;
constexpr uint32_t TypeApe = 0x10105;
constexpr uint32_t TypeWavPack = 0x10106;
constexpr uint32_t TypeTta = 0x10107;
constexpr uint32_t TypeAc3 = 0x10108;

constexpr std::array<QuillmerePluginFormat, 9> Formats{{
    {TypeAac, "M4A/AAC", "*.m4a;*.mp4;*.aac"},
    {TypeOpus, "Opus", "*.opus"},
    {TypeFlac, "FLAC", "*.flac"},
    {TypeWma, "WMA", "*.wma"},
    {TypeAlac, "Apple Lossless", "*.m4a"},
    {TypeApe, "Monkey's Audio", "*.ape"},
    {TypeWavPack, "WavPack", "*.wv"},
    {TypeTta, "TTA", "*.tta"},
    {TypeAc3, "AC-3", "*.ac3"},
}};

} // namespace

const QuillmerePluginFormat *formats()
{
    return Formats.data();
}

uint32_t formatCount()
{
    return static_cast<uint32_t>(Formats.size());
}

uint32_t typeCodeOfCodec(int codecId)
{
    switch (static_cast<AVCodecID>(codecId)) {
    case AV_CODEC_ID_AAC:
    case AV_CODEC_ID_AAC_LATM:
        return TypeAac;
    case AV_CODEC_ID_OPUS:
        return TypeOpus;
    case AV_CODEC_ID_FLAC:
        return TypeFlac;
    case AV_CODEC_ID_WMAV1:
    case AV_CODEC_ID_WMAV2:
    case AV_CODEC_ID_WMAPRO:
    case AV_CODEC_ID_WMALOSSLESS:
        return TypeWma;
    case AV_CODEC_ID_ALAC:
        return TypeAlac;
    case AV_CODEC_ID_APE:
        return TypeApe;
    case AV_CODEC_ID_WAVPACK:
        return TypeWavPack;
    case AV_CODEC_ID_TTA:
        return TypeTta;
    case AV_CODEC_ID_AC3:
    case AV_CODEC_ID_EAC3:
        return TypeAc3;
    default:
        return 0;
    }
}

} // namespace ffmpegplugin
