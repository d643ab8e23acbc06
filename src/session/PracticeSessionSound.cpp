// PracticeSession: the sound the user has set (speed, pitch, balance, equaliser, reverb, system
// volume) and the practice tools (speed trainer, count-in, tap tempo). UI thread only.
#include "common/OptionRanges.h"
#include "engine/TLxPlayer.h"
#include "engine/VolumeWatcher.h"
#include "session/PracticeSession.h"

#include <algorithm>

int PracticeSession::Speed() const
{
    return m_player.Settings().speed;
}

int PracticeSession::Pitch() const
{
    return m_player.Settings().pitch;
}

int PracticeSession::Pan() const
{
    return m_player.Settings().pan;
}

int PracticeSession::Reverb() const
{
    return m_player.Settings().reverb;
}

int PracticeSession::EqualizerBand(int band) const
{
    if (band < 0 || band >= PlayerSettings::Bands)
        return 0;
    return m_player.Settings().eq[size_t(band)];
}

int PracticeSession::Volume() const
{
    return m_volume ? m_volume->GetVolume() : -1;
}

void PracticeSession::SetSpeed(int percent)
{
    const int speed = std::clamp(percent, m_minSpeed, std::max(m_minSpeed, m_maxSpeed));
    m_player.SetSpeed(speed);
    emit speedChanged(speed);
}

void PracticeSession::SetSpeedRange(int minPercent, int maxPercent)
{
    m_minSpeed = minPercent;
    m_maxSpeed = maxPercent;
    emit speedRangeChanged(minPercent, maxPercent);
}

void PracticeSession::SetPitch(int semitones)
{
    const int pitch = std::clamp(semitones, MinPitch, MaxPitch);
    m_player.SetPitch(pitch);
    emit pitchChanged(pitch);
}

void PracticeSession::SetPan(int value)
{
    const int pan = std::clamp(value, MinPan, MaxPan);
    m_player.SetPan(pan);
    emit panChanged(pan);
}

void PracticeSession::SetReverb(int level)
{
    const int reverb = std::clamp(level, 0, MaxReverb);
    m_player.SetReverb(reverb);
    emit reverbChanged(reverb);
}

void PracticeSession::SetEqualizerBand(int band, int gainDb)
{
    if (band < 0 || band >= PlayerSettings::Bands)
        return;
    const int gain = std::clamp(gainDb, MinBandGain, MaxBandGain);
    m_player.SetEqualizerBand(band + 1, gain);
    emit equalizerChanged(band, gain);
}

void PracticeSession::ResetEqualizer()
{
    for (int band = 0; band < PlayerSettings::Bands; ++band)
        SetEqualizerBand(band, 0);
}

bool PracticeSession::SetVolume(int percent)
{
    if (!m_volume)
        return false;
    const int volume = std::clamp(percent, 0, 100);
    const bool controlled = m_volume->SetVolume(volume);
    m_lastVolume = volume;
    emit volumeChanged(volume);
    return controlled;
}

void PracticeSession::SetLoopBreath(int pauseMs, int clicks, int beatMs)
{
    m_player.SetLoopBreath(pauseMs, clicks, beatMs);
    emit countInChanged(beatMs);
}

bool PracticeSession::TapTempo(qint64 nowMs)
{
    if (!m_tapTempo.tap(nowMs))
        return false;
    m_tempoTapped = true;
    const LoopBreath &breath = m_player.Breath();
    SetLoopBreath(breath.pauseMs, breath.clicks,
                  OptionRanges::CountInBeatMs.clamp(m_tapTempo.beatMs()));
    return true;
}

int PracticeSession::CountInBeatMs() const
{
    return m_player.Breath().beatMs;
}

bool PracticeSession::CountInShown() const
{
    return m_player.Breath().clicks > 0 || m_tempoTapped;
}
