// Objective quality of the two stretchers at half speed, and how soon a change is heard.
// Prints one table; not a timing benchmark, so it runs once.
//   pitch error: cents between the expected and measured peaks of a 220 + 330 Hz tone pair
//   residual:    energy outside the two tones' peaks, relative to all energy (lower is cleaner)
//   clicks:      onsets found for 11 single-sample clicks (more = doubled transients)
//   smear:       mean time a click stays above a tenth of its peak
//   response:    from a pitch change to its sound leaving the render ring, offline (a sound
//                card adds its own latency on top, about 50 ms with our PortAudio settings)
#include "audio/AudioBackend.h"
#include "audio/stretch/Stretcher.h"

#include <QFile>
#include <QTemporaryDir>

#include <fftw3.h>
#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <numbers>
#include <vector>

using namespace quillmere::audio;

namespace {

constexpr double Speed = 0.5;

std::vector<float> stretch(Stretcher::Kind kind, const std::vector<float> &in)
{
    auto s = makeStretcher(kind);
    s->setSpeedAndPitch(Speed, 1.0);
    s->reset();
    std::vector<float> out, block(2048), silence(2048, 0.0f);
    const size_t wanted = size_t(double(in.size()) / Speed);
    for (size_t pos = 0; out.size() < wanted; pos += 2048) {
        s->feed(pos + 2048 <= in.size() ? in.data() + pos : silence.data(), 1024);
        int n = 0;
        while ((n = s->retrieve(block.data(), 1024)) > 0)
            out.insert(out.end(), block.begin(), block.begin() + 2 * n);
    }
    out.resize(wanted);
    return out;
}

std::vector<float> left(const std::vector<float> &stereo)
{
    std::vector<float> mono(stereo.size() / 2);
    for (size_t i = 0; i < mono.size(); ++i)
        mono[i] = stereo[2 * i];
    return mono;
}

struct Spectrum {
    std::vector<double> power;
    double binHz;
};

Spectrum spectrum(const std::vector<float> &mono, size_t from, int n)
{
    std::vector<double> in(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        in[size_t(i)] =
            mono[from + size_t(i)] * (0.5 - 0.5 * std::cos(2 * std::numbers::pi * i / n));
    std::vector<fftw_complex> out(size_t(n / 2 + 1));
    fftw_plan plan = fftw_plan_dft_r2c_1d(n, in.data(), out.data(), FFTW_ESTIMATE);
    fftw_execute(plan);
    fftw_destroy_plan(plan);
    Spectrum s{std::vector<double>(out.size()), 44100.0 / n};
    for (size_t k = 0; k < out.size(); ++k)
        s.power[k] = out[k][0] * out[k][0] + out[k][1] * out[k][1];
    return s;
}

// The peak near hz, interpolated between bins, in Hz.
double peakHz(const Spectrum &s, double hz)
{
    size_t best = size_t(hz / s.binHz);
    for (size_t k = best - 5; k <= best + 5; ++k)
        if (s.power[k] > s.power[best])
            best = k;
    const double a = std::log(s.power[best - 1]), b = std::log(s.power[best]),
                 c = std::log(s.power[best + 1]);
    return (double(best) + 0.5 * (a - c) / (a - 2 * b + c)) * s.binHz;
}

void tonePair(Stretcher::Kind kind, double &centsError, double &residualDb)
{
    std::vector<float> in(size_t(6 * 44100) * 2);
    for (size_t f = 0; f < in.size() / 2; ++f) {
        const double t = double(f) / 44100;
        in[2 * f] = in[2 * f + 1] = float(0.3 * std::sin(2 * std::numbers::pi * 220 * t) +
                                          0.2 * std::sin(2 * std::numbers::pi * 330 * t));
    }
    const auto out = left(stretch(kind, in));
    const Spectrum s = spectrum(out, out.size() / 4, 1 << 16);
    centsError = 0;
    double inPeaks = 0, total = 0;
    for (double hz : {220.0, 330.0}) {
        centsError = std::max(centsError, std::abs(1200 * std::log2(peakHz(s, hz) / hz)));
        const size_t k = size_t(hz / s.binHz);
        for (size_t j = k - 6; j <= k + 6; ++j)
            inPeaks += s.power[j];
    }
    for (double p : s.power)
        total += p;
    residualDb = 10 * std::log10(std::max(total - inPeaks, 1e-30) / total);
}

void clickTrack(Stretcher::Kind kind, int &onsets, double &smearMs)
{
    std::vector<float> in(size_t(6 * 44100) * 2, 0.0f);
    for (int c = 1; c <= 11; ++c)
        in[size_t(c * 22050) * 2] = in[size_t(c * 22050) * 2 + 1] = 0.9f;
    const auto out = left(stretch(kind, in));
    onsets = 0;
    double smear = 0;
    size_t quiet = 2205;
    for (size_t i = 0; i < out.size(); ++i) {
        if (std::abs(out[i]) > 0.1f && quiet >= 2205)
            ++onsets;
        quiet = std::abs(out[i]) > 0.1f ? 0 : quiet + 1;
    }
    for (int c = 1; c <= 11; ++c) {
        const size_t centre = size_t(c * 22050 / Speed);
        float peak = 0;
        for (size_t i = centre - 4410; i < centre + 4410; ++i)
            peak = std::max(peak, std::abs(out[i]));
        size_t first = 0, last = 0;
        for (size_t i = centre - 4410; i < centre + 4410; ++i) {
            if (std::abs(out[i]) > peak / 10) {
                first = first ? first : i;
                last = i;
            }
        }
        smear += double(last - first) / 44.1;
    }
    smearMs = smear / 11;
}

double responseMs(Stretcher::Kind kind)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sine.wav"));
    std::vector<float> sine(size_t(5 * 44100) * 2);
    for (size_t f = 0; f < sine.size() / 2; ++f)
        sine[2 * f] = sine[2 * f + 1] =
            float(0.5 * std::sin(2 * std::numbers::pi * 440 * double(f) / 44100));
    SF_INFO info{0, 44100, 2, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 0, 0};
    SNDFILE *file = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
    sf_writef_float(file, sine.data(), sf_count_t(sine.size() / 2));
    sf_close(file);

    AudioBackend backend;
    backend.init(QStringLiteral("offline"));
    backend.setStretcherKind(kind);
    const Handle channel = backend.createTempoChannel(backend.openFile(path));
    backend.play(channel, false);
    std::vector<float> buffer(441 * 2);
    for (int i = 0; i < 100; ++i)
        backend.renderOffline(buffer.data(), 441);
    backend.setTempo(channel, -100, 12);
    for (int chunk = 0; chunk < 200; ++chunk) {
        backend.renderOffline(buffer.data(), 441);
        int crossings = 0;
        for (size_t i = 1; i < 441; ++i)
            crossings += buffer[2 * i - 2] < 0 && buffer[2 * i] >= 0;
        if (crossings >= 8) // 880 Hz gives 8 or 9 rising crossings in 10 ms, 440 Hz gives 4 or 5
            return chunk * 10.0;
    }
    return -1;
}

} // namespace

int main()
{
    std::printf("%-11s %12s %10s %7s %9s %12s\n", "stretcher", "pitch error", "residual", "clicks",
                "smear", "response");
    for (auto kind : {Stretcher::Kind::RubberBand, Stretcher::Kind::SoundTouch}) {
        double cents = 0, residual = 0, smear = 0;
        int onsets = 0;
        tonePair(kind, cents, residual);
        clickTrack(kind, onsets, smear);
        std::printf("%-11s %9.2f ct %7.1f dB %4d/11 %6.1f ms %9.0f ms\n",
                    kind == Stretcher::Kind::RubberBand ? "Rubber Band" : "SoundTouch", cents,
                    residual, onsets, smear, responseMs(kind));
    }
    return 0;
}
