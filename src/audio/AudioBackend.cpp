#include "audio/AudioBackend.h"

#include "audio/AudioBackendImpl.h"
#include "audio/cd/CdTrackDecoder.h"
#include "audio/core/ThreadName.h"
#include "audio/decoders/ModuleDecoder.h"
#include "audio/decoders/SndfileDecoder.h"

namespace quillmere::audio {
namespace {

thread_local ErrorCode t_lastError = ErrorCode::Ok;

template <typename T>
T fail(ErrorCode code, T result)
{
    t_lastError = code;
    return result;
}

} // namespace

AudioBackend::AudioBackend() : d(std::make_unique<Impl>()) {}

AudioBackend::~AudioBackend()
{
    free();
}

ErrorCode AudioBackend::lastError()
{
    return t_lastError;
}

bool AudioBackend::init(const QString &outputSpec)
{
    std::lock_guard guard(d->lock);
    if (d->output)
        return fail(ErrorCode::AlreadyInitialised, false);
    QString spec = outputSpec;
    if (spec.isEmpty())
        spec = qEnvironmentVariable("QUILLMERE_AUDIO_OUTPUT", QStringLiteral("default"));
    auto device = makeOutputDevice(spec);
    if (device)
        device->setLossWakeup(&d->events);
    if (!device || !device->start(&Mixer::render, &d->mixer))
        return fail(ErrorCode::Device, false);
    d->output = std::move(device);
    d->outputResting = false;
    d->eventsRunning.store(true);
    d->eventThread = std::thread([this] {
        nameThisThread("qm-events");
        d->deliverEvents();
    });
    return fail(ErrorCode::Ok, true);
}

void AudioBackend::free()
{
    d->eventsRunning.store(false);
    d->events.notify();
    if (d->eventThread.joinable())
        d->eventThread.join();
    std::lock_guard guard(d->lock);
    if (d->output)
        d->output->stop();
    d->output.reset();
    d->notifications.clear();
    d->effects.clear();
    for (auto &[h, c] : d->channels) {
        if (c.tempo)
            d->mixer.removeChannel(c.tempo.get()); // at once: no callback runs any more
    }
    d->channels.clear();
    d->retired.clear();
}

bool AudioBackend::takeOutputLoss()
{
    return d->outputLossUnreported.exchange(false, std::memory_order_acq_rel);
}

bool AudioBackend::isInitialised() const
{
    std::lock_guard guard(d->lock);
    return d->output != nullptr;
}

int AudioBackend::deviceRate() const
{
    std::lock_guard guard(d->lock);
    return d->output ? d->output->sampleRate() : OutputRate;
}

void AudioBackend::setStretcherKind(Stretcher::Kind kind)
{
    std::lock_guard guard(d->lock);
    d->stretcherKind = kind;
}

int AudioBackend::loadPlugins(const QString &folder)
{
    std::lock_guard guard(d->lock);
    return d->plugins.loadFolder(folder);
}

std::vector<PluginFormat> AudioBackend::pluginFormats() const
{
    std::lock_guard guard(d->lock);
    return d->plugins.formats();
}

Handle AudioBackend::openFile(const QString &path)
{
    ErrorCode error = ErrorCode::UnsupportedFormat;
    DecoderPtr decoder = openSndfileDecoder(path, error);
    std::lock_guard guard(d->lock);
    if (!decoder && error != ErrorCode::FileOpen)
        decoder = d->plugins.open(path);
    if (!decoder)
        return fail(error, Handle(0));
    return fail(ErrorCode::Ok, d->addSource(std::move(decoder)));
}

Handle AudioBackend::openModule(const QString &path)
{
    ErrorCode error = ErrorCode::UnsupportedFormat;
    // Rendered at the device's rate, so that it is not resampled at all.
    DecoderPtr decoder = openModuleDecoder(path, error, deviceRate());
    if (!decoder)
        return fail(error, Handle(0));
    std::lock_guard guard(d->lock);
    return fail(ErrorCode::Ok, d->addSource(std::move(decoder)));
}

Handle AudioBackend::openCdTrack(const QString &drivePath, int track)
{
    DecoderPtr decoder = openCdTrackDecoder(drivePath, track);
    if (!decoder)
        return fail(ErrorCode::FileOpen, Handle(0));
    std::lock_guard guard(d->lock);
    return fail(ErrorCode::Ok, d->addSource(std::move(decoder)));
}

Handle AudioBackend::createTempoChannel(Handle source)
{
    std::lock_guard guard(d->lock);
    Impl::Channel *c = d->channel(source);
    if (!c || !c->source)
        return fail(ErrorCode::InvalidHandle, Handle(0));
    Impl::Channel tempo;
    tempo.info = c->info;
    tempo.rate = c->rate;
    tempo.nonFinite = c->nonFinite;
    tempo.tempo = std::make_unique<TempoChannel>(std::move(c->source), d->stretcherKind, c->rate);
    tempo.tempo->setEventWakeup(&d->events);
    d->channels.erase(source);
    const Handle h = d->newHandle();
    d->channels.emplace(h, std::move(tempo));
    return fail(ErrorCode::Ok, h);
}

bool AudioBackend::freeChannel(Handle channel)
{
    std::unique_ptr<TempoChannel> doomed;
    {
        std::lock_guard guard(d->lock);
        Impl::Channel *c = d->channel(channel);
        if (!c)
            return fail(ErrorCode::InvalidHandle, false);
        doomed = d->release(channel, *c);
    }
    d->destroy(std::move(doomed));
    d->events.notify(); // what was heard may have gone with it
    return fail(ErrorCode::Ok, true);
}

bool AudioBackend::channelInfo(Handle channel, ChannelInfo &info) const
{
    std::lock_guard guard(d->lock);
    const Impl::Channel *c = d->channel(channel);
    if (!c)
        return fail(ErrorCode::InvalidHandle, false);
    info = c->info;
    return fail(ErrorCode::Ok, true);
}

qint64 AudioBackend::lengthBytes(Handle channel) const
{
    std::lock_guard guard(d->lock);
    const Impl::Channel *c = d->channel(channel);
    if (!c)
        return fail(ErrorCode::InvalidHandle, qint64(-1));
    const qint64 sourceFrames = c->source ? c->source->info().frames : -1;
    const qint64 frames = c->tempo ? c->tempo->lengthFrames()
                          : sourceFrames < 0
                              ? -1
                              : std::llround(double(sourceFrames) * OutputRate / c->rate);
    if (frames < 0)
        return fail(ErrorCode::NotAvailable, qint64(-1));
    return fail(ErrorCode::Ok, framesToBytes(frames));
}

qint64 AudioBackend::nonFiniteSamples(Handle channel) const
{
    std::lock_guard guard(d->lock);
    const Impl::Channel *c = d->channel(channel);
    if (!c)
        return fail(ErrorCode::InvalidHandle, qint64(-1));
    return fail(ErrorCode::Ok, c->nonFinite->load(std::memory_order_relaxed));
}

qint64 AudioBackend::positionBytes(Handle channel) const
{
    std::lock_guard guard(d->lock);
    const Impl::Channel *c = d->tempoChannel(channel);
    if (!c)
        return fail(ErrorCode::InvalidHandle, qint64(-1));
    return fail(ErrorCode::Ok, framesToBytes(c->tempo->positionFrames(d->heardFrame())));
}

bool AudioBackend::setPositionBytes(Handle channel, qint64 bytes)
{
    std::lock_guard guard(d->lock);
    Impl::Channel *c = d->tempoChannel(channel);
    if (!c)
        return fail(ErrorCode::InvalidHandle, false);
    const qint64 frame = bytesToFrames(bytes);
    const qint64 length = c->tempo->lengthFrames();
    if (bytes < 0 || (length >= 0 && frame > length))
        return fail(ErrorCode::Position, false);
    c->tempo->seek(frame);
    return fail(ErrorCode::Ok, true);
}

bool AudioBackend::setLoopRange(Handle channel, qint64 aBytes, qint64 bBytes)
{
    std::lock_guard guard(d->lock);
    Impl::Channel *c = d->tempoChannel(channel);
    if (!c)
        return fail(ErrorCode::InvalidHandle, false);
    const qint64 length = c->tempo->lengthFrames();
    const qint64 a = bytesToFrames(aBytes);
    const qint64 b = length >= 0 ? std::min(bytesToFrames(bBytes), length) : bytesToFrames(bBytes);
    if (a < 0 || b - a < LoopReader::MinLoopFrames)
        return fail(ErrorCode::InvalidParameter, false);
    d->changeLoop(*c->tempo, a, b);
    return fail(ErrorCode::Ok, true);
}

bool AudioBackend::clearLoopRange(Handle channel)
{
    std::lock_guard guard(d->lock);
    Impl::Channel *c = d->tempoChannel(channel);
    if (!c)
        return fail(ErrorCode::InvalidHandle, false);
    d->changeLoop(*c->tempo, 0, 0);
    return fail(ErrorCode::Ok, true);
}

bool AudioBackend::setLoopBreath(Handle channel, int pauseMs, int clicks, int beatMs)
{
    std::lock_guard guard(d->lock);
    Impl::Channel *c = d->tempoChannel(channel);
    if (!c)
        return fail(ErrorCode::InvalidHandle, false);
    if (pauseMs < 0 || pauseMs > 5000 || clicks < 0 || clicks > 8 || (clicks > 0 && beatMs < 100))
        return fail(ErrorCode::InvalidParameter, false);
    const auto frames = [c](int ms) { return int(qint64(ms) * c->rate / 1000); };
    c->tempo->setBreath(BreathSettings{frames(pauseMs), clicks, frames(beatMs)});
    return fail(ErrorCode::Ok, true);
}

bool AudioBackend::setTempo(Handle channel, float tempoPercent, float pitchSemitones)
{
    std::lock_guard guard(d->lock);
    Impl::Channel *c = d->tempoChannel(channel);
    if (!c)
        return fail(ErrorCode::InvalidHandle, false);
    const float tempo = tempoPercent != -100.0f ? tempoPercent : c->tempoPercent;
    const float pitch = pitchSemitones != -100.0f ? pitchSemitones : c->pitchSemitones;
    if (c->tempoHeld && (tempo != c->tempoPercent || pitch != c->pitchSemitones))
        return fail(ErrorCode::NotAvailable, false);
    c->tempoPercent = tempo;
    c->pitchSemitones = pitch;
    d->applyTempo(*c);
    return fail(ErrorCode::Ok, true);
}

bool AudioBackend::holdTempo(Handle channel)
{
    std::lock_guard guard(d->lock);
    Impl::Channel *c = d->tempoChannel(channel);
    if (!c)
        return fail(ErrorCode::InvalidHandle, false);
    if (!c->tempo->holdTempoAndPitch())
        return fail(ErrorCode::NotAvailable, false);
    c->tempoHeld = true;
    return fail(ErrorCode::Ok, true);
}

bool AudioBackend::setPan(Handle channel, float pan)
{
    std::lock_guard guard(d->lock);
    Impl::Channel *c = d->tempoChannel(channel);
    if (!c || pan < -100 || pan > 100)
        return fail(c ? ErrorCode::InvalidParameter : ErrorCode::InvalidHandle, false);
    c->tempo->setPan(pan / 100.0f);
    return fail(ErrorCode::Ok, true);
}

Handle AudioBackend::addEqualizer(Handle channel)
{
    std::lock_guard guard(d->lock);
    Impl::Channel *c = d->tempoChannel(channel);
    if (!c)
        return fail(ErrorCode::InvalidHandle, Handle(0));
    const auto bands = std::count_if(c->effects.begin(), c->effects.end(),
                                     [this](Handle e) { return !d->effects.at(e).isReverb; });
    if (bands >= EffectSettings::MaxBands)
        return fail(ErrorCode::NotAvailable, Handle(0));
    const Handle h = d->newHandle();
    d->effects.emplace(h, Impl::Effect{channel, false, {}, {}});
    c->effects.push_back(h);
    d->publishEffects(*c);
    return fail(ErrorCode::Ok, h);
}

Handle AudioBackend::addReverb(Handle channel)
{
    std::lock_guard guard(d->lock);
    Impl::Channel *c = d->tempoChannel(channel);
    if (!c)
        return fail(ErrorCode::InvalidHandle, Handle(0));
    for (Handle e : c->effects) {
        if (d->effects.at(e).isReverb)
            return fail(ErrorCode::NotAvailable, Handle(0)); // one reverb per channel
    }
    const Handle h = d->newHandle();
    d->effects.emplace(h, Impl::Effect{channel, true, {}, {}});
    c->effects.push_back(h);
    d->publishEffects(*c);
    return fail(ErrorCode::Ok, h);
}

bool AudioBackend::equalizerParams(Handle effect, EqualizerParams &params) const
{
    std::lock_guard guard(d->lock);
    const auto it = d->effects.find(effect);
    if (it == d->effects.end() || it->second.isReverb)
        return fail(ErrorCode::InvalidHandle, false);
    params = it->second.eq;
    return fail(ErrorCode::Ok, true);
}

bool AudioBackend::setEqualizerParams(Handle effect, const EqualizerParams &params)
{
    std::lock_guard guard(d->lock);
    const auto it = d->effects.find(effect);
    if (it == d->effects.end() || it->second.isReverb)
        return fail(ErrorCode::InvalidHandle, false);
    if (!(params.centreHz > 0) || !(params.bandwidthSemitones > 0) || std::abs(params.gainDb) > 60)
        return fail(ErrorCode::InvalidParameter, false);
    it->second.eq = params;
    d->publishEffects(*d->channel(it->second.channel));
    return fail(ErrorCode::Ok, true);
}

bool AudioBackend::reverbParams(Handle effect, ReverbParams &params) const
{
    std::lock_guard guard(d->lock);
    const auto it = d->effects.find(effect);
    if (it == d->effects.end() || !it->second.isReverb)
        return fail(ErrorCode::InvalidHandle, false);
    params = it->second.reverb;
    return fail(ErrorCode::Ok, true);
}

bool AudioBackend::setReverbParams(Handle effect, const ReverbParams &params)
{
    std::lock_guard guard(d->lock);
    const auto it = d->effects.find(effect);
    if (it == d->effects.end() || !it->second.isReverb)
        return fail(ErrorCode::InvalidHandle, false);
    if (!(params.timeMs > 0) || !(params.highFrequencyRatio > 0) || params.highFrequencyRatio >= 1)
        return fail(ErrorCode::InvalidParameter, false);
    it->second.reverb = params;
    d->publishEffects(*d->channel(it->second.channel));
    return fail(ErrorCode::Ok, true);
}

Handle AudioBackend::setEndNotification(Handle channel, EndCallback callback)
{
    std::lock_guard guard(d->lock);
    if (!d->tempoChannel(channel) || !callback)
        return fail(ErrorCode::InvalidHandle, Handle(0));
    const Handle h = d->newHandle();
    d->notifications.emplace(h, Impl::Notification{channel, std::move(callback)});
    return fail(ErrorCode::Ok, h);
}

bool AudioBackend::removeEndNotification(Handle notification)
{
    std::lock_guard guard(d->lock);
    if (d->notifications.erase(notification) == 0)
        return fail(ErrorCode::InvalidHandle, false);
    return fail(ErrorCode::Ok, true);
}

bool AudioBackend::play(Handle channel, bool restart)
{
    std::lock_guard guard(d->lock);
    Impl::Channel *c = d->tempoChannel(channel);
    if (!c)
        return fail(ErrorCode::InvalidHandle, false);
    if (!d->output)
        return fail(ErrorCode::NotInitialised, false);
    if (!d->wakeOutput())
        return fail(ErrorCode::Device, false);
    TempoChannel &tempo = *c->tempo;
    if (d->output->isOffline())
        tempo.startInline(); // the pulls run its chain
    else
        tempo.start(true);
    // A song that has played to its end starts again from the beginning.
    const bool atEnd =
        tempo.lengthFrames() >= 0 && tempo.mixedPositionFrames() >= tempo.lengthFrames();
    if (restart || (tempo.state() == TempoChannel::State::Stopped && atEnd))
        tempo.seek(0);
    if (!d->mixer.addChannel(&tempo))
        return fail(ErrorCode::NotAvailable, false);
    tempo.setState(TempoChannel::State::Playing);
    d->events.notify(); // the output is heard again: no rest is due
    return fail(ErrorCode::Ok, true);
}

bool AudioBackend::pause(Handle channel)
{
    std::lock_guard guard(d->lock);
    Impl::Channel *c = d->tempoChannel(channel);
    if (!c)
        return fail(ErrorCode::InvalidHandle, false);
    if (c->tempo->state() != TempoChannel::State::Playing)
        return fail(ErrorCode::NotAvailable, false);
    c->tempo->setState(TempoChannel::State::Paused);
    d->events.notify(); // the fade out may already be over, or never have begun
    return fail(ErrorCode::Ok, true);
}

bool AudioBackend::stop(Handle channel)
{
    std::lock_guard guard(d->lock);
    Impl::Channel *c = d->tempoChannel(channel);
    if (!c)
        return fail(ErrorCode::InvalidHandle, false);
    c->tempo->setState(TempoChannel::State::Stopped);
    d->events.notify();
    return fail(ErrorCode::Ok, true);
}

ActiveState AudioBackend::activeState(Handle channel) const
{
    std::lock_guard guard(d->lock);
    const Impl::Channel *c = d->channel(channel);
    if (!c || !c->tempo)
        return fail(c ? ErrorCode::Ok : ErrorCode::InvalidHandle, ActiveState::Stopped);
    t_lastError = ErrorCode::Ok;
    switch (c->tempo->state()) {
    case TempoChannel::State::Playing:
        return c->tempo->stalled() ? ActiveState::Stalled : ActiveState::Playing;
    case TempoChannel::State::Paused:
        return ActiveState::Paused;
    default:
        return ActiveState::Stopped;
    }
}

int AudioBackend::renderOffline(float *stereo, int frames)
{
    {
        std::lock_guard guard(d->lock);
        if (!d->output || !d->output->isOffline())
            return fail(ErrorCode::NotAvailable, -1);
    }
    // Without the lock, so that end notifications can run meanwhile; freeing a channel waits
    // for a pull in progress as it waits for an output callback.
    const int pulled = d->mixer.pull(stereo, frames);
    return fail(pulled < 0 ? ErrorCode::Stalled : ErrorCode::Ok, pulled);
}

qint64 AudioBackend::fft1024(Handle channel, float *magnitudes)
{
    std::lock_guard guard(d->lock);
    const Impl::Channel *c = d->tempoChannel(channel);
    if (!c)
        return fail(ErrorCode::InvalidHandle, qint64(-1));
    const double queued =
        d->output && !d->output->isOffline() ? d->output->clock().queuedFrames : 0.0;
    if (!d->fft.compute(c->tempo->tap(), magnitudes, queued, c->rate))
        return fail(ErrorCode::NotAvailable, qint64(-1));
    return fail(ErrorCode::Ok, framesToBytes(Fft1024::Size));
}

} // namespace quillmere::audio
