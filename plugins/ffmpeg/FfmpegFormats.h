#pragma once

#include "audio/plugins/PluginAbi.h"

#include <cstdint>

// The codecs this plug-in decodes, each reported as its own format with its own type code.
namespace ffmpegplugin {

const QuillmerePluginFormat *formats();
uint32_t formatCount();
// The type code of an FFmpeg codec id (an AVCodecID), or 0 when the plug-in does not offer it.
uint32_t typeCodeOfCodec(int codecId);

} // namespace ffmpegplugin
