#include "audio/core/Wakeup.h"

#include <linux/futex.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <ctime>

#if defined(__has_feature)
#if __has_feature(realtime_sanitizer)
#include <sanitizer/rtsan_interface.h>
#define QUILLMERE_RTSAN_ALLOW(name) __rtsan::ScopedDisabler name
#endif
#endif
#ifndef QUILLMERE_RTSAN_ALLOW
#define QUILLMERE_RTSAN_ALLOW(name)
#endif

namespace quillmere::audio {
namespace {

static_assert(sizeof(std::atomic<std::uint32_t>) == sizeof(std::uint32_t) &&
                  std::atomic<std::uint32_t>::is_always_lock_free,
              "the futex word is the atomic itself");

std::uint32_t *word(std::atomic<std::uint32_t> &count)
{
    return reinterpret_cast<std::uint32_t *>(&count);
}

} // namespace

// The mask is stored before the futex compares the counter with the ticket, and notify()
// bumps the counter before it reads the mask, both in sequentially consistent order: either
// notify() sees the mask and wakes the sleeper, or the futex sees the new count and does not
// sleep at all.
bool Wakeup::sleep(Ticket seen, unsigned reasons, const std::chrono::nanoseconds *timeout)
{
    timespec relative{};
    if (timeout) {
        const auto ns = std::max<std::int64_t>(0, timeout->count());
        relative.tv_sec = time_t(ns / 1'000'000'000);
        relative.tv_nsec = long(ns % 1'000'000'000);
    }
    m_waitingFor.store(reasons, std::memory_order_seq_cst);
    long result = 0;
    if (m_count.load(std::memory_order_seq_cst) == seen)
        result = syscall(SYS_futex, word(m_count), FUTEX_WAIT_PRIVATE, seen,
                         timeout ? &relative : nullptr, nullptr, 0);
    const bool timedOut = result == -1 && errno == ETIMEDOUT;
    m_waitingFor.store(0, std::memory_order_relaxed);
    return !timedOut;
}

void Wakeup::wait(Ticket seen, unsigned reasons)
{
    sleep(seen, reasons, nullptr);
}

bool Wakeup::waitFor(Ticket seen, std::chrono::nanoseconds timeout, unsigned reasons)
{
    return sleep(seen, reasons, &timeout);
}

void Wakeup::notify(unsigned reason) QUILLMERE_NONBLOCKING
{
    m_count.fetch_add(1, std::memory_order_seq_cst);
    if ((m_waitingFor.load(std::memory_order_seq_cst) & reason) == 0)
        return;
    // A futex wake neither blocks nor allocates: the kernel wakes the sleeper, if it still
    // sleeps, and returns. RealtimeSanitizer sees only the system call it is made through, so
    // this one call is let through.
    QUILLMERE_RTSAN_ALLOW(wakeIsNonBlocking);
    syscall(SYS_futex, word(m_count), FUTEX_WAKE_PRIVATE, 1, nullptr, nullptr, 0);
}

} // namespace quillmere::audio
