#pragma once

#include "audio/plugins/PluginAbi.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

struct AVCodecContext;
struct AVFormatContext;
struct AVFrame;
struct AVPacket;
struct SwrContext;

namespace ffmpegplugin {

// One open file: demuxes its best audio stream, decodes it and converts it to interleaved
// floats at the source's own rate and channel count. Used by one thread at a time (the
// player's decoder thread for this stream).
class FfmpegStream {
public:
    // Opens the file and decodes its first frame, so that a file that opens is known to decode.
    // nullptr when the file is not one of the plug-in's formats or cannot be decoded.
    static std::unique_ptr<FfmpegStream> open(const char *path);
    ~FfmpegStream();
    FfmpegStream(const FfmpegStream &) = delete;
    FfmpegStream &operator=(const FfmpegStream &) = delete;

    const QuillmerePluginStreamInfo &info() const { return m_info; }
    // Frames read; 0 at the end, -1 on an error.
    int64_t read(float *samples, int64_t frames);
    // Positions the stream exactly on a source frame.
    bool seek(int64_t frame);

private:
    enum class Next { Frame, End, Error };

    FfmpegStream() = default;
    bool openFile(const char *path);
    bool openDecoder();
    Next decodeNext();
    Next feedPacket();
    // Appends the decoded frame (from its sample `skip` on) to the pending samples.
    bool convert(int64_t skip);
    // Source frame of the decoded frame's first sample, from its timestamp.
    std::optional<int64_t> framePosition() const;
    int64_t lengthInFrames() const;
    bool seekContainer(int64_t frame);
    bool decodeUpTo(int64_t frame, bool atStart);
    void clearPending();

    AVFormatContext *m_format = nullptr;
    AVCodecContext *m_codec = nullptr;
    SwrContext *m_swr = nullptr;
    AVPacket *m_packet = nullptr;
    AVFrame *m_frame = nullptr;
    int m_streamIndex = -1;
    bool m_demuxEnded = false;
    int64_t m_originPts = 0; // timestamp of the first sample of the stream
    QuillmerePluginStreamInfo m_info{};

    std::vector<float> m_pending; // converted samples not yet read
    size_t m_pendingRead = 0;     // in floats
    int64_t m_position = 0;       // source frame of the next sample read returns
    int64_t m_end = -1;           // frames after this one are padding; -1: decode to the end
};

} // namespace ffmpegplugin
