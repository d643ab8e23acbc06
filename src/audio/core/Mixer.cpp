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
    // Counted like a callback, so that removeChannel() waits for a pull in progress.
    m_callbackCount.fetch_add(1, std::memory_order_seq_cst);
    std::fill(stereo, stereo + 2 * frames, 0.0f);
    const qint64 firstFrame = m_pulledFrames.load(std::memory_order_relaxed);
    int most = 0;
    bool stuck = false;
    for (auto &slot : m_slots) {
        TempoChannel *channel = slot.load(std::memory_order_seq_cst);
        int done = 0;
        while (channel && done < frames && channel->audible()) {
            // The channel's chain runs here, on this thread, as far as the output ring goes.
            const bool ready = channel->renderAhead();
            const int n =
                channel->mixInto(stereo + 2 * done, frames - done, firstFrame + done, false);
            done += n;
            if (n > 0)
                continue;
            if (channel->state() != TempoChannel::State::Playing)
                break; // a fade out that found nothing more to fade
            if (ready)
                continue; // it dropped audio from before a seek; the new audio comes next
            // Playing, yet the chain can make nothing more: a render either has every frame
            // or fails, never quietly shorter.
            stuck = true;
            break;
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
    return stuck ? -1 : most;
}

} // namespace quillmere::audio
