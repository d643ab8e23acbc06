#include "FfmpegStream.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <algorithm>

// Exact seeking: the container can only jump to a packet, so we jump to one safely before the
// wanted frame, then decode and drop samples up to it. Decoding from an earlier packet also
// lets overlapping transforms and Opus's pre-roll settle, so the samples after a seek equal
// those of a decode from the start.
namespace ffmpegplugin {
namespace {

// Extra frames to start before the target: covers two transform blocks of every codec we offer.
constexpr int64_t SettleFrames = 4096;
// Far enough before the first sample to reach a container's first packet, priming included.
constexpr int64_t RewindSeconds = 10;

} // namespace

bool FfmpegStream::seek(int64_t frame)
{
    if (frame < 0 || (m_info.frames >= 0 && frame > m_info.frames))
        return false;
    const AVStream *stream = m_format->streams[m_streamIndex];
    // A start before frame 0 takes the container to its first packet, so that priming samples
    // are decoded (and dropped) exactly as on a first read.
    const int64_t start = frame - stream->codecpar->seek_preroll - SettleFrames;
    if (seekContainer(start) && decodeUpTo(frame, false))
        return true;
    // The container landed late or its packets carry no timestamps: decode from the beginning.
    return seekContainer(-RewindSeconds * m_info.sample_rate) && decodeUpTo(frame, true);
}

bool FfmpegStream::seekContainer(int64_t frame)
{
    const AVStream *stream = m_format->streams[m_streamIndex];
    const int64_t ts =
        m_originPts + av_rescale_q(frame, AVRational{1, m_info.sample_rate}, stream->time_base);
    clearPending();
    // At or before ts if the container can; otherwise as near as it can, and decodeUpTo finds
    // out whether that is too late.
    if (avformat_seek_file(m_format, m_streamIndex, INT64_MIN, ts, ts, 0) < 0 &&
        avformat_seek_file(m_format, m_streamIndex, INT64_MIN, ts, INT64_MAX, 0) < 0)
        return false;
    avcodec_flush_buffers(m_codec);
    m_demuxEnded = false;
    return true;
}

// Decodes from the container's new place up to `frame` and keeps the rest of that frame.
// Positions before 0 are priming samples that a decoder trims only at the very first read.
// atStart: the container is at its first packet, which counts as frame 0 if it has no timestamp.
bool FfmpegStream::decodeUpTo(int64_t frame, bool atStart)
{
    std::optional<int64_t> position;
    for (;;) {
        const Next next = decodeNext();
        if (next != Next::Frame) {
            m_position = std::max<int64_t>(position.value_or(0), 0);
            return next == Next::End && position == frame;
        }
        if (!position) {
            position = framePosition();
            if (!position && atStart)
                position = 0;
            if (!position || *position > frame)
                return false;
        }
        const int64_t count = m_frame->nb_samples;
        if (*position + count > frame) {
            m_position = frame;
            return convert(frame - *position);
        }
        *position += count;
    }
}

std::optional<int64_t> FfmpegStream::framePosition() const
{
    const int64_t pts = m_frame->best_effort_timestamp;
    if (pts == AV_NOPTS_VALUE)
        return std::nullopt;
    const AVStream *stream = m_format->streams[m_streamIndex];
    return av_rescale_q(pts - m_originPts, stream->time_base, AVRational{1, m_info.sample_rate});
}

} // namespace ffmpegplugin
