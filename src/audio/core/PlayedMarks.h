#pragma once

// Threads: one writer, the output callback (begin(), extend()); readers on the UI or event
// thread under the back end's lock (find()). Lock-free: each entry is a small sequence lock
// over atomics, so a reader that meets an entry being rewritten sees it and stops.

#include "audio/core/Realtime.h"

#include <QtGlobal>

#include <array>
#include <atomic>

namespace quillmere::audio {

// Where a stretch of the output came from: output frame `outputFrame` played source frame
// `sourceFrame`, and each of the `frames` output frames after it moved the source on by
// `sourceFramesPerFrame`: the ratio in force when that block was rendered.
struct PlayedMark {
    qint64 outputFrame = 0;
    double sourceFrame = 0;
    double sourceFramesPerFrame = 1;
    qint64 frames = 0;
    quint64 generation = 0;
    quint64 wraps = 0; // loop wraps heard in this generation up to this mark
};

// The newest marks the output callback wrote, one per block it began (or per break in the
// output, as after a pause), so that the position of any frame still in the device's buffers
// can be found with the ratio it was made with.
class PlayedMarks {
public:
    // Comfortably more blocks than the device buffers hold (256 blocks of 512 frames are 3 s;
    // even 64-frame device buffers give a second of marks).
    static constexpr int Size = 256;

    // Writer side.
    void begin(const PlayedMark &mark) QUILLMERE_NONBLOCKING
    {
        const quint64 index = m_count.load(std::memory_order_relaxed);
        Entry &e = m_entries[index % Size];
        e.stamp.store(0, std::memory_order_relaxed);
        // Release on every field: a reader that sees any new value also sees the stamp
        // cleared before it (no fences, which ThreadSanitizer cannot follow).
        e.outputFrame.store(mark.outputFrame, std::memory_order_release);
        e.sourceFrame.store(mark.sourceFrame, std::memory_order_release);
        e.ratio.store(mark.sourceFramesPerFrame, std::memory_order_release);
        e.frames.store(mark.frames, std::memory_order_release);
        e.generation.store(mark.generation, std::memory_order_release);
        e.wraps.store(mark.wraps, std::memory_order_release);
        e.stamp.store(index + 1, std::memory_order_release);
        m_count.store(index + 1, std::memory_order_release);
    }
    // The newest mark now covers `frames` output frames.
    void extend(qint64 frames) QUILLMERE_NONBLOCKING
    {
        const quint64 count = m_count.load(std::memory_order_relaxed);
        if (count > 0)
            m_entries[(count - 1) % Size].frames.store(frames, std::memory_order_release);
    }

    // Reader side: the newest mark that begins at or before `outputFrame`; false when none
    // is left (nothing played yet, or the frame is older than the ring remembers).
    bool find(double outputFrame, PlayedMark &out) const
    {
        const quint64 count = m_count.load(std::memory_order_acquire);
        for (quint64 i = count; i > 0 && count - i < Size; --i) {
            if (!read(i - 1, out))
                return false; // overwritten meanwhile: older ones are too
            if (double(out.outputFrame) <= outputFrame)
                return true;
        }
        return false;
    }

private:
    struct Entry {
        std::atomic<quint64> stamp{0}; // index + 1 once complete, 0 while being written
        std::atomic<qint64> outputFrame{0};
        std::atomic<double> sourceFrame{0};
        std::atomic<double> ratio{1};
        std::atomic<qint64> frames{0};
        std::atomic<quint64> generation{0};
        std::atomic<quint64> wraps{0};
    };

    bool read(quint64 index, PlayedMark &out) const
    {
        const Entry &e = m_entries[index % Size];
        const quint64 stamp = e.stamp.load(std::memory_order_acquire);
        if (stamp != index + 1)
            return false;
        // Acquire on every field keeps the stamp's second reading after them.
        out.outputFrame = e.outputFrame.load(std::memory_order_acquire);
        out.sourceFrame = e.sourceFrame.load(std::memory_order_acquire);
        out.sourceFramesPerFrame = e.ratio.load(std::memory_order_acquire);
        out.frames = e.frames.load(std::memory_order_acquire);
        out.generation = e.generation.load(std::memory_order_acquire);
        out.wraps = e.wraps.load(std::memory_order_acquire);
        return e.stamp.load(std::memory_order_relaxed) == stamp;
    }

    std::array<Entry, Size> m_entries{};
    std::atomic<quint64> m_count{0};
};

} // namespace quillmere::audio
