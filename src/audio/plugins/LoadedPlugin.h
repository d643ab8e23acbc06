#pragma once

#include "audio/plugins/PluginAbi.h"
#include "audio/plugins/PluginHost.h"

#include <QLibrary>

#include <memory>
#include <variant>

namespace quillmere::audio {

// A plug-in library that passed the checks. Shared by the host and every decoder opened
// through it; the library itself is never unloaded.
struct LoadedPlugin {
    int handle = 0;
    QString path;
    QString name;
    std::vector<PluginFormat> formats;
    std::unique_ptr<QLibrary> library;
    const QuillmerePlugin *abi = nullptr;
};

// Loads one library and checks its description; the reason it was refused otherwise.
std::variant<std::shared_ptr<LoadedPlugin>, QString> loadPlugin(const QString &path, int handle);

// Wraps a stream the plug-in opened; takes ownership of it.
DecoderPtr makePluginDecoder(std::shared_ptr<const LoadedPlugin> plugin, void *stream,
                             const QuillmerePluginStreamInfo &info);

} // namespace quillmere::audio
