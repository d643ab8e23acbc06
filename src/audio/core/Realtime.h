#pragma once

// Marks a function that must never block: no locks, no allocation, no waiting, no I/O.
// The RealtimeSanitizer build (clang 20 or later, -fsanitize=realtime) checks every call
// made inside such a function while the tests run.
#if defined(__clang__) && __clang_major__ >= 20
#define QUILLMERE_NONBLOCKING [[clang::nonblocking]]
#else
#define QUILLMERE_NONBLOCKING
#endif
