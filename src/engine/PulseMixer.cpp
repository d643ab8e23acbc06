#include "engine/PulseMixer.h"

#include <pulse/context.h>
#include <pulse/introspect.h>
#include <pulse/mainloop.h>

#include <algorithm>

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

PulseMixer::PulseMixer() = default;

PulseMixer::~PulseMixer()
{
    disconnect();
    if (m_loop)
        pa_mainloop_free(m_loop);
}

template <typename Done>
PulseMixer::Wait PulseMixer::runUntil(Done done, MixerDeadline deadline)
{
    using namespace std::chrono;
    while (!done()) {
        if (contextGone(m_context))
            return Wait::Failed;
        const auto left = duration_cast<microseconds>(deadline - steady_clock::now()).count();
        if (left <= 0)
            return Wait::TimedOut;
        if (pa_mainloop_prepare(m_loop, int(left)) < 0 || pa_mainloop_poll(m_loop) < 0 ||
            pa_mainloop_dispatch(m_loop) < 0)
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
        m_loop = pa_mainloop_new();
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
    if (wait == Wait::Done)
        return MixerLookup::Found;
    disconnect();
    return wait == Wait::TimedOut ? MixerLookup::TimedOut : MixerLookup::NoServer;
}

void PulseMixer::disconnect()
{
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
