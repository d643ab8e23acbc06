#pragma once

// Output callback only; fixed storage, nothing allocates.

#include "audio/core/Realtime.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace quillmere::audio {

// The short ramps that keep a channel's starts and stops from clicking: in after a start, a
// resume, a seek or an underrun (whatever was heard before was silence or other audio), out
// on pause and stop, and out under what follows for the audio a seek cuts off.
//
// 3 ms: a step of full scale spread over 132 samples keeps its energy below a few hundred hertz,
// where the ear takes it for a soft edge rather than a click, while a pause still feels
// instant and the attack of a note just after a seek is not audibly softened (drum attacks
// last about 5 ms). Linear: each sample moves by at most 1/132 of full scale more than the
// signal itself does.
class OutputFade {
public:
    static constexpr int RampFrames = 132;

    // What comes next follows silence: it ramps in.
    void silence() QUILLMERE_NONBLOCKING { m_gain = 0; }
    // What comes next is the very start of the song: it is heard as it was recorded.
    void songStart() QUILLMERE_NONBLOCKING { m_gain = 1; }
    bool audible() const QUILLMERE_NONBLOCKING { return m_gain > 0; }

    // Adds up to n frames of `from` to `mix`, the gain moving towards 1 while playing and
    // towards 0 otherwise. Returns the frames used: fewer than n once a fade out is done.
    int add(float *mix, const float *from, int n, bool playing) QUILLMERE_NONBLOCKING
    {
        constexpr float Step = 1.0f / RampFrames;
        if (playing && m_gain == 1 && n > 0) { // no ramp under way: the frames as they are
            for (int i = 0; i < 2 * n; ++i)
                mix[i] += from[i];
            m_last = {from[2 * n - 2], from[2 * n - 1]};
            return n;
        }
        for (int i = 0; i < n; ++i) {
            m_gain = playing ? std::min(1.0f, m_gain + Step) : std::max(0.0f, m_gain - Step);
            m_last = {from[2 * i] * m_gain, from[2 * i + 1] * m_gain};
            mix[2 * i] += m_last[0];
            mix[2 * i + 1] += m_last[1];
            if (!playing && m_gain == 0)
                return i + 1;
        }
        return n;
    }

    // A fade out that ran out of audio (the ring is empty) ends on the last frame it played,
    // held and taken down to 0 over what is left of the ramp: no step larger than the ramp's.
    // Returns the frames added to mix (at most n).
    int finishFadeOut(float *mix, int n) QUILLMERE_NONBLOCKING
    {
        const int left = std::min(n, int(std::ceil(m_gain * RampFrames)));
        for (int i = 0; i < left; ++i) {
            const float g = float(left - 1 - i) / float(left);
            mix[2 * i] += m_last[0] * g;
            mix[2 * i + 1] += m_last[1] * g;
        }
        m_gain = 0;
        return left;
    }

    // Audio that is being cut off (rendered before a seek): what of it fits in a fade out from
    // the present gain is kept, to be added under what follows. The gain is then 0.
    void cutOff(const float *from, int n) QUILLMERE_NONBLOCKING
    {
        constexpr float Step = 1.0f / RampFrames;
        for (int i = 0; i < n && m_gain > 0 && m_tailEnd < RampFrames; ++i) {
            m_gain = std::max(0.0f, m_gain - Step);
            m_last = {from[2 * i] * m_gain, from[2 * i + 1] * m_gain};
            m_tail[2 * m_tailEnd] = m_last[0];
            m_tail[2 * m_tailEnd + 1] = m_last[1];
            ++m_tailEnd;
        }
        if (m_tailEnd == RampFrames)
            m_gain = 0;
    }
    // The audio cut off is all there is (the ring held less than a ramp of it): the kept tail
    // ends like a fade out that ran out of audio. The gain is then 0.
    void finishCut() QUILLMERE_NONBLOCKING
    {
        if (m_gain <= 0)
            return;
        std::array<float, RampFrames * 2> rest{};
        const int n = finishFadeOut(rest.data(), RampFrames - m_tailEnd);
        std::copy(rest.begin(), rest.begin() + 2 * n, m_tail.begin() + 2 * m_tailEnd);
        m_tailEnd += n;
    }
    bool hasTail() const QUILLMERE_NONBLOCKING { return m_tailPos < m_tailEnd; }
    // Adds up to n frames of the kept tail to mix; returns how many it had.
    int addTail(float *mix, int n) QUILLMERE_NONBLOCKING
    {
        const int count = std::min(n, m_tailEnd - m_tailPos);
        for (int i = 0; i < 2 * count; ++i)
            mix[i] += m_tail[2 * m_tailPos + i];
        m_tailPos += count;
        if (m_tailPos == m_tailEnd)
            m_tailPos = m_tailEnd = 0;
        return count;
    }

private:
    float m_gain = 0;
    std::array<float, 2> m_last{}; // the last frame played or kept, with its gain
    std::array<float, RampFrames * 2> m_tail{};
    int m_tailPos = 0;
    int m_tailEnd = 0;
};

} // namespace quillmere::audio
