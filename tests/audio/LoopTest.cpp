// A-B loops in the stream, through the real back end and both stretchers, on a generated tone
// with clicks. Tolerances: each repeat lasts b - a within 1 ms (44 frames); the splice shows no
// step beyond what the tone itself has, allowing for the equal-power gains, which lift a tone
// that meets itself in phase by up to 1.41 in the middle of the splice.
#include "support/AudioFixtures.h"
#include "support/OfflinePlayer.h"
#include "support/SignalAnalysis.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <tuple>

namespace {

using namespace quillmere::audio;

constexpr qint64 A = 44100;     // 1.0 s
constexpr qint64 B = 2 * 44100; // 2.0 s
constexpr double ClickS = 1.25; // inside the loop
constexpr double Amplitude = 0.05;

// 3 s of a tone with one click, written as float WAV. The tone does not fit the loop a whole
// number of times, so a hard cut at the wrap would show as a step.
QString writeToneAndClick(const QTemporaryDir &dir)
{
    std::vector<float> samples = fixtures::sine(221.5, 3.0, 44100, 2, Amplitude);
    const std::vector<float> click = fixtures::clicks({ClickS}, 3.0, 44100, 2);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] += click[i];
    const QString path = dir.filePath(QStringLiteral("tone-click.wav"));
    EXPECT_TRUE(fixtures::writeSndfile(path, samples, 44100, 2, SF_FORMAT_WAV | SF_FORMAT_FLOAT));
    return path;
}

double largestStep(const std::vector<float> &mono, size_t from, size_t to)
{
    double most = 0;
    for (size_t i = std::max<size_t>(from, 1); i < std::min(to, mono.size()); ++i)
        most = std::max(most, double(std::abs(mono[i] - mono[i - 1])));
    return most;
}

class LoopTest : public ::testing::TestWithParam<std::tuple<Stretcher::Kind, int>> {
protected:
    QTemporaryDir dir;
    QString path = writeToneAndClick(dir);
    OfflinePlayer player{std::get<0>(GetParam())};
    double speed = 1.0 + std::get<1>(GetParam()) / 100.0;

    void startInLoop()
    {
        ASSERT_TRUE(player.open(path));
        ASSERT_TRUE(player.backend.setTempo(player.channel, float(std::get<1>(GetParam())), -100));
        ASSERT_TRUE(
            player.backend.setLoopRange(player.channel, framesToBytes(A), framesToBytes(B)));
        ASSERT_TRUE(player.backend.setPositionBytes(player.channel, framesToBytes(A)));
        ASSERT_TRUE(player.backend.play(player.channel, false));
    }
};

// Through a stretcher at another speed a click moves by up to a hop of the stretcher's own
// grid, which says nothing about the loop, so the click timing is measured at the song's speed
// (the bench measures the other speeds); the positions below are checked at every speed.
class LoopAtOwnSpeedTest : public LoopTest {};

TEST_P(LoopAtOwnSpeedTest, EveryRepeatLastsTheSectionAndTheSpliceIsSmooth)
{
    startInLoop();
    constexpr int Repeats = 5;
    const double period = double(B - A) / speed;
    const auto out = analysis::channel(player.render(int(Repeats * period)), 0);
    ASSERT_EQ(out.size(), size_t(Repeats * period));
    EXPECT_EQ(player.endNotifications.load(), 0);

    const auto clicks = analysis::onsets(out, 0.2f, 4410);
    ASSERT_EQ(clicks.size(), size_t(Repeats));
    for (size_t i = 1; i < clicks.size(); ++i)
        EXPECT_NEAR(double(clicks[i] - clicks[i - 1]), period, 44)
            << "repeat " << i << " at " << clicks[i];

    // The tone's own largest step, away from the click and the splices.
    const size_t click = clicks[1];
    const double inside = largestStep(out, click + 2205, click + size_t(period * 0.5));
    for (int k = 1; k < Repeats; ++k) {
        const size_t seam = clicks[size_t(k)] - size_t((ClickS - 1.0) * 44100 / speed);
        EXPECT_LE(largestStep(out, seam - 882, seam + 882), inside * 1.5) << "splice " << k;
    }
}

TEST_P(LoopTest, PositionJumpsBackWhenTheWrapIsHeard)
{
    startInLoop();
    std::vector<float> buffer(441 * 2);
    double rendered = 0;
    int wraps = 0;
    qint64 previous = A;
    for (int i = 0; i < int(2.5 * double(B - A) / speed / 441); ++i) {
        ASSERT_EQ(player.backend.renderOffline(buffer.data(), 441), 441);
        // The position is that of the frame the last buffer began with.
        const double expected = double(A) + std::fmod(rendered * speed, double(B - A));
        rendered += 441;
        const qint64 position = player.backend.positionBytes(player.channel) / 4;
        // Near the wrap either side is right within a frame; compare on the circle.
        double error = std::abs(double(position) - expected);
        error = std::min(error, double(B - A) - error);
        EXPECT_LE(error, 2 * speed) << "buffer " << i;
        EXPECT_GE(position, A);
        EXPECT_LE(position, B);
        wraps += position < previous;
        previous = position;
    }
    EXPECT_EQ(wraps, 2);
}

TEST_P(LoopTest, ClearingTheLoopLetsTheSongPlayOn)
{
    startInLoop();
    player.render(int(1.5 * double(B - A) / speed));
    ASSERT_TRUE(player.backend.clearLoopRange(player.channel));
    const qint64 from = player.backend.positionBytes(player.channel) / 4;
    EXPECT_NEAR(double(from), double(A) + 0.5 * double(B - A), 512 * speed); // the last buffer
    const auto rest = player.renderToEnd();
    // From the middle of the loop to the end of the song, with nothing repeated.
    EXPECT_NEAR(double(rest.size() / 2), double(3 * 44100 - from) / speed, 512);
    EXPECT_EQ(analysis::onsets(analysis::channel(rest, 0), 0.2f, 4410).size(), 0u);
}

std::string name(const testing::TestParamInfo<LoopTest::ParamType> &info)
{
    const int percent = std::get<1>(info.param);
    return std::string(std::get<0>(info.param) == Stretcher::Kind::RubberBand ? "RubberBand"
                                                                              : "SoundTouch") +
           (percent < 0 ? "Minus" : "Plus") + std::to_string(std::abs(percent));
}

INSTANTIATE_TEST_SUITE_P(BothStretchersThreeSpeeds, LoopTest,
                         ::testing::Combine(::testing::Values(Stretcher::Kind::RubberBand,
                                                              Stretcher::Kind::SoundTouch),
                                            ::testing::Values(-50, 0, 100)),
                         name);

INSTANTIATE_TEST_SUITE_P(BothStretchers, LoopAtOwnSpeedTest,
                         ::testing::Combine(::testing::Values(Stretcher::Kind::RubberBand,
                                                              Stretcher::Kind::SoundTouch),
                                            ::testing::Values(0)),
                         name);

TEST(LoopRangeTest, RangesOutsideTheSongOrTooShortAreRefused)
{
    QTemporaryDir dir;
    OfflinePlayer player{Stretcher::Kind::RubberBand};
    ASSERT_TRUE(player.open(writeToneAndClick(dir)));
    EXPECT_FALSE(
        player.backend.setLoopRange(player.channel, framesToBytes(A), framesToBytes(A + 100)));
    EXPECT_EQ(AudioBackend::lastError(), ErrorCode::InvalidParameter);
    EXPECT_FALSE(player.backend.setLoopRange(player.channel, framesToBytes(4 * 44100),
                                             framesToBytes(5 * 44100)));
    EXPECT_FALSE(player.backend.setLoopRange(0, 0, framesToBytes(B)));
    EXPECT_EQ(AudioBackend::lastError(), ErrorCode::InvalidHandle);
}

// A section that ends at the very end of the song (within the last timer tick) still repeats.
TEST(LoopRangeTest, ASectionEndingAtTheSongsEndRepeats)
{
    QTemporaryDir dir;
    OfflinePlayer player{Stretcher::Kind::RubberBand};
    ASSERT_TRUE(player.open(writeToneAndClick(dir)));
    const qint64 length = player.backend.lengthBytes(player.channel);
    ASSERT_TRUE(player.backend.setLoopRange(player.channel, framesToBytes(A), length));
    ASSERT_TRUE(player.backend.play(player.channel, false));
    const auto out = analysis::channel(player.render(3 * 3 * 44100), 0);
    EXPECT_EQ(out.size(), size_t(9 * 44100));
    EXPECT_EQ(player.endNotifications.load(), 0);
    // The click at 1.25 s, then once per 2 s repeat.
    const auto clicks = analysis::onsets(out, 0.2f, 4410);
    ASSERT_EQ(clicks.size(), 4u);
    for (size_t i = 1; i < clicks.size(); ++i)
        EXPECT_NEAR(double(clicks[i] - clicks[i - 1]), 2.0 * 44100, 44);
}

} // namespace
