#pragma once

#include "audio/AudioTypes.h"

#include <atomic>
#include <optional>

// The engine's shared state in one atomic word: the current channel, the play state and the
// ended flag change together. The UI thread and the end-of-song notification (event thread)
// both update it, each with a compare-and-swap that re-checks the channel, so neither can undo
// the other's change: a Play that races the end of its song cannot clear the ended flag the
// end has just set.
class PlayerState {
public:
    enum class Play : quint8 { Stopped = 0, Paused = 1, Playing = 2 };
    struct Value {
        quillmere::audio::Handle channel = 0;
        Play play = Play::Stopped;
        bool ended = false;
    };

    Value load() const { return unpack(m_word.load(std::memory_order_acquire)); }

    // Applies change to the current value until it sticks; change returns the new value, or
    // nothing to leave it alone. Returns the value it saw last.
    template <typename Change>
    Value update(Change change)
    {
        quint64 seen = m_word.load(std::memory_order_acquire);
        for (;;) {
            const std::optional<Value> next = change(unpack(seen));
            if (!next || m_word.compare_exchange_weak(seen, pack(*next), std::memory_order_acq_rel))
                return unpack(seen);
        }
    }

private:
    static quint64 pack(Value v)
    {
        return quint64(v.channel) | quint64(v.play) << 32 | quint64(v.ended ? 1 : 0) << 40;
    }
    static Value unpack(quint64 w)
    {
        return Value{quillmere::audio::Handle(w & 0xFFFFFFFFu), Play((w >> 32) & 0xFF),
                     ((w >> 40) & 1) != 0};
    }

    std::atomic<quint64> m_word{0};
};
