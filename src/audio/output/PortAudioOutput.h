#pragma once

#include "audio/output/OutputDevice.h"

#include <portaudio.h>

namespace quillmere::audio {

// The system's default output device through PortAudio (normally PulseAudio or PipeWire).
class PortAudioOutput final : public OutputDevice {
public:
    PortAudioOutput();
    ~PortAudioOutput() override;
    bool start(RenderFunction render, void *context) override;
    void stop() override;
    double latencySeconds() const override { return m_latency; }

private:
    static int callback(const void *, void *output, unsigned long frames,
                        const PaStreamCallbackTimeInfo *, unsigned long, void *self);

    bool m_initialised = false;
    void *m_stream = nullptr;
    RenderFunction m_render = nullptr;
    void *m_context = nullptr;
    double m_latency = 0;
};

} // namespace quillmere::audio
