#include "audio/core/Mixer.h"

#include "audio/core/TempoChannel.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace quillmere::audio {

Mixer::Mixer()
{
    for (auto &slot : m_slots)
        slot.store(nullptr, std::memory_order_relaxed);
}

bool Mixer::addChannel(TempoChannel *channel)
{
    for (auto &slot : m_slots) {
        if (slot.load(std::memory_order_acquire) == channel)
            return true;
    }
    for (auto &slot : m_slots) {
        TempoChannel *expected = nullptr;
        if (slot.compare_exchange_strong(expected, channel, std::memory_order_acq_rel))
            return true;
    }
    return false;
}

bool Mixer::removeChannel(TempoChannel *channel)
{
    for (auto &slot : m_slots) {
        TempoChannel *expected = channel;
        slot.compare_exchange_strong(expected, nullptr, std::memory_order_seq_cst);
    }
    // A callback that started before the slot was cleared may still hold the pointer.
    const unsigned seen = m_callbackCount.load(std::memory_order_seq_cst);
    if (seen % 2 == 0)
        return true;
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (m_callbackCount.load(std::memory_order_seq_cst) == seen) {
        if (std::chrono::steady_clock::now() >= giveUp)
            return false;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return true;
}

void Mixer::render(void *self, float *stereo, int frames, qint64 firstFrame) QUILLMERE_NONBLOCKING
{
    auto *mixer = static_cast<Mixer *>(self);
    mixer->m_callbackCount.fetch_add(1, std::memory_order_seq_cst);
    std::fill(stereo, stereo + 2 * frames, 0.0f);
    mixer->mix(stereo, frames, firstFrame);
    mixer->m_callbackCount.fetch_add(1, std::memory_order_seq_cst);
}

void Mixer::mix(float *stereo, int frames, qint64 firstFrame) QUILLMERE_NONBLOCKING
{
    for (auto &slot : m_slots) {
        if (TempoChannel *channel = slot.load(std::memory_order_seq_cst))
            channel->mixInto(stereo, frames, firstFrame);
    }
}

int Mixer::pull(float *stereo, int frames)
{
    // A render thread that delivers nothing for this long has hung (the slowest stretcher
    // setting makes a block in milliseconds); anything shorter is waited out, so that a render
    // never loses frames to a busy machine.
    constexpr auto StallLimit = std::chrono::seconds(10);
    // Counted like a callback, so that removeChannel() waits for a pull in progress.
    m_callbackCount.fetch_add(1, std::memory_order_seq_cst);
    std::fill(stereo, stereo + 2 * frames, 0.0f);
    const qint64 firstFrame = m_pulledFrames.load(std::memory_order_relaxed);
    int most = 0;
    bool stalled = false;
    for (auto &slot : m_slots) {
        TempoChannel *channel = slot.load(std::memory_order_seq_cst);
        int done = 0;
        auto lastProgress = std::chrono::steady_clock::now();
        while (channel && done < frames && channel->audible()) {
            const int n =
                channel->mixInto(stereo + 2 * done, frames - done, firstFrame + done, false);
            done += n;
            if (n == 0 && channel->state() != TempoChannel::State::Playing)
                break; // a fade out that found nothing more to fade
            if (n > 0) {
                lastProgress = std::chrono::steady_clock::now();
            } else if (std::chrono::steady_clock::now() - lastProgress > StallLimit) {
                stalled = true;
                break;
            } else {
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            }
        }
        most = std::max(most, done);
    }
    // A pull that played something is a full buffer of the output, as a device's would be:
    // the marks of the next one begin after it. One that played nothing (all paused) did not
    // happen as far as the positions go. One cut short by the end of the songs has played out.
    if (most > 0) {
        m_pulledFrames.store(firstFrame + frames, std::memory_order_relaxed);
        m_lastPullFrame.store(most < frames ? firstFrame + frames : firstFrame,
                              std::memory_order_release);
    }
    m_callbackCount.fetch_add(1, std::memory_order_seq_cst);
    return stalled ? -1 : most;
}

} // namespace quillmere::audio
