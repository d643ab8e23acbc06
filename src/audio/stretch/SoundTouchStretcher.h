#pragma once

#include "audio/stretch/Stretcher.h"

#include <vector>

namespace soundtouch {
class SoundTouch;
}

namespace quillmere::audio {

// SoundTouch: the low-CPU choice, with audible faults at slow tempos.
class SoundTouchStretcher final : public Stretcher {
public:
    explicit SoundTouchStretcher(int rate = 44100);
    ~SoundTouchStretcher() override;
    void setSpeedAndPitch(double speed, double pitchScale) override;
    void reset() override;
    void feed(const float *stereo, int frames) override;
    int available() override;
    int retrieve(float *stereo, int maxFrames) override;
    int outputDelay() const override;

private:
    void growBuffers();
    void applySettings(double speed, double pitchScale);
    int leadFrames() const;
    int measureStartDelay();
    void dropStartDelay();

    std::unique_ptr<soundtouch::SoundTouch> m_st;
    std::vector<float> m_scratch; // silence in, and the probe's output out
    int m_toDrop = 0;             // output frames still to discard after a reset
    int m_measuredDelay = -1;     // for the current settings, once measured
    double m_pitch = 1.0;
};

} // namespace quillmere::audio
