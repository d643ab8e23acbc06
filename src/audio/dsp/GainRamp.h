#pragma once

namespace quillmere::audio {

// A gain that moves to a new value in a straight line over a fixed number of frames, so that
// a change of balance, level or volume never steps (a zipper noise when a slider is dragged).
// Render thread only.
class GainRamp {
public:
    explicit GainRamp(float initial = 1.0f, int rampFrames = 512)
        : m_value(initial), m_target(initial), m_rampFrames(rampFrames)
    {
    }

    // A new target restarts the ramp from wherever the gain is now.
    void setTarget(float target)
    {
        if (target == m_target)
            return;
        m_target = target;
        m_left = m_rampFrames;
        m_step = (target - m_value) / float(m_rampFrames);
    }
    // Jumps there, for a gain nothing has been heard through yet.
    void jumpTo(float value)
    {
        m_value = m_target = value;
        m_left = 0;
    }
    bool steady() const { return m_left == 0; }
    float value() const { return m_value; }
    float target() const { return m_target; }
    // The gain for the next frame.
    float next()
    {
        if (m_left > 0)
            m_value = --m_left == 0 ? m_target : m_value + m_step;
        return m_value;
    }

private:
    float m_value;
    float m_target;
    float m_step = 0;
    int m_left = 0;
    int m_rampFrames;
};

} // namespace quillmere::audio
