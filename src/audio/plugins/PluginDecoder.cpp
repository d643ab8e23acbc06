#include "audio/plugins/LoadedPlugin.h"

#include <utility>

namespace quillmere::audio {
namespace {

// A decoder over one plug-in stream. Created on the opening thread, then used by the stream's
// decoder thread only, as the plug-in interface requires.
class PluginDecoder final : public Decoder {
public:
    PluginDecoder(std::shared_ptr<const LoadedPlugin> plugin, void *stream, SourceInfo info)
        : m_plugin(std::move(plugin)), m_stream(stream), m_info(info)
    {
    }
    ~PluginDecoder() override { m_plugin->abi->close(m_stream); }
    PluginDecoder(const PluginDecoder &) = delete;
    PluginDecoder &operator=(const PluginDecoder &) = delete;

    const SourceInfo &info() const override { return m_info; }

    qint64 read(float *samples, qint64 frames) override
    {
        if (frames <= 0)
            return 0;
        const int64_t got = m_plugin->abi->read(m_stream, samples, frames);
        // A plug-in claiming more than it was asked for has overrun the buffer; stop it.
        return got > frames ? -1 : got;
    }

    bool seek(qint64 frame) override { return m_plugin->abi->seek(m_stream, frame) == 0; }

private:
    std::shared_ptr<const LoadedPlugin> m_plugin;
    void *m_stream;
    SourceInfo m_info;
};

bool offersTypeCode(const LoadedPlugin &plugin, quint32 typeCode)
{
    for (const PluginFormat &format : plugin.formats) {
        if (format.typeCode == typeCode)
            return true;
    }
    return false;
}

} // namespace

DecoderPtr makePluginDecoder(std::shared_ptr<const LoadedPlugin> plugin, void *stream,
                             const QuillmerePluginStreamInfo &info)
{
    if (info.channels < 1 || info.sample_rate < 1 || !offersTypeCode(*plugin, info.type_code)) {
        plugin->abi->close(stream);
        return nullptr;
    }
    SourceInfo source;
    source.channels = info.channels;
    source.sampleRate = info.sample_rate;
    source.typeCode = info.type_code;
    source.frames = info.frames >= 0 ? info.frames : -1;
    source.plugin = plugin->handle;
    return std::make_unique<PluginDecoder>(std::move(plugin), stream, source);
}

} // namespace quillmere::audio
