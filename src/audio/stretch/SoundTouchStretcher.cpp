#include "audio/stretch/SoundTouchStretcher.h"

#include <soundtouch/SoundTouch.h>

#include <utility>
#include <vector>

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
    growBuffers();
}

// SoundTouch grows its sample buffers on demand. Running it once at the extreme settings,
// the way the render thread feeds and drains it, sizes them for good, so that feeding and
// retrieving never allocate later. (Changing the pitch still rebuilds its anti-alias filter;
// that happens between blocks, only when the user moves a slider.)
void SoundTouchStretcher::growBuffers()
{
    std::vector<float> block(size_t(maxBlockFrames()) * 2, 0.0f);
    for (const auto &[speed, pitch] :
         {std::pair{0.25, 4.0}, {4.0, 0.25}, {0.25, 0.25}, {4.0, 4.0}}) {
        setSpeedAndPitch(speed, pitch);
        for (int i = 0; i < 24; ++i) {
            feed(block.data(), maxBlockFrames());
            while (available() > 512)
                retrieve(block.data(), 512);
        }
        reset();
    }
    setSpeedAndPitch(1.0, 1.0);
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

int SoundTouchStretcher::outputDelay() const
{
    return 0;
}

int SoundTouchStretcher::retrieve(float *stereo, int maxFrames)
{
    return static_cast<int>(m_st->receiveSamples(stereo, static_cast<uint>(maxFrames)));
}

} // namespace quillmere::audio
