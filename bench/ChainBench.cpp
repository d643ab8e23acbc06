// Cost of the playback chain against the bare stretcher, both on one core.
// Real-time factor = seconds of song per second of processing; Google Benchmark reports it as
// the "rtf" counter (higher is faster).
#include "audio/core/Fft1024.h"
#include "audio/core/TapRing.h"
#include "audio/decoders/SndfileDecoder.h"
#include "audio/decoders/StereoConverter.h"
#include "audio/dsp/Biquad.h"
#include "audio/dsp/Reverb.h"
#include "audio/stretch/Stretcher.h"
#include "audio/stretch/StretcherSwap.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <ctime>
#include <numbers>
#include <vector>

using namespace quillmere::audio;

namespace {

constexpr double SongSeconds = 10.0;

// A 10 s test song of two tones and a click every half second, written once for each rate.
QString writeSong(const QString &p, int rate)
{
    const auto frames = size_t(SongSeconds * rate);
    std::vector<float> samples(frames * 2);
    for (size_t f = 0; f < frames; ++f) {
        const double t = double(f) / rate;
        float v = float(0.3 * std::sin(2 * std::numbers::pi * 220 * t) +
                        0.2 * std::sin(2 * std::numbers::pi * 330 * t));
        if (f % (rate / 2) == 0)
            v = 0.9f;
        samples[2 * f] = samples[2 * f + 1] = v;
    }
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE *file = sf_open(QFile::encodeName(p).constData(), SFM_WRITE, &info);
    sf_writef_float(file, samples.data(), sf_count_t(frames));
    sf_close(file);
    return p;
}

const QString &songPath(int rate)
{
    static QTemporaryDir dir;
    static const QString cdRate = writeSong(dir.filePath(QStringLiteral("song44.wav")), 44100);
    static const QString highRate = writeSong(dir.filePath(QStringLiteral("song48.wav")), 48000);
    return rate == 44100 ? cdRate : highRate;
}

// The song's rate and the rate the chain runs at: a CD-rate song rendered (or on a 44.1 kHz
// sink), a 48 kHz song on the usual 48 kHz sink, neither resampled; and a CD-rate song on a
// 48 kHz sink, resampled in the decoder (libsoxr, high quality).
struct Rates {
    int song;
    int output;
};
constexpr Rates Cases[] = {{44100, OutputRate}, {48000, 48000}, {44100, 48000}};

std::vector<float> decodedSong(Rates rates)
{
    ErrorCode error{};
    StereoConverter converter(openSndfileDecoder(songPath(rates.song), error), rates.output);
    std::vector<float> out(size_t(converter.info().frames + 8192) * 2);
    qint64 total = 0, n = 0;
    while ((n = converter.read(out.data() + 2 * total, 4096)) > 0)
        total += n;
    out.resize(size_t(total) * 2);
    return out;
}

struct Setting {
    double speed;
    double pitchSemitones;
};
constexpr Setting Settings[] = {{0.5, 0}, {0.75, 0}, {1.5, 0}, {1.0, 2}, {0.75, 2}};

// Setting the stretcher up (its warm-up and start-delay probe) happens once per setting, not
// per second of song: callers leave it out of the timing.
void configure(benchmark::State &state, Stretcher &stretcher, const std::string &suffix = {})
{
    const Setting s = Settings[state.range(1)];
    stretcher.setSpeedAndPitch(s.speed, std::pow(2.0, s.pitchSemitones / 12.0));
    stretcher.reset();
    state.SetLabel((state.range(0) == 0 ? std::string("rubberband") : std::string("soundtouch")) +
                   " speed " + std::to_string(s.speed).substr(0, 4) + " pitch " +
                   std::to_string(int(s.pitchSemitones)) + ", a " +
                   std::to_string(Cases[state.range(3)].song) + " Hz song at " +
                   std::to_string(Cases[state.range(3)].output) + " Hz" + suffix);
}

Stretcher::Kind kindOf(const benchmark::State &state)
{
    return state.range(0) == 0 ? Stretcher::Kind::RubberBand : Stretcher::Kind::SoundTouch;
}

// Feeds the song through the stretcher alone, from memory.
void stretchAlone(Stretcher &stretcher, const std::vector<float> &song)
{
    std::vector<float> out(1024 * 2);
    for (size_t pos = 0; pos + 2048 <= song.size(); pos += 2048) {
        stretcher.feed(song.data() + pos, 1024);
        while (stretcher.retrieve(out.data(), 1024) > 0) {
        }
    }
    benchmark::DoNotOptimize(out.data());
}

// Everything after the stretcher: six EQ bands, reverb, the FFT tap, and an FFT every 33 ms
// as the spectrum display asks for. Effects: +3 dB in every band and the reverb at level 10
// (the worst case), or flat bands and no reverb (the common setting, where both are skipped).
class ChainStages {
public:
    ChainStages(int rate, bool effectsOn) : m_rate(rate), m_bands(6), m_reverb(rate)
    {
        const float centres[6] = {250, 500, 1000, 2000, 4000, 8000};
        for (int i = 0; i < 6; ++i)
            m_bands[size_t(i)].setCoefficients(
                peakingCoefficients({centres[i], 18, effectsOn ? 3.0f : 0.0f}, rate));
        m_reverb.setParams({0, effectsOn ? -12.0f : -96.0f, 1200, 0.1f});
    }

    // Decode and resample from the file, stretch, and the stages.
    void run(Stretcher &stretcher, StereoConverter &source)
    {
        qint64 n = 0, sinceFft = 0;
        while ((n = source.read(m_in.data(), 1024)) > 0) {
            stretcher.feed(m_in.data(), int(n));
            int got = 0;
            while ((got = stretcher.retrieve(m_out.data(), 1024)) > 0) {
                StereoBiquad::processChain(m_bands.data(), int(m_bands.size()), m_out.data(), got);
                m_reverb.process(m_out.data(), got);
                m_tap->write(m_out.data(), got);
                if ((sinceFft += got) >= m_rate * 33 / 1000) {
                    sinceFft = 0;
                    m_fft.compute(*m_tap, m_magnitudes, 0, m_rate);
                }
            }
        }
        benchmark::DoNotOptimize(m_magnitudes);
    }

private:
    int m_rate;
    std::vector<StereoBiquad> m_bands;
    Reverb m_reverb;
    std::unique_ptr<TapRing> m_tap = std::make_unique<TapRing>();
    Fft1024 m_fft;
    std::vector<float> m_in = std::vector<float>(1024 * 2);
    std::vector<float> m_out = std::vector<float>(1024 * 2);
    float m_magnitudes[512] = {};
};

void BM_BareStretcher(benchmark::State &state)
{
    const Rates rates = Cases[state.range(3)];
    const int rate = rates.output;
    const std::vector<float> song = decodedSong(rates);
    auto stretcher = makeStretcher(kindOf(state), rate);
    for (auto _ : state) {
        state.PauseTiming();
        configure(state, *stretcher);
        state.ResumeTiming();
        stretchAlone(*stretcher, song);
    }
    state.counters["rtf"] =
        benchmark::Counter(SongSeconds * double(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_WholeChain(benchmark::State &state)
{
    const Rates rates = Cases[state.range(3)];
    const int rate = rates.output;
    const bool effectsOn = state.range(2) == 0;
    auto stretcher = makeStretcher(kindOf(state), rate);
    ChainStages stages(rate, effectsOn);
    for (auto _ : state) {
        state.PauseTiming();
        ErrorCode error{};
        StereoConverter source(openSndfileDecoder(songPath(rates.song), error), rate);
        configure(state, *stretcher, effectsOn ? "" : ", flat, no reverb");
        state.ResumeTiming();
        stages.run(*stretcher, source);
    }
    state.counters["rtf"] =
        benchmark::Counter(SongSeconds * double(state.iterations()), benchmark::Counter::kIsRate);
}

double threadCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// The chain and the bare stretcher in turn, each iteration one of each: the ratio is taken
// pair by pair and its median reported ("chain/bare"), so that the machine's speed drifting
// between two separate benchmarks cannot move it.
void BM_ChainOverBare(benchmark::State &state)
{
    const Rates rates = Cases[state.range(3)];
    const int rate = rates.output;
    const bool effectsOn = state.range(2) == 0;
    const std::vector<float> song = decodedSong(rates);
    auto bare = makeStretcher(kindOf(state), rate);
    auto chained = makeStretcher(kindOf(state), rate);
    ChainStages stages(rate, effectsOn);
    std::vector<double> ratios;
    for (auto _ : state) {
        ErrorCode error{};
        StereoConverter source(openSndfileDecoder(songPath(rates.song), error), rate);
        configure(state, *bare);
        configure(state, *chained, effectsOn ? "" : ", flat, no reverb");
        const double start = threadCpuSeconds();
        stretchAlone(*bare, song);
        const double middle = threadCpuSeconds();
        stages.run(*chained, source);
        ratios.push_back((threadCpuSeconds() - middle) / (middle - start));
    }
    std::sort(ratios.begin(), ratios.end());
    state.counters["chain/bare"] = ratios[ratios.size() / 2];
}

// What a song start costs the UI thread: the channel's pair of stretchers made and the first
// one prepared for the setting (0.75x and +2 semitones; at the song's own speed and pitch
// only the making).
void BM_SongStart(benchmark::State &state)
{
    const double speed = state.range(1) == 0 ? 1.0 : 0.75;
    const double pitch = state.range(1) == 0 ? 1.0 : std::pow(2.0, 2.0 / 12);
    state.SetLabel(std::string(state.range(0) == 0 ? "rubberband" : "soundtouch") +
                   (state.range(1) == 0 ? ", own speed and pitch" : ", 0.75x +2 st"));
    for (auto _ : state) {
        auto swap = std::make_unique<StretcherSwap>(kindOf(state), OutputRate);
        benchmark::DoNotOptimize(swap->start(speed, pitch).stretcher);
        state.PauseTiming(); // stopping the worker is not part of the start
        swap.reset();
        state.ResumeTiming();
    }
}

void BM_Fft1024(benchmark::State &state)
{
    auto tap = std::make_unique<TapRing>();
    std::vector<float> noise(2048 * 2);
    for (size_t i = 0; i < noise.size(); ++i)
        noise[i] = float(std::sin(double(i) * 0.37));
    tap->write(noise.data(), 2048);
    Fft1024 fft;
    float magnitudes[512];
    for (auto _ : state) {
        fft.compute(*tap, magnitudes);
        benchmark::DoNotOptimize(magnitudes);
    }
}

// Decoding a minute of MP3 (192 kbit/s, 44100 Hz stereo) to float, through libsndfile.
void BM_DecodeMp3Minute(benchmark::State &state)
{
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("minute.mp3"));
    if (!QFile::exists(path)) {
        std::vector<float> samples(size_t(60 * OutputRate) * 2);
        for (size_t f = 0; f < samples.size() / 2; ++f)
            samples[2 * f] = samples[2 * f + 1] =
                float(0.4 * std::sin(2 * std::numbers::pi * 330 * double(f) / OutputRate));
        SF_INFO info{0, OutputRate, 2, SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, 0, 0};
        SNDFILE *file = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
        sf_writef_float(file, samples.data(), sf_count_t(samples.size() / 2));
        sf_close(file);
    }
    std::vector<float> buffer(4096 * 2);
    for (auto _ : state) {
        ErrorCode error{};
        StereoConverter source(openSndfileDecoder(path, error));
        while (source.read(buffer.data(), 4096) > 0) {
        }
        benchmark::DoNotOptimize(buffer.data());
    }
}

void chainArgs(benchmark::internal::Benchmark *b)
{
    for (int effects = 0; effects < 2; ++effects)
        for (int kind = 0; kind < 2; ++kind)
            for (int s = 0; s < int(std::size(Settings)); ++s)
                for (int rate = 0; rate < int(std::size(Cases)); ++rate)
                    b->Args({kind, s, effects, rate});
    b->Unit(benchmark::kMillisecond);
}

void stretcherArgs(benchmark::internal::Benchmark *b)
{
    for (int kind = 0; kind < 2; ++kind)
        for (int s = 0; s < int(std::size(Settings)); ++s)
            for (int rate = 0; rate < int(std::size(Cases)); ++rate)
                b->Args({kind, s, 0, rate});
    b->Unit(benchmark::kMillisecond);
}

} // namespace

BENCHMARK(BM_BareStretcher)->Apply(stretcherArgs);
BENCHMARK(BM_WholeChain)->Apply(chainArgs);
BENCHMARK(BM_ChainOverBare)->Apply(chainArgs)->MinTime(2);
BENCHMARK(BM_SongStart)->ArgsProduct({{0, 1}, {0, 1}})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Fft1024)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DecodeMp3Minute)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
