#pragma once

#include "audio/AudioBackend.h"
#include "engine/PlayerSettings.h"

#include <array>

// The practice effects of a channel, set up the same way for playback and for rendering to a
// file: six peaking bands an octave apart (250 Hz to 8 kHz), 18 semitones wide, then a reverb
// with a 1200 ms time, a high-frequency ratio of 0.1 and its level on a cubic dB curve.
class EffectChain {
public:
    // Adds the effects to the channel, flat and silent. Handles of a channel that is gone
    // simply fail later.
    void create(quillmere::audio::AudioBackend &backend, quillmere::audio::Handle channel);
    // band 1..6
    void setBandGain(quillmere::audio::AudioBackend &backend, int band, int gainDb) const;
    void setReverbLevel(quillmere::audio::AudioBackend &backend, int level) const;
    // Every practice setting at once, as a song is opened.
    void apply(quillmere::audio::AudioBackend &backend, quillmere::audio::Handle channel,
               const PlayerSettings &settings) const;

private:
    std::array<quillmere::audio::Handle, PlayerSettings::Bands> m_bands{};
    quillmere::audio::Handle m_reverb = 0;
};
