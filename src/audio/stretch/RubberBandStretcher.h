#pragma once

#include "audio/stretch/Stretcher.h"

#include <array>
#include <vector>

namespace RubberBand {
class RubberBandStretcher;
}

namespace quillmere::audio {

class RubberBandStretcher final : public Stretcher {
public:
    explicit RubberBandStretcher(int rate = 44100);
    ~RubberBandStretcher() override;
    void setSpeedAndPitch(double speed, double pitchScale) override;
    double supportedSpeed(double speed, double pitchScale) const override;
    void reset() override;
    void feed(const float *stereo, int frames) override;
    int available() override;
    int retrieve(float *stereo, int maxFrames) override;
    int outputDelay() const override;

private:
    void dropStartDelay();

    std::unique_ptr<RubberBand::RubberBandStretcher> m_rb;
    std::array<std::vector<float>, 2> m_planar;
    int m_toDrop = 0; // output frames still to discard after a reset
    double m_timeRatio = 1.0;
    double m_pitchScale = 1.0;
};

} // namespace quillmere::audio
