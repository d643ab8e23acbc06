#pragma once

// The back end's insides, shared by AudioBackend.cpp (the calls) and AudioBackendEvents.cpp
// (the event thread). Threads and lock order: see AudioBackend.h; everything here is under
// `lock` unless it says otherwise.

#include "audio/AudioBackend.h"
#include "audio/core/Fft1024.h"
#include "audio/core/Mixer.h"
#include "audio/core/TempoChannel.h"
#include "audio/core/Wakeup.h"
#include "audio/decoders/FiniteSamples.h"
#include "audio/decoders/StereoConverter.h"
#include "audio/output/OutputDevice.h"

#include <atomic>
#include <chrono>
#include <cmath>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace quillmere::audio {

struct AudioBackend::Impl {
    struct Effect {
        Handle channel = 0;
        bool isReverb = false;
        EqualizerParams eq;
        ReverbParams reverb;
    };
    struct Channel {
        std::unique_ptr<TempoChannel> tempo; // null for a source not yet taken over
        DecoderPtr source;
        ChannelInfo info;
        int rate = OutputRate; // what the sound runs at: the device's
        float tempoPercent = 0;
        float pitchSemitones = 0;
        bool tempoHeld = false;      // holdTempo(): speed and pitch stay as they are
        std::vector<Handle> effects; // in creation order, which is processing order
        // Samples of the source that were not finite and were played as silence.
        std::shared_ptr<std::atomic<qint64>> nonFinite = std::make_shared<std::atomic<qint64>>(0);
    };
    struct Notification {
        Handle channel = 0;
        EndCallback callback;
    };

    mutable std::recursive_mutex lock;
    std::map<Handle, Channel> channels;
    std::map<Handle, Effect> effects;
    std::map<Handle, Notification> notifications;
    Handle lastHandle = 0;
    PluginHost plugins;
    Stretcher::Kind stretcherKind = Stretcher::Kind::RubberBand;

    Mixer mixer;
    std::unique_ptr<OutputDevice> output;
    std::vector<std::unique_ptr<TempoChannel>> retired; // see destroy()
    Fft1024 fft;
    std::atomic<bool> eventsRunning{false};
    // The event thread sleeps on it; the output callback (a song ended, a fade out finished),
    // the device (lost) and the calls that change what plays wake it.
    Wakeup events;
    std::thread eventThread;
    bool outputWasLost = false;
    bool outputResting = false; // rest() was called and resume() not yet
    std::atomic<bool> outputLossUnreported{false};

    Handle newHandle() { return ++lastHandle == 0 ? ++lastHandle : lastHandle; }

    Channel *channel(Handle h)
    {
        const auto it = channels.find(h);
        return it == channels.end() ? nullptr : &it->second;
    }
    Channel *tempoChannel(Handle h)
    {
        Channel *c = channel(h);
        return c && c->tempo ? c : nullptr;
    }

    Handle addSource(DecoderPtr decoder)
    {
        Channel c;
        c.rate = output ? output->sampleRate() : OutputRate;
        auto converted = std::make_unique<StereoConverter>(
            std::make_unique<FiniteSamples>(std::move(decoder), c.nonFinite), c.rate);
        const SourceInfo &src = converted->info();
        c.info = ChannelInfo{src.channels, src.sampleRate, src.typeCode, Handle(src.plugin)};
        c.source = std::move(converted);
        const Handle h = newHandle();
        channels.emplace(h, std::move(c));
        return h;
    }

    void publishEffects(Channel &c)
    {
        EffectSettings settings;
        for (Handle h : c.effects) {
            const Effect &e = effects.at(h);
            if (e.isReverb) {
                settings.hasReverb = true;
                settings.reverb = e.reverb;
            } else if (settings.bandCount < EffectSettings::MaxBands) {
                // Every band goes, flat or not: leaving out a band at 0 dB would drop its
                // state mid-ring and click. The render thread skips a flat band once it is
                // silent, so it still costs nothing.
                settings.bands[settings.bandCount++] = peakingCoefficients(e.eq, c.rate);
            }
        }
        c.tempo->setEffects(settings);
    }

    void applyTempo(Channel &c)
    {
        c.tempo->setTempoAndPitch(1.0 + c.tempoPercent / 100.0,
                                  std::pow(2.0, c.pitchSemitones / 12.0));
    }

    // A wrap the decoder made ahead of what is heard belongs to the old range: the stream
    // starts again from what is heard, so the change is heard from now on.
    void changeLoop(TempoChannel &tempo, qint64 a, qint64 b)
    {
        tempo.setLoop(a, b);
        const double heard = heardFrame();
        if (tempo.wrapAhead(heard))
            tempo.seek(tempo.positionFrames(heard));
    }

    // The output frame leaving the speaker now; offline, the first of the last buffer pulled.
    double heardFrame() const
    {
        if (!output)
            return 0;
        return output->isOffline() ? double(mixer.lastPullFrame()) : output->clock().heardFrame;
    }

    // Takes a channel out of the tables. Its tempo channel is handed back to be destroyed
    // outside the lock, since that joins its threads.
    std::unique_ptr<TempoChannel> release(Handle h, Channel &c)
    {
        std::unique_ptr<TempoChannel> tempo = std::move(c.tempo);
        for (Handle e : c.effects)
            effects.erase(e);
        std::erase_if(notifications, [h](const auto &n) { return n.second.channel == h; });
        channels.erase(h);
        return tempo;
    }

    // Without the lock. A channel that an output callback may still be using (the callback
    // did not come back in time) is kept, stopped, until the output has been stopped.
    void destroy(std::unique_ptr<TempoChannel> tempo)
    {
        if (!tempo || mixer.removeChannel(tempo.get()))
            return;
        tempo->setState(TempoChannel::State::Stopped);
        std::lock_guard guard(lock);
        retired.push_back(std::move(tempo));
    }

    // The event thread and what it does; see AudioBackendEvents.cpp.
    void deliverEvents();
    bool wakeOutput();
    void noticeOutputLoss();
    void collectEnded(std::vector<std::pair<Handle, Notification>> &due);
    bool anyAudible() const;
    std::optional<std::chrono::nanoseconds>
    restWhenSilent(std::optional<std::chrono::steady_clock::time_point> &silentSince);
};

} // namespace quillmere::audio
