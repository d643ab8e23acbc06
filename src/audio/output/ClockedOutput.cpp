#include "audio/output/ClockedOutput.h"

#include "audio/AudioTypes.h"

#include <QFile>

#include <sndfile.h>

#include <chrono>

namespace quillmere::audio {

namespace {
constexpr int PeriodFrames = OutputRate / 100; // 10 ms
}

ClockedOutput::ClockedOutput(QString wavPath) : m_wavPath(std::move(wavPath)) {}

ClockedOutput::~ClockedOutput()
{
    stop();
}

bool ClockedOutput::start(RenderFunction render, void *context)
{
    if (m_running.load())
        return true;
    if (!m_wavPath.isEmpty()) {
        SF_INFO info{};
        info.samplerate = OutputRate;
        info.channels = 2;
        info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
        m_file = sf_open(QFile::encodeName(m_wavPath).constData(), SFM_WRITE, &info);
        if (!m_file)
            return false;
        // Keep the header right after every write, so the file is valid at any moment.
        sf_command(m_file, SFC_SET_UPDATE_HEADER_AUTO, nullptr, SF_TRUE);
        sf_command(m_file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    }
    m_running.store(true);
    m_thread = std::thread([this, render, context] { run(render, context); });
    return true;
}

void ClockedOutput::stop()
{
    m_running.store(false);
    if (m_thread.joinable())
        m_thread.join();
    if (m_file) {
        sf_close(m_file);
        m_file = nullptr;
    }
}

void ClockedOutput::run(RenderFunction render, void *context)
{
    std::vector<float> buffer(PeriodFrames * 2);
    auto next = std::chrono::steady_clock::now();
    while (m_running.load(std::memory_order_acquire)) {
        render(context, buffer.data(), PeriodFrames);
        if (m_file)
            sf_writef_float(m_file, buffer.data(), PeriodFrames);
        next += std::chrono::microseconds(1'000'000 * PeriodFrames / OutputRate);
        std::this_thread::sleep_until(next);
    }
}

} // namespace quillmere::audio
