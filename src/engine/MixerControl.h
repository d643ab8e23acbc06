#pragma once

#include "engine/VolumeMath.h"

#include <chrono>

namespace quillmere::engine {

using MixerDeadline = std::chrono::steady_clock::time_point;

// What a look-up of the master volume control found.
enum class MixerLookup {
    Found,     // range and value are filled in; Write may follow
    NoServer,  // nothing to talk to: the next kind of mixer may be tried
    NoControl, // the mixer answered but has no usable volume control
    TimedOut,  // the mixer did not answer before the deadline
};

struct MixerReading {
    VolumeRange range;
    quint32 value = 0;
};

// One way of reaching the master volume of the default output. Every Write follows a Lookup
// that returned Found, and applies to the control that Lookup found. Neither call may block
// past the deadline, nor print or show anything. UI thread only.
class MixerControl {
public:
    virtual ~MixerControl() = default;
    virtual MixerLookup Lookup(MixerReading &reading, MixerDeadline deadline) = 0;
    virtual bool Write(quint32 raw, MixerDeadline deadline) = 0;
};

} // namespace quillmere::engine
