#include "audio/stretch/SoundTouchStretcher.h"

#include <soundtouch/SoundTouch.h>

namespace quillmere::audio {

SoundTouchStretcher::SoundTouchStretcher() : m_st(std::make_unique<soundtouch::SoundTouch>())
{
    m_st->setSampleRate(44100);
    m_st->setChannels(2);
    // Fixed sequence and seek windows: with the automatic ones the output drifts against the
    // source by up to 1 % in quiet passages (the overlap search then always picks its earliest
    // offset), and the play position would drift with it.
    m_st->setSetting(SETTING_SEQUENCE_MS, 40);
    m_st->setSetting(SETTING_SEEKWINDOW_MS, 15);
    m_st->setSetting(SETTING_OVERLAP_MS, 8);
}

SoundTouchStretcher::~SoundTouchStretcher() = default;

void SoundTouchStretcher::setSpeedAndPitch(double speed, double pitchScale)
{
    m_st->setTempo(speed);
    m_st->setPitch(pitchScale);
}

void SoundTouchStretcher::reset()
{
    m_st->clear();
}

void SoundTouchStretcher::feed(const float *stereo, int frames)
{
    m_st->putSamples(stereo, static_cast<uint>(frames));
}

int SoundTouchStretcher::available()
{
    return static_cast<int>(m_st->numSamples());
}

int SoundTouchStretcher::retrieve(float *stereo, int maxFrames)
{
    return static_cast<int>(m_st->receiveSamples(stereo, static_cast<uint>(maxFrames)));
}

} // namespace quillmere::audio
