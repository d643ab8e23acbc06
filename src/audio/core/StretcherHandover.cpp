#include "audio/core/StretcherHandover.h"

#include <cmath>
#include <numbers>

namespace quillmere::audio {

void StretcherHandover::begin(const PreparedStretcher &next, const InputHistory &history,
                              double renderPos) QUILLMERE_NONBLOCKING
{
    m_next = next;
    m_placing = nullptr;
    m_speed = next.speed;
    // At high speeds the lead is longer in proportion, so that it also covers in output what
    // a stretcher's start-up can leave over (with a lead of 4096 frames, SoundTouch at 4x
    // with the pitch an octave down still began with 1300 frames of silence).
    const qint64 lead = qint64(LeadFrames * std::max(1.0, next.speed));
    m_from = std::max(history.begin(), qint64(std::floor(renderPos)) - lead);
    m_fed = m_from;
    m_retrieved = 0;
}

PreparedStretcher StretcherHandover::abandon() QUILLMERE_NONBLOCKING
{
    const PreparedStretcher next = m_next;
    m_next = PreparedStretcher{};
    return next;
}

bool StretcherHandover::prime(const InputHistory &history, double renderPos,
                              int budget) QUILLMERE_NONBLOCKING
{
    const auto ready = [&] {
        return nextFrame() >= renderPos && m_next.stretcher->available() >= FadeFrames;
    };
    dropBefore(renderPos);
    while (budget > 0 && m_fed < history.end() && !ready()) {
        int frames = 0;
        const float *stereo =
            history.read(m_fed, std::min(budget, Stretcher::maxBlockFrames()), frames);
        m_next.stretcher->feed(stereo, frames);
        m_fed += frames;
        budget -= frames;
        // Taken out as it comes, so that its buffers never hold more than in normal play.
        dropBefore(renderPos);
    }
    return ready() || m_fed == history.end();
}

PreparedStretcher StretcherHandover::takeOver(Stretcher &old) QUILLMERE_NONBLOCKING
{
    m_fadeFrames = old.retrieve(m_fadeOut.data(), std::min(FadeFrames, old.available()));
    m_fadeDone = 0;
    m_placing = m_next.stretcher;
    return abandon();
}

void StretcherHandover::dropBefore(double renderPos) QUILLMERE_NONBLOCKING
{
    Stretcher *stretcher = m_next.stretcher ? m_next.stretcher : m_placing;
    while (nextFrame() < renderPos) {
        const int wanted = std::min(framesToDrop(renderPos), Stretcher::maxBlockFrames());
        const int got =
            stretcher->retrieve(m_scratch.data(), std::min(wanted, stretcher->available()));
        if (got <= 0)
            return;
        m_retrieved += got;
    }
}

int StretcherHandover::framesToDrop(double renderPos) const QUILLMERE_NONBLOCKING
{
    if (!m_placing && !m_next.stretcher)
        return 0;
    return std::max(0, int(std::ceil((renderPos - nextFrame()) / m_speed)));
}

bool StretcherHandover::dropInto(double &renderPos) QUILLMERE_NONBLOCKING
{
    if (!m_placing)
        return true;
    dropBefore(renderPos);
    if (nextFrame() < renderPos)
        return false;
    renderPos = nextFrame();
    m_placing = nullptr;
    return true;
}

void StretcherHandover::crossfade(float *stereo, int frames) QUILLMERE_NONBLOCKING
{
    for (int i = 0; i < frames && m_fadeDone < m_fadeFrames; ++i, ++m_fadeDone) {
        const double t = (m_fadeDone + 0.5) / m_fadeFrames;
        const double s = std::sin(t * std::numbers::pi / 2);
        const float in = float(s * s);
        for (int c = 0; c < 2; ++c) {
            float &sample = stereo[2 * i + c];
            sample = sample * in + m_fadeOut[size_t(2 * m_fadeDone + c)] * (1 - in);
        }
    }
}

} // namespace quillmere::audio
