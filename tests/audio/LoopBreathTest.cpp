// The pause and count-in before each repeat of an A-B section, through the real back end and
// both stretchers, on a generated tone whose pitch tells the section (220 Hz) from what comes
// before and after it (330 Hz). Tolerance: every edge within 1 ms (44 frames).
#include "audio/dsp/CountInClicks.h"
#include "support/AudioFixtures.h"
#include "support/OfflinePlayer.h"
#include "support/SignalAnalysis.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>

namespace {

using namespace quillmere::audio;

constexpr qint64 A = 44100;
constexpr qint64 B = 2 * 44100;
constexpr size_t Section = B - A;

QString writeThreeTones(const QTemporaryDir &dir)
{
    std::vector<float> samples;
    for (double hz : {330.0, 220.0, 330.0}) {
        const std::vector<float> part = fixtures::sine(hz, 1.0, 44100, 2, 0.1);
        samples.insert(samples.end(), part.begin(), part.end());
    }
    const QString path = dir.filePath(QStringLiteral("three-tones.wav"));
    EXPECT_TRUE(fixtures::writeSndfile(path, samples, 44100, 2, SF_FORMAT_WAV | SF_FORMAT_FLOAT));
    return path;
}

double loudest(const std::vector<float> &mono, size_t from, size_t to)
{
    double most = 0;
    for (size_t i = from; i < std::min(to, mono.size()); ++i)
        most = std::max(most, double(std::abs(mono[i])));
    return most;
}

struct Breath {
    int pauseMs;
    int clicks;
    std::vector<size_t> clickFrames; // from the end of the section
};

class LoopBreathTest : public ::testing::TestWithParam<Stretcher::Kind> {
protected:
    QTemporaryDir dir;
    QString path = writeThreeTones(dir);

    void startInLoop(OfflinePlayer &player, const Breath &breath)
    {
        ASSERT_TRUE(player.open(path));
        ASSERT_TRUE(
            player.backend.setLoopRange(player.channel, framesToBytes(A), framesToBytes(B)));
        ASSERT_TRUE(player.backend.setLoopBreath(player.channel, breath.pauseMs, breath.clicks,
                                                 500)); // 120 bpm
        ASSERT_TRUE(player.backend.setPositionBytes(player.channel, framesToBytes(A)));
        ASSERT_TRUE(player.backend.play(player.channel, false));
    }
};

// Four clicks at 120 bpm need two seconds: in a one-second pause they are squeezed to a
// quarter second apart. Two clicks fit a 1.5 s pause at the tapped tempo, the last one a beat
// before a.
TEST_P(LoopBreathTest, EachRepeatFollowsExactlyThePauseWithTheCountInBeforeIt)
{
    for (const Breath &breath :
         {Breath{1000, 4, {0, 11025, 22050, 33075}}, Breath{1500, 2, {22050, 44100}}}) {
        SCOPED_TRACE(breath.pauseMs);
        OfflinePlayer player{GetParam()};
        startInLoop(player, breath);
        const size_t gap = size_t(breath.pauseMs) * 441 / 10;
        const size_t period = Section + gap;
        const auto out = analysis::channel(player.render(int(2 * period + 22050)), 0);
        ASSERT_EQ(out.size(), 2 * period + 22050);

        std::vector<size_t> expected;
        for (size_t r = 0; r < 2; ++r)
            for (size_t click : breath.clickFrames)
                expected.push_back(r * period + Section + click);
        const auto clicks = analysis::onsets(out, 0.2f, 4410);
        ASSERT_EQ(clicks.size(), expected.size());
        for (size_t i = 0; i < clicks.size(); ++i)
            EXPECT_NEAR(double(clicks[i]), double(expected[i]), 44) << "click " << i;

        for (size_t r = 0; r < 2; ++r) {
            const size_t end = r * period + Section;
            EXPECT_GT(analysis::rms(out, end - 2000, end - 300), 0.05) << "played to b";
            // Silent from b to the first click (less the first frames of its burst, before
            // its onset), between the clicks, and from the last one to the restart.
            if (breath.clickFrames[0] > 0) {
                EXPECT_LT(loudest(out, end + 100, end + breath.clickFrames[0] - 10), 1e-3);
            }
            for (size_t k = 0; k < breath.clickFrames.size(); ++k) {
                const size_t quiet = end + breath.clickFrames[k] + CountInClicks::BurstFrames;
                const size_t next = k + 1 < breath.clickFrames.size()
                                        ? end + breath.clickFrames[k + 1]
                                        : end + gap - 44;
                EXPECT_LT(loudest(out, quiet, next), 1e-3) << "repeat " << r << " click " << k;
            }
            const size_t restart = end + gap;
            // The first trace of sound: a fades in over a few milliseconds.
            size_t heard = restart - 44;
            while (heard < out.size() && std::abs(out[heard]) < 0.002f)
                ++heard;
            EXPECT_NEAR(double(heard), double(restart), 44) << "repeat " << r;
            EXPECT_NEAR(analysis::frequencyHz(out, restart + 441, restart + 13230), 220.0, 1.0)
                << "the section comes back with a, not what precedes it";
        }
    }
}

TEST_P(LoopBreathTest, PositionHoldsAtAThroughThePause)
{
    OfflinePlayer player{GetParam()};
    startInLoop(player, Breath{1000, 0, {}});
    player.render(int(Section + 22050));
    EXPECT_NEAR(double(player.backend.positionBytes(player.channel) / 4), double(A), 2);
    player.render(22050 + 4410);
    EXPECT_NEAR(double(player.backend.positionBytes(player.channel) / 4), double(A + 4410), 600);
    EXPECT_EQ(player.endNotifications.load(), 0);
}

INSTANTIATE_TEST_SUITE_P(BothStretchers, LoopBreathTest,
                         ::testing::Values(Stretcher::Kind::RubberBand,
                                           Stretcher::Kind::SoundTouch));

TEST(LoopBreathRangeTest, PausesAndCountInsOutOfRangeAreRefused)
{
    QTemporaryDir dir;
    OfflinePlayer player{Stretcher::Kind::RubberBand};
    ASSERT_TRUE(player.open(writeThreeTones(dir)));
    EXPECT_FALSE(player.backend.setLoopBreath(player.channel, 5001, 0, 500));
    EXPECT_EQ(AudioBackend::lastError(), ErrorCode::InvalidParameter);
    EXPECT_FALSE(player.backend.setLoopBreath(player.channel, 1000, 9, 500));
    EXPECT_FALSE(player.backend.setLoopBreath(player.channel, 1000, 2, 50));
    EXPECT_TRUE(player.backend.setLoopBreath(player.channel, 5000, 8, 100));
    EXPECT_FALSE(player.backend.setLoopBreath(0, 1000, 0, 500));
    EXPECT_EQ(AudioBackend::lastError(), ErrorCode::InvalidHandle);
}

} // namespace
