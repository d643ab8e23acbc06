#pragma once

#include <QString>

#include <memory>

namespace quillmere::audio {

// Changes tempo and pitch independently, on interleaved stereo float frames at the rate it was
// made for.
// Set up on any thread; afterwards used by one render thread only. Once set up, no call
// allocates, locks or waits for blocks of at most maxBlockFrames().
class Stretcher {
public:
    enum class Kind { RubberBand, SoundTouch };

    virtual ~Stretcher() = default;

    // speed: 1 = the song's own tempo, 0.5 = half speed; pitchScale: 2 = an octave up.
    virtual void setSpeedAndPitch(double speed, double pitchScale) = 0;
    // The speed this stretcher can safely run at with this pitch (the asked one, or less).
    virtual double supportedSpeed(double speed, double /*pitchScale*/) const { return speed; }
    // Forgets all audio, as after a seek. The output that follows is aligned with the input
    // that follows: output frame n sounds source frame n x speed.
    virtual void reset() = 0;
    // Feeds at most maxBlockFrames() frames. To flush at the end of a source, feed silence.
    virtual void feed(const float *stereo, int frames) = 0;
    // Frames that retrieve() can return now.
    virtual int available() = 0;
    virtual int retrieve(float *stereo, int maxFrames) = 0;
    // Output frames already made inside the stretcher beyond what available() gives: made at
    // the ratio in force when they were, whatever the ratio is when they come out.
    virtual int outputDelay() const = 0;

    static constexpr int maxBlockFrames() { return 1024; }
};

std::unique_ptr<Stretcher> makeStretcher(Stretcher::Kind kind, int rate = 44100);
// "rubberband" (also the fallback for anything unknown) or "soundtouch".
Stretcher::Kind stretcherKindFromName(const QString &name);

} // namespace quillmere::audio
