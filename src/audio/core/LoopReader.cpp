#include "audio/core/LoopReader.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace quillmere::audio {

bool LoopReader::seek(qint64 frame)
{
    m_lost = !m_source.seek(frame);
    if (!m_lost)
        m_position = frame;
    return !m_lost;
}

int LoopReader::read(float *stereo, int capacity, qint64 &firstFrame)
{
    firstFrame = m_position;
    if (m_lost)
        return -1;
    if (wrapApplies()) {
        const qint64 toB = m_loop.b - m_position;
        const qint64 fade = std::min<qint64>(CrossfadeFrames, m_loop.b - m_loop.a);
        if (toB <= fade)
            return readSplice(stereo, int(toB));
        capacity = int(std::min<qint64>(capacity, toB - fade));
    }
    const qint64 n = m_source.read(stereo, capacity);
    if (n == 0 && m_loop.active() && m_position > m_loop.a && m_position < m_loop.b) {
        // The song ends before b (its length was an estimate): the loop wraps at the end.
        if (seek(m_loop.a))
            return read(stereo, capacity, firstFrame);
        return -1;
    }
    if (n > 0)
        m_position += n;
    return int(n);
}

// The last `frames` frames before b fade out while the frames just before a fade in; then a
// follows at full level, so an attack at a keeps its edge. The block stands for the source
// frames before b, so a repeat lasts exactly b - a.
int LoopReader::readSplice(float *stereo, int frames)
{
    const int tail = readOrSilence(stereo, frames);
    const qint64 leadStart = std::max<qint64>(0, m_loop.a - frames);
    const int silentLead = int(frames - (m_loop.a - leadStart));
    if (!seek(leadStart)) {
        // No way back to a: the loop is dropped and the song plays on after the tail.
        m_loop = {};
        return seek(m_position + tail) ? tail : -1;
    }
    std::fill(m_leadIn.begin(), m_leadIn.begin() + 2 * silentLead, 0.0f);
    readOrSilence(m_leadIn.data() + 2 * silentLead, frames - silentLead);
    for (int i = 0; i < frames; ++i) {
        const double t = (i + 0.5) / frames * (std::numbers::pi / 2);
        const float out = float(std::cos(t));
        const float in = float(std::sin(t));
        for (int c = 0; c < 2; ++c)
            stereo[2 * i + c] = stereo[2 * i + c] * out + m_leadIn[size_t(2 * i + c)] * in;
    }
    m_position = m_loop.a;
    return frames;
}

// Reads exactly `frames` frames, filling what the source does not have with silence.
int LoopReader::readOrSilence(float *stereo, int frames)
{
    int done = 0;
    while (done < frames) {
        const qint64 n = m_source.read(stereo + 2 * done, frames - done);
        if (n <= 0)
            break;
        done += int(n);
    }
    std::fill(stereo + 2 * done, stereo + 2 * frames, 0.0f);
    return done;
}

} // namespace quillmere::audio
