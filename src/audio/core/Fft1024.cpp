#include "audio/core/Fft1024.h"

#include "audio/core/TapRing.h"

#include <fftw3.h>

#include <algorithm>
#include <cmath>
#include <mutex>
#include <numbers>

namespace quillmere::audio {
namespace {
// FFTW's planner is not thread-safe; plans are made rarely, so one lock is enough.
std::mutex plannerLock;
} // namespace

Fft1024::Fft1024()
{
    m_in = fftwf_alloc_real(Size);
    auto *out = fftwf_alloc_complex(Size / 2 + 1);
    m_out = out;
    {
        std::lock_guard lock(plannerLock);
        m_plan = fftwf_plan_dft_r2c_1d(Size, m_in, out, FFTW_ESTIMATE);
    }
    for (int i = 0; i < Size; ++i)
        m_window[i] = float(0.5 - 0.5 * std::cos(2 * std::numbers::pi * i / Size));
}

Fft1024::~Fft1024()
{
    {
        std::lock_guard lock(plannerLock);
        fftwf_destroy_plan(m_plan);
    }
    fftwf_free(m_in);
    fftwf_free(m_out);
}

bool Fft1024::compute(const TapRing &tap, float *magnitudes, double behindFrames, int rate)
{
    if (rate == 44100) {
        if (!tap.readNewest(m_in, Size, behindFrames))
            return false;
    } else {
        const double step = double(rate) / 44100;
        const int n = std::min(int(std::ceil((Size - 1) * step)) + 2, TapRing::Size / 2);
        m_atRate.resize(size_t(n));
        if (!tap.readNewest(m_atRate.data(), n, behindFrames))
            return false;
        for (int i = 0; i < Size; ++i) {
            const double at = std::min(i * step, double(n - 2));
            const int j = int(at);
            const float frac = float(at - j);
            m_in[i] = m_atRate[size_t(j)] + frac * (m_atRate[size_t(j) + 1] - m_atRate[size_t(j)]);
        }
    }
    for (int i = 0; i < Size; ++i)
        m_in[i] *= m_window[i];
    fftwf_execute(m_plan);
    // A sine of amplitude 1 gives |X| = N/4 under a Hann window (its mean is 1/2).
    const auto *out = static_cast<const fftwf_complex *>(m_out);
    constexpr float scale = 4.0f / Size;
    for (int k = 0; k < Bins; ++k)
        magnitudes[k] = std::hypot(out[k][0], out[k][1]) * scale;
    return true;
}

} // namespace quillmere::audio
