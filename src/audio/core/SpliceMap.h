#pragma once

#include "audio/core/Realtime.h"

#include <QtGlobal>

#include <algorithm>
#include <array>
#include <cmath>

namespace quillmere::audio {

// Where the audio fed to the stretcher jumps in the source, so that output can be placed in
// source time. The stretcher sees one continuous stream; a splice (a loop wrapping from b to a)
// is a point of that stream where the source position jumps. The feeding side records each
// splice when its audio goes in; the rendering side reaches it a stretcher latency later and
// cuts its blocks there, so that every block maps to the source linearly.
// Render thread only; fixed storage, nothing allocates.
class SpliceMap {
public:
    static constexpr int Capacity = 64;

    // Forgets every splice; the stream starts at `streamFrame`.
    void reset(qint64 streamFrame) QUILLMERE_NONBLOCKING
    {
        m_fedStream = streamFrame;
        m_started = false;
        m_head = m_tail = 0;
        m_feedOffset = m_renderOffset = 0;
    }

    // Feeding side. A block that might splice can go in only while there is room to record it.
    bool full() const QUILLMERE_NONBLOCKING { return m_head - m_tail >= Capacity; }
    // A block of `frames` frames from `sourceFrame` went in; `nextFrame` follows it. A jump is
    // recorded as soon as it is known, so that the audio before it can never be taken for the
    // end of the song.
    void fed(qint64 sourceFrame, int frames, qint64 nextFrame) QUILLMERE_NONBLOCKING
    {
        if (!m_started) {
            m_started = true;
            m_feedOffset = m_renderOffset = sourceFrame - m_fedStream;
        }
        jumpTo(sourceFrame);
        m_fedStream += frames;
        if (frames > 0)
            jumpTo(nextFrame);
    }
    qint64 fedStream() const QUILLMERE_NONBLOCKING { return m_fedStream; }

    // Rendering side. Takes up the splices the stream position has reached; returns the
    // source frame the last of them jumped from (b), or -1 when none was reached.
    double reach(double streamPos) QUILLMERE_NONBLOCKING
    {
        double from = -1;
        while (m_tail != m_head && double(m_splices[m_tail % Capacity].stream) <= streamPos) {
            const Splice &s = m_splices[m_tail % Capacity];
            m_renderOffset = s.offset;
            from = s.from;
            ++m_tail;
        }
        return from;
    }
    // At most `frames` output frames at `speed` source frames each, but not past the next splice.
    int framesBeforeSplice(double streamPos, double speed, int frames) const QUILLMERE_NONBLOCKING
    {
        if (m_tail == m_head)
            return frames;
        const double left = double(m_splices[m_tail % Capacity].stream) - streamPos;
        return std::max(1, std::min(frames, int(std::ceil(left / speed))));
    }
    // True when a splice not yet reached lies at or before streamPos: the audio goes on there.
    bool pendingBefore(double streamPos) const QUILLMERE_NONBLOCKING
    {
        return m_tail != m_head && double(m_splices[m_tail % Capacity].stream) <= streamPos;
    }
    double toSource(double streamPos) const QUILLMERE_NONBLOCKING
    {
        return streamPos + double(m_renderOffset);
    }
    // A source frame in the stream position of the audio now being rendered.
    double toStream(double sourceFrame) const QUILLMERE_NONBLOCKING
    {
        return sourceFrame - double(m_renderOffset);
    }

private:
    void jumpTo(qint64 sourceFrame) QUILLMERE_NONBLOCKING
    {
        const qint64 offset = sourceFrame - m_fedStream;
        if (offset == m_feedOffset || full())
            return;
        m_splices[m_head % Capacity] =
            Splice{m_fedStream, offset, double(m_fedStream + m_feedOffset)};
        ++m_head;
        m_feedOffset = offset;
    }

    struct Splice {
        qint64 stream = 0; // where the jump is
        qint64 offset = 0; // source frame minus stream frame after it
        double from = 0;   // the source frame the audio before it reached
    };

    std::array<Splice, Capacity> m_splices{};
    quint64 m_head = 0;
    quint64 m_tail = 0;
    qint64 m_fedStream = 0;
    bool m_started = false;
    qint64 m_feedOffset = 0;
    qint64 m_renderOffset = 0;
};

} // namespace quillmere::audio
