#include "audio/output/ClockedOutput.h"

#include "audio/AudioTypes.h"
#include "audio/core/ThreadName.h"

#include <QFile>

#include <sndfile.h>

#include <algorithm>
#include <chrono>

namespace quillmere::audio {

namespace {
qint64 steadyNanoseconds()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
} // namespace

ClockedOutput::ClockedOutput(QString wavPath, int rate)
    : m_wavPath(std::move(wavPath)), m_rate(rate), m_periodFrames(rate / 100)
{
}

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
        info.samplerate = m_rate;
        info.channels = 2;
        info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
        m_file = sf_open(QFile::encodeName(m_wavPath).constData(), SFM_WRITE, &info);
        if (!m_file)
            return false;
        // Keep the header right after every write, so the file is valid at any moment.
        sf_command(m_file, SFC_SET_UPDATE_HEADER_AUTO, nullptr, SF_TRUE);
        sf_command(m_file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    }
    m_framesBeforeStart.store(m_written.load());
    m_scheduleStartNs.store(steadyNanoseconds());
    m_resting = false;
    m_running.store(true);
    m_thread = std::thread([this, render, context] {
        nameThisThread("qm-clock-output");
        run(render, context);
    });
    return true;
}

void ClockedOutput::stop()
{
    {
        std::lock_guard lock(m_restLock);
        m_running.store(false);
    }
    m_restEnds.notify_all();
    if (m_thread.joinable())
        m_thread.join();
    if (m_file) {
        sf_close(m_file);
        m_file = nullptr;
    }
}

OutputClock ClockedOutput::clock() const
{
    const qint64 written = m_written.load(std::memory_order_acquire);
    const double elapsed = double(steadyNanoseconds() - m_scheduleStartNs.load()) * 1e-9;
    const double scheduled = double(m_framesBeforeStart.load()) + elapsed * m_rate;
    // A late thread has written less than the schedule says; the buffer just written plays
    // for one period.
    const double heard = std::clamp(
        scheduled, double(std::max<qint64>(0, written - m_periodFrames)), double(written));
    return {heard, double(written) - heard};
}

void ClockedOutput::rest()
{
    std::lock_guard lock(m_restLock);
    m_resting = true;
}

bool ClockedOutput::resume()
{
    {
        std::lock_guard lock(m_restLock);
        m_resting = false;
    }
    m_restEnds.notify_all();
    return true;
}

// Output thread, after a period: sleeps while the output rests; the schedule then starts
// again from now, as a device's clock would.
void ClockedOutput::restUntilResumed()
{
    if (!m_resting.load(std::memory_order_acquire))
        return;
    std::unique_lock lock(m_restLock);
    m_restEnds.wait(lock, [this] { return !m_resting || !m_running.load(); });
    m_framesBeforeStart.store(m_written.load());
    m_scheduleStartNs.store(steadyNanoseconds());
}

void ClockedOutput::run(RenderFunction render, void *context)
{
    std::vector<float> buffer(std::size_t(m_periodFrames) * 2);
    while (m_running.load(std::memory_order_acquire)) {
        restUntilResumed();
        if (!m_running.load(std::memory_order_acquire))
            return;
        const qint64 startNs = m_scheduleStartNs.load();
        const qint64 before = m_framesBeforeStart.load();
        const qint64 first = m_written.load(std::memory_order_relaxed);
        render(context, buffer.data(), m_periodFrames, first);
        if (m_file)
            sf_writef_float(m_file, buffer.data(), m_periodFrames);
        m_written.store(first + m_periodFrames, std::memory_order_release);
        // Due times from the frame count, so that no rounding of a period adds up to drift.
        const qint64 dueNs = startNs + (first + m_periodFrames - before) * 1'000'000'000 / m_rate;
        std::this_thread::sleep_until(
            std::chrono::steady_clock::time_point(std::chrono::nanoseconds(dueNs)));
    }
}

} // namespace quillmere::audio
