#pragma once

// Threads: the public functions run on the UI or event thread, under the back end's lock;
// decodeLoop() runs on the channel's decoder thread, renderLoop() on its render thread, and
// mixInto() on the output callback. They meet only through the two block rings, the tap ring
// and atomics; nothing here takes a lock. The decoder and the render thread sleep on a Wakeup
// each whenever they can do nothing, until the side they wait for has made room, brought
// input or changed a setting. Offline there are no such threads: the one thread that pulls
// runs renderAhead() and mixInto(), and with them the decoder's and the render thread's steps.

#include "audio/AudioTypes.h"
#include "audio/core/BlockRing.h"
#include "audio/core/Blocks.h"
#include "audio/core/InputHistory.h"
#include "audio/core/LoopReader.h"
#include "audio/core/OutputFade.h"
#include "audio/core/PlayedMarks.h"
#include "audio/core/RatioPipeline.h"
#include "audio/core/Realtime.h"
#include "audio/core/SpliceMap.h"
#include "audio/core/StretcherHandover.h"
#include "audio/core/TapRing.h"
#include "audio/core/Wakeup.h"
#include "audio/decoders/Decoder.h"
#include "audio/dsp/Biquad.h"
#include "audio/dsp/CountInClicks.h"
#include "audio/dsp/GainRamp.h"
#include "audio/dsp/PeakLimiter.h"
#include "audio/dsp/Reverb.h"
#include "audio/stretch/Stretcher.h"
#include "audio/stretch/StretcherSwap.h"

#include <array>
#include <atomic>
#include <chrono>
#include <thread>

namespace quillmere::audio {

// The effects of a channel as one value, handed to the render thread whole.
struct EffectSettings {
    static constexpr int MaxBands = 8;
    int bandCount = 0;
    std::array<BiquadCoefficients, MaxBands> bands{};
    bool hasReverb = false;
    ReverbParams reverb;
};

// A playable channel: a decoder (already stereo at the channel's rate) read ahead on its own
// thread, and a render thread running tempo and pitch, equaliser, reverb and pan into a short
// output ring that the output callback mixes.
//
// The sound runs at rate() (the device's, so that nothing resamples it again); positions and
// lengths in the public functions are counted at OutputRate, like every position of the back
// end. Inside, every frame count is at rate().
class TempoChannel {
public:
    TempoChannel(DecoderPtr source, Stretcher::Kind kind, int rate = OutputRate);
    ~TempoChannel(); // stops and joins the threads

    const SourceInfo &info() const { return m_info; }
    int rate() const { return m_rate; }
    qint64 lengthFrames() const { return m_lengthFrames < 0 ? -1 : toPosition(m_lengthFrames); }

    // UI thread.
    // Starts the threads on first use; for a real-time device they ask for real-time priority
    // (an offline render has no deadline to keep and runs at normal priority).
    void start(bool realTimePriority = false);
    // Offline instead: no threads; whoever mixes the channel drives it with renderAhead().
    void startInline();
    // Before the start: told (from the output callback) whenever the song has ended or a fade
    // out has finished, so that whoever watches for them need not look.
    void setEventWakeup(Wakeup *events) { m_events = events; }
    void setTempoAndPitch(double speed, double pitchScale);
    // Before the start: speed and pitch will stay as they are now. At the song's own speed and
    // pitch the stretcher is then left out and the sound passes unchanged. False once started.
    bool holdTempoAndPitch();
    void setPan(float pan); // -1 left only .. 1 right only
    void setEffects(const EffectSettings &effects) { m_effects.publish(effects); }
    void seek(qint64 frame);
    // Repeats [a, b) of the source seamlessly from the next block the decoder reads; an
    // inactive range (b <= a) lets the song play on. Ranges shorter than
    // LoopReader::MinLoopFrames are not taken.
    void setLoop(qint64 a, qint64 b);
    // A pause before each repeat of the loop, with a count-in in it; a gap of 0 repeats at once.
    void setBreath(const BreathSettings &breath) { m_breath.publish(breath); }
    // heardFrame is the output frame leaving the speaker now, in the numbering mixInto() gets.
    // True when the decoder has already wrapped past what is heard: the audio on its way out
    // still follows a loop that was changed since.
    bool wrapAhead(double heardFrame) const;
    // The source position of that frame, with the ratio it was rendered at.
    qint64 positionFrames(double heardFrame) const;
    // The source position after everything mixed so far: where the song stands once the
    // device's buffers have played out.
    qint64 mixedPositionFrames() const;

    enum class State { Stopped, Playing, Paused };
    void setState(State state);
    State state() const { return m_state.load(std::memory_order_acquire); }
    bool stalled() const { return m_stalled.load(std::memory_order_relaxed); }
    // Event thread: true once per end of the song.
    bool takeEnded() { return m_endPending.exchange(false, std::memory_order_acq_rel); }
    const TapRing &tap() const { return m_tap; }

    // True while the channel plays or still fades out after a pause, stop or seek.
    bool audible() const
    {
        return state() == State::Playing || m_audible.load(std::memory_order_acquire);
    }

    // Output callback: adds up to `frames` frames to mix, returns how many it had. outputFrame
    // is the device's number for the first of them; the marks of what was played refer to it.
    // realTime: a device's callback, whose buffer plays whether filled or not (an offline pull
    // waits for the audio instead).
    int mixInto(float *mix, int frames, qint64 outputFrame,
                bool realTime = true) QUILLMERE_NONBLOCKING;
    // Offline, before mixInto() on the same thread: runs the chain until the output ring is
    // full or it can go no further. True when finished audio waits to be mixed.
    bool renderAhead();

private:
    // What the decoder and the render thread wait for when they sleep.
    enum WakeReason : unsigned {
        RoomMade = 1,  // the ring they write has room again
        InputCame = 2, // the render thread's input ring has a block
        Changed = 4,   // a seek, a loop, a setting, a state or the end of the threads
    };

    // Between position frames (OutputRate) and the frames the sound runs at.
    qint64 fromPosition(qint64 frame) const;
    qint64 toPosition(double frame) const;

    void takeFirstStretcher();
    void takeUpPreparedStretcher();
    void decodeLoop();
    void renderLoop();
    bool decodeStep();
    bool renderStep();
    unsigned renderWaitsFor();
    void wakeThreads();
    bool renderBlock(RenderedBlock &out) QUILLMERE_NONBLOCKING;
    bool renderGapBlock(RenderedBlock &out) QUILLMERE_NONBLOCKING;
    void fadeAroundGap(float *stereo, int frames) QUILLMERE_NONBLOCKING;
    void feedStretcher() QUILLMERE_NONBLOCKING;
    bool swapStretcher() QUILLMERE_NONBLOCKING;
    void feed(const float *stereo, int frames) QUILLMERE_NONBLOCKING;
    void applyEffectsAndPan(float *stereo, int frames) QUILLMERE_NONBLOCKING;
    void applyPan(float *stereo, int frames) QUILLMERE_NONBLOCKING;
    int mixBlock(const RenderedBlock &block, float *mix, int frames, qint64 at,
                 bool playing) QUILLMERE_NONBLOCKING;
    void restartRendering(quint64 generation);
    void endSong(qint64 outputFrame, double end, quint64 generation) QUILLMERE_NONBLOCKING;
    void publishAudible(bool ended) QUILLMERE_NONBLOCKING;
    void takeEffects(const EffectSettings &effects) QUILLMERE_NONBLOCKING;

    DecoderPtr m_source;
    int m_rate;
    SourceInfo m_info;
    qint64 m_lengthFrames;
    StretcherSwap m_swap;
    std::unique_ptr<Stretcher> m_passThrough; // a held render at the song's own speed and pitch
    Stretcher *m_stretcher = nullptr;         // the one playing, owned by m_swap or the above

    BlockRing<DecodedBlock> m_decoded{44};  // about a second
    BlockRing<RenderedBlock> m_rendered{6}; // about 70 ms: short, so changes are heard soon
    TapRing m_tap;

    std::atomic<bool> m_running{false};
    bool m_inline = false;    // offline: no threads; set before the first step
    bool m_ratioHeld = false; // UI thread, before the start
    std::thread m_decoderThread;
    std::thread m_renderThread;
    Wakeup m_decoderWakeup;
    Wakeup m_renderWakeup;
    Wakeup *m_events = nullptr;

    // Seeking: the target, then a new generation; blocks of older generations are dropped.
    std::atomic<qint64> m_seekFrame{0};
    std::atomic<quint64> m_generation{0};

    LatestValue<LoopRange> m_loop;
    // The decoder's generation (high bits) and the wraps it made in it (low bits).
    static constexpr int WrapBits = 20;
    std::atomic<quint64> m_decodedWraps{0};
    quint64 m_loopEpoch = 0; // UI thread

    std::atomic<double> m_speed{1.0};
    std::atomic<double> m_pitchScale{1.0};
    std::atomic<float> m_pan{0.0f};
    LatestValue<EffectSettings> m_effects;
    LatestValue<BreathSettings> m_breath;

    std::atomic<State> m_state{State::Stopped};
    std::atomic<bool> m_stalled{false};
    std::atomic<bool> m_audible{false}; // the callback still has a fade to play
    std::atomic<bool> m_endPending{false};

    // Written by the output callback, one per block begun: what each output frame played.
    PlayedMarks m_marks;

    // Decoder thread only.
    LoopReader m_reader;
    quint64 m_decodeGeneration = ~quint64(0);
    bool m_decodeEnded = false;
    bool m_seekFailed = false;
    quint64 m_decodeWraps = 0;
    LoopRange m_decodeLoop;

    // Render thread only.
    EffectSettings m_takenEffects;
    BreathSettings m_takenBreath;
    quint64 m_renderGeneration = ~quint64(0);
    double m_renderPos = 0;
    double m_renderSpeed = 1.0;
    double m_renderPitch = 1.0;
    bool m_inputEnded = false; // the source has ended; silence follows to flush the stretcher
    bool m_outputEnded = false;
    double m_endFrame = -1; // where the source really ended, once known (stream frames)
    SpliceMap m_splices;
    RatioPipeline m_ratios;
    double m_renderSpliceFrom = -1; // a splice reached, for the next finished block
    int m_paddedFrames = 0;
    InputHistory m_history;
    qint64 m_replayFrom = 0; // history the stretcher swapped in has not taken in yet
    StretcherHandover m_handover;
    // Without a device's deadline (an offline render) a change is made in one go: the
    // render thread waits for the stretcher being prepared and runs it over the history at
    // once, so that the change lands where it would be heard live.
    bool m_deadline = false;
    quint64 m_waitedFor = 0; // offline: the request whose stretcher was last waited for
    std::chrono::steady_clock::time_point m_waitEnds;
    qint64 m_framesRendered = 0; // output frames made, across seeks
    qint64 m_waitsResumeAt = 0;  // offline: no wait for a stretcher before this many
    std::array<float, DecodedBlock::Capacity * 2> m_silence{};
    std::array<StereoBiquad, EffectSettings::MaxBands> m_bands;
    int m_bandCount = 0;
    Reverb m_reverb;
    bool m_reverbOn = false;
    GainRamp m_leftGain;
    GainRamp m_rightGain;
    PeakLimiter m_limiter;
    // The pause between repeats: frames of it rendered so far, -1 outside one; then the fade
    // back in.
    static constexpr int GapFadeFrames = 256; // about 6 ms
    CountInClicks m_countIn;
    int m_gapDone = -1;
    int m_fadeInDone = GapFadeFrames;

    // Output callback only.
    int m_blockOffset = 0;
    quint64 m_mixGeneration = 0;
    quint64 m_heardGeneration = ~quint64(0); // the newest generation any audio was mixed of
    quint64 m_wrapsHeard = 0;
    qint64 m_nextOutputFrame = -1; // after the last frame mixed: a gap there needs a new mark
    qint64 m_markFrames = 0;       // frames the newest mark covers
    OutputFade m_fade;
    bool m_fadeHeard = false; // as last published in m_audible
};

} // namespace quillmere::audio
