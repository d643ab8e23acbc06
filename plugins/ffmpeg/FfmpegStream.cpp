#include "FfmpegStream.h"

#include "FfmpegFormats.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <cstring>

namespace ffmpegplugin {

std::unique_ptr<FfmpegStream> FfmpegStream::open(const char *path)
{
    std::unique_ptr<FfmpegStream> stream(new FfmpegStream);
    if (!stream->openFile(path) || !stream->openDecoder())
        return nullptr;
    // Decoding the first frame proves the file is usable and fixes the time origin: containers
    // start their timestamps at various values, and decoders trim priming samples.
    if (stream->decodeNext() != Next::Frame)
        return nullptr;
    if (stream->m_frame->best_effort_timestamp != AV_NOPTS_VALUE)
        stream->m_originPts = stream->m_frame->best_effort_timestamp;
    if (!stream->convert(0))
        return nullptr;
    stream->m_info.frames = stream->lengthInFrames();
    // MP4's edit list gives the exact length, but the decoder still delivers the padding of the
    // last AAC frame; other containers' lengths are not exact enough to cut at.
    if (std::strstr(stream->m_format->iformat->name, "mp4") != nullptr)
        stream->m_end = stream->m_info.frames;
    return stream;
}

FfmpegStream::~FfmpegStream()
{
    swr_free(&m_swr);
    av_frame_free(&m_frame);
    av_packet_free(&m_packet);
    avcodec_free_context(&m_codec);
    avformat_close_input(&m_format);
}

bool FfmpegStream::openFile(const char *path)
{
    if (avformat_open_input(&m_format, path, nullptr, nullptr) < 0)
        return false;
    if (avformat_find_stream_info(m_format, nullptr) < 0)
        return false;
    m_streamIndex = av_find_best_stream(m_format, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    if (m_streamIndex < 0)
        return false;
    for (unsigned i = 0; i < m_format->nb_streams; ++i) {
        if (static_cast<int>(i) != m_streamIndex)
            m_format->streams[i]->discard = AVDISCARD_ALL;
    }
    return true;
}

bool FfmpegStream::openDecoder()
{
    const AVStream *stream = m_format->streams[m_streamIndex];
    m_info.type_code = typeCodeOfCodec(stream->codecpar->codec_id);
    if (m_info.type_code == 0)
        return false;
    const AVCodec *decoder = avcodec_find_decoder(stream->codecpar->codec_id);
    if (decoder == nullptr)
        return false;
    m_codec = avcodec_alloc_context3(decoder);
    if (m_codec == nullptr || avcodec_parameters_to_context(m_codec, stream->codecpar) < 0)
        return false;
    // Lets the decoder shift timestamps when it trims priming samples.
    m_codec->pkt_timebase = stream->time_base;
    if (avcodec_open2(m_codec, decoder, nullptr) < 0)
        return false;
    m_packet = av_packet_alloc();
    m_frame = av_frame_alloc();
    m_info.channels = m_codec->ch_layout.nb_channels;
    m_info.sample_rate = m_codec->sample_rate;
    return m_packet != nullptr && m_frame != nullptr && m_info.channels > 0 &&
           m_info.sample_rate > 0;
}

FfmpegStream::Next FfmpegStream::decodeNext()
{
    // A damaged packet is dropped; a run of them this long means the data is not audio.
    constexpr int maxDamagedPackets = 64;
    int damaged = 0;
    for (;;) {
        const int received = avcodec_receive_frame(m_codec, m_frame);
        if (received == 0)
            return Next::Frame;
        if (received == AVERROR_EOF)
            return Next::End;
        if (received != AVERROR(EAGAIN)) {
            if (received != AVERROR_INVALIDDATA || ++damaged > maxDamagedPackets)
                return Next::Error;
            continue;
        }
        const Next fed = feedPacket();
        if (fed == Next::Error && ++damaged > maxDamagedPackets)
            return Next::Error;
    }
}

// Sends the next packet of our stream to the decoder, or the end-of-stream mark after the
// last one. Returns Error for a packet the decoder refused.
FfmpegStream::Next FfmpegStream::feedPacket()
{
    if (m_demuxEnded)
        return Next::End; // the decoder has the end mark and will report AVERROR_EOF
    while (av_read_frame(m_format, m_packet) >= 0) {
        if (m_packet->stream_index != m_streamIndex) {
            av_packet_unref(m_packet);
            continue;
        }
        const int sent = avcodec_send_packet(m_codec, m_packet);
        av_packet_unref(m_packet);
        return sent < 0 ? Next::Error : Next::Frame;
    }
    // The end of the file, or a read error, which ends the stream where it happened.
    m_demuxEnded = true;
    avcodec_send_packet(m_codec, nullptr);
    return Next::End;
}

bool FfmpegStream::convert(int64_t skip)
{
    AVFrame *frame = m_frame; // swr_alloc_set_opts2 of FFmpeg 5.1 takes non-const layouts
    if (frame->ch_layout.nb_channels != m_info.channels || frame->sample_rate != m_info.sample_rate)
        return false;
    if (m_swr == nullptr) {
        if (swr_alloc_set_opts2(&m_swr, &frame->ch_layout, AV_SAMPLE_FMT_FLT, frame->sample_rate,
                                &frame->ch_layout, static_cast<AVSampleFormat>(frame->format),
                                frame->sample_rate, 0, nullptr) < 0 ||
            swr_init(m_swr) < 0)
            return false;
    }
    const int count = frame->nb_samples;
    const size_t channels = static_cast<size_t>(m_info.channels);
    // Samples already read are discarded first, so the buffer stays one frame long.
    m_pending.erase(m_pending.begin(), m_pending.begin() + static_cast<ptrdiff_t>(m_pendingRead));
    m_pendingRead = 0;
    const size_t kept = m_pending.size();
    m_pending.resize(kept + static_cast<size_t>(count) * channels);
    auto *out = reinterpret_cast<uint8_t *>(m_pending.data() + kept);
    const int converted =
        swr_convert(m_swr, &out, count, const_cast<const uint8_t **>(frame->extended_data), count);
    if (converted < 0)
        return false;
    const auto usable = std::clamp<int64_t>(converted, 0, count);
    const auto dropped = std::min<int64_t>(std::max<int64_t>(skip, 0), usable);
    m_pending.resize(kept + static_cast<size_t>(usable) * channels);
    m_pending.erase(m_pending.begin() + static_cast<ptrdiff_t>(kept),
                    m_pending.begin() + static_cast<ptrdiff_t>(kept + dropped * channels));
    return true;
}

int64_t FfmpegStream::read(float *samples, int64_t frames)
{
    const size_t channels = static_cast<size_t>(m_info.channels);
    if (m_end >= 0)
        frames = std::clamp<int64_t>(m_end - m_position, 0, frames);
    int64_t done = 0;
    while (done < frames) {
        const size_t available = (m_pending.size() - m_pendingRead) / channels;
        if (available == 0) {
            const Next next = decodeNext();
            if (next == Next::End)
                break;
            if (next == Next::Error || !convert(0))
                return done > 0 ? done : -1;
            continue;
        }
        const auto take =
            static_cast<size_t>(std::min<int64_t>(frames - done, static_cast<int64_t>(available)));
        std::memcpy(samples + static_cast<size_t>(done) * channels,
                    m_pending.data() + m_pendingRead, take * channels * sizeof(float));
        m_pendingRead += take * channels;
        done += static_cast<int64_t>(take);
    }
    m_position += done;
    return done;
}

int64_t FfmpegStream::lengthInFrames() const
{
    const AVStream *stream = m_format->streams[m_streamIndex];
    const AVRational perFrame{1, m_info.sample_rate};
    if (stream->duration != AV_NOPTS_VALUE && stream->duration > 0)
        return av_rescale_q(stream->duration, stream->time_base, perFrame);
    if (m_format->duration != AV_NOPTS_VALUE && m_format->duration > 0)
        return av_rescale_q(m_format->duration, AVRational{1, AV_TIME_BASE}, perFrame);
    return -1;
}

void FfmpegStream::clearPending()
{
    m_pending.clear();
    m_pendingRead = 0;
}

} // namespace ffmpegplugin
