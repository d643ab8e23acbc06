#pragma once

#include <atomic>
#include <cstddef>
#include <memory>

namespace quillmere::audio {

// A lock-free single-producer, single-consumer ring of fixed blocks, allocated once.
// The producer fills the block from beginWrite() and publishes it with commitWrite(); the
// consumer reads the block from front() and frees it with pop(). Neither side ever blocks,
// locks or allocates, so both may run on real-time threads.
template <typename Block>
class BlockRing {
public:
    explicit BlockRing(std::size_t capacity)
        : m_blocks(std::make_unique<Block[]>(capacity + 1)), m_size(capacity + 1)
    {
    }

    // Producer side.
    Block *beginWrite()
    {
        const std::size_t head = m_head.load(std::memory_order_relaxed);
        if (next(head) == m_tail.load(std::memory_order_acquire))
            return nullptr; // full
        return &m_blocks[head];
    }
    void commitWrite()
    {
        m_head.store(next(m_head.load(std::memory_order_relaxed)), std::memory_order_release);
    }

    // Consumer side.
    Block *front()
    {
        const std::size_t tail = m_tail.load(std::memory_order_relaxed);
        if (tail == m_head.load(std::memory_order_acquire))
            return nullptr; // empty
        return &m_blocks[tail];
    }
    void pop()
    {
        m_tail.store(next(m_tail.load(std::memory_order_relaxed)), std::memory_order_release);
    }

    // Either side: an estimate, exact only when the other side is idle.
    std::size_t count() const
    {
        const std::size_t head = m_head.load(std::memory_order_acquire);
        const std::size_t tail = m_tail.load(std::memory_order_acquire);
        return (head + m_size - tail) % m_size;
    }
    std::size_t capacity() const { return m_size - 1; }

private:
    std::size_t next(std::size_t i) const { return i + 1 == m_size ? 0 : i + 1; }

    std::unique_ptr<Block[]> m_blocks;
    const std::size_t m_size;
    alignas(64) std::atomic<std::size_t> m_head{0};
    alignas(64) std::atomic<std::size_t> m_tail{0};
};

// The newest value of T from one writer to one reader, lock-free (a triple buffer): the reader
// always gets a complete value, never a mix of two writes.
template <typename T>
class LatestValue {
public:
    // Writer side.
    void publish(const T &value)
    {
        m_slots[m_writeSlot] = value;
        const int previous = m_shared.exchange(m_writeSlot | FreshBit, std::memory_order_acq_rel);
        m_writeSlot = previous & IndexMask;
    }
    // Reader side: true and value set when something new was published since the last call.
    bool take(T &value)
    {
        if (!(m_shared.load(std::memory_order_relaxed) & FreshBit))
            return false;
        const int previous = m_shared.exchange(m_readSlot, std::memory_order_acq_rel);
        m_readSlot = previous & IndexMask;
        value = m_slots[m_readSlot];
        return true;
    }

private:
    static constexpr int FreshBit = 4;
    static constexpr int IndexMask = 3;
    T m_slots[3]{};
    int m_writeSlot = 0;
    int m_readSlot = 1;
    std::atomic<int> m_shared{2};
};

} // namespace quillmere::audio
