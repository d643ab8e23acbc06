#pragma once

// Threads: any thread, for itself, before it enters its loop; it may do D-Bus I/O and wait
// briefly, so never from the output callback or inside a render loop.

namespace quillmere::audio {

enum class PriorityRequest { Granted, Refused };

// Asks the scheduler to run the calling thread at real-time `priority` (1-99; rtkit caps it at
// its own ceiling, 20 by default): SCHED_FIFO directly
// where the process may (a raised RLIMIT_RTPRIO, or root), else through rtkit on the system
// bus, as desktop sound servers do. Refusal is normal for a desktop user without rtkit; the
// thread then goes on at its normal priority, and one line says so on stderr, once per
// process.
PriorityRequest requestRealtimePriority(int priority);

} // namespace quillmere::audio
