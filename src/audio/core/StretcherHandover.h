#pragma once

// Render thread only; fixed storage, nothing allocates.

#include "audio/core/InputHistory.h"
#include "audio/core/Realtime.h"
#include "audio/stretch/StretcherSwap.h"

#include <array>

namespace quillmere::audio {

// Hands the output over from the stretcher playing to one prepared for a new setting, without
// a gap or a click. The new one is first run over the recent input from a little before the
// frame due next (so it is in its stride there, not starting up from silence), and what it
// makes before that frame is dropped; a block at a time, so that no block takes long. Once it
// has caught up, it takes over, and the old one's next few milliseconds fade out under it.
class StretcherHandover {
public:
    // Real audio the new stretcher takes in before the frame where it starts to be heard.
    static constexpr int LeadFrames = 4096;
    // The crossfade: equal-gain raised cosine, since both sides play the same music a frame
    // or two apart (a sustained tone keeps its level through it); 6 ms is short enough for a
    // drum hit not to be heard twice.
    static constexpr int FadeFrames = 256;
    // Input run through the new stretcher per block: about four blocks' worth, so that it
    // catches up within a few blocks while the old one keeps playing.
    static constexpr int PrimeFramesPerBlock = 4096;

    bool pending() const QUILLMERE_NONBLOCKING { return m_next.stretcher != nullptr; }
    // Switched to the new one, which has not reached the frame due yet.
    bool placing() const QUILLMERE_NONBLOCKING { return m_placing != nullptr; }
    void begin(const PreparedStretcher &next, const InputHistory &history,
               double renderPos) QUILLMERE_NONBLOCKING;
    // The stretcher being prepared, given up (a newer one came, or a seek made it moot).
    PreparedStretcher abandon() QUILLMERE_NONBLOCKING;
    // Runs the new stretcher over more of the history (at most `budget` frames); true once it
    // has made the frame due next and the fade's worth after it. The rest of the history is
    // replayed into it after the switch, as it needs input: fed all at once, it would hold the
    // whole of the old one's pipeline as output (seconds of it, going from 4x to a quarter
    // speed).
    bool prime(const InputHistory &history, double renderPos, int budget) QUILLMERE_NONBLOCKING;
    // The stream frame the new stretcher has taken in up to.
    qint64 fedUpTo() const QUILLMERE_NONBLOCKING { return m_fed; }
    // The switch: keeps the start of the old one's output for the fade, returns the new one.
    PreparedStretcher takeOver(Stretcher &old) QUILLMERE_NONBLOCKING;
    // After the switch: drops the new one's output before renderPos and moves renderPos onto
    // the frame it gives next (less than one frame on). False while it still needs input.
    bool dropInto(double &renderPos) QUILLMERE_NONBLOCKING;
    // Output frames the new one still has to make before renderPos (0 outside a switch).
    int framesToDrop(double renderPos) const QUILLMERE_NONBLOCKING;
    // A seek: nothing of the old output is to be heard, and the new one is in place.
    void clearFade() QUILLMERE_NONBLOCKING
    {
        m_fadeFrames = m_fadeDone = 0;
        m_placing = nullptr;
    }
    // Fades the old output out over the start of the new.
    void crossfade(float *stereo, int frames) QUILLMERE_NONBLOCKING;

private:
    double nextFrame() const QUILLMERE_NONBLOCKING
    {
        return double(m_from) + double(m_retrieved) * m_speed;
    }
    void dropBefore(double renderPos) QUILLMERE_NONBLOCKING;

    PreparedStretcher m_next;       // being primed
    Stretcher *m_placing = nullptr; // switched to, still dropping up to the frame due
    double m_speed = 1.0;
    qint64 m_from = 0;      // stream frame of the new stretcher's first output frame
    qint64 m_fed = 0;       // stream frame it has taken in up to
    qint64 m_retrieved = 0; // its output frames dropped so far
    std::array<float, FadeFrames * 2> m_fadeOut{};
    int m_fadeFrames = 0;
    int m_fadeDone = 0;
    std::array<float, Stretcher::maxBlockFrames() * 2> m_scratch{};
};

} // namespace quillmere::audio
