#pragma once

// Marks a function that must never block: no locks, no allocation, no waiting, no I/O.
// The RealtimeSanitizer build (clang 20 or later, -fsanitize=realtime) checks every call
// made inside such a function while the tests run.
#if defined(__clang__) && __clang_major__ >= 20
#define QUILLMERE_NONBLOCKING [[clang::nonblocking]]
#else
#define QUILLMERE_NONBLOCKING
#endif

#if defined(__has_feature)
#if __has_feature(realtime_sanitizer)
#include <sanitizer/rtsan_interface.h>
#define QUILLMERE_REALTIME_SANITIZER 1
#endif
#endif

namespace quillmere::audio {

// A named, explained exception to the rule above, for the one place that needs it: after the
// user changes tempo or pitch, the stretchers rebuild their resampling filters for the new
// ratio and grow their buffers to its steady state, which at extreme ratios takes seconds of
// audio (both libraries do this; neither can be asked to do it ahead). The feeds of that
// time are exempt; everything else keeps being checked.
class RatioChangeExemption {
public:
#ifdef QUILLMERE_REALTIME_SANITIZER
    RatioChangeExemption()
    {
        __rtsan_disable();
    }
    ~RatioChangeExemption()
    {
        __rtsan_enable();
    }
#else
    RatioChangeExemption() = default;
#endif
    RatioChangeExemption(const RatioChangeExemption &) = delete;
    RatioChangeExemption &operator=(const RatioChangeExemption &) = delete;
};

} // namespace quillmere::audio
