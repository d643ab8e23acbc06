#pragma once

#include "audio/AudioTypes.h"
#include "audio/decoders/Decoder.h"

#include <QString>

namespace quillmere::audio {

// Tracker modules (MOD, MTM, S3M, XM, IT, and MO3 containers of them) through libopenmpt,
// rendered directly at 44100 Hz stereo.
DecoderPtr openModuleDecoder(const QString &path, ErrorCode &error);

} // namespace quillmere::audio
