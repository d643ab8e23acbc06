#include "engine/EffectChain.h"

#include "engine/FormatText.h"

using namespace quillmere::audio;

namespace {
constexpr float BandwidthSemitones = 18.0f;
constexpr float ReverbTimeMs = 1200.0f;
constexpr float ReverbHighFrequencyRatio = 0.1f;
} // namespace

void EffectChain::create(AudioBackend &backend, Handle channel)
{
    for (int i = 0; i < PlayerSettings::Bands; ++i) {
        m_bands[size_t(i)] = backend.addEqualizer(channel);
        const float centre = float(PlayerSettings::BandCentresHz[size_t(i)]);
        backend.setEqualizerParams(m_bands[size_t(i)],
                                   EqualizerParams{centre, BandwidthSemitones, 0.0f});
    }
    m_reverb = backend.addReverb(channel);
    ReverbParams params;
    backend.reverbParams(m_reverb, params);
    params.mixDb = -96.0f;
    params.timeMs = ReverbTimeMs;
    params.highFrequencyRatio = ReverbHighFrequencyRatio;
    backend.setReverbParams(m_reverb, params);
}

void EffectChain::setBandGain(AudioBackend &backend, int band, int gainDb) const
{
    if (band < 1 || band > PlayerSettings::Bands)
        return;
    const Handle effect = m_bands[size_t(band - 1)];
    EqualizerParams params;
    if (!backend.equalizerParams(effect, params))
        return;
    params.gainDb = float(gainDb);
    backend.setEqualizerParams(effect, params);
}

void EffectChain::setReverbLevel(AudioBackend &backend, int level) const
{
    ReverbParams params;
    if (!backend.reverbParams(m_reverb, params))
        return;
    params.mixDb = FormatText::reverbMixDb(level);
    backend.setReverbParams(m_reverb, params);
}

void EffectChain::apply(AudioBackend &backend, Handle channel, const PlayerSettings &settings) const
{
    backend.setTempo(channel, float(settings.speed), float(settings.pitch));
    setReverbLevel(backend, settings.reverb);
    for (int band = 1; band <= PlayerSettings::Bands; ++band)
        setBandGain(backend, band, settings.eq[size_t(band - 1)]);
    backend.setPan(channel, float(settings.pan));
}
