// The back end's event thread: end-of-song notifications, a lost output, and the output's rest
// while nothing is heard. It sleeps on Impl::events and takes the back end's lock only to look
// at the channels; notifications run without it, so they may call back in.
#include "audio/AudioBackendImpl.h"

namespace quillmere::audio {
namespace {

using namespace std::chrono_literals;

// Silence for this long lets the output rest. By then the device has played out what was in
// its buffers (about 50 ms), so stopping it cuts nothing; and a pause of a moment, or the gap
// between one song and the next, does not stop and start the stream.
constexpr auto RestAfter = 1s;

} // namespace

// Under the lock: a lost output stops what plays (a song that cannot be heard must not run
// on), once per loss.
void AudioBackend::Impl::noticeOutputLoss()
{
    const bool lost = output && output->lost();
    if (lost && !outputWasLost) {
        for (auto &[h, c] : channels) {
            if (c.tempo && c.tempo->state() == TempoChannel::State::Playing)
                c.tempo->setState(TempoChannel::State::Stopped);
        }
        outputLossUnreported.store(true, std::memory_order_release);
    }
    outputWasLost = lost;
}

// Under the lock: the notifications of every channel that has played to its end since.
void AudioBackend::Impl::collectEnded(std::vector<std::pair<Handle, Notification>> &due)
{
    for (auto &[h, c] : channels) {
        if (!c.tempo || !c.tempo->takeEnded())
            continue;
        for (const auto &[n, notification] : notifications) {
            if (notification.channel == h)
                due.emplace_back(n, notification);
        }
    }
}

bool AudioBackend::Impl::anyAudible() const
{
    return std::any_of(channels.begin(), channels.end(), [](const auto &entry) {
        return entry.second.tempo && entry.second.tempo->audible();
    });
}

// Under the lock: how long the output must stay silent before it may rest, or nothing to wait
// for (it rests already, something is heard, or nothing runs in real time). Once the time has
// come, it rests.
std::optional<std::chrono::nanoseconds> AudioBackend::Impl::restWhenSilent(
    std::optional<std::chrono::steady_clock::time_point> &silentSince)
{
    if (!output || output->isOffline() || outputResting || anyAudible()) {
        silentSince.reset();
        return std::nullopt;
    }
    const auto now = std::chrono::steady_clock::now();
    if (!silentSince)
        silentSince = now;
    const auto left = *silentSince + RestAfter - now;
    if (left > 0ns)
        return left;
    output->rest();
    outputResting = true;
    silentSince.reset();
    return std::nullopt;
}

// Under the lock, before a channel plays: the output runs again, whether it rested or was lost.
bool AudioBackend::Impl::wakeOutput()
{
    if (output->lost()) {
        if (!output->start(&Mixer::render, &mixer))
            return false;
        // Playing again on a device that works: an earlier loss no longer needs telling.
        outputLossUnreported.store(false, std::memory_order_release);
        outputResting = false;
    }
    if (outputResting) {
        if (!output->resume())
            return false;
        outputResting = false;
    }
    return true;
}

// Event thread. The ticket is taken before anything is looked at, so that a wake that comes
// while it looks is not lost.
void AudioBackend::Impl::deliverEvents()
{
    std::optional<std::chrono::steady_clock::time_point> silentSince;
    for (;;) {
        const Wakeup::Ticket ticket = events.ticket();
        if (!eventsRunning.load(std::memory_order_acquire))
            return;
        std::vector<std::pair<Handle, Notification>> due;
        std::optional<std::chrono::nanoseconds> restIn;
        {
            std::lock_guard guard(lock);
            noticeOutputLoss();
            collectEnded(due);
            restIn = restWhenSilent(silentSince);
        }
        for (const auto &[n, notification] : due)
            notification.callback(n, notification.channel);
        if (!due.empty())
            continue; // a notification may have started another song: look again
        if (restIn)
            events.waitFor(ticket, *restIn);
        else
            events.wait(ticket);
    }
}

} // namespace quillmere::audio
