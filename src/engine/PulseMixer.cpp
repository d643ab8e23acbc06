#include "engine/PulseMixer.h"

#include <pulse/context.h>
#include <pulse/introspect.h>
#include <pulse/mainloop.h>
#include <pulse/subscribe.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <climits>

// The sink volume runs from 0 (silence) to PA_VOLUME_NORM (65536, the sink at 100 %) and may go
// above that (amplification). The percent arithmetic wants a 0..65535 control, the range of the
// usual hardware mixers, so the server's volume is scaled by 65535 / 65536 to the nearest step:
// 100 % stays 100 %, and a percentage written and read back comes back unchanged. Volumes above
// PA_VOLUME_NORM show as the top of the control (100 %).

namespace quillmere::engine {

namespace {

constexpr quint32 ControlMaximum = 65535;

quint32 controlFromServer(pa_volume_t volume)
{
    const quint64 v = std::min<quint64>(volume, PA_VOLUME_NORM);
    return quint32((v * ControlMaximum + PA_VOLUME_NORM / 2) / PA_VOLUME_NORM);
}

pa_volume_t serverFromControl(quint32 raw)
{
    const quint64 c = std::min<quint64>(raw, ControlMaximum);
    return pa_volume_t((c * PA_VOLUME_NORM + ControlMaximum / 2) / ControlMaximum);
}

bool contextGone(pa_context *context)
{
    const pa_context_state_t state = pa_context_get_state(context);
    return state == PA_CONTEXT_FAILED || state == PA_CONTEXT_TERMINATED;
}

} // namespace

// The loop and its interrupt are made at once, so that Interrupt() may come from another
// thread at any time; the connection waits for the first call.
PulseMixer::PulseMixer()
    : m_loop(pa_mainloop_new()), m_interruptFd(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC))
{
    if (!m_loop || m_interruptFd < 0)
        return;
    auto onInterrupt = [](pa_mainloop_api *, pa_io_event *, int fd, pa_io_event_flags_t,
                          void *self) {
        eventfd_t count = 0;
        ::eventfd_read(fd, &count);
        static_cast<PulseMixer *>(self)->m_interrupted = true;
    };
    pa_mainloop_api *api = pa_mainloop_get_api(m_loop);
    m_interruptEvent = api->io_new(api, m_interruptFd, PA_IO_EVENT_INPUT, onInterrupt, this);
}

PulseMixer::~PulseMixer()
{
    disconnect();
    if (m_interruptEvent)
        pa_mainloop_get_api(m_loop)->io_free(m_interruptEvent);
    if (m_loop)
        pa_mainloop_free(m_loop);
    if (m_interruptFd >= 0)
        ::close(m_interruptFd);
}

void PulseMixer::Interrupt()
{
    if (m_interruptFd >= 0)
        ::eventfd_write(m_interruptFd, 1);
}

template <typename Done>
PulseMixer::Wait PulseMixer::runUntil(Done done, MixerDeadline deadline)
{
    using namespace std::chrono;
    while (!done()) {
        if (m_context && contextGone(m_context))
            return Wait::Failed;
        const auto left = duration_cast<microseconds>(deadline - steady_clock::now()).count();
        if (left <= 0)
            return Wait::TimedOut;
        if (pa_mainloop_prepare(m_loop, int(std::min<qint64>(left, INT_MAX))) < 0 ||
            pa_mainloop_poll(m_loop) < 0 || pa_mainloop_dispatch(m_loop) < 0)
            return Wait::Failed;
    }
    return Wait::Done;
}

MixerLookup PulseMixer::connect(MixerDeadline deadline)
{
    if (m_context && pa_context_get_state(m_context) == PA_CONTEXT_READY)
        return MixerLookup::Found;
    disconnect();
    if (!m_loop)
        return MixerLookup::NoServer;
    m_context = pa_context_new(pa_mainloop_get_api(m_loop), "Quillmere");
    if (!m_context)
        return MixerLookup::NoServer;
    // Never start a server of our own: a volume slider must not bring up a sound server.
    if (pa_context_connect(m_context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
        disconnect();
        return MixerLookup::NoServer;
    }
    const Wait wait =
        runUntil([this] { return pa_context_get_state(m_context) == PA_CONTEXT_READY; }, deadline);
    if (wait == Wait::Done) {
        subscribe();
        return MixerLookup::Found;
    }
    disconnect();
    return wait == Wait::TimedOut ? MixerLookup::TimedOut : MixerLookup::NoServer;
}

// The sinks (a volume, a mute, a sink that comes or goes) and the server (another default
// sink): every change that can move the volume shown. The answer is not waited for; the
// events simply start coming.
void PulseMixer::subscribe()
{
    auto onEvent = [](pa_context *, pa_subscription_event_type_t, uint32_t, void *self) {
        static_cast<PulseMixer *>(self)->m_changed = true;
    };
    pa_context_set_subscribe_callback(m_context, onEvent, this);
    const auto mask =
        pa_subscription_mask_t(PA_SUBSCRIPTION_MASK_SINK | PA_SUBSCRIPTION_MASK_SERVER);
    if (pa_operation *op = pa_context_subscribe(m_context, mask, nullptr, nullptr)) {
        pa_operation_unref(op);
        m_subscribed = true;
    }
}

bool PulseMixer::Watch(MixerDeadline until)
{
    if (!m_loop)
        return false;
    const Wait wait =
        runUntil([this] { return m_interrupted || (m_subscribed && m_changed); }, until);
    // A server that went away is a change too: the next reading finds it gone.
    const bool woken = m_interrupted || m_changed || wait == Wait::Failed;
    m_interrupted = false;
    if (wait == Wait::Failed)
        disconnect();
    return woken;
}

void PulseMixer::disconnect()
{
    m_subscribed = false;
    if (!m_context)
        return;
    pa_context_disconnect(m_context);
    pa_context_unref(m_context);
    m_context = nullptr;
}

PulseMixer::Wait PulseMixer::finish(pa_operation *op, MixerDeadline deadline)
{
    if (!op) {
        disconnect();
        return Wait::Failed;
    }
    const Wait wait =
        runUntil([op] { return pa_operation_get_state(op) != PA_OPERATION_RUNNING; }, deadline);
    // A cancelled operation never calls back, so its callback's data may go out of scope.
    if (wait != Wait::Done)
        pa_operation_cancel(op);
    pa_operation_unref(op);
    if (wait != Wait::Done)
        disconnect();
    return wait;
}

MixerLookup PulseMixer::Lookup(MixerReading &reading, MixerDeadline deadline)
{
    const MixerLookup connected = connect(deadline);
    if (connected != MixerLookup::Found)
        return connected;
    m_changed = false; // what this reading shows; a change told from now on wakes Watch
    m_sinkFound = false;
    auto onSink = [](pa_context *, const pa_sink_info *info, int eol, void *self) {
        auto *mixer = static_cast<PulseMixer *>(self);
        if (eol != 0 || !info)
            return; // the end of the list, or an error such as "no such sink"
        mixer->m_sinkFound = true;
        mixer->m_sinkIndex = info->index;
        mixer->m_sinkVolume = info->volume;
    };
    const Wait wait = finish(
        pa_context_get_sink_info_by_name(m_context, "@DEFAULT_SINK@", onSink, this), deadline);
    if (wait != Wait::Done)
        return wait == Wait::TimedOut ? MixerLookup::TimedOut : MixerLookup::NoServer;
    if (!m_sinkFound || !pa_cvolume_valid(&m_sinkVolume))
        return MixerLookup::NoControl;
    reading.range = VolumeRange{0, ControlMaximum};
    reading.value = controlFromServer(pa_cvolume_max(&m_sinkVolume));
    return MixerLookup::Found;
}

bool PulseMixer::Write(quint32 raw, MixerDeadline deadline)
{
    if (!m_sinkFound || !m_context)
        return false;
    // Scaling keeps the balance between the sink's channels, as the system's own control does.
    pa_cvolume volume = m_sinkVolume;
    pa_cvolume_scale(&volume, serverFromControl(raw));
    bool succeeded = false;
    auto onDone = [](pa_context *, int success, void *result) {
        *static_cast<bool *>(result) = success != 0;
    };
    return finish(pa_context_set_sink_volume_by_index(m_context, m_sinkIndex, &volume, onDone,
                                                      &succeeded),
                  deadline) == Wait::Done &&
           succeeded;
}

} // namespace quillmere::engine
