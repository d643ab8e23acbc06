#pragma once

// Threads: every public function may be called from the UI thread and from end-of-stream
// notifications on the event thread; one lock serialises them. Notifications run on the event
// thread without that lock held, so they may call back in. Lock order: the back end's lock,
// then nothing else (the audio threads never take it).

#include "audio/AudioTypes.h"
#include "audio/plugins/PluginHost.h"
#include "audio/stretch/Stretcher.h"

#include <QString>

#include <functional>
#include <memory>

namespace quillmere::audio {

// The audio back end: decoding streams, tempo channels with their effects, playback on one
// output device, end-of-stream notifications and FFT data. Handles are never reused within a
// run; 0 means failure, and lastError() says why (for the calling thread).
class AudioBackend {
public:
    // Changes whenever a caller must be rebuilt against a changed contract.
    static constexpr quint32 Version = 0x00010000;
    using EndCallback = std::function<void(Handle notification, Handle channel)>;

    AudioBackend();
    ~AudioBackend(); // free()
    AudioBackend(const AudioBackend &) = delete;
    AudioBackend &operator=(const AudioBackend &) = delete;

    static ErrorCode lastError();

    // Opens the output device: "default", "null" or "file:PATH.wav"; an empty spec takes
    // QUILLMERE_AUDIO_OUTPUT, else "default".
    bool init(const QString &outputSpec = {});
    // Stops the output and releases every channel.
    void free();
    // True once after the output device broke and could not be opened again; the playing
    // channels were stopped then. The next play() tries to open the device again, and once it
    // succeeds the loss is no longer reported.
    bool takeOutputLoss();
    bool isInitialised() const;
    // The rate the output device runs at, and with it the sound of every channel made since;
    // positions stay counted at OutputRate. 44100 Hz before init() and offline.
    int deviceRate() const;
    void setStretcherKind(Stretcher::Kind kind);

    // Loads the decoder plug-ins of a folder; returns how many were loaded. They stay loaded
    // until the back end is destroyed.
    int loadPlugins(const QString &folder);
    std::vector<PluginFormat> pluginFormats() const;

    // Decoding streams (sources): not playable themselves; a tempo channel takes one over.
    // openFile tries the built-in decoders, then the plug-ins.
    Handle openFile(const QString &path);
    Handle openModule(const QString &path);
    // A decoding stream of one audio track (0-based) of a CD drive or disc image.
    Handle openCdTrack(const QString &drivePath, int track);
    // A tempo channel over a source; freeing the channel frees the source with it.
    Handle createTempoChannel(Handle source);
    bool freeChannel(Handle channel);

    bool channelInfo(Handle channel, ChannelInfo &info) const;
    qint64 lengthBytes(Handle channel) const;   // -1 when unknown or on failure
    qint64 positionBytes(Handle channel) const; // what is heard now; -1 on failure
    bool setPositionBytes(Handle channel, qint64 bytes);
    // Repeats [a, b) of the channel's song without a gap: at b the stream goes on at a, with a
    // short crossfade, and every repeat lasts exactly b - a. The reported position jumps back
    // when the wrap is heard. b past the end is taken as the end; a range of less than about
    // 30 ms fails (InvalidParameter). Clearing lets the song play on past b.
    bool setLoopRange(Handle channel, qint64 aBytes, qint64 bBytes);
    bool clearLoopRange(Handle channel);
    // A pause of pauseMs (0-5000; 0 = none) before each repeat of the loop range, and in it a
    // count-in of `clicks` (0-8) clicks beatMs apart (at least 100), the last one a beat before
    // a is heard. A pause too short for them fits them evenly into it. The position holds at a
    // through the pause. Out of range: InvalidParameter.
    bool setLoopBreath(Handle channel, int pauseMs, int clicks, int beatMs);

    // Tempo change in percent (0 = the song's own) and pitch in semitones; -100 keeps either.
    bool setTempo(Handle channel, float tempoPercent, float pitchSemitones);
    // Before the channel first plays: its speed and pitch stay as they are for good (an
    // offline render with fixed settings); setTempo() then refuses a change (NotAvailable). At
    // the song's own speed and pitch the sound then skips the stretcher and passes unchanged.
    bool holdTempo(Handle channel);
    bool setPan(Handle channel, float pan); // -100 left only .. 100 right only

    Handle addEqualizer(Handle channel);
    Handle addReverb(Handle channel);
    bool equalizerParams(Handle effect, EqualizerParams &params) const;
    bool setEqualizerParams(Handle effect, const EqualizerParams &params);
    bool reverbParams(Handle effect, ReverbParams &params) const;
    bool setReverbParams(Handle effect, const ReverbParams &params);

    // Runs on the event thread once each time the channel plays to its end.
    Handle setEndNotification(Handle channel, EndCallback callback);
    bool removeEndNotification(Handle notification);

    bool play(Handle channel, bool restart);
    bool pause(Handle channel);
    bool stop(Handle channel);
    ActiveState activeState(Handle channel) const;

    // With the "offline" device: renders the next frames of every playing channel on the
    // calling thread (offline, channels have no threads of their own). Returns the frames the
    // channels had (fewer than asked only at the end of the songs), or -1 with any other
    // device (NotAvailable) or when a playing channel can deliver nothing more (Stalled).
    int renderOffline(float *stereo, int frames);

    // How many NaN or infinite samples the channel's decoder delivered so far; they were
    // played as silence. -1 for an unknown handle.
    qint64 nonFiniteSamples(Handle channel) const;

    // 512 magnitudes of the newest 1024 frames the channel played; returns the bytes those
    // frames stand for (4096), or -1.
    qint64 fft1024(Handle channel, float *magnitudes);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace quillmere::audio
