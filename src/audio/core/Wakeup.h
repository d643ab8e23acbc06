#pragma once

// Threads: one thread sleeps in wait() or waitFor(); any thread, the output callback included,
// calls notify(). They share two atomics; nothing locks.

#include "audio/core/Realtime.h"

#include <atomic>
#include <chrono>
#include <cstdint>

namespace quillmere::audio {

// Lets one thread sleep until another has something for it: a counter that notify() bumps,
// and the futex under it. The sleeper takes a ticket before it looks for work and sleeps on
// it afterwards, so a notify() in between is never lost: the counter has moved and the sleep
// returns at once. The sleeper says what it waits for (a mask of reasons the owner defines);
// a notify() for anything else only bumps the counter, so a producer that the sleeper does not
// wait for makes no system call.
class Wakeup {
public:
    using Ticket = std::uint32_t;
    static constexpr unsigned AnyReason = ~0u;

    Ticket ticket() const QUILLMERE_NONBLOCKING { return m_count.load(std::memory_order_acquire); }
    // Sleeps until a notify() for one of `reasons` comes after the ticket was taken; returns at
    // once when one already has. May return early (a signal); callers look again either way.
    void wait(Ticket seen, unsigned reasons = AnyReason);
    // The same, for at most `timeout`; false when the time ran out.
    bool waitFor(Ticket seen, std::chrono::nanoseconds timeout, unsigned reasons = AnyReason);
    // Never blocks, locks or allocates: at most one futex wake, and only when the sleeper
    // waits for this reason.
    void notify(unsigned reason = AnyReason) QUILLMERE_NONBLOCKING;

private:
    bool sleep(Ticket seen, unsigned reasons, const std::chrono::nanoseconds *timeout);

    std::atomic<std::uint32_t> m_count{0};
    std::atomic<unsigned> m_waitingFor{0};
};

} // namespace quillmere::audio
