#pragma once

#include "audio/AudioTypes.h"

namespace quillmere::audio {

// Keeps a channel's output within +-1.0 when an equaliser boost (or reverb on a loud song)
// would take it beyond full scale, where the output would clip hard or a 16-bit render wrap.
//
// It controls a gain rather than bending the waveform: no fixed curve can pass everything up
// to full scale untouched, bend smoothly and still never exceed full scale. The gain is 1
// (nothing changes, bit for bit) while the signal stays within +-1.0. A sample beyond it
// lowers the gain at once, just enough to bring that sample to full scale; the gain is then
// held for 25 ms, so that the next cycles of a tone down to 40 Hz pass with the same gain
// (undistorted), and recovers smoothly (150 ms time constant) once the peaks have gone. Only
// the rising edge of the first loud peak is flattened; there is no look-ahead, so the
// limiter adds no latency. Both channels share the gain, keeping the stereo image.
// Render thread only; never allocates.
class PeakLimiter {
public:
    explicit PeakLimiter(int rate = OutputRate);
    void reset();
    void process(float *stereo, int frames);
    float gain() const { return m_gain; }

private:
    int m_holdFrames;
    float m_release;
    float m_gain = 1;
    int m_holdLeft = 0;
};

} // namespace quillmere::audio
