#pragma once

#include "audio/decoders/Decoder.h"

#include <QString>

namespace quillmere::audio {

// Opens one audio track (0-based) of a drive or image as a decoder for playing: plain
// sector reads, no paranoia (a glitch while listening costs less than a stall). Null when
// the track is not an audio track of a readable disc.
DecoderPtr openCdTrackDecoder(const QString &drivePath, int track);

} // namespace quillmere::audio
