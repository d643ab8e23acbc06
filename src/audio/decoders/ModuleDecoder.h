#pragma once

#include "audio/AudioTypes.h"
#include "audio/decoders/Decoder.h"

#include <QString>

namespace quillmere::audio {

// Tracker modules (MOD, MTM, S3M, XM, IT, and MO3 containers of them) through libopenmpt,
// rendered directly in stereo at the rate asked for (a module has no rate of its own).
DecoderPtr openModuleDecoder(const QString &path, ErrorCode &error, int rate = OutputRate);

} // namespace quillmere::audio
