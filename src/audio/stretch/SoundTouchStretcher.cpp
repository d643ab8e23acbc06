#include "audio/stretch/SoundTouchStretcher.h"

#include <soundtouch/SoundTouch.h>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace quillmere::audio {

SoundTouchStretcher::SoundTouchStretcher(int rate)
    : m_st(std::make_unique<soundtouch::SoundTouch>()),
      m_scratch(size_t(maxBlockFrames()) * 2, 0.0f)
{
    m_st->setSampleRate(uint(rate));
    m_st->setChannels(2);
    // Fixed sequence and seek windows. Within a sequence the audio plays at the song's own
    // speed, so its length bounds how far a note lands from its place: the automatic sequence
    // (90 ms at half speed) puts clicks up to 19 ms out, 40 ms keeps them within 10 ms. The
    // automatic ones also let the output wander against the source in quiet passages, where
    // the overlap search always picks its earliest offset. Costs about 1.5x the CPU.
    m_st->setSetting(SETTING_SEQUENCE_MS, 40);
    m_st->setSetting(SETTING_SEEKWINDOW_MS, 15);
    m_st->setSetting(SETTING_OVERLAP_MS, 8);
    growBuffers();
}

// SoundTouch grows its sample buffers on demand. Running it once at the extreme settings,
// the way the render thread feeds and drains it, sizes them for good, so that feeding and
// retrieving never allocate later. (Changing the pitch still rebuilds its anti-alias filter;
// that happens on the swap's worker, never on the render thread.)
void SoundTouchStretcher::growBuffers()
{
    std::vector<float> block(size_t(maxBlockFrames()) * 2, 0.0f);
    for (const auto &[speed, pitch] :
         {std::pair{0.25, 4.0}, {4.0, 0.25}, {0.25, 0.25}, {4.0, 4.0}}) {
        applySettings(speed, pitch);
        for (int i = 0; i < 24; ++i) {
            feed(block.data(), maxBlockFrames());
            while (available() > 512)
                retrieve(block.data(), 512);
        }
        m_st->clear();
    }
    applySettings(1.0, 1.0);
}

SoundTouchStretcher::~SoundTouchStretcher() = default;

// Setting a new rate rebuilds the anti-alias filter, and running at a new setting can grow a
// buffer past the size the extremes gave it: both allocate, so this runs where that is
// allowed (the swap's worker, never the render thread) and runs the new setting in, with
// bursts of blocks fed before draining. The longest burst is what RealtimeSanitizer showed to
// be needed at a quarter speed two octaves up (bursts of 8 still left a buffer to grow).
void SoundTouchStretcher::setSpeedAndPitch(double speed, double pitchScale)
{
    applySettings(speed, pitchScale);
    std::vector<float> block(size_t(maxBlockFrames()) * 2, 0.0f);
    for (const int burst : {1, 1, 1, 1, 8, 1, 24}) {
        for (int i = 0; i < burst; ++i)
            m_st->putSamples(block.data(), static_cast<unsigned>(maxBlockFrames()));
        while (m_st->numSamples() > 0)
            m_st->receiveSamples(block.data(), 512);
    }
    m_st->clear();
}

void SoundTouchStretcher::applySettings(double speed, double pitchScale)
{
    m_st->setTempo(speed);
    m_st->setPitch(pitchScale);
    m_pitch = pitchScale;
    m_measuredDelay = -1;
}

namespace {

// SoundTouch plays the first stretch of input after a clear at the song's own speed before it
// starts stretching, so everything after it came out early (slower speeds) or late (faster):
// 23 ms at half speed. A lead of silence well past that stretch (about 2000 frames, which a
// higher pitch shrinks in proportion before the stretch sees them; shorter leads let the probe
// below lose its click in a skip at double speed) is fed after every reset and its output
// dropped, so the real audio starts with the stretcher in its stride.
constexpr int LeadFramesAtOwnPitch = 8192;
// The probe below finds its click within this much output at any supported setting.
constexpr int ProbeFrames = 131072;

} // namespace

int SoundTouchStretcher::leadFrames() const
{
    return int(LeadFramesAtOwnPitch * std::max(1.0, m_pitch));
}

// How much output the lead makes before the audio after it begins, measured on this very
// instance at the current settings (the first frame of a click after the lead): the library
// says nothing exact about it, and the probe costs a millisecond or two. The output is taken
// as it comes, so the buffers stay the size they have in use.
int SoundTouchStretcher::measureStartDelay()
{
    m_st->clear();
    const int lead = leadFrames();
    int fed = 0;
    int out = 0;
    int delay = -1;
    float loudest = 0;
    int loudestAt = 0;
    while (out < ProbeFrames && (delay < 0 || out < delay + maxBlockFrames())) {
        std::fill(m_scratch.begin(), m_scratch.end(), 0.0f);
        if (lead >= fed && lead < fed + maxBlockFrames())
            m_scratch[size_t(2 * (lead - fed))] = m_scratch[size_t(2 * (lead - fed) + 1)] = 1.0f;
        m_st->putSamples(m_scratch.data(), static_cast<unsigned>(maxBlockFrames()));
        fed += maxBlockFrames();
        while (m_st->numSamples() > 0 && out < ProbeFrames) {
            const int got = static_cast<int>(
                m_st->receiveSamples(m_scratch.data(), static_cast<unsigned>(maxBlockFrames())));
            for (int i = 0; i < got; ++i) {
                const float level = std::abs(m_scratch[size_t(2 * i)]);
                if (level > 0.3f && delay < 0)
                    delay = out + i;
                if (level > loudest) {
                    loudest = level;
                    loudestAt = out + i;
                }
            }
            out += got;
        }
    }
    std::fill(m_scratch.begin(), m_scratch.end(), 0.0f);
    // A pitch change spreads the click below the threshold: its loudest frame then.
    return delay >= 0 ? delay : loudestAt;
}

void SoundTouchStretcher::reset()
{
    // The delay depends on the settings only: measured once for each, not on every seek.
    if (m_measuredDelay < 0)
        m_measuredDelay = measureStartDelay();
    m_st->clear();
    m_toDrop = m_measuredDelay;
    // m_scratch is silent outside the probe and the drop.
    for (int left = leadFrames(); left > 0;) {
        const int n = std::min(left, maxBlockFrames());
        m_st->putSamples(m_scratch.data(), static_cast<unsigned>(n));
        left -= n;
        dropStartDelay();
    }
}

void SoundTouchStretcher::dropStartDelay()
{
    while (m_toDrop > 0 && m_st->numSamples() > 0) {
        const unsigned n = std::min(
            {unsigned(m_toDrop), m_st->numSamples(), static_cast<unsigned>(maxBlockFrames())});
        m_toDrop -= static_cast<int>(m_st->receiveSamples(m_scratch.data(), n));
    }
    std::fill(m_scratch.begin(), m_scratch.end(), 0.0f);
}

void SoundTouchStretcher::feed(const float *stereo, int frames)
{
    m_st->putSamples(stereo, static_cast<uint>(frames));
}

int SoundTouchStretcher::available()
{
    dropStartDelay();
    return m_toDrop > 0 ? 0 : static_cast<int>(m_st->numSamples());
}

int SoundTouchStretcher::outputDelay() const
{
    return 0;
}

int SoundTouchStretcher::retrieve(float *stereo, int maxFrames)
{
    if (available() == 0)
        return 0;
    return static_cast<int>(m_st->receiveSamples(stereo, static_cast<uint>(maxFrames)));
}

} // namespace quillmere::audio
