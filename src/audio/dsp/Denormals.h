#pragma once

// Numbers too small for the normal floating-point range (denormals) are handled in microcode
// on most processors, up to a hundred times slower: a reverb or filter tail fading into them
// could make the render thread miss its deadline. flushDenormalsToZero() makes the calling
// thread treat them as zero, both as results (flush to zero) and as inputs (denormals are
// zero). Only the render thread calls it, once as it starts; the setting belongs to the
// thread, so nothing else is affected. A thread that renders only now and then (offline)
// holds a DenormalsFlushedToZero instead, which puts the setting back as it was.

#if defined(__x86_64__) || defined(__i386__)
#include <pmmintrin.h>
#include <xmmintrin.h>
#endif

#include <cstdint>

namespace quillmere::audio {

inline void flushDenormalsToZero()
{
#if defined(__x86_64__) || defined(__i386__)
    _MM_SET_FLUSH_ZERO_MODE(_MM_FLUSH_ZERO_ON);
    _MM_SET_DENORMALS_ZERO_MODE(_MM_DENORMALS_ZERO_ON);
#elif defined(__aarch64__)
    // AArch64 has one bit for both: FZ, bit 24 of the floating-point control register.
    std::uint64_t fpcr = 0;
    asm volatile("mrs %0, fpcr" : "=r"(fpcr));
    fpcr |= std::uint64_t(1) << 24;
    asm volatile("msr fpcr, %0" : : "r"(fpcr));
#endif
}

class DenormalsFlushedToZero {
public:
    DenormalsFlushedToZero()
    {
#if defined(__x86_64__) || defined(__i386__)
        m_saved = _mm_getcsr();
#elif defined(__aarch64__)
        asm volatile("mrs %0, fpcr" : "=r"(m_saved));
#endif
        flushDenormalsToZero();
    }
    ~DenormalsFlushedToZero()
    {
#if defined(__x86_64__) || defined(__i386__)
        _mm_setcsr(static_cast<unsigned>(m_saved));
#elif defined(__aarch64__)
        asm volatile("msr fpcr, %0" : : "r"(m_saved));
#endif
    }
    DenormalsFlushedToZero(const DenormalsFlushedToZero &) = delete;
    DenormalsFlushedToZero &operator=(const DenormalsFlushedToZero &) = delete;

private:
    [[maybe_unused]] std::uint64_t m_saved = 0;
};

} // namespace quillmere::audio
