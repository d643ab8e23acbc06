#pragma once

// Render thread only; allocated once when the channel is made.

#include "audio/core/Realtime.h"

#include <QtGlobal>

#include <algorithm>
#include <memory>

namespace quillmere::audio {

// The last few seconds of what went into the stretcher, by stream frame, so that a stretcher
// swapped in can be run over the same audio the one it replaces has taken in.
class InputHistory {
public:
    static constexpr int Frames = 1 << 17; // about 3 s: a lead plus the deepest pipeline at 4x

    InputHistory() : m_samples(std::make_unique<float[]>(size_t(Frames) * 2)) {}

    void reset(qint64 streamFrame) QUILLMERE_NONBLOCKING { m_begin = m_end = streamFrame; }

    void append(const float *stereo, int frames) QUILLMERE_NONBLOCKING
    {
        for (int done = 0; done < frames;) {
            const int at = int(m_end % Frames);
            const int n = std::min(frames - done, Frames - at);
            std::copy(stereo + 2 * done, stereo + 2 * (done + n), m_samples.get() + 2 * at);
            done += n;
            m_end += n;
        }
        m_begin = std::max(m_begin, m_end - Frames);
    }

    qint64 begin() const QUILLMERE_NONBLOCKING { return m_begin; }
    qint64 end() const QUILLMERE_NONBLOCKING { return m_end; }

    // The frames from `from` on, as far as they lie in one piece (at most `most`).
    const float *read(qint64 from, int most, int &frames) const QUILLMERE_NONBLOCKING
    {
        const int at = int(from % Frames);
        frames = int(std::min<qint64>({qint64(most), m_end - from, qint64(Frames - at)}));
        return m_samples.get() + 2 * at;
    }

private:
    std::unique_ptr<float[]> m_samples;
    qint64 m_begin = 0;
    qint64 m_end = 0;
};

} // namespace quillmere::audio
