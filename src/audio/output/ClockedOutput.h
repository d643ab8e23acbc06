#pragma once

#include "audio/output/OutputDevice.h"

#include <atomic>
#include <thread>
#include <vector>

typedef struct sf_private_tag SNDFILE;

namespace quillmere::audio {

// An output without a sound card: a thread renders 10 ms at a time on a real-time clock, and
// either drops the sound ("null") or appends it to a WAV file ("file:PATH.wav").
class ClockedOutput final : public OutputDevice {
public:
    explicit ClockedOutput(QString wavPath = {});
    ~ClockedOutput() override;
    bool start(RenderFunction render, void *context) override;
    void stop() override;
    double latencySeconds() const override { return 0.0; }

private:
    void run(RenderFunction render, void *context);

    QString m_wavPath;
    SNDFILE *m_file = nullptr;
    std::atomic<bool> m_running{false};
    std::thread m_thread;
};

} // namespace quillmere::audio
