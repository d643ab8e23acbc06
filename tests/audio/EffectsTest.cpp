// The equaliser, reverb and pan, measured on generated signals.
#include "audio/dsp/Biquad.h"
#include "audio/dsp/Denormals.h"
#include "audio/dsp/PeakLimiter.h"
#include "audio/dsp/Reverb.h"
#include "support/AudioFixtures.h"
#include "support/OfflinePlayer.h"
#include "support/SignalAnalysis.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sndfile.h>

#include <numeric>
#include <thread>

namespace {

using namespace quillmere::audio;

// Gain in dB of a filter at a frequency, measured by running a sine through it.
double measuredGainDb(const EqualizerParams &params, double hz)
{
    StereoBiquad filter;
    filter.setCoefficients(peakingCoefficients(params, OutputRate));
    std::vector<float> signal = fixtures::sine(hz, 1.0, OutputRate, 2, 0.25);
    filter.process(signal.data(), int(signal.size() / 2));
    const auto left = analysis::channel(signal, 0);
    return analysis::toDb(analysis::rms(left, 22050, left.size()) / (0.25 / std::sqrt(2.0)));
}

TEST(Equalizer, GainAtTheCentreIsTheSettingAndFollowsThePeakingCurveElsewhere)
{
    for (float centre : {250.0f, 1000.0f, 8000.0f}) {
        for (float gain : {-10.0f, 6.0f, 10.0f}) {
            SCOPED_TRACE(testing::Message() << centre << " Hz, " << gain << " dB");
            const EqualizerParams params{centre, 18.0f, gain};
            EXPECT_NEAR(measuredGainDb(params, centre), gain, 0.5);
            // An octave away the measured gain matches the band's own response curve, which
            // for 18 semitones of bandwidth still holds part of the gain.
            const auto c = peakingCoefficients(params, OutputRate);
            for (double other : {centre / 2.0, centre * 2.0}) {
                if (other > 20000)
                    continue;
                EXPECT_NEAR(measuredGainDb(params, other), biquadGainDb(c, other, OutputRate), 0.3);
                EXPECT_LT(std::abs(biquadGainDb(c, other, OutputRate)), std::abs(gain) - 1);
            }
            // Far from the band nothing changes.
            EXPECT_NEAR(measuredGainDb(params, centre > 2000 ? 100 : 15000), 0, 0.5);
        }
    }
}

// The largest sample-to-sample step of one channel: a click shows as a step far beyond
// what the signal itself makes.
double largestStep(const std::vector<float> &stereo, int channel, size_t fromFrame)
{
    double most = 0;
    for (size_t i = 2 * (fromFrame + 1) + size_t(channel); i < stereo.size(); i += 2)
        most = std::max(most, double(std::abs(stereo[i] - stereo[i - 2])));
    return most;
}

QString writeSine(const QTemporaryDir &dir, double hz, double seconds, double amplitude)
{
    const QString path = dir.filePath(QStringLiteral("sine.wav"));
    EXPECT_TRUE(fixtures::writeSndfile(path, fixtures::sine(hz, seconds, 44100, 2, amplitude),
                                       44100, 2, SF_FORMAT_WAV | SF_FORMAT_FLOAT));
    return path;
}

// A 250 Hz sine through a band at 250 Hz whose gain moves 2 dB every 1024 frames from -6 dB
// through 0 dB to +6 dB, dwelling at 0 dB long enough for the band to be skipped. Returns
// the output after the first 0.1 s (the stretcher's start).
std::vector<float> sweepBand(const QString &path, const std::vector<int> &gains)
{
    OfflinePlayer player(Stretcher::Kind::SoundTouch);
    EXPECT_TRUE(player.open(path));
    const Handle band = player.backend.addEqualizer(player.channel);
    std::vector<float> out;
    for (int gain : gains) {
        EXPECT_TRUE(player.backend.setEqualizerParams(band, {250.0f, 18.0f, float(gain)}));
        if (out.empty()) {
            EXPECT_TRUE(player.backend.play(player.channel, false));
        }
        const auto chunk = player.render(1024);
        out.insert(out.end(), chunk.begin(), chunk.end());
    }
    out.erase(out.begin(), out.begin() + 2 * 4410);
    return out;
}

TEST(Equalizer, ABandSweptThroughZeroDbWhileASinePlaysMakesNoStep)
{
    QTemporaryDir dir;
    const QString path = writeSine(dir, 250, 3.0, 0.25);
    std::vector<int> sweep(12, -6);
    for (int gain : {-4, -2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 4, 6, 6, 6, 6})
        sweep.push_back(gain);
    const auto swept = sweepBand(path, sweep);
    // The signal's own largest step: the same sine held at the loudest setting.
    const double own = largestStep(sweepBand(path, std::vector<int>(sweep.size(), 6)), 0, 0);
    ASSERT_GT(own, 0.01);
    EXPECT_LT(largestStep(swept, 0, 0), own * 1.05);
    EXPECT_LT(largestStep(swept, 1, 0), own * 1.05);
}

TEST(Equalizer, AFlatBandIsSkippedOnlyOnceItsRingingHasDiedAndReturnsFromRest)
{
    StereoBiquad band;
    EXPECT_TRUE(band.idle()); // a new band costs nothing
    band.setTarget(peakingCoefficients({250.0f, 18.0f, 6.0f}, OutputRate));
    auto tone = fixtures::sine(250, 0.1, OutputRate, 2, 0.25);
    band.process(tone.data(), int(tone.size() / 2));
    EXPECT_FALSE(band.idle());
    band.setTarget(peakingCoefficients({250.0f, 18.0f, 0.0f}, OutputRate));
    // Silence in: what comes out is the band's ringing, which must fade rather than stop.
    std::vector<float> silence(2 * 512, 0.0f);
    band.process(silence.data(), 512);
    EXPECT_FALSE(band.idle());
    EXPECT_GT(std::abs(silence[2 * 511]), 1e-6f);
    for (int i = 0; i < 200 && !band.idle(); ++i) {
        std::fill(silence.begin(), silence.end(), 0.0f);
        band.process(silence.data(), 512);
    }
    EXPECT_TRUE(band.idle());
    auto dry = fixtures::sine(250, 0.1, OutputRate, 2, 0.25);
    auto through = dry;
    band.process(through.data(), int(through.size() / 2));
    EXPECT_EQ(through, dry); // skipped: not touched at all
}

#if defined(__x86_64__) || defined(__i386__)
// The bands run as one chain, sample by sample; the sound must be that of each band over the
// whole block in turn, to the bit: steady, gliding to a new setting, flat and skipped.
TEST(Equalizer, TheChainOfBandsSoundsExactlyLikeTheBandsOneByOne)
{
    std::vector<float> signal = fixtures::sine(997, 0.5, OutputRate, 2, 0.4);
    for (size_t i = 0; i < signal.size(); i += 2)
        signal[i + 1] = float(0.3 * std::sin(double(i) * 0.0031)); // the right unlike the left
    const float centres[7] = {60, 250, 500, 1000, 2000, 4000, 8000};
    const float gains[7] = {4, -6, 0, 3, 0, -2, 9};
    std::vector<StereoBiquad> chained(7), alone(7);
    for (int b = 0; b < 7; ++b) {
        const BiquadCoefficients c = peakingCoefficients({centres[b], 12, gains[b]}, OutputRate);
        chained[size_t(b)].setCoefficients(c);
        alone[size_t(b)].setCoefficients(c);
    }
    std::vector<float> viaChain = signal, oneByOne = signal;
    const int frames = int(signal.size() / 2);
    // Blocks shorter than the chain too, which it starts and ends within one call.
    const int sizes[] = {300, 1, 4, 7, 257};
    for (int at = 0, block = 0, n = 0; at < frames; at += n, ++block) {
        n = std::min(sizes[block % 5], frames - at);
        if (block == 20) { // a glide of two bands under way across blocks
            for (int b : {1, 4}) {
                const auto c = peakingCoefficients({centres[b], 12, 5}, OutputRate);
                chained[size_t(b)].setTarget(c);
                alone[size_t(b)].setTarget(c);
            }
        }
        StereoBiquad::processChain(chained.data(), 7, viaChain.data() + 2 * at, n);
        for (StereoBiquad &band : alone)
            band.process(oneByOne.data() + 2 * at, n);
    }
    EXPECT_TRUE(viaChain == oneByOne);
    EXPECT_TRUE(chained[2].idle() && !chained[0].idle());
    EXPECT_GT(analysis::rms(analysis::channel(viaChain, 1), 0, size_t(frames)), 0.1);
}

TEST(Denormals, FlushedToZeroOnTheRenderThreadAsItStarts)
{
    // One of the libraries linked in already sets the flags as it loads; clear them first so
    // that the test shows what flushDenormalsToZero() itself does.
    volatile float tiny = 1e-39f; // a denormal
    volatile float small = 1e-30f;
    bool keptBefore = false, zeroInput = false, zeroResult = false;
    std::thread renderLike([&] {
        _mm_setcsr(_mm_getcsr() & ~0x8040u); // flush-to-zero and denormals-are-zero off
        keptBefore = tiny * 1.0f != 0.0f;
        flushDenormalsToZero();
        zeroInput = tiny * 1.0f == 0.0f;
        zeroResult = small * 1e-10f == 0.0f;
    });
    renderLike.join();
    ASSERT_TRUE(keptBefore);
    EXPECT_TRUE(zeroInput);
    EXPECT_TRUE(zeroResult);
}
#endif

TEST(Limiter, LeavesFullScaleAloneAndHoldsLouderPeaksToItWithoutBendingTheWave)
{
    PeakLimiter limiter;
    auto quiet = fixtures::sine(250, 0.2, OutputRate, 2, 1.0);
    const auto original = quiet;
    limiter.process(quiet.data(), int(quiet.size() / 2));
    EXPECT_EQ(quiet, original); // up to full scale: bit for bit

    auto loud = fixtures::sine(250, 0.5, OutputRate, 2, 1.6);
    const auto dry = loud;
    limiter.process(loud.data(), int(loud.size() / 2));
    float most = 0, ratioLow = 10, ratioHigh = 0;
    for (size_t i = 0; i < loud.size(); ++i) {
        most = std::max(most, std::abs(loud[i]));
        if (i > 2 * 2205 && std::abs(dry[i]) > 0.1f) { // past the first 50 ms
            ratioLow = std::min(ratioLow, loud[i] / dry[i]);
            ratioHigh = std::max(ratioHigh, loud[i] / dry[i]);
        }
    }
    EXPECT_LE(most, 1.0f);
    EXPECT_GT(most, 0.999f);
    // One steady gain: the wave keeps its shape, nothing is clipped off.
    EXPECT_NEAR(ratioLow, 1 / 1.6, 0.01);
    EXPECT_NEAR(ratioHigh, 1 / 1.6, 0.01);

    auto after = fixtures::sine(250, 1.0, OutputRate, 2, 0.5);
    limiter.process(after.data(), int(after.size() / 2));
    EXPECT_EQ(limiter.gain(), 1.0f); // recovered once the loud part is over
}

TEST(Limiter, AnEqualiserBoostOfALoudSongStaysWithinFullScale)
{
    QTemporaryDir dir;
    const QString path = writeSine(dir, 250, 1.0, 0.7);
    OfflinePlayer player(Stretcher::Kind::SoundTouch);
    ASSERT_TRUE(player.open(path));
    const Handle band = player.backend.addEqualizer(player.channel);
    ASSERT_TRUE(player.backend.setEqualizerParams(band, {250.0f, 18.0f, 12.0f}));
    ASSERT_TRUE(player.backend.play(player.channel, false));
    const auto out = player.renderToEnd();
    ASSERT_GT(out.size(), 2u * 40000);
    float most = 0;
    for (float sample : out)
        most = std::max(most, std::abs(sample));
    EXPECT_LE(most, 1.0f);
    EXPECT_GT(most, 0.99f);
}

// Energy envelope in dB over 10 ms windows of the left channel.
std::vector<double> envelopeDb(const std::vector<float> &stereo)
{
    const auto left = analysis::channel(stereo, 0);
    std::vector<double> env;
    for (size_t i = 0; i + 441 <= left.size(); i += 441)
        env.push_back(analysis::toDb(analysis::rms(left, i, i + 441)));
    return env;
}

TEST(Reverb, SilentAtLevelZeroAndDecaysAtTheReverbTimeAtFullLevel)
{
    // A 200 ms burst of a low tone, then 3 s of silence.
    auto signal = fixtures::sine(220, 0.2, OutputRate, 2, 0.5);
    signal.resize(size_t(3.2 * OutputRate) * 2, 0.0f);

    Reverb off;
    off.setParams(ReverbParams{0, -96, 1200, 0.1f});
    auto dry = signal;
    off.process(dry.data(), int(dry.size() / 2));
    EXPECT_EQ(dry, signal);

    Reverb on;
    on.setParams(ReverbParams{0, 0, 1200, 0.1f});
    auto wet = signal;
    on.process(wet.data(), int(wet.size() / 2));
    const auto env = envelopeDb(wet);
    // Time from 5 dB to 35 dB below the tail's start, times two: the 60 dB decay time.
    const double start = env[21];
    int t5 = -1, t35 = -1;
    for (int i = 21; i < int(env.size()); ++i) {
        if (t5 < 0 && env[i] < start - 5)
            t5 = i;
        if (t35 < 0 && env[i] < start - 35)
            t35 = i;
    }
    ASSERT_GT(t5, 0);
    ASSERT_GT(t35, t5);
    const double rt60Ms = (t35 - t5) * 10.0 * 2;
    EXPECT_NEAR(rt60Ms, 1200, 240);
}

TEST(Reverb, TurnedDownItsTailGoesOnDecayingAndIsSkippedOnceBelowTheFloor)
{
    // Mutually prime lines never line their echoes up again.
    for (int i = 0; i < Reverb::Lines; ++i) {
        for (int j = i + 1; j < Reverb::Lines; ++j)
            EXPECT_EQ(std::gcd(Reverb::LineLengths[i], Reverb::LineLengths[j]), 1) << i << j;
    }
    Reverb reverb;
    reverb.setParams(ReverbParams{0, 0, 1200, 0.1f});
    auto burst = fixtures::sine(220, 0.2, OutputRate, 2, 0.5);
    burst.resize(size_t(0.3 * OutputRate) * 2, 0.0f);
    reverb.process(burst.data(), int(burst.size() / 2));
    const auto before = analysis::channel(burst, 0);
    const double tailDb = analysis::toDb(analysis::rms(before, 11025, 13230));

    // 0.6 s turned down, half the reverb time: about 30 dB of decay.
    reverb.setParams(ReverbParams{0, -96, 1200, 0.1f});
    std::vector<float> silence(size_t(0.6 * OutputRate) * 2, 0.0f);
    reverb.process(silence.data(), int(silence.size() / 2));
    EXPECT_EQ(*std::max_element(silence.begin() + 2 * 1024, silence.end()), 0.0f);
    EXPECT_FALSE(reverb.idle());
    reverb.setParams(ReverbParams{0, 0, 1200, 0.1f});
    std::vector<float> after(size_t(0.05 * OutputRate) * 2, 0.0f);
    reverb.process(after.data(), int(after.size() / 2));
    const double laterDb = analysis::toDb(analysis::rms(analysis::channel(after, 0), 600, 1041));
    EXPECT_LT(laterDb, tailDb - 20) << "the tail was frozen while turned down";
    EXPECT_GT(laterDb, tailDb - 45) << "the tail was dropped, not decayed";

    reverb.setParams(ReverbParams{0, -96, 1200, 0.1f});
    std::vector<float> longSilence(size_t(2.0 * OutputRate) * 2, 0.0f);
    reverb.process(longSilence.data(), int(longSilence.size() / 2));
    EXPECT_TRUE(reverb.idle());
}

TEST(Reverb, LevelToZeroAndBackWhileASinePlaysMakesNoStep)
{
    QTemporaryDir dir;
    const QString path = writeSine(dir, 250, 3.0, 0.25);
    auto playWithLevels = [&](const std::vector<float> &mixDb) {
        OfflinePlayer player(Stretcher::Kind::SoundTouch);
        EXPECT_TRUE(player.open(path));
        const Handle reverb = player.backend.addReverb(player.channel);
        std::vector<float> out;
        for (float db : mixDb) {
            EXPECT_TRUE(player.backend.setReverbParams(reverb, {0, db, 1200, 0.1f}));
            if (out.empty()) {
                EXPECT_TRUE(player.backend.play(player.channel, false));
            }
            const auto chunk = player.render(4410);
            out.insert(out.end(), chunk.begin(), chunk.end());
        }
        return out;
    };
    // The signal's own steps include those of the reverb building up from nothing.
    const double own = std::max(largestStep(playWithLevels(std::vector<float>(12, 0)), 0, 2205),
                                largestStep(playWithLevels(std::vector<float>(12, -96)), 0, 2205));
    ASSERT_GT(own, 0.005);
    const auto changed = playWithLevels({0, 0, 0, 0, -96, -96, -96, 0, 0, 0, 0, 0});
    EXPECT_LT(largestStep(changed, 0, 4410), own * 1.05);
    EXPECT_LT(largestStep(changed, 1, 4410), own * 1.05);
}

TEST(Pan, ASweepFromLeftToRightMakesNoStep)
{
    QTemporaryDir dir;
    const QString path = writeSine(dir, 250, 3.0, 0.25);
    auto sweepPan = [&](bool moving) {
        OfflinePlayer player(Stretcher::Kind::SoundTouch);
        EXPECT_TRUE(player.open(path));
        EXPECT_TRUE(player.backend.play(player.channel, false));
        std::vector<float> out;
        // A slider dragged across in 41 steps, one every 256 frames.
        for (int step = 0; step <= 40; ++step) {
            EXPECT_TRUE(player.backend.setPan(player.channel, moving ? float(step * 5 - 100) : 0));
            const auto chunk = player.render(256);
            out.insert(out.end(), chunk.begin(), chunk.end());
        }
        return out;
    };
    const double own = largestStep(sweepPan(false), 0, 4410);
    ASSERT_GT(own, 0.005);
    const auto swept = sweepPan(true);
    EXPECT_LT(largestStep(swept, 0, 4410), own * 1.05);
    EXPECT_LT(largestStep(swept, 1, 4410), own * 1.05);
}

TEST(Pan, FullLeftSilencesTheRightChannel)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sine.wav"));
    ASSERT_TRUE(fixtures::writeSndfile(path, fixtures::sine(440, 1.0, 44100, 2), 44100, 2,
                                       SF_FORMAT_WAV | SF_FORMAT_FLOAT));
    for (float pan : {-100.0f, -50.0f, 100.0f}) {
        OfflinePlayer player(Stretcher::Kind::SoundTouch);
        ASSERT_TRUE(player.open(path));
        ASSERT_TRUE(player.backend.setPan(player.channel, pan));
        ASSERT_TRUE(player.backend.play(player.channel, false));
        const auto out = player.renderToEnd();
        const double left = analysis::rms(analysis::channel(out, 0), 4410, 40000);
        const double right = analysis::rms(analysis::channel(out, 1), 4410, 40000);
        const double full = 0.5 / std::sqrt(2.0);
        EXPECT_NEAR(left, pan > 0 ? (1 - pan / 100) * full : full, 0.02) << pan;
        EXPECT_NEAR(right, pan < 0 ? (1 + pan / 100) * full : full, 0.02) << pan;
    }
    OfflinePlayer player(Stretcher::Kind::SoundTouch);
    ASSERT_TRUE(player.open(path));
    EXPECT_FALSE(player.backend.setPan(player.channel, 101));
    EXPECT_EQ(AudioBackend::lastError(), ErrorCode::InvalidParameter);
}

} // namespace
