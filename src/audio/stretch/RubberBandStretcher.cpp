// Rubber Band R3 ("finer" engine) in real-time mode, other options at their defaults: the
// default stretcher, chosen for quality. The short-window option is not used: it puts bass
// notes audibly out of tune.
#include "audio/stretch/RubberBandStretcher.h"

#include <rubberband/RubberBandStretcher.h>

#include <algorithm>
#include <cmath>

namespace quillmere::audio {

using RB = RubberBand::RubberBandStretcher;

RubberBandStretcher::RubberBandStretcher(int rate)
    : m_rb(std::make_unique<RB>(size_t(rate), 2, RB::OptionProcessRealTime | RB::OptionEngineFiner))
{
    m_rb->setMaxProcessSize(maxBlockFrames());
    for (auto &buffer : m_planar)
        buffer.resize(std::max<size_t>(maxBlockFrames(), m_rb->getPreferredStartPad()));
    reset();
}

RubberBandStretcher::~RubberBandStretcher() = default;

void RubberBandStretcher::setSpeedAndPitch(double speed, double pitchScale)
{
    m_timeRatio = 1.0 / speed;
    m_rb->setTimeRatio(m_timeRatio);
    m_pitchScale = pitchScale;
    m_rb->setPitchScale(pitchScale);
}

// Rubber Band 3.1 (R3, real time) reads past its analysis buffers once the time ratio times
// the pitch scale falls below about 1/16, which only very fast and very low settings together
// reach (four times the speed two octaves down). The speed is held back so that the product
// stays at 0.15 or more: at two octaves down the speed goes up to 1.67x, at one octave down
// to 3.3x, and from half an octave down the whole range is free.
double RubberBandStretcher::supportedSpeed(double speed, double pitchScale) const
{
    constexpr double MinRatioProduct = 0.15;
    return std::min(speed, pitchScale / MinRatioProduct);
}

// Rubber Band builds the filter table of its resampler when it first resamples at a pitch, and
// forgets it on reset, so the first frames out after a reset would allocate. The pad runs on
// past the preferred one until output has been made (and dropped with the delay), so that the
// table is built here, where allocating is allowed, and the output still lines up with the
// input that follows.
void RubberBandStretcher::reset()
{
    // Without a pitch shift there is no resampler to set up.
    const size_t ExtraPadFrames = m_pitchScale == 1.0 ? 0 : 4096;
    m_rb->reset();
    m_toDrop = -1;
    for (auto &buffer : m_planar)
        std::fill(buffer.begin(), buffer.end(), 0.0f);
    const size_t pad = m_rb->getPreferredStartPad();
    for (size_t fed = 0; fed < pad + ExtraPadFrames;) {
        if (fed >= pad && m_toDrop < 0) {
            // The extra silence comes out like any input: dropped with the start delay, to
            // within a fraction of a frame.
            m_toDrop = static_cast<int>(m_rb->getStartDelay()) +
                       static_cast<int>(std::lround(double(ExtraPadFrames) * m_timeRatio));
        }
        const size_t end = fed < pad ? pad : pad + ExtraPadFrames;
        const size_t n = std::min<size_t>(end - fed, maxBlockFrames());
        const float *channels[2] = {m_planar[0].data(), m_planar[1].data()};
        m_rb->process(channels, n, false);
        fed += n;
        if (m_toDrop > 0) {
            dropStartDelay();
            for (auto &buffer : m_planar)
                std::fill(buffer.begin(), buffer.end(), 0.0f);
        }
    }
    if (m_toDrop < 0)
        m_toDrop = static_cast<int>(m_rb->getStartDelay());
}

void RubberBandStretcher::feed(const float *stereo, int frames)
{
    for (int i = 0; i < frames; ++i) {
        m_planar[0][i] = stereo[2 * i];
        m_planar[1][i] = stereo[2 * i + 1];
    }
    const float *channels[2] = {m_planar[0].data(), m_planar[1].data()};
    m_rb->process(channels, static_cast<size_t>(frames), false);
    dropStartDelay();
}

void RubberBandStretcher::dropStartDelay()
{
    while (m_toDrop > 0) {
        const int n = std::min({m_toDrop, std::max(0, m_rb->available()), maxBlockFrames()});
        if (n == 0)
            return;
        float *channels[2] = {m_planar[0].data(), m_planar[1].data()};
        m_toDrop -= static_cast<int>(m_rb->retrieve(channels, static_cast<size_t>(n)));
    }
}

int RubberBandStretcher::available()
{
    dropStartDelay();
    return m_toDrop > 0 ? 0 : std::max(0, m_rb->available());
}

// Rubber Band says how far its output lags once its start is padded; that is the output it
// holds in its synthesis buffers.
int RubberBandStretcher::outputDelay() const
{
    return static_cast<int>(m_rb->getStartDelay());
}

int RubberBandStretcher::retrieve(float *stereo, int maxFrames)
{
    const int n = std::min({available(), maxFrames, maxBlockFrames()});
    if (n <= 0)
        return 0;
    float *channels[2] = {m_planar[0].data(), m_planar[1].data()};
    const int got = static_cast<int>(m_rb->retrieve(channels, static_cast<size_t>(n)));
    for (int i = 0; i < got; ++i) {
        stereo[2 * i] = m_planar[0][i];
        stereo[2 * i + 1] = m_planar[1][i];
    }
    return got;
}

} // namespace quillmere::audio
