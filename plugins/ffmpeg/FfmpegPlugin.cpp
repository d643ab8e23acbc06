// The exported entry of quillmere-plugin-ffmpeg.so and the C functions of its description.
#include "FfmpegFormats.h"
#include "FfmpegStream.h"
#include "audio/plugins/PluginAbi.h"

extern "C" {
#include <libavutil/log.h>
}

#include <new>

namespace {

using ffmpegplugin::FfmpegStream;

void *openStream(const char *path, QuillmerePluginStreamInfo *info)
{
    if (path == nullptr || info == nullptr)
        return nullptr;
    try {
        auto stream = FfmpegStream::open(path);
        if (!stream)
            return nullptr;
        *info = stream->info();
        return stream.release();
    } catch (const std::bad_alloc &) {
        return nullptr; // exceptions must not cross the C interface
    }
}

int64_t readStream(void *stream, float *samples, int64_t frames)
{
    if (stream == nullptr || samples == nullptr || frames < 0)
        return -1;
    try {
        return static_cast<FfmpegStream *>(stream)->read(samples, frames);
    } catch (const std::bad_alloc &) {
        return -1;
    }
}

int32_t seekStream(void *stream, int64_t frame)
{
    if (stream == nullptr)
        return -1;
    try {
        return static_cast<FfmpegStream *>(stream)->seek(frame) ? 0 : -1;
    } catch (const std::bad_alloc &) {
        return -1;
    }
}

void closeStream(void *stream)
{
    delete static_cast<FfmpegStream *>(stream);
}

} // namespace

extern "C" __attribute__((visibility("default"))) const QuillmerePlugin *
quillmere_plugin_entry(void)
{
    // FFmpeg would otherwise print a line for every damaged file the player probes.
    av_log_set_level(AV_LOG_QUIET);
    static const QuillmerePlugin plugin{QUILLMERE_PLUGIN_ABI_VERSION,
                                        "FFmpeg",
                                        ffmpegplugin::formatCount(),
                                        ffmpegplugin::formats(),
                                        openStream,
                                        readStream,
                                        seekStream,
                                        closeStream};
    return &plugin;
}
