#include "audio/plugins/LoadedPlugin.h"

namespace quillmere::audio {
namespace {

// Plug-in type codes must stay clear of the built-in decoders' codes.
constexpr quint32 FirstPluginTypeCode = 0x10000;

QString checkDescription(const QuillmerePlugin *abi)
{
    if (abi == nullptr)
        return QStringLiteral("the entry returned no description");
    if (abi->abi_version != QUILLMERE_PLUGIN_ABI_VERSION)
        return QStringLiteral("interface version %1, expected %2")
            .arg(abi->abi_version)
            .arg(QUILLMERE_PLUGIN_ABI_VERSION);
    if (abi->name == nullptr || abi->open == nullptr || abi->read == nullptr ||
        abi->seek == nullptr || abi->close == nullptr)
        return QStringLiteral("incomplete description");
    if (abi->format_count > 0 && abi->formats == nullptr)
        return QStringLiteral("missing format list");
    for (quint32 i = 0; i < abi->format_count; ++i) {
        const QuillmerePluginFormat &format = abi->formats[i];
        if (format.name == nullptr || format.extension_mask == nullptr ||
            format.type_code < FirstPluginTypeCode)
            return QStringLiteral("invalid format %1").arg(i);
    }
    return {};
}

} // namespace

namespace {

// A refused library is unloaded again at once; an accepted one stays loaded until the process
// ends, because decoding libraries keep process-wide state (thread-local buffers, tables made
// on first use) that does not survive being unmapped.
std::variant<std::shared_ptr<LoadedPlugin>, QString> refuse(QLibrary &library, QString reason)
{
    library.unload();
    return reason;
}

} // namespace

std::variant<std::shared_ptr<LoadedPlugin>, QString> loadPlugin(const QString &path, int handle)
{
    auto plugin = std::make_shared<LoadedPlugin>();
    plugin->library = std::make_unique<QLibrary>(path);
    if (!plugin->library->load())
        return plugin->library->errorString();
    const auto entry = reinterpret_cast<QuillmerePluginEntryFunction>(
        plugin->library->resolve(QUILLMERE_PLUGIN_ENTRY));
    if (entry == nullptr)
        return refuse(*plugin->library, QStringLiteral("no entry function"));
    plugin->abi = entry();
    if (QString reason = checkDescription(plugin->abi); !reason.isEmpty())
        return refuse(*plugin->library, reason);

    plugin->handle = handle;
    plugin->path = path;
    plugin->name = QString::fromUtf8(plugin->abi->name);
    for (quint32 i = 0; i < plugin->abi->format_count; ++i) {
        const QuillmerePluginFormat &format = plugin->abi->formats[i];
        plugin->formats.push_back({format.type_code, QString::fromUtf8(format.name),
                                   QString::fromUtf8(format.extension_mask), handle});
    }
    return plugin;
}

} // namespace quillmere::audio
