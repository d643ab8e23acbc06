#pragma once

#include "engine/MixerControl.h"

#include <pulse/volume.h>

#include <cstdint>

struct pa_context;
struct pa_io_event;
struct pa_mainloop;
struct pa_operation;

namespace quillmere::engine {

// The volume of the sound server's default sink (PulseAudio, or PipeWire's pulse server),
// shown as a 0..65535 control; see PulseMixer.cpp for the mapping.
//
// A private, non-threaded libpulse main loop that runs only inside Lookup, Write and Watch, each
// bounded by its deadline: a server that hangs costs the caller no more than that. The
// connection is kept between calls and made again when it broke or timed out; on it the
// server tells of every change to its sinks and its default sink, which Watch waits for.
// One thread calls everything but Interrupt, which any thread may call.
class PulseMixer final : public MixerControl {
public:
    PulseMixer();
    ~PulseMixer() override;
    PulseMixer(const PulseMixer &) = delete;
    PulseMixer &operator=(const PulseMixer &) = delete;

    MixerLookup Lookup(MixerReading &reading, MixerDeadline deadline) override;
    bool Write(quint32 raw, MixerDeadline deadline) override;

    // Whether the server tells this connection of its changes.
    bool Subscribed() const { return m_subscribed; }
    // Sleeps until the server tells of a change (if Subscribed), Interrupt() is called, or
    // `until`; true when woken by a change or Interrupt().
    bool Watch(MixerDeadline until);
    // Any thread: ends the Watch under way, or the next one, at once.
    void Interrupt();

private:
    enum class Wait { Done, Failed, TimedOut };

    MixerLookup connect(MixerDeadline deadline);
    void subscribe();
    void disconnect();
    template <typename Done>
    Wait runUntil(Done done, MixerDeadline deadline);
    // Runs the loop until op completes; on a failure or time-out, drops the connection.
    Wait finish(pa_operation *op, MixerDeadline deadline);

    pa_mainloop *m_loop = nullptr;
    pa_context *m_context = nullptr;
    int m_interruptFd = -1; // an eventfd in the loop: Interrupt() writes it, the loop drains it
    pa_io_event *m_interruptEvent = nullptr;
    bool m_interrupted = false; // set by the loop on the watching thread
    bool m_changed = false;     // the server told of a change since the last Lookup
    bool m_subscribed = false;

    // Filled by the sink-info callback of the last Lookup; Write scales these channels.
    bool m_sinkFound = false;
    uint32_t m_sinkIndex = 0;
    pa_cvolume m_sinkVolume{};
};

} // namespace quillmere::engine
