#pragma once

#include <chrono>
#include <memory>

namespace quillmere::engine {
class AlsaMixer;
class MixerControl;
class PulseMixer;
struct MixerReading;
} // namespace quillmere::engine

// The master volume of the system's default output as a percentage 0..100: the default sink of
// the sound server (PulseAudio or PipeWire), or else the "Master" control of the ALSA mixer.
// Nothing is opened before the first call; each call looks the control up afresh, so a volume
// changed elsewhere shows at the next call. A call never blocks for more than about half a
// second, even when the server hangs. No server, no sink or no control: GetVolume gives -1 and
// SetVolume false, and nothing is shown or printed. One thread at a time (but Interrupt): the
// windows reach it through VolumeWatcher, whose worker is the only caller.
class TLxVolume {
public:
    TLxVolume();
    ~TLxVolume();
    TLxVolume(const TLxVolume &) = delete;
    TLxVolume &operator=(const TLxVolume &) = delete;

    int GetVolume();
    // percent is not clamped; callers pass slider positions 0..100.
    bool SetVolume(int percent);

    // Sleeps until the volume may have changed: the sound server tells of every change to its
    // sinks, so with one this waits for that; without one (ALSA, or nothing found) it waits
    // `poll`, after which the caller reads again. True when the server tells of changes,
    // false when only the time told. Interrupt() ends it early.
    bool WaitForChange(std::chrono::milliseconds poll);
    // Any thread: ends a WaitForChange under way, or the next one, at once.
    void Interrupt();

private:
    quillmere::engine::MixerControl *lookup(quillmere::engine::MixerReading &reading,
                                            std::chrono::steady_clock::time_point deadline);

    std::unique_ptr<quillmere::engine::PulseMixer> m_pulse;
    std::unique_ptr<quillmere::engine::AlsaMixer> m_alsa;
};
