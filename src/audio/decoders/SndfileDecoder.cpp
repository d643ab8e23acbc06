#include "audio/decoders/SndfileDecoder.h"

#include <QFile>

#include <sndfile.h>

namespace quillmere::audio {
namespace {

// WAVE format tags of the codecs libsndfile reads, for the type code of "other" WAV codecs.
quint32 waveFormatTag(int subtype)
{
    switch (subtype) {
    case SF_FORMAT_MS_ADPCM:
        return 0x0002;
    case SF_FORMAT_ALAW:
        return 0x0006;
    case SF_FORMAT_ULAW:
        return 0x0007;
    case SF_FORMAT_IMA_ADPCM:
        return 0x0011;
    case SF_FORMAT_GSM610:
        return 0x0031;
    case SF_FORMAT_G721_32:
        return 0x0040;
    case SF_FORMAT_MPEG_LAYER_III:
        return 0x0055;
    default:
        return 0;
    }
}

// The type code for a libsndfile format, or 0 when the file is left to plug-ins.
quint32 typeCodeFor(int format)
{
    const int major = format & SF_FORMAT_TYPEMASK;
    const int subtype = format & SF_FORMAT_SUBMASK;
    switch (major) {
    case SF_FORMAT_WAV:
    case SF_FORMAT_WAVEX:
    case SF_FORMAT_W64:
    case SF_FORMAT_RF64:
        switch (subtype) {
        case SF_FORMAT_PCM_U8:
        case SF_FORMAT_PCM_16:
        case SF_FORMAT_PCM_24:
        case SF_FORMAT_PCM_32:
            return TypeCode::WavPcm;
        case SF_FORMAT_FLOAT:
        case SF_FORMAT_DOUBLE:
            return TypeCode::WavFloat;
        default:
            return TypeCode::WavCodecBase + waveFormatTag(subtype);
        }
    case SF_FORMAT_AIFF:
        return TypeCode::Aiff;
    case SF_FORMAT_OGG:
        return subtype == SF_FORMAT_VORBIS ? TypeCode::OggVorbis : 0;
    case SF_FORMAT_MPEG:
        switch (subtype) {
        case SF_FORMAT_MPEG_LAYER_I:
            return TypeCode::Mp1;
        case SF_FORMAT_MPEG_LAYER_II:
            return TypeCode::Mp2;
        case SF_FORMAT_MPEG_LAYER_III:
            return TypeCode::Mp3;
        default:
            return 0;
        }
    default:
        return 0;
    }
}

class SndfileDecoder final : public Decoder {
public:
    SndfileDecoder(SNDFILE *file, const SourceInfo &info) : m_file(file), m_info(info) {}
    ~SndfileDecoder() override { sf_close(m_file); }

    const SourceInfo &info() const override { return m_info; }

    qint64 read(float *samples, qint64 frames) override
    {
        const sf_count_t n = sf_readf_float(m_file, samples, frames);
        if (n > 0)
            return n;
        return sf_error(m_file) == SF_ERR_NO_ERROR ? 0 : -1;
    }

    bool seek(qint64 frame) override { return sf_seek(m_file, frame, SEEK_SET) == frame; }

private:
    SNDFILE *m_file;
    SourceInfo m_info;
};

struct SpeakerName {
    int sndfile;
    Speaker speaker;
};

constexpr SpeakerName Speakers[] = {
    {SF_CHANNEL_MAP_MONO, Speaker::FrontCentre},
    {SF_CHANNEL_MAP_LEFT, Speaker::FrontLeft},
    {SF_CHANNEL_MAP_RIGHT, Speaker::FrontRight},
    {SF_CHANNEL_MAP_CENTER, Speaker::FrontCentre},
    {SF_CHANNEL_MAP_FRONT_LEFT, Speaker::FrontLeft},
    {SF_CHANNEL_MAP_FRONT_RIGHT, Speaker::FrontRight},
    {SF_CHANNEL_MAP_FRONT_CENTER, Speaker::FrontCentre},
    {SF_CHANNEL_MAP_REAR_CENTER, Speaker::BackCentre},
    {SF_CHANNEL_MAP_REAR_LEFT, Speaker::BackLeft},
    {SF_CHANNEL_MAP_REAR_RIGHT, Speaker::BackRight},
    {SF_CHANNEL_MAP_LFE, Speaker::Lfe},
    {SF_CHANNEL_MAP_FRONT_LEFT_OF_CENTER, Speaker::FrontLeftOfCentre},
    {SF_CHANNEL_MAP_FRONT_RIGHT_OF_CENTER, Speaker::FrontRightOfCentre},
    {SF_CHANNEL_MAP_SIDE_LEFT, Speaker::SideLeft},
    {SF_CHANNEL_MAP_SIDE_RIGHT, Speaker::SideRight},
    {SF_CHANNEL_MAP_TOP_CENTER, Speaker::TopCentre},
    {SF_CHANNEL_MAP_TOP_FRONT_LEFT, Speaker::TopFrontLeft},
    {SF_CHANNEL_MAP_TOP_FRONT_RIGHT, Speaker::TopFrontRight},
    {SF_CHANNEL_MAP_TOP_FRONT_CENTER, Speaker::TopFrontCentre},
    {SF_CHANNEL_MAP_TOP_REAR_LEFT, Speaker::TopBackLeft},
    {SF_CHANNEL_MAP_TOP_REAR_RIGHT, Speaker::TopBackRight},
    {SF_CHANNEL_MAP_TOP_REAR_CENTER, Speaker::TopBackCentre},
};

// The file's own channel map where it has one (WAVE_FORMAT_EXTENSIBLE, CAF, AIFF-C); empty
// otherwise, which means the WAV order. A map with a channel of no place is not trusted
// either: libsndfile reports some extensible WAV masks it cannot place as all "invalid".
std::vector<Speaker> speakersOf(SNDFILE *file, int channels)
{
    if (channels <= 2)
        return {};
    std::vector<int> map(size_t(channels), SF_CHANNEL_MAP_INVALID);
    if (sf_command(file, SFC_GET_CHANNEL_MAP_INFO, map.data(), int(map.size() * sizeof(int))) !=
        SF_TRUE)
        return {};
    std::vector<Speaker> speakers;
    for (int value : map) {
        if (value == SF_CHANNEL_MAP_INVALID)
            return {};
        Speaker speaker = Speaker::Unknown;
        for (const SpeakerName &name : Speakers) {
            if (name.sndfile == value)
                speaker = name.speaker;
        }
        speakers.push_back(speaker);
    }
    return speakers;
}

} // namespace

DecoderPtr openSndfileDecoder(const QString &path, ErrorCode &error)
{
    SF_INFO sfinfo{};
    SNDFILE *file = sf_open(QFile::encodeName(path).constData(), SFM_READ, &sfinfo);
    if (!file) {
        error = QFile::exists(path) ? ErrorCode::UnsupportedFormat : ErrorCode::FileOpen;
        return nullptr;
    }
    const quint32 typeCode = typeCodeFor(sfinfo.format);
    if (typeCode == 0 || sfinfo.channels < 1 || sfinfo.samplerate < 1 || sfinfo.frames <= 0) {
        sf_close(file);
        error = ErrorCode::UnsupportedFormat;
        return nullptr;
    }
    // Scale integer sources to -1..1 and never clip float sources: the chain has headroom.
    sf_command(file, SFC_SET_NORM_FLOAT, nullptr, SF_TRUE);
    SourceInfo info;
    info.channels = sfinfo.channels;
    info.sampleRate = sfinfo.samplerate;
    info.typeCode = typeCode;
    info.frames = sfinfo.frames;
    info.speakers = speakersOf(file, sfinfo.channels);
    return std::make_unique<SndfileDecoder>(file, info);
}

} // namespace quillmere::audio
