#pragma once

#include "audio/decoders/Decoder.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

namespace quillmere::audio {

struct LoadedPlugin;

// One format a plug-in decodes.
struct PluginFormat {
    quint32 typeCode = 0;
    QString name;          // for example "FLAC"
    QString extensionMask; // for example "*.m4a;*.mp4"
    int plugin = 0;        // handle of the plug-in that offers it
};

// A file of the plug-in folder that was not loaded, and why.
struct SkippedPlugin {
    QString path;
    QString reason;
};

// Loads the decoder plug-ins (quillmere-plugin-*.so) and opens files through them. Loading and
// opening happen on the thread that owns the host; a decoder it returns keeps its plug-in
// loaded and may then be used on another thread, and may outlive the host.
class PluginHost {
public:
    PluginHost();
    ~PluginHost();
    PluginHost(const PluginHost &) = delete;
    PluginHost &operator=(const PluginHost &) = delete;

    // Loads every plug-in of the folder in name order, giving each the next handle (1, 2, ...).
    // Returns the number loaded; files that are not valid plug-ins are listed in skipped().
    int loadFolder(const QString &folder);

    int pluginCount() const;
    QString pluginName(int handle) const; // empty for an unknown handle
    QString pluginPath(int handle) const;
    std::vector<PluginFormat> formats() const; // of every plug-in, in handle order
    const std::vector<SkippedPlugin> &skipped() const { return m_skipped; }

    // Opens a file through the plug-ins: first those whose extension mask matches its name,
    // then the others. nullptr when none can decode it.
    DecoderPtr open(const QString &path) const;

private:
    std::vector<std::shared_ptr<LoadedPlugin>> m_plugins;
    std::vector<SkippedPlugin> m_skipped;
};

// "NAME (MASK)", as open dialogs and the format list show a format.
QString formatFilter(const PluginFormat &format);
QStringList formatFilters(const std::vector<PluginFormat> &formats);
// Whether a file name matches a mask such as "*.m4a;*.mp4" (exact, case-sensitive).
bool matchesExtensionMask(const QString &fileName, const QString &mask);

} // namespace quillmere::audio
