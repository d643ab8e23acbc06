#pragma once

// Render thread only; fixed storage, nothing allocates.

#include "audio/core/Realtime.h"

#include <algorithm>
#include <array>

namespace quillmere::audio {

// The ratios of the output a stretcher has already made but not yet given out. When the speed
// changes, the frames in its pipeline (its own output delay plus what is ready) were made at
// the old speed: placing them in source time with the new one puts the position off by that
// many frames times the change (about 60 ms after a change from 1 to 2 with Rubber Band) for
// as long as the stream runs. The frames still owed to older ratios are given out first, each
// stretch at its own ratio, and only then does the new ratio count.
class RatioPipeline {
public:
    static constexpr int Capacity = 16;

    void reset() QUILLMERE_NONBLOCKING { m_count = 0; }

    // The ratio changed from `oldRatio`; the stretcher holds `pipelineFrames` output frames.
    void change(double oldRatio, int pipelineFrames) QUILLMERE_NONBLOCKING
    {
        int owed = 0;
        for (int i = 0; i < m_count; ++i)
            owed += m_segments[i].frames;
        if (pipelineFrames <= owed)
            return; // all of it was made at ratios already noted
        if (m_count == Capacity) {
            // A slider dragged fast: the newest stretch takes the newest ratio; one block of
            // difference at most.
            m_segments[Capacity - 1].frames += pipelineFrames - owed;
            return;
        }
        m_segments[m_count++] = {pipelineFrames - owed, oldRatio};
    }

    // The ratio of the next output frames, and how many of them have it at most.
    double ratio(double current) const QUILLMERE_NONBLOCKING
    {
        return m_count > 0 ? m_segments[0].ratio : current;
    }
    int limit(int frames) const QUILLMERE_NONBLOCKING
    {
        return m_count > 0 ? std::min(frames, m_segments[0].frames) : frames;
    }
    void consumed(int frames) QUILLMERE_NONBLOCKING
    {
        if (m_count == 0)
            return;
        m_segments[0].frames -= frames;
        if (m_segments[0].frames > 0)
            return;
        std::copy(m_segments.begin() + 1, m_segments.begin() + m_count, m_segments.begin());
        --m_count;
    }

private:
    struct Segment {
        int frames = 0;
        double ratio = 1;
    };
    std::array<Segment, Capacity> m_segments{};
    int m_count = 0;
};

} // namespace quillmere::audio
