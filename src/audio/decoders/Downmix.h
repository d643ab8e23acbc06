#pragma once

#include "audio/decoders/Decoder.h"

#include <vector>

namespace quillmere::audio {

// How much of each source channel goes to the left and to the right output.
struct StereoDownmix {
    std::vector<float> left;
    std::vector<float> right;
};

// The standard mix-down for three channels or more: front channels to their side, the centre
// and the surrounds at -3 dB (to both sides for the centre), a back centre at -6 dB to both,
// the LFE left out (a bass-management signal, not part of the mix), channels of no known
// place at -6 dB to both. The whole is then scaled so that each side keeps at most the power
// of one full-scale channel: uncorrelated channels come out as loud as they were, and only
// the rare full-scale peak on every channel at once goes beyond, for the channel's limiter.
// `speakers` empty (or not one per channel) means the WAV order.
StereoDownmix stereoDownmix(int channels, const std::vector<Speaker> &speakers);

} // namespace quillmere::audio
