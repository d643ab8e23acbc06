#include "audio/core/TempoChannel.h"

#include "audio/core/RealtimePriority.h"
#include "audio/core/ThreadName.h"
#include "audio/dsp/Denormals.h"
#include "audio/stretch/PassThroughStretcher.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>
#include <numbers>

namespace quillmere::audio {
namespace {

using namespace std::chrono_literals;

// How long an offline render waits for the stretcher being prepared for one request at most
// (a few milliseconds' work; the worker wakes it as soon as it is ready). Counted in wall
// time: a loaded machine may take far longer than the work itself.
constexpr auto MaxPrepareWait = 500ms;
constexpr qint64 PrepareWaitSpacingMs = 40;

// Below what sound servers give their own threads (5 and up): the render thread, whose ring
// holds 70 ms, above the decoder, whose ring holds a second.
constexpr int RenderPriority = 3;
constexpr int DecoderPriority = 2;

} // namespace

TempoChannel::TempoChannel(DecoderPtr source, Stretcher::Kind kind, int rate)
    : m_source(std::move(source)), m_rate(rate), m_info(m_source->info()),
      m_lengthFrames(m_info.frames), m_swap(kind, rate), m_reader(*m_source), m_reverb(rate),
      m_limiter(rate), m_countIn(rate)
{
    // A stretcher made ready wakes whoever renders (the render thread, or offline the thread
    // that waits for it).
    m_swap.setReadyWakeup(&m_renderWakeup, Changed);
}

qint64 TempoChannel::fromPosition(qint64 frame) const
{
    return m_rate == OutputRate ? frame : std::llround(double(frame) * m_rate / OutputRate);
}

qint64 TempoChannel::toPosition(double frame) const
{
    return std::llround(m_rate == OutputRate ? frame : frame * OutputRate / m_rate);
}

TempoChannel::~TempoChannel()
{
    m_running.store(false, std::memory_order_release);
    wakeThreads();
    if (m_decoderThread.joinable())
        m_decoderThread.join();
    if (m_renderThread.joinable())
        m_renderThread.join();
}

bool TempoChannel::holdTempoAndPitch()
{
    if (m_running.load(std::memory_order_acquire))
        return false;
    m_ratioHeld = true;
    return true;
}

// A held render at the song's own speed and pitch plays through a pass-through of its own: no
// change can come, so the swap's stretchers and worker are not made at all. Anything else
// plays the first the swap hands out.
void TempoChannel::takeFirstStretcher()
{
    const double speed = m_speed.load(std::memory_order_acquire);
    const double pitch = m_pitchScale.load(std::memory_order_acquire);
    if (m_ratioHeld && StretcherSwap::isNeutral(speed, pitch)) {
        m_passThrough = std::make_unique<PassThroughStretcher>();
        m_stretcher = m_passThrough.get();
        m_renderSpeed = m_renderPitch = 1.0;
        return;
    }
    const PreparedStretcher first = m_swap.start(speed, pitch);
    m_stretcher = first.stretcher;
    m_renderSpeed = first.speed;
    m_renderPitch = first.pitch;
}

void TempoChannel::startInline()
{
    if (m_running.load(std::memory_order_acquire))
        return;
    takeFirstStretcher();
    m_inline = true;
    m_deadline = false;
    m_running.store(true, std::memory_order_release);
}

void TempoChannel::start(bool realTimePriority)
{
    if (m_running.load(std::memory_order_acquire))
        return;
    takeFirstStretcher();
    m_deadline = realTimePriority;
    m_running.store(true, std::memory_order_release);
    m_decoderThread = std::thread([this, realTimePriority] {
        nameThisThread("qm-decoder");
        if (realTimePriority)
            requestRealtimePriority(DecoderPriority);
        decodeLoop();
    });
    m_renderThread = std::thread([this, realTimePriority] {
        nameThisThread("qm-render");
        if (realTimePriority)
            requestRealtimePriority(RenderPriority);
        renderLoop();
    });
}

void TempoChannel::setTempoAndPitch(double speed, double pitchScale)
{
    m_speed.store(std::clamp(speed, 0.05, 20.0), std::memory_order_release);
    m_pitchScale.store(std::clamp(pitchScale, 0.05, 20.0), std::memory_order_release);
    if (m_running.load(std::memory_order_acquire) && !m_passThrough)
        m_swap.request(m_speed.load(std::memory_order_relaxed),
                       m_pitchScale.load(std::memory_order_relaxed));
}

// UI thread: whatever the threads sleep on may have changed. Each change is published before
// the wake, so a thread that wakes sees it.
void TempoChannel::wakeThreads()
{
    m_decoderWakeup.notify(Changed);
    m_renderWakeup.notify(Changed);
}

void TempoChannel::setState(State state)
{
    m_state.store(state, std::memory_order_release);
    wakeThreads();
}

void TempoChannel::setPan(float pan)
{
    m_pan.store(std::clamp(pan, -1.0f, 1.0f), std::memory_order_release);
}

void TempoChannel::seek(qint64 frame)
{
    m_seekFrame.store(fromPosition(frame), std::memory_order_release);
    m_generation.fetch_add(1, std::memory_order_acq_rel);
    wakeThreads();
}

void TempoChannel::setLoop(qint64 a, qint64 b)
{
    m_loop.publish(LoopRange{fromPosition(a), fromPosition(b), ++m_loopEpoch});
    m_decoderWakeup.notify(Changed);
}

bool TempoChannel::wrapAhead(double heardFrame) const
{
    PlayedMark heard;
    const quint64 decoded = m_decodedWraps.load(std::memory_order_acquire);
    const quint64 generation = m_generation.load(std::memory_order_acquire);
    return m_marks.find(heardFrame, heard) && heard.generation == generation &&
           decoded >> WrapBits == (generation & (~quint64(0) >> WrapBits)) &&
           (decoded & ((quint64(1) << WrapBits) - 1)) > heard.wraps;
}

qint64 TempoChannel::positionFrames(double heardFrame) const
{
    PlayedMark heard;
    if (!m_marks.find(heardFrame, heard) ||
        heard.generation != m_generation.load(std::memory_order_acquire))
        return toPosition(double(m_seekFrame.load(std::memory_order_acquire))); // not heard yet
    // Within the mark's stretch the source moved on at the ratio of that block; past its end
    // nothing newer was played (paused, or the output ran dry), so the position stays there.
    const double into =
        std::clamp(heardFrame - double(heard.outputFrame), 0.0, double(heard.frames));
    return std::max<qint64>(0, toPosition(heard.sourceFrame + into * heard.sourceFramesPerFrame));
}

qint64 TempoChannel::mixedPositionFrames() const
{
    return positionFrames(std::numeric_limits<double>::infinity());
}

// Decoder thread: reads ahead into the decoded ring, and sleeps while it is full (until the
// render thread has taken half of it) or the song has ended (until a seek). The ticket is
// taken before anything is looked at, so that a wake in between is not lost.
void TempoChannel::decodeLoop()
{
    for (;;) {
        const Wakeup::Ticket ticket = m_decoderWakeup.ticket();
        if (!m_running.load(std::memory_order_acquire))
            return;
        if (!decodeStep())
            m_decoderWakeup.wait(ticket, m_decodeEnded ? Changed : RoomMade | Changed);
    }
}

// One block into the decoded ring, seeking when a new generation asks and wrapping at the end
// of a loop; false when the ring is full or the song has ended. The decoder thread runs it,
// or offline the thread that pulls.
bool TempoChannel::decodeStep()
{
    const quint64 wanted = m_generation.load(std::memory_order_acquire);
    if (wanted != m_decodeGeneration) {
        m_decodeGeneration = wanted;
        m_decodeEnded = false;
        m_seekFailed = !m_reader.seek(m_seekFrame.load(std::memory_order_acquire));
        m_decodeWraps = 0;
    }
    if (m_loop.take(m_decodeLoop))
        m_reader.setLoop(m_decodeLoop);
    DecodedBlock *block = m_decodeEnded ? nullptr : m_decoded.beginWrite();
    if (!block)
        return false;
    const quint64 generation = m_decodeGeneration;
    block->generation = generation;
    if (m_seekFailed) {
        // Outside the song, or the source cannot go there: the song ends here. The end
        // waits for room in the ring like any block, so it is never lost.
        block->sourceFrame = std::max<qint64>(0, m_lengthFrames);
        block->frames = 0;
    } else {
        // A read error (the file vanished, a damaged frame) ends the song cleanly.
        const qint64 before = m_reader.position();
        block->frames =
            std::max(0, m_reader.read(block->samples, DecodedBlock::Capacity, block->sourceFrame));
        const bool wrapped = block->sourceFrame != before ||
                             block->sourceFrame + block->frames != m_reader.position();
        if (wrapped)
            m_decodeWraps = std::min(m_decodeWraps + 1, (quint64(1) << WrapBits) - 1);
    }
    block->nextFrame = m_seekFailed ? block->sourceFrame : m_reader.position();
    block->endOfStream = block->frames == 0;
    m_decodeEnded = block->endOfStream;
    m_decoded.commitWrite();
    m_decodedWraps.store(generation << WrapBits | m_decodeWraps, std::memory_order_release);
    m_renderWakeup.notify(InputCame);
    return true;
}

void TempoChannel::restartRendering(quint64 generation)
{
    m_renderGeneration = generation;
    m_renderPos = double(m_seekFrame.load(std::memory_order_acquire));
    // A stretcher being prepared for a new setting takes over at once: nothing is heard of
    // the old one after a seek anyway.
    if (m_handover.pending()) {
        const PreparedStretcher next = m_handover.abandon();
        m_swap.retire(m_stretcher);
        m_stretcher = next.stretcher;
        m_renderSpeed = next.speed;
        m_renderPitch = next.pitch;
    }
    m_handover.clearFade();
    m_stretcher->reset();
    for (StereoBiquad &band : m_bands)
        band.reset();
    m_reverb.reset();
    m_limiter.reset();
    // Nothing of this generation has been heard yet: the balance starts where it is set.
    const float pan = m_pan.load(std::memory_order_relaxed);
    m_leftGain.jumpTo(pan > 0 ? 1 - pan : 1);
    m_rightGain.jumpTo(pan < 0 ? 1 + pan : 1);
    m_inputEnded = m_outputEnded = false;
    m_endFrame = -1;
    m_paddedFrames = 0;
    m_splices.reset(std::llround(m_renderPos));
    m_history.reset(std::llround(m_renderPos));
    m_replayFrom = m_history.end();
    m_ratios.reset();
    m_renderSpliceFrom = -1;
    m_gapDone = -1;
    m_fadeInDone = GapFadeFrames;
}

// Render thread: turns decoded audio into finished blocks, and sleeps whenever it can make
// none: while the output ring is full (the callback wakes it as it takes a block; paused, it
// takes none), while the decoder has not caught up, or once the song has ended.
void TempoChannel::renderLoop()
{
    flushDenormalsToZero();
    for (;;) {
        const Wakeup::Ticket ticket = m_renderWakeup.ticket();
        if (!m_running.load(std::memory_order_acquire))
            return;
        if (!renderStep())
            m_renderWakeup.wait(ticket, renderWaitsFor());
    }
}

// After a step that made nothing: the ring full waits for room, else for input; the end of
// the song only for a change (a seek).
unsigned TempoChannel::renderWaitsFor()
{
    if (m_outputEnded)
        return Changed;
    return m_rendered.beginWrite() ? InputCame | Changed : RoomMade | Changed;
}

// A stretcher prepared for a new setting starts its handover. Without a device's deadline (an
// offline render) the step waits for one being prepared, so that the change lands where it
// would be heard live. Bounded, so that a stream of requests (a slider held moving) cannot
// starve the render: a request holds it up for half a second at most, and after a change has
// landed the next wait comes only a live change's latency of audio later (changes asked for
// meanwhile land as they are ready, as live).
void TempoChannel::takeUpPreparedStretcher()
{
    while (true) {
        PreparedStretcher ready;
        if (!m_handover.placing() && m_swap.takeReady(ready)) {
            if (m_handover.pending())
                m_swap.retire(m_handover.abandon().stretcher);
            m_handover.begin(ready, m_history, m_renderPos);
            m_waitsResumeAt = m_framesRendered + m_rate * PrepareWaitSpacingMs / 1000;
            return;
        }
        // Nothing to wait for while a handover is under way: the one being prepared can only
        // be taken once it is over, and only rendering gets it over.
        if (m_deadline || m_handover.pending() || m_handover.placing() || !m_swap.preparing() ||
            m_framesRendered < m_waitsResumeAt)
            return;
        const Wakeup::Ticket ticket = m_renderWakeup.ticket();
        if (m_swap.readyWaiting())
            continue;
        const quint64 asked = m_swap.askedSerial();
        const auto now = std::chrono::steady_clock::now();
        if (asked != m_waitedFor) {
            m_waitedFor = asked;
            m_waitEnds = now + MaxPrepareWait;
        }
        if (now >= m_waitEnds)
            return;
        m_renderWakeup.waitFor(ticket, m_waitEnds - now, Changed);
    }
}

// Takes up the newest settings and makes one finished block, about 12 ms; false when the
// output ring is full, the song has ended or the decoder has not caught up. The render thread
// runs it, or offline the thread that pulls.
bool TempoChannel::renderStep()
{
    takeUpPreparedStretcher();
    if (m_effects.take(m_takenEffects))
        takeEffects(m_takenEffects);
    if (m_breath.take(m_takenBreath))
        m_countIn.set(m_takenBreath);
    const quint64 generation = m_generation.load(std::memory_order_acquire);
    if (generation != m_renderGeneration)
        restartRendering(generation);

    RenderedBlock *out = m_outputEnded ? nullptr : m_rendered.beginWrite();
    if (!out || !renderBlock(*out))
        return false;
    m_rendered.commitWrite();
    return true;
}

// Offline, on the thread that mixes: the same steps the two threads run, one after the other,
// until the output ring is full or the chain can go no further. Only the render steps flush
// denormals, as the render thread does, so that what is decoded and mixed is computed exactly
// as live.
bool TempoChannel::renderAhead()
{
    if (!m_inline)
        return m_rendered.front() != nullptr;
    while (true) {
        bool rendered = false;
        {
            DenormalsFlushedToZero flush;
            rendered = renderStep();
        }
        if (rendered)
            continue;
        if (m_outputEnded || !m_rendered.beginWrite() || !decodeStep())
            break;
    }
    return m_rendered.front() != nullptr;
}

// New settings glide in over the next blocks (see StereoBiquad and Reverb); a band added
// since starts flat and at rest.
void TempoChannel::takeEffects(const EffectSettings &effects) QUILLMERE_NONBLOCKING
{
    for (int i = m_bandCount; i < effects.bandCount; ++i)
        m_bands[i] = StereoBiquad{};
    m_bandCount = effects.bandCount;
    for (int i = 0; i < m_bandCount; ++i)
        m_bands[i].setTarget(effects.bands[i]);
    m_reverbOn = effects.hasReverb;
    m_reverb.setParams(effects.reverb);
}

// Fills the stretcher until it holds a block of output. Past the source's end it is fed
// silence, so that its pipeline empties: the last real frames come out and the song ends at
// its exact length, whatever latency the stretcher has.
void TempoChannel::feedStretcher() QUILLMERE_NONBLOCKING
{
    const int maxPadFrames = 2 * m_rate;
    while (m_stretcher->available() <
           RenderedBlock::Capacity + m_handover.framesToDrop(m_renderPos)) {
        if (m_replayFrom < m_history.end()) { // after a swap: what the old one had taken in
            int frames = 0;
            const float *stereo = m_history.read(m_replayFrom, DecodedBlock::Capacity, frames);
            m_stretcher->feed(stereo, frames);
            m_replayFrom += frames;
            continue;
        }
        if (m_inputEnded) {
            if (m_paddedFrames >= maxPadFrames)
                return;
            feed(m_silence.data(), DecodedBlock::Capacity);
            m_paddedFrames += DecodedBlock::Capacity;
            continue;
        }
        DecodedBlock *in = m_decoded.front();
        if (!in || in->generation > m_renderGeneration)
            return; // nothing yet, or a seek this thread has not taken up yet
        if (in->generation == m_renderGeneration) {
            if (m_splices.full())
                return; // the splices in the stretcher must come out before another goes in
            feed(in->samples, in->frames);
            m_splices.fed(in->sourceFrame, in->frames, in->nextFrame);
            if (in->endOfStream) {
                m_inputEnded = true;
                m_endFrame = double(m_splices.fedStream());
            }
        }
        m_decoded.pop();
        // The decoder sleeps until half the ring is free, then fills it in one go: a few
        // wakes a second instead of one per block.
        if (m_decoded.count() <= m_decoded.capacity() / 2)
            m_decoderWakeup.notify(RoomMade);
    }
}

// Everything fed is kept, for a stretcher swapped in to be run over.
void TempoChannel::feed(const float *stereo, int frames) QUILLMERE_NONBLOCKING
{
    m_history.append(stereo, frames);
    m_stretcher->feed(stereo, frames);
    m_replayFrom = m_history.end();
}

// A stretcher prepared for a new setting is run over the recent input a block at a time and
// takes over once it has caught up; false while the one swapped in has not made the frame due
// next yet.
bool TempoChannel::swapStretcher() QUILLMERE_NONBLOCKING
{
    const int budget =
        m_deadline ? StretcherHandover::PrimeFramesPerBlock : std::numeric_limits<int>::max();
    // Past the end of the input the old one plays the song out: the new one could not be
    // fed far enough to reach the frame due. It takes over at the next seek. Nor does it take
    // over while the old one has too little made to fade out (its input ran dry, as it does
    // offline, where the decoder runs only when rendering waits): a switch then would be a cut.
    const bool oldCanFade = m_stretcher->available() >= StretcherHandover::FadeFrames;
    if (m_handover.pending() && !m_inputEnded && oldCanFade &&
        m_handover.prime(m_history, m_renderPos, budget)) {
        const PreparedStretcher next = m_handover.takeOver(*m_stretcher);
        m_swap.retire(m_stretcher);
        m_stretcher = next.stretcher;
        m_renderSpeed = next.speed;
        m_renderPitch = next.pitch;
        m_ratios.reset(); // everything the new one makes is at its own ratio
        m_replayFrom = m_handover.fedUpTo();
        feedStretcher();
    }
    return m_handover.dropInto(m_renderPos);
}

// One finished block, or false when the decoder has not caught up yet. Positions here are
// stream frames (what went into the stretcher); the splice map turns them into source frames.
//
// A pause between repeats is made here, after the stretcher, rather than by feeding it
// silence: the stretcher would smear the end of the section into the pause and the pause into
// a, and its output is placed in time only to within a hop, where here the pause and its clicks
// are exact to the frame. The stretcher simply waits while the pause is rendered.
bool TempoChannel::renderBlock(RenderedBlock &out) QUILLMERE_NONBLOCKING
{
    if (m_gapDone >= 0)
        return renderGapBlock(out);
    feedStretcher();
    if (!swapStretcher())
        return false;
    if (const double from = m_splices.reach(m_renderPos); from >= 0) {
        m_renderSpliceFrom = from;
        if (m_countIn.gapFrames() > 0) {
            m_gapDone = 0;
            return renderGapBlock(out);
        }
    }
    const double ratio = m_ratios.ratio(m_renderSpeed);
    const int most =
        m_ratios.limit(m_splices.framesBeforeSplice(m_renderPos, ratio, RenderedBlock::Capacity));
    int frames = m_stretcher->retrieve(out.samples, most);
    if (frames == 0 && !m_inputEnded)
        return false;
    m_handover.crossfade(out.samples, frames);

    // The end is judged by the source frames consumed, not by what the stretcher emits.
    out.last = frames == 0;
    double end = m_endFrame;
    if (end < 0 && m_lengthFrames >= 0)
        end = m_splices.toStream(double(m_lengthFrames));
    if (end >= 0 && !m_splices.pendingBefore(end)) {
        const double left = (end - m_renderPos) / ratio;
        if (frames >= left) {
            frames = std::clamp(int(std::ceil(left)), 0, frames);
            out.last = true;
        }
    }
    fadeAroundGap(out.samples, frames);
    applyEffectsAndPan(out.samples, frames);
    out.generation = m_renderGeneration;
    out.sourceFrame = m_splices.toSource(m_renderPos);
    out.sourceFramesPerFrame = ratio;
    out.frames = frames;
    out.spliceFrom = m_renderSpliceFrom;
    m_renderSpliceFrom = -1;
    m_renderPos += frames * ratio;
    m_framesRendered += frames;
    m_ratios.consumed(frames);
    m_outputEnded = out.last;
    return true;
}

// One block of the pause before a repeat: silence through the effects, so that a reverb's
// tail rings on into it, and the count-in on top, untouched by them. It stands for no source
// time at all: the position holds at a until the section is heard again.
bool TempoChannel::renderGapBlock(RenderedBlock &out) QUILLMERE_NONBLOCKING
{
    const int frames = std::min(m_countIn.gapFrames() - m_gapDone, RenderedBlock::Capacity);
    if (frames <= 0) { // the pause was shortened under way
        m_gapDone = -1;
        m_fadeInDone = 0;
        return renderBlock(out);
    }
    std::fill(out.samples, out.samples + 2 * frames, 0.0f);
    applyEffectsAndPan(out.samples, frames);
    m_countIn.addTo(out.samples, m_gapDone, frames);
    out.generation = m_renderGeneration;
    out.sourceFrame = m_splices.toSource(m_renderPos);
    out.sourceFramesPerFrame = 0;
    out.frames = frames;
    out.last = false;
    out.spliceFrom = m_renderSpliceFrom;
    m_renderSpliceFrom = -1;
    m_gapDone += frames;
    if (m_gapDone >= m_countIn.gapFrames()) {
        m_gapDone = -1;
        m_fadeInDone = 0;
    }
    return true;
}

// With a pause set, the end of each repeat fades out into it and a fades in after it, so that
// neither edge clicks. Without one the crossfade of the loop joins them and nothing is faded.
void TempoChannel::fadeAroundGap(float *stereo, int frames) QUILLMERE_NONBLOCKING
{
    if (m_countIn.gapFrames() == 0) {
        m_fadeInDone = GapFadeFrames;
        return;
    }
    const int toSplice = m_splices.framesBeforeSplice(m_renderPos, m_ratios.ratio(m_renderSpeed),
                                                      std::numeric_limits<int>::max());
    if (m_fadeInDone >= GapFadeFrames && toSplice > frames + GapFadeFrames)
        return;
    const auto rise = [](int n) {
        const double t = (std::clamp(n, 0, GapFadeFrames - 1) + 0.5) / GapFadeFrames;
        const double s = std::sin(t * std::numbers::pi / 2);
        return float(s * s);
    };
    for (int i = 0; i < frames; ++i) {
        float gain = 1.0f;
        if (m_fadeInDone < GapFadeFrames)
            gain *= rise(m_fadeInDone++);
        if (toSplice - i <= GapFadeFrames)
            gain *= rise(toSplice - i - 1);
        stereo[2 * i] *= gain;
        stereo[2 * i + 1] *= gain;
    }
}

void TempoChannel::applyEffectsAndPan(float *stereo, int frames) QUILLMERE_NONBLOCKING
{
    StereoBiquad::processChain(m_bands.data(), m_bandCount, stereo, frames);
    if (m_reverbOn)
        m_reverb.process(stereo, frames);
    applyPan(stereo, frames);
    // Last, so that whatever the boosts add up to, what leaves the channel stays within full
    // scale, live and rendered alike. Here rather than in the mixer: the render thread has
    // time to spare where the output callback has none.
    m_limiter.process(stereo, frames);
}

// Panning turns the far side down and leaves the near side as it is. A change is ramped
// across the block, so that dragging the balance does not zipper.
void TempoChannel::applyPan(float *stereo, int frames) QUILLMERE_NONBLOCKING
{
    const float pan = m_pan.load(std::memory_order_relaxed);
    m_leftGain.setTarget(pan > 0 ? 1 - pan : 1);
    m_rightGain.setTarget(pan < 0 ? 1 + pan : 1);
    if (m_leftGain.steady() && m_rightGain.steady()) {
        const float left = m_leftGain.value(), right = m_rightGain.value();
        if (left == 1 && right == 1)
            return; // centred: costs nothing
        for (int i = 0; i < frames; ++i) {
            stereo[2 * i] *= left;
            stereo[2 * i + 1] *= right;
        }
        return;
    }
    for (int i = 0; i < frames; ++i) {
        stereo[2 * i] *= m_leftGain.next();
        stereo[2 * i + 1] *= m_rightGain.next();
    }
}

} // namespace quillmere::audio
