#include "audio/output/PortAudioOutput.h"

#include "audio/AudioTypes.h"
#include "audio/core/ThreadName.h"
#include "audio/core/Wakeup.h"
#include "audio/output/ServerRate.h"

#include <portaudio.h>

#include <algorithm>
#include <chrono>
#include <cmath>

namespace quillmere::audio {
namespace {

using namespace std::chrono_literals;

// Longer than any gap a healthy stream leaves between callbacks (about 50 ms of latency).
constexpr auto StallLimit = 500ms;
constexpr auto WatchInterval = 250ms;
constexpr auto RetryInterval = 200ms;
// How long a vanished device is waited for before the output counts as lost.
constexpr auto GiveUpAfter = 5s;
// Frames per callback: about 21 ms. Left to PortAudio, ALSA's PulseAudio plug-in ran the
// callback every 6-12 ms, and every call costs a few wakes of its threads and of ours; with
// this the stream's own buffer came out shorter too (measured: 43 ms instead of 50-63 ms).
constexpr unsigned long FramesPerCallback = 1024;
// A sound server that does not say its rate in this time is not waited for.
constexpr auto RateQueryTimeout = 1000ms;

qint64 steadyNanoseconds()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

PortAudioOutput::PortAudioOutput() : m_initialised(Pa_Initialize() == paNoError) {}

PortAudioOutput::~PortAudioOutput()
{
    stop();
    if (m_initialised)
        Pa_Terminate();
}

// The buffer's first frame is heard at outputBufferDacTime; currentTime is the same stream
// clock (Pa_GetStreamTime) read now, so their difference, taken onto the steady clock, says when
// that is without asking the stream from another thread. Hosts that give no times get the
// stream's reported latency instead.
int PortAudioOutput::callback(const void *, void *output, unsigned long frames,
                              const PaStreamCallbackTimeInfo *timeInfo, unsigned long, void *self)
{
    auto *me = static_cast<PortAudioOutput *>(self);
    const qint64 first = me->m_framesRendered;
    me->m_render(me->m_context, static_cast<float *>(output), static_cast<int>(frames), first);
    me->m_framesRendered += qint64(frames);
    double delay = me->m_latency.load(std::memory_order_relaxed);
    if (timeInfo && timeInfo->outputBufferDacTime > 0 && timeInfo->currentTime > 0) {
        const double reported = timeInfo->outputBufferDacTime - timeInfo->currentTime;
        if (reported >= 0 && reported < 2.0)
            delay = reported;
    }
    me->m_timing.publish(
        BufferTiming{first, qint64(frames), steadyNanoseconds() + qint64(delay * 1e9)});
    me->m_callbacks.fetch_add(1, std::memory_order_relaxed);
    return paContinue;
}

OutputClock PortAudioOutput::clock() const
{
    m_timing.take(m_heardTiming);
    const BufferTiming &t = m_heardTiming;
    const double sinceDac = double(steadyNanoseconds() - t.dacNs) * 1e-9 * sampleRate();
    // Before the buffer is heard the speaker plays the one before it; after its end, nothing
    // newer has been rendered (a stalled device): the clock stops there.
    const double heard = std::min(double(t.firstFrame) + sinceDac, double(t.firstFrame + t.frames));
    return {heard, double(t.firstFrame + t.frames) - heard};
}

bool PortAudioOutput::start(RenderFunction render, void *context)
{
    std::unique_lock lock(m_mutex);
    if (m_watching && !m_lost.load())
        return true;
    m_render = render;
    m_context = context;
    m_resting = false;
    if (m_lost.load()) {
        // A start after the loss tries again, with a fresh look at the devices.
        if (!reopen(lock, std::chrono::seconds(0)))
            return false;
    } else if (!openStream()) {
        return false;
    }
    m_lost.store(false, std::memory_order_release);
    if (!m_watching) {
        m_watching = true;
        m_watchdog = std::thread([this] {
            nameThisThread("qm-pa-watchdog");
            watch();
        });
    }
    return true;
}

void PortAudioOutput::stop()
{
    std::unique_lock lock(m_mutex);
    m_watching = false;
    m_watchWake.notify_all();
    if (m_watchdog.joinable()) {
        lock.unlock();
        m_watchdog.join();
        lock.lock();
    }
    closeStream();
}

// Aborted rather than drained: the owner rests the output only once what it last rendered has
// played out, so the buffers hold silence, and an abort returns at once.
void PortAudioOutput::rest()
{
    std::lock_guard lock(m_mutex);
    if (m_resting || !m_watching)
        return;
    m_resting = true;
    if (m_stream)
        Pa_AbortStream(m_stream);
    m_watchWake.notify_all();
}

// The stream starts again where it was (the frames go on being counted from where they
// stopped); one that will not start is opened afresh, once.
bool PortAudioOutput::resume()
{
    std::unique_lock lock(m_mutex);
    if (!m_resting)
        return !m_lost.load();
    m_resting = false;
    m_watchWake.notify_all();
    if (m_stream && Pa_StartStream(m_stream) == paNoError)
        return true;
    if (reopen(lock, std::chrono::seconds(0)))
        return true;
    m_lost.store(true, std::memory_order_release);
    return false;
}

int PortAudioOutput::sampleRate() const
{
    const int rate = m_rate.load(std::memory_order_relaxed);
    return rate > 0 ? rate : OutputRate;
}

// The sink's rate when a sound server plays (what ALSA's default device goes to), else the rate
// the device itself prefers, else 44100 Hz; each only if a stream opens at it.
void PortAudioOutput::chooseRate(int device)
{
    const PaDeviceInfo *info = Pa_GetDeviceInfo(device);
    const int candidates[] = {defaultSinkRate(RateQueryTimeout),
                              info ? int(std::lround(info->defaultSampleRate)) : 0, OutputRate};
    for (const int rate : candidates) {
        if (rate < MinDeviceRate || rate > MaxDeviceRate)
            continue;
        PaStreamParameters params{};
        params.device = device;
        params.channelCount = OutputChannels;
        params.sampleFormat = paFloat32;
        params.suggestedLatency = info ? info->defaultLowOutputLatency : 0.05;
        if (Pa_IsFormatSupported(nullptr, &params, rate) == paFormatIsSupported) {
            m_rate.store(rate, std::memory_order_relaxed);
            return;
        }
    }
    m_rate.store(OutputRate, std::memory_order_relaxed);
}

bool PortAudioOutput::openStream()
{
    if (m_stream)
        return true;
    if (!m_initialised)
        return false;
    const PaDeviceIndex device = Pa_GetDefaultOutputDevice();
    if (device == paNoDevice)
        return false;
    if (m_rate.load(std::memory_order_relaxed) == 0)
        chooseRate(device);
    return openStreamAt(device, sampleRate());
}

bool PortAudioOutput::openStreamAt(int device, double rate)
{
    const PaDeviceInfo *deviceInfo = Pa_GetDeviceInfo(device);
    PaStreamParameters params{};
    params.device = device;
    params.channelCount = OutputChannels;
    params.sampleFormat = paFloat32;
    // About 50 ms: low enough for a speed change to be heard at once, high enough that a
    // busy desktop does not starve the sound server.
    params.suggestedLatency =
        deviceInfo ? std::max(deviceInfo->defaultLowOutputLatency, 0.05) : 0.05;
    PaStream *stream = nullptr;
    if (Pa_OpenStream(&stream, nullptr, &params, rate, FramesPerCallback, paNoFlag,
                      &PortAudioOutput::callback, this) != paNoError)
        return false;
    if (Pa_StartStream(stream) != paNoError) {
        Pa_CloseStream(stream);
        return false;
    }
    const PaStreamInfo *info = Pa_GetStreamInfo(stream);
    m_latency.store(info ? info->outputLatency : 0.0, std::memory_order_relaxed);
    m_stream = stream;
    return true;
}

void PortAudioOutput::closeStream()
{
    if (!m_stream)
        return;
    // Aborted, not drained: a broken device may never take the rest of its buffer.
    Pa_AbortStream(m_stream);
    Pa_CloseStream(m_stream);
    m_stream = nullptr;
}

// Closes what is left of the stream and opens the default device again until it opens, the
// output is stopped, or the device stays away too long.
bool PortAudioOutput::reopen(std::unique_lock<std::mutex> &lock,
                             std::chrono::steady_clock::duration patience)
{
    closeStream();
    const auto giveUp = std::chrono::steady_clock::now() + patience;
    for (;;) {
        // PortAudio lists its devices once; a restarted server is only found by listing again.
        if (m_initialised)
            Pa_Terminate();
        m_initialised = Pa_Initialize() == paNoError;
        if (openStream())
            return true;
        if (std::chrono::steady_clock::now() >= giveUp)
            return false;
        if (pauseUnlessStopped(lock, RetryInterval) || m_resting)
            return false; // stop() is waiting for the watchdog, or resume() will try again
    }
}

bool PortAudioOutput::pauseUnlessStopped(std::unique_lock<std::mutex> &lock,
                                         std::chrono::milliseconds interval)
{
    return m_watchWake.wait_for(lock, interval, [this] { return !m_watching; });
}

// Watchdog thread: a stream whose callbacks stop for longer than StallLimit has lost its
// device or server. While the output rests there is nothing to watch: it sleeps until resume()
// or stop().
void PortAudioOutput::watch()
{
    std::unique_lock lock(m_mutex);
    unsigned long seen = m_callbacks.load(std::memory_order_relaxed);
    auto lastProgress = std::chrono::steady_clock::now();
    while (m_watching) {
        if (m_resting) {
            m_watchWake.wait(lock, [this] { return !m_watching || !m_resting; });
            seen = m_callbacks.load(std::memory_order_relaxed);
            lastProgress = std::chrono::steady_clock::now();
            continue;
        }
        if (m_watchWake.wait_for(lock, WatchInterval, [this] { return !m_watching || m_resting; }))
            continue;
        const auto now = std::chrono::steady_clock::now();
        const unsigned long count = m_callbacks.load(std::memory_order_relaxed);
        if (count != seen || m_lost.load()) {
            seen = count;
            lastProgress = now;
            continue;
        }
        if (!m_watching || now - lastProgress < StallLimit)
            continue;
        if (!reopen(lock, GiveUpAfter) && m_watching && !m_resting) {
            m_lost.store(true, std::memory_order_release);
            if (m_lossWakeup)
                m_lossWakeup->notify();
        }
        seen = m_callbacks.load(std::memory_order_relaxed);
        lastProgress = std::chrono::steady_clock::now();
    }
}

} // namespace quillmere::audio
