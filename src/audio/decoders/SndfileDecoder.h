#pragma once

#include "audio/AudioTypes.h"
#include "audio/decoders/Decoder.h"

#include <QString>

namespace quillmere::audio {

// WAV (any codec libsndfile knows), AIFF, Ogg Vorbis and MPEG layers 1 to 3 through
// libsndfile. Other formats libsndfile could read (FLAC, Opus...) are left to plug-ins so that
// every file gets one type code.
DecoderPtr openSndfileDecoder(const QString &path, ErrorCode &error);

} // namespace quillmere::audio
