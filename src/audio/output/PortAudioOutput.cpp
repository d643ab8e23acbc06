#include "audio/output/PortAudioOutput.h"

#include "audio/AudioTypes.h"

#include <portaudio.h>

#include <algorithm>

namespace quillmere::audio {

PortAudioOutput::PortAudioOutput() : m_initialised(Pa_Initialize() == paNoError) {}

PortAudioOutput::~PortAudioOutput()
{
    stop();
    if (m_initialised)
        Pa_Terminate();
}

int PortAudioOutput::callback(const void *, void *output, unsigned long frames,
                              const PaStreamCallbackTimeInfo *, unsigned long, void *self)
{
    auto *me = static_cast<PortAudioOutput *>(self);
    me->m_render(me->m_context, static_cast<float *>(output), static_cast<int>(frames));
    return paContinue;
}

bool PortAudioOutput::start(RenderFunction render, void *context)
{
    if (m_stream)
        return true;
    if (!m_initialised)
        return false;
    const PaDeviceIndex device = Pa_GetDefaultOutputDevice();
    if (device == paNoDevice)
        return false;
    const PaDeviceInfo *deviceInfo = Pa_GetDeviceInfo(device);
    PaStreamParameters params{};
    params.device = device;
    params.channelCount = OutputChannels;
    params.sampleFormat = paFloat32;
    // About 50 ms: low enough for a speed change to be heard at once, high enough that a
    // busy desktop does not starve the sound server.
    params.suggestedLatency =
        deviceInfo ? std::max(deviceInfo->defaultLowOutputLatency, 0.05) : 0.05;
    m_render = render;
    m_context = context;
    PaStream *stream = nullptr;
    if (Pa_OpenStream(&stream, nullptr, &params, OutputRate, paFramesPerBufferUnspecified, paNoFlag,
                      &PortAudioOutput::callback, this) != paNoError)
        return false;
    if (Pa_StartStream(stream) != paNoError) {
        Pa_CloseStream(stream);
        return false;
    }
    const PaStreamInfo *info = Pa_GetStreamInfo(stream);
    m_latency = info ? info->outputLatency : 0.0;
    m_stream = stream;
    return true;
}

void PortAudioOutput::stop()
{
    if (!m_stream)
        return;
    Pa_StopStream(m_stream);
    Pa_CloseStream(m_stream);
    m_stream = nullptr;
}

} // namespace quillmere::audio
