// A plug-in built for a newer interface: the player must refuse it.
#include "audio/plugins/PluginAbi.h"

extern "C" __attribute__((visibility("default"))) const QuillmerePlugin *
quillmere_plugin_entry(void)
{
    static const QuillmerePluginFormat format{0x10F00, "Future", "*.future"};
    static const QuillmerePlugin plugin{
        QUILLMERE_PLUGIN_ABI_VERSION + 1, "Future", 1, &format, nullptr, nullptr, nullptr, nullptr};
    return &plugin;
}
