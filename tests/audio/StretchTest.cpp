// Tempo and pitch through the whole chain, for both stretchers, measured on generated sines
// and clicks. Tolerances: duration within 1 % and pitch within 5 cents, as a musician hears
// them; click timing within 10 ms, the position accuracy the player promises.
#include "support/AudioFixtures.h"
#include "support/OfflinePlayer.h"
#include "support/SignalAnalysis.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sndfile.h>

#include <chrono>
#include <thread>

namespace {

using namespace quillmere::audio;

class StretchTest : public ::testing::TestWithParam<Stretcher::Kind> {
protected:
    QTemporaryDir dir;
    QString sinePath;
    OfflinePlayer player{GetParam()};

    void SetUp() override
    {
        sinePath = dir.filePath(QStringLiteral("sine.wav"));
        ASSERT_TRUE(fixtures::writeSndfile(sinePath, fixtures::sine(440, 3.0, 44100, 2), 44100, 2,
                                           SF_FORMAT_WAV | SF_FORMAT_PCM_16));
    }

    // Renders the 3 s sine with the settings and checks its duration and pitch.
    void check(float tempoPercent, float pitchSemitones)
    {
        SCOPED_TRACE(testing::Message() << "tempo " << tempoPercent << " pitch " << pitchSemitones);
        OfflinePlayer p{GetParam()};
        ASSERT_TRUE(p.open(sinePath));
        ASSERT_TRUE(p.backend.setTempo(p.channel, tempoPercent, pitchSemitones));
        ASSERT_TRUE(p.backend.play(p.channel, false));
        const std::vector<float> out = p.renderToEnd();
        const double expectedFrames = 3.0 * OutputRate / (1.0 + tempoPercent / 100.0);
        EXPECT_NEAR(double(out.size() / 2), expectedFrames, expectedFrames * 0.01);
        const auto left = analysis::channel(out, 0);
        const double hz = analysis::frequencyHz(left, left.size() / 10, left.size() * 9 / 10);
        EXPECT_NEAR(analysis::cents(hz, 440.0 * std::pow(2.0, pitchSemitones / 12.0)), 0, 5);
    }
};

TEST_P(StretchTest, TempoChangesDurationNotPitch)
{
    for (float tempo : {-75.0f, -50.0f, 50.0f, 300.0f})
        check(tempo, 0);
}

TEST_P(StretchTest, PitchChangesPitchNotDuration)
{
    for (float pitch : {-12.0f, 12.0f})
        check(0, pitch);
}

TEST_P(StretchTest, ClicksKeepTheirPlaceInTime)
{
    const QString path = dir.filePath(QStringLiteral("clicks.wav"));
    const std::vector<double> times = {0.5, 1.0, 1.5, 2.0, 2.5, 3.0, 3.5, 4.0, 4.5, 5.0};
    ASSERT_TRUE(fixtures::writeSndfile(path, fixtures::clicks(times, 5.5, 44100, 2), 44100, 2,
                                       SF_FORMAT_WAV | SF_FORMAT_FLOAT));
    ASSERT_TRUE(player.open(path));
    player.backend.setTempo(player.channel, -50, -100);
    ASSERT_TRUE(player.backend.play(player.channel, false));
    const auto out = analysis::channel(player.renderToEnd(), 0);
    EXPECT_NEAR(double(out.size()), 11 * 44100.0, 1);
    const auto found = analysis::onsets(out, 0.2f, 4410);
    ASSERT_EQ(found.size(), times.size());
    for (size_t i = 0; i < found.size(); ++i)
        EXPECT_NEAR(double(found[i]), times[i] * 2 * 44100, 441) << "click " << i;
    // No drift: the mean spacing of the clicks is exact to 0.1 %.
    const double spacing = double(found.back() - found.front()) / double(found.size() - 1);
    EXPECT_NEAR(spacing, 44100, 44.1);
}

TEST_P(StretchTest, SeekLandsOnTheRequestedPosition)
{
    const QString path = dir.filePath(QStringLiteral("clicks.wav"));
    ASSERT_TRUE(fixtures::writeSndfile(path, fixtures::clicks({0.5, 1.5}, 2.5, 44100, 2), 44100, 2,
                                       SF_FORMAT_WAV | SF_FORMAT_FLOAT));
    ASSERT_TRUE(player.open(path));
    ASSERT_TRUE(player.backend.play(player.channel, false));
    player.render(4410);
    ASSERT_TRUE(player.backend.setPositionBytes(player.channel, framesToBytes(44100))); // 1.0 s
    EXPECT_EQ(player.backend.positionBytes(player.channel), framesToBytes(44100));
    const auto out = analysis::channel(player.render(44100), 0);
    const auto found = analysis::onsets(out, 0.2f, 4410);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_NEAR(double(found[0]), 22050, 44); // the click at 1.5 s, half a second in, within 1 ms
}

// The first frame after a reset (a seek) comes out first, within 1 ms, at every speed: a click
// there is the stretcher's first sound. (Through the channel a seek fades in; the click tests
// above and below show that what follows it is in step.)
TEST_P(StretchTest, TheFirstSampleAfterASeekIsTheOneAskedFor)
{
    for (double speed : {0.5, 1.0, 2.0}) {
        SCOPED_TRACE(testing::Message() << "speed " << speed);
        auto stretcher = makeStretcher(GetParam());
        stretcher->setSpeedAndPitch(speed, 1.0);
        stretcher->reset();
        std::vector<float> in(size_t(Stretcher::maxBlockFrames()) * 2, 0.0f);
        in[0] = in[1] = 0.9f;
        std::vector<float> out(in.size());
        std::vector<float> heard;
        for (int i = 0; i < 16; ++i, in[0] = in[1] = 0.0f) {
            stretcher->feed(in.data(), Stretcher::maxBlockFrames());
            while (const int n = stretcher->retrieve(out.data(), Stretcher::maxBlockFrames()))
                heard.insert(heard.end(), out.begin(), out.begin() + 2 * n);
        }
        const auto first = analysis::onsets(analysis::channel(heard, 0), 0.2f, 2205);
        ASSERT_FALSE(first.empty());
        EXPECT_NEAR(double(first[0]), 0, 44);
    }
}

TEST_P(StretchTest, ReportedPositionFollowsWhatIsRendered)
{
    ASSERT_TRUE(player.open(sinePath));
    player.backend.setTempo(player.channel, -25, -100);
    ASSERT_TRUE(player.backend.play(player.channel, false));
    // Pull 10 ms at a time, as a sound card would; the position is that of the frame the last
    // buffer began with.
    std::vector<float> buffer(441 * 2);
    double rendered = 0;
    for (int i = 0; i < 300; ++i) {
        ASSERT_EQ(player.backend.renderOffline(buffer.data(), 441), 441);
        const double expected = rendered * 0.75;
        rendered += 441;
        EXPECT_NEAR(double(player.backend.positionBytes(player.channel)) / 4, expected, 1)
            << "buffer " << i;
    }
}

TEST_P(StretchTest, EndNotificationFiresOnceAndTheChannelStops)
{
    ASSERT_TRUE(player.open(sinePath));
    player.backend.setTempo(player.channel, 100, -100);
    ASSERT_TRUE(player.backend.play(player.channel, false));
    player.renderToEnd();
    for (int i = 0; i < 200 && player.endNotifications.load() == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(player.endNotifications.load(), 1);
    EXPECT_EQ(player.backend.activeState(player.channel), ActiveState::Stopped);
    EXPECT_EQ(player.backend.positionBytes(player.channel),
              player.backend.lengthBytes(player.channel));
}

TEST_P(StretchTest, FastAndLowTogetherStayInsideWhatTheStretcherSupports)
{
    // Four times the speed two octaves down: Rubber Band would read past its buffers, so the
    // speed is held at 0.25 / 0.15; the song still ends at its exact length for that speed.
    const double expectedSpeed = GetParam() == Stretcher::Kind::RubberBand ? 0.25 / 0.15 : 4.0;
    EXPECT_DOUBLE_EQ(makeStretcher(GetParam())->supportedSpeed(4.0, 0.25), expectedSpeed);
    ASSERT_TRUE(player.open(sinePath));
    player.backend.setTempo(player.channel, 300, -24);
    ASSERT_TRUE(player.backend.play(player.channel, false));
    const auto out = player.renderToEnd();
    EXPECT_NEAR(double(out.size() / 2), 3.0 * 44100 / expectedSpeed, 2);
}

INSTANTIATE_TEST_SUITE_P(BothStretchers, StretchTest,
                         ::testing::Values(Stretcher::Kind::RubberBand,
                                           Stretcher::Kind::SoundTouch),
                         [](const auto &param) {
                             return param.param == Stretcher::Kind::RubberBand ? "RubberBand"
                                                                               : "SoundTouch";
                         });

} // namespace
