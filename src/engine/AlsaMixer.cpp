#include "engine/AlsaMixer.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <memory>

// alsa-lib 1.2.8 declares this one function outside its extern "C" block, so C++ looks for a
// mangled name that the library does not have. Bind the C symbol under a name of our own.
extern "C" snd_local_error_handler_t quillmereAlsaSetLocalErrorHandler(
    snd_local_error_handler_t func) __asm__("snd_lib_error_set_local");

namespace quillmere::engine {

namespace {

void silent(const char *, int, const char *, int, const char *, va_list) {}

// Silences ALSA's messages on this thread for as long as it lives.
class QuietAlsa {
public:
    QuietAlsa() : m_previous(quillmereAlsaSetLocalErrorHandler(silent)) {}
    ~QuietAlsa() { quillmereAlsaSetLocalErrorHandler(m_previous); }
    QuietAlsa(const QuietAlsa &) = delete;
    QuietAlsa &operator=(const QuietAlsa &) = delete;

private:
    snd_local_error_handler_t m_previous;
};

struct MixerCloser {
    void operator()(snd_mixer_t *mixer) const { snd_mixer_close(mixer); }
};
using MixerHandle = std::unique_ptr<snd_mixer_t, MixerCloser>;

MixerHandle openMixer(const QByteArray &device)
{
    snd_mixer_t *raw = nullptr;
    if (snd_mixer_open(&raw, 0) < 0)
        return {};
    MixerHandle mixer(raw);
    if (snd_mixer_attach(raw, device.constData()) < 0 ||
        snd_mixer_selem_register(raw, nullptr, nullptr) < 0 || snd_mixer_load(raw) < 0)
        return {};
    return mixer;
}

snd_mixer_elem_t *masterVolume(snd_mixer_t *mixer)
{
    snd_mixer_selem_id_t *id = nullptr;
    snd_mixer_selem_id_alloca(&id);
    snd_mixer_selem_id_set_index(id, 0);
    snd_mixer_selem_id_set_name(id, "Master");
    snd_mixer_elem_t *elem = snd_mixer_find_selem(mixer, id);
    if (!elem || !snd_mixer_selem_has_playback_volume(elem))
        return nullptr;
    return elem;
}

// The loudest channel, as the sound server reports a sink's volume.
bool loudestChannel(snd_mixer_elem_t *elem, long &value)
{
    bool any = false;
    for (int ch = 0; ch <= SND_MIXER_SCHN_LAST; ++ch) {
        const auto channel = snd_mixer_selem_channel_id_t(ch);
        long v = 0;
        if (!snd_mixer_selem_has_playback_channel(elem, channel) ||
            snd_mixer_selem_get_playback_volume(elem, channel, &v) < 0)
            continue;
        value = any ? std::max(value, v) : v;
        any = true;
    }
    return any;
}

} // namespace

AlsaMixer::AlsaMixer(QByteArray device) : m_device(std::move(device)) {}

// ALSA's mixer calls do not wait on a server (a plug-in that does brings its own time-out),
// so the deadline is not needed here.
MixerLookup AlsaMixer::Lookup(MixerReading &reading, MixerDeadline)
{
    QuietAlsa quiet;
    m_found = false;
    MixerHandle mixer = openMixer(m_device);
    if (!mixer)
        return MixerLookup::NoServer;
    snd_mixer_elem_t *elem = masterVolume(mixer.get());
    long lowest = 0;
    long highest = 0;
    long value = 0;
    if (!elem || snd_mixer_selem_get_playback_volume_range(elem, &lowest, &highest) < 0 ||
        !loudestChannel(elem, value) || highest - lowest > long(UINT32_MAX))
        return MixerLookup::NoControl;
    m_lowest = lowest;
    m_found = true;
    reading.range = VolumeRange{0, quint32(std::max(highest - lowest, 0L))};
    reading.value = quint32(std::clamp(value, lowest, std::max(lowest, highest)) - lowest);
    return MixerLookup::Found;
}

bool AlsaMixer::Write(quint32 raw, MixerDeadline)
{
    if (!m_found)
        return false;
    QuietAlsa quiet;
    MixerHandle mixer = openMixer(m_device);
    snd_mixer_elem_t *elem = mixer ? masterVolume(mixer.get()) : nullptr;
    return elem && snd_mixer_selem_set_playback_volume_all(elem, m_lowest + long(raw)) >= 0;
}

} // namespace quillmere::engine
