#include "audio/plugins/PluginHost.h"

#include "audio/plugins/LoadedPlugin.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace quillmere::audio {

PluginHost::PluginHost() = default;
PluginHost::~PluginHost() = default;

int PluginHost::loadFolder(const QString &folder)
{
    QStringList names = QDir(folder).entryList({QStringLiteral("quillmere-plugin-*.so")},
                                               QDir::Files | QDir::Readable, QDir::NoSort);
    std::sort(names.begin(), names.end()); // by code point, whatever the locale
    int loaded = 0;
    for (const QString &name : names) {
        const QString path = QDir(folder).filePath(name);
        auto result = loadPlugin(path, static_cast<int>(m_plugins.size()) + 1);
        if (auto *reason = std::get_if<QString>(&result)) {
            m_skipped.push_back({path, *reason});
            continue;
        }
        m_plugins.push_back(std::get<std::shared_ptr<LoadedPlugin>>(std::move(result)));
        ++loaded;
    }
    return loaded;
}

int PluginHost::pluginCount() const
{
    return static_cast<int>(m_plugins.size());
}

QString PluginHost::pluginName(int handle) const
{
    return handle >= 1 && handle <= pluginCount() ? m_plugins[handle - 1]->name : QString();
}

QString PluginHost::pluginPath(int handle) const
{
    return handle >= 1 && handle <= pluginCount() ? m_plugins[handle - 1]->path : QString();
}

std::vector<PluginFormat> PluginHost::formats() const
{
    std::vector<PluginFormat> all;
    for (const auto &plugin : m_plugins)
        all.insert(all.end(), plugin->formats.begin(), plugin->formats.end());
    return all;
}

DecoderPtr PluginHost::open(const QString &path) const
{
    const QString fileName = QFileInfo(path).fileName();
    const auto claims = [&fileName](const LoadedPlugin &plugin) {
        return std::any_of(plugin.formats.begin(), plugin.formats.end(),
                           [&fileName](const PluginFormat &format) {
                               return matchesExtensionMask(fileName, format.extensionMask);
                           });
    };
    std::vector<std::shared_ptr<LoadedPlugin>> order = m_plugins;
    std::stable_partition(order.begin(), order.end(),
                          [&claims](const auto &plugin) { return claims(*plugin); });

    const QByteArray utf8 = path.toUtf8();
    for (const auto &plugin : order) {
        QuillmerePluginStreamInfo info{};
        void *stream = plugin->abi->open(utf8.constData(), &info);
        if (stream == nullptr)
            continue;
        if (DecoderPtr decoder = makePluginDecoder(plugin, stream, info))
            return decoder;
    }
    return nullptr;
}

} // namespace quillmere::audio
