#pragma once

#include <array>
#include <vector>

typedef struct fftwf_plan_s *fftwf_plan;

namespace quillmere::audio {

class TapRing;

// Magnitudes of the 1024 output frames of a channel being heard: mono, Hann window, scaled so that
// a full-scale sine peaks near 1.0 at its bin. UI thread.
class Fft1024 {
public:
    static constexpr int Size = 1024;
    static constexpr int Bins = Size / 2;

    Fft1024();
    ~Fft1024();
    Fft1024(const Fft1024 &) = delete;
    Fft1024 &operator=(const Fft1024 &) = delete;

    // False when the channel has not yet played 1024 frames. behindFrames: how far the frames
    // being heard lie behind the newest the tap was given (the device's queue). A tap at another
    // rate than 44100 Hz is read over the same 23 ms and interpolated to 1024 frames first, so
    // that bin k stands for k x 44100 / 1024 Hz whatever the device runs at.
    bool compute(const TapRing &tap, float *magnitudes, double behindFrames = 0, int rate = 44100);

private:
    float *m_in;
    void *m_out;
    fftwf_plan m_plan;
    std::array<float, Size> m_window{};
    std::vector<float> m_atRate; // the tap's frames at the device's rate
};

} // namespace quillmere::audio
