#include "audio/stretch/StretcherSwap.h"

#include <chrono>

namespace quillmere::audio {
namespace {

// How often the worker looks for a stretcher the render thread has handed back (the render
// thread cannot wake it: that would be a system call on a real-time thread).
constexpr auto RetiredPoll = std::chrono::milliseconds(5);

} // namespace

StretcherSwap::StretcherSwap(Stretcher::Kind kind, int rate) : m_kind(kind), m_rate(rate) {}

StretcherSwap::~StretcherSwap()
{
    {
        std::lock_guard guard(m_lock);
        m_stop = true;
    }
    m_wake.notify_one();
    if (m_worker.joinable())
        m_worker.join();
}

// Both are made here, before any other thread can see them (the render thread looks them up
// when it hands one back), and so that the first change is served as soon as it is asked for.
PreparedStretcher StretcherSwap::start(double speed, double pitch)
{
    Entry &first = m_entries[0];
    first.stretcher = makeStretcher(m_kind, m_rate);
    prepare(first, speed, pitch);
    m_entries[1].stretcher = makeStretcher(m_kind, m_rate);
    m_entries[1].withWorker = true;
    {
        std::lock_guard guard(m_lock);
        m_wantedSpeed = speed;
        m_wantedPitch = pitch;
        m_requestSerial = 0; // what was asked before is what the first one plays
        m_asked.store(0, std::memory_order_release);
    }
    m_worker = std::thread([this] { workerLoop(); });
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
    m_wake.notify_one();
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

void StretcherSwap::retire(Stretcher *stretcher) QUILLMERE_NONBLOCKING
{
    for (Entry &entry : m_entries)
        if (entry.stretcher.get() == stretcher)
            entry.retired.store(true, std::memory_order_release);
}

void StretcherSwap::workerLoop()
{
    quint64 served = 0;
    std::unique_lock lock(m_lock);
    while (!m_stop) {
        if (m_requestSerial == served) {
            m_wake.wait(lock);
            continue;
        }
        lock.unlock();
        collectRetired();
        const int spare = spareEntry();
        lock.lock();
        if (spare < 0) { // both are with the render thread: wait for one to come back
            m_wake.wait_for(lock, RetiredPoll);
            continue;
        }
        const double speed = m_wantedSpeed, pitch = m_wantedPitch;
        served = m_requestSerial;
        lock.unlock();
        Entry &entry = m_entries[size_t(spare)];
        prepare(entry, speed, pitch);
        entry.withWorker = false;
        const int unclaimed = m_ready.exchange(spare, std::memory_order_acq_rel);
        if (unclaimed >= 0)
            m_entries[size_t(unclaimed)].withWorker = true;
        m_answered.store(served, std::memory_order_release);
        lock.lock();
    }
}

void StretcherSwap::collectRetired()
{
    for (Entry &entry : m_entries)
        if (entry.retired.exchange(false, std::memory_order_acq_rel))
            entry.withWorker = true;
}

// A stretcher the worker holds; failing that, one prepared earlier that the render thread has
// not taken yet (a newer request makes it stale).
int StretcherSwap::spareEntry()
{
    for (size_t i = 0; i < m_entries.size(); ++i)
        if (m_entries[i].withWorker)
            return int(i);
    const int unclaimed = m_ready.exchange(-1, std::memory_order_acq_rel);
    if (unclaimed >= 0)
        m_entries[size_t(unclaimed)].withWorker = true;
    return unclaimed;
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
