#include "audio/stretch/StretcherSwap.h"

#include "audio/core/ThreadName.h"
#include "audio/stretch/PassThroughStretcher.h"

namespace quillmere::audio {
namespace {

// What the worker sleeps for: a new request (or the end), or a stretcher handed back.
constexpr unsigned Requested = 1;
constexpr unsigned Retired = 2;

} // namespace

StretcherSwap::StretcherSwap(Stretcher::Kind kind, int rate) : m_kind(kind), m_rate(rate) {}

StretcherSwap::~StretcherSwap()
{
    {
        std::lock_guard guard(m_lock);
        m_stop = true;
    }
    m_wake.notify(Requested);
    if (m_worker.joinable())
        m_worker.join();
}

// Only the first is made here, on the UI thread, and only of the kind the song starts at: a
// song at its own speed and pitch starts on a pass-through, which costs nothing to make. The
// rest are made by the worker (a SoundTouch stretcher takes tens of milliseconds to make, and
// the UI thread would wait for every one).
PreparedStretcher StretcherSwap::start(double speed, double pitch)
{
    for (Entry &entry : m_entries)
        entry.withWorker = true;
    const size_t firstIndex = isNeutral(speed, pitch) ? size_t(PoolSize) : 0;
    Entry &first = m_entries[firstIndex];
    first.withWorker = false;
    make(firstIndex);
    prepare(first, speed, pitch);
    {
        std::lock_guard guard(m_lock);
        m_wantedSpeed = speed;
        m_wantedPitch = pitch;
        m_requestSerial = 0; // what was asked before is what the first one plays
        m_asked.store(0, std::memory_order_release);
    }
    m_worker = std::thread([this] {
        nameThisThread("qm-stretch-prep");
        workerLoop();
    });
    return first.prepared;
}

void StretcherSwap::request(double speed, double pitch)
{
    {
        std::lock_guard guard(m_lock);
        if (speed == m_wantedSpeed && pitch == m_wantedPitch)
            return;
        m_wantedSpeed = speed;
        m_wantedPitch = pitch;
        m_asked.store(++m_requestSerial, std::memory_order_release);
    }
    m_wake.notify(Requested);
}

bool StretcherSwap::takeReady(PreparedStretcher &ready) QUILLMERE_NONBLOCKING
{
    if (m_ready.load(std::memory_order_relaxed) < 0)
        return false;
    const int index = m_ready.exchange(-1, std::memory_order_acq_rel);
    if (index < 0)
        return false;
    ready = m_entries[size_t(index)].prepared;
    return true;
}

// A futex wake at most, and only when the worker sleeps waiting for a stretcher back.
void StretcherSwap::retire(Stretcher *stretcher) QUILLMERE_NONBLOCKING
{
    for (Entry &entry : m_entries)
        if (entry.made.load(std::memory_order_acquire) == stretcher)
            entry.retired.store(true, std::memory_order_release);
    m_wake.notify(Retired);
}

void StretcherSwap::workerLoop()
{
    // The pass-throughs cost nothing to make and are made now; a stretcher is made when a
    // change first asks for one (most songs are never changed: the cost of a second one,
    // 30 ms with SoundTouch, is then never paid).
    for (size_t i = PoolSize; i < m_entries.size(); ++i)
        if (!m_entries[i].stretcher)
            make(i);
    quint64 served = 0;
    std::unique_lock lock(m_lock);
    while (!m_stop) {
        // Taken under the lock, before the request is looked at: a request or a retirement
        // after it wakes the sleep below at once.
        const Wakeup::Ticket ticket = m_wake.ticket();
        if (m_requestSerial == served) {
            lock.unlock();
            m_wake.wait(ticket, Requested);
            lock.lock();
            continue;
        }
        const bool neutral = isNeutral(m_wantedSpeed, m_wantedPitch);
        lock.unlock();
        collectRetired();
        const int spare = spareEntry(neutral);
        if (spare < 0) { // both are with the render thread: wait for one to come back
            m_wake.wait(ticket, Requested | Retired);
            lock.lock();
            continue;
        }
        lock.lock();
        if (isNeutral(m_wantedSpeed, m_wantedPitch) != neutral)
            continue; // asked for again meanwhile, for the other kind
        const double speed = m_wantedSpeed, pitch = m_wantedPitch;
        served = m_requestSerial;
        lock.unlock();
        Entry &entry = m_entries[size_t(spare)];
        if (!entry.stretcher)
            make(size_t(spare));
        prepare(entry, speed, pitch);
        entry.withWorker = false;
        const int unclaimed = m_ready.exchange(spare, std::memory_order_acq_rel);
        if (unclaimed >= 0)
            m_entries[size_t(unclaimed)].withWorker = true;
        m_answered.store(served, std::memory_order_release);
        if (m_readyWakeup)
            m_readyWakeup->notify(m_readyReason);
        lock.lock();
    }
}

void StretcherSwap::collectRetired()
{
    for (Entry &entry : m_entries)
        if (entry.retired.exchange(false, std::memory_order_acq_rel))
            entry.withWorker = true;
}

// One of the kind asked for that the worker holds; failing that, one prepared earlier that the
// render thread has not taken yet (a newer request makes it stale).
int StretcherSwap::spareEntry(bool neutral)
{
    const auto held = [&]() -> int {
        for (size_t i = 0; i < m_entries.size(); ++i)
            if (m_entries[i].withWorker && holdsPassThrough(i) == neutral)
                return int(i);
        return -1;
    };
    if (const int spare = held(); spare >= 0)
        return spare;
    const int unclaimed = m_ready.exchange(-1, std::memory_order_acq_rel);
    if (unclaimed >= 0)
        m_entries[size_t(unclaimed)].withWorker = true;
    return held();
}

void StretcherSwap::make(size_t index)
{
    Entry &entry = m_entries[index];
    entry.stretcher = holdsPassThrough(index) ? std::make_unique<PassThroughStretcher>()
                                              : makeStretcher(m_kind, m_rate);
    entry.made.store(entry.stretcher.get(), std::memory_order_release);
}

// Setting the ratio and resetting are the calls that allocate (see the note at the top); the
// stretchers' buffers already have their largest sizes from when they were made.
void StretcherSwap::prepare(Entry &entry, double speed, double pitch)
{
    Stretcher &stretcher = *entry.stretcher;
    const double supported = stretcher.supportedSpeed(speed, pitch);
    stretcher.setSpeedAndPitch(supported, pitch);
    stretcher.reset();
    entry.prepared = PreparedStretcher{&stretcher, supported, pitch};
}

} // namespace quillmere::audio
