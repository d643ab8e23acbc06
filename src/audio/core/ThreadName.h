#pragma once

// Any thread, for itself, as it starts.

#include <pthread.h>

namespace quillmere::audio {

// Names the calling thread (at most 15 characters), so that top -H, perf and the tests can
// tell the player's threads apart.
inline void nameThisThread(const char *name)
{
    pthread_setname_np(pthread_self(), name);
}

} // namespace quillmere::audio
