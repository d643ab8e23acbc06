#pragma once

#include <chrono>

namespace quillmere::audio {

// The rate the sound server's default sink runs at (PulseAudio, or PipeWire's pulse server),
// asked over libpulse; 0 when no server answers within the timeout. ALSA's default device
// reports 44100 Hz whatever the sink runs at, so this is the only way to learn the rate that
// plays without the server resampling. Never starts a server.
int defaultSinkRate(std::chrono::milliseconds timeout);

} // namespace quillmere::audio
