#pragma once

#include "audio/decoders/Decoder.h"

#include <QtGlobal>

#include <array>

namespace quillmere::audio {

// A section of the source that repeats, in source frames: playing reaches b, then a follows.
struct LoopRange {
    qint64 a = 0;
    qint64 b = 0;
    quint64 epoch = 0; // counts the ranges set on a channel, so that each one is told apart
    bool active() const { return b > a; }
};

// Reads a 44100 Hz stereo source block by block and, while a loop range is set, wraps from its
// end back to its start. The wrap happens here, in source time, before any stretching: what
// follows sees one continuous signal. Decoder thread only.
class LoopReader {
public:
    // Length of the splice. Equal-power gains keep the loudness of unrelated material steady
    // through the splice; 7.5 ms is long enough that a sustained tone shows no step (several
    // periods of anything above 150 Hz, and a smooth envelope below) and short enough that the
    // splice stays a splice, not an audible blend of two places.
    static constexpr int CrossfadeFrames = 331;
    // Loops shorter than this are not taken (they would be all splice).
    static constexpr qint64 MinLoopFrames = 4 * CrossfadeFrames;

    explicit LoopReader(Decoder &source) : m_source(source) {}

    bool seek(qint64 frame);
    qint64 position() const { return m_position; }
    // Takes effect at the next read; an inactive range lets the song play on.
    void setLoop(const LoopRange &range)
    {
        m_loop = range.b - range.a >= MinLoopFrames ? range : LoopRange{};
    }
    const LoopRange &loop() const { return m_loop; }

    // Reads up to `capacity` frames of interleaved stereo into `stereo` and sets `firstFrame` to
    // the source frame of the first of them. Returns the frames read: 0 at the end of the
    // source, -1 on a read error. The frames after a splice start at the loop's a.
    int read(float *stereo, int capacity, qint64 &firstFrame);

private:
    bool wrapApplies() const { return m_loop.active() && m_position < m_loop.b; }
    int readSplice(float *stereo, int frames);
    int readOrSilence(float *stereo, int frames);

    Decoder &m_source;
    qint64 m_position = 0;
    LoopRange m_loop;
    bool m_lost = false; // a failed seek left the source at an unknown place
    std::array<float, CrossfadeFrames * 2> m_leadIn{};
};

} // namespace quillmere::audio
