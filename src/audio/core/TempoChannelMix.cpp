// The output callback's side of a tempo channel: mixing its finished blocks into the device's
// buffer and marking what each output frame played. See TempoChannel.h for the threads.
#include "audio/core/TempoChannel.h"

namespace quillmere::audio {

// Output callback: never blocks, locks or allocates. The render thread is woken once per
// call that took a block, the event thread when the song ends or a fade out is over.
int TempoChannel::mixInto(float *mix, int frames, qint64 outputFrame,
                          bool realTime) QUILLMERE_NONBLOCKING
{
    const bool playing = m_state.load(std::memory_order_acquire) == State::Playing;
    const quint64 generation = m_generation.load(std::memory_order_acquire);
    bool popped = false;
    bool ended = false;
    int done = 0;
    while (done < frames && (playing || m_fade.audible())) {
        RenderedBlock *block = m_rendered.front();
        if (!block)
            break;
        if (block->generation != generation) {
            // Rendered before the last seek: what would have been heard of it fades out.
            m_fade.cutOff(block->samples + 2 * m_blockOffset, block->frames - m_blockOffset);
            m_rendered.pop();
            popped = true;
            m_blockOffset = 0;
            continue;
        }
        done += mixBlock(*block, mix + 2 * done, frames - done, outputFrame + done, playing);
        if (m_blockOffset < block->frames)
            continue;
        const bool last = block->last;
        const double end = block->sourceFrame + block->frames * block->sourceFramesPerFrame;
        m_rendered.pop();
        popped = true;
        m_blockOffset = 0;
        if (last) {
            endSong(outputFrame + done, end, generation);
            ended = true;
            break;
        }
    }
    if (popped)
        m_renderWakeup.notify(RoomMade);
    // The ring ran dry during a fade out: it ends on what it last played.
    if (!playing && m_fade.audible() && done < frames && !m_rendered.front())
        done += m_fade.finishFadeOut(mix + 2 * done, frames - done);
    // Nothing to play it under (the new audio is not ready, or the channel paused): the audio a
    // seek cut off fades out alone. Offline the pull waits for the new audio instead.
    int tail = 0;
    if (realTime) {
        if (generation != m_mixGeneration && !m_rendered.front())
            m_fade.finishCut();
        tail = m_fade.addTail(mix + 2 * done, frames - done);
    }
    publishAudible(ended);
    // Stalled is an underrun: the ring ran dry after this position's audio began to be heard.
    // Before that the channel is starting (just played or moved), which is not a fault.
    m_stalled.store(done < frames && m_heardGeneration == generation &&
                        m_state.load(std::memory_order_relaxed) == State::Playing,
                    std::memory_order_relaxed);
    return done + tail;
}

// The song itself has ended at outputFrame, at source frame `end`: nothing to fade.
void TempoChannel::endSong(qint64 outputFrame, double end, quint64 generation) QUILLMERE_NONBLOCKING
{
    m_fade.silence();
    m_marks.begin(PlayedMark{outputFrame, end, 0, 0, generation, m_wrapsHeard});
    m_state.store(State::Stopped, std::memory_order_release);
    m_endPending.store(true, std::memory_order_release);
}

// Whether a fade is still to be heard. When the last one after a pause or stop has played
// (or the song has ended), the event thread hears of it: the output may rest now.
void TempoChannel::publishAudible(bool ended) QUILLMERE_NONBLOCKING
{
    const bool audible = m_fade.audible() || m_fade.hasTail();
    m_audible.store(audible, std::memory_order_release);
    const bool faded =
        m_fadeHeard && !audible && m_state.load(std::memory_order_relaxed) != State::Playing;
    if (m_events && (ended || faded))
        m_events->notify();
    m_fadeHeard = audible;
}

// Mixes what it can of the block into mix, whose first frame the device numbers at; marks
// where each stretch of the output came from.
int TempoChannel::mixBlock(const RenderedBlock &block, float *mix, int frames, qint64 at,
                           bool playing) QUILLMERE_NONBLOCKING
{
    if (block.generation != m_mixGeneration) {
        m_mixGeneration = block.generation;
        m_wrapsHeard = 0;
        m_fade.finishCut();
        m_fade.silence();
    }
    if (m_blockOffset == 0 || at != m_nextOutputFrame) {
        if (at != m_nextOutputFrame)
            m_fade.silence(); // silence was heard since the last frame mixed
        // The first sound of a song played from its first frame: the song's own beginning,
        // which a ramp would only change (it begins after silence as recorded).
        if (m_nextOutputFrame < 0 && m_blockOffset == 0 && block.sourceFrame == 0)
            m_fade.songStart();
        if (m_blockOffset == 0 && block.spliceFrom >= 0)
            ++m_wrapsHeard;
        m_markFrames = 0;
        m_marks.begin(PlayedMark{at, block.sourceFrame + m_blockOffset * block.sourceFramesPerFrame,
                                 block.sourceFramesPerFrame, 0, block.generation, m_wrapsHeard});
    }
    const float *from = block.samples + 2 * m_blockOffset;
    const int n = m_fade.add(mix, from, std::min(frames, block.frames - m_blockOffset), playing);
    m_fade.addTail(mix, n);
    m_tap.write(from, n);
    if (n > 0)
        m_heardGeneration = block.generation;
    m_blockOffset += n;
    m_markFrames += n;
    m_marks.extend(m_markFrames);
    m_nextOutputFrame = at + n;
    return n;
}

} // namespace quillmere::audio
