#pragma once

#include "audio/AudioTypes.h"

#include <QString>

#include <memory>

namespace quillmere::audio {

class Wakeup;

// What the device is playing now, in the frames it has asked render() for (counted from its
// first call, never reset): the frame leaving the speaker, and how many frames already
// rendered are still on their way there.
struct OutputClock {
    double heardFrame = 0;
    double queuedFrames = 0;
};

// Where the mixed sound goes. The device calls render() from its own real-time thread with
// interleaved stereo float frames at sampleRate() to fill; firstFrame numbers the first of them.
class OutputDevice {
public:
    using RenderFunction = void (*)(void *context, float *stereo, int frames, qint64 firstFrame);

    virtual ~OutputDevice() = default;
    // False when the device cannot be opened; then nothing runs.
    virtual bool start(RenderFunction render, void *context) = 0;
    virtual void stop() = 0;
    // Nothing is to be heard for now (the owner has let everything it rendered play out as
    // silence): the device stops calling render() and its threads sleep, until resume(). The
    // frames keep their numbers across the rest. The owner's thread, under its lock.
    virtual void rest() {}
    // render() is called again. False when the device cannot run again; it then counts as
    // lost, and the next start() tries it anew.
    virtual bool resume() { return true; }
    // Before start(): told whenever the device is lost, so that nobody need poll lost().
    virtual void setLossWakeup(Wakeup *) {}
    // Time from render() to the speaker, as the device reports it.
    virtual double latencySeconds() const = 0;
    // Any thread. Meaningless for "offline", where the owner knows what it pulled.
    virtual OutputClock clock() const = 0;
    // True for "offline": nothing calls render(); the owner pulls.
    virtual bool isOffline() const { return false; }
    // True once the device broke and could not be opened again; the next start() tries anew.
    virtual bool lost() const { return false; }
    // The rate the device runs at, fixed by the first start() that succeeds; channels made
    // afterwards render at it, so nothing downstream resamples again.
    virtual int sampleRate() const { return OutputRate; }
};

// The "offline" device: no thread, no clock.
class OfflineOutput final : public OutputDevice {
public:
    bool start(RenderFunction, void *) override { return true; }
    void stop() override {}
    double latencySeconds() const override { return 0.0; }
    OutputClock clock() const override { return {}; }
    bool isOffline() const override { return true; }
};

// "default" (the system's default device through PortAudio, at its sink's own rate), "null" (a
// real-time clock and no sound), "file:PATH.wav" (writes what would be played, in real time) or
// "offline" (no clock at all: the owner pulls the sound, for rendering to files and for
// measurements, at 44100 Hz). "null" and "file:" run at 44100 Hz, or at the rate given after an
// "@" at the end ("null@48000", "file:out.wav@48000"), to stand in for a device of that rate.
// Unknown names give nullptr.
std::unique_ptr<OutputDevice> makeOutputDevice(const QString &spec);

} // namespace quillmere::audio
