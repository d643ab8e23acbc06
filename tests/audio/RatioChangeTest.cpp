// Speed and pitch changed while a sine plays, through the offline path with both stretchers:
// every change is heard, and none clicks or leaves a gap. A click is a sample-to-sample step
// larger than the sine's own largest step at the highest pitch played (plus a small
// tolerance for the stretchers' own ripple); a gap is a run of near-silence no sine has.
#include "support/AudioFixtures.h"
#include "support/OfflinePlayer.h"
#include "support/SignalAnalysis.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

using namespace quillmere::audio;

constexpr double ToneHz = 440;
constexpr double Amplitude = 0.5;
constexpr float StepTolerance = 0.02f;
constexpr int GapFrames = 32; // 0.7 ms: a 440 Hz sine is near zero for under one frame

struct Change {
    float tempoPercent;
    float semitones;
};

class RatioChangeTest : public ::testing::TestWithParam<Stretcher::Kind> {};

TEST_P(RatioChangeTest, ChangesAreHeardWithoutClickOrGap)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sine.wav"));
    const auto sine = fixtures::sine(ToneHz, 20.0, 44100, 2, Amplitude);
    ASSERT_TRUE(fixtures::writeSndfile(path, sine, 44100, 2, SF_FORMAT_WAV | SF_FORMAT_FLOAT));
    OfflinePlayer player{GetParam()};
    ASSERT_TRUE(player.open(path));
    ASSERT_TRUE(player.backend.play(player.channel, false));

    // Up, down, pitch, both, the extremes a user can set, and back.
    const Change changes[] = {{50, 0},   {-30, 0},   {-30, 5}, {100, -7},
                              {-75, 12}, {300, -12}, {0, 0}};
    std::vector<float> out = player.render(OutputRate / 2);
    std::vector<float> part;
    double highestHz = ToneHz;
    for (const Change &change : changes) {
        SCOPED_TRACE(testing::Message()
                     << "tempo " << change.tempoPercent << " pitch " << change.semitones);
        ASSERT_TRUE(player.backend.setTempo(player.channel, change.tempoPercent, change.semitones));
        const double hz = ToneHz * std::pow(2.0, change.semitones / 12.0);
        highestHz = std::max(highestHz, hz);
        part = player.render(OutputRate);
        ASSERT_EQ(part.size(), size_t(OutputRate) * 2);
        out.insert(out.end(), part.begin(), part.end());
        // Heard within the second: its last quarter is at the new pitch.
        const auto left = analysis::channel(part, 0);
        EXPECT_NEAR(
            analysis::cents(analysis::frequencyHz(left, left.size() * 3 / 4, left.size()), hz), 0,
            10);
    }

    // Back at the song's own speed and pitch, no stretcher runs: the end is the source itself,
    // sample for sample, from wherever in it the render has got to (the sine repeats every
    // 4410 frames, so the first match is as good as the true one).
    const auto endLeft = analysis::channel(part, 0);
    const auto sourceLeft = analysis::channel(sine, 0);
    const size_t k = endLeft.size() * 3 / 4;
    size_t j = 0;
    while (j + 1 < sourceLeft.size() &&
           !(sourceLeft[j] == endLeft[k] && sourceLeft[j + 1] == endLeft[k + 1]))
        ++j;
    ASSERT_LT(j + endLeft.size() - k, sourceLeft.size()) << "the end is not the source";
    // Within 1e-9: a few samples a hair from zero come out a trillionth off.
    EXPECT_TRUE(std::equal(endLeft.begin() + long(k), endLeft.end(), sourceLeft.begin() + long(j),
                           [](float a, float b) { return std::abs(a - b) < 1e-9f; }));

    const float ownStep = float(2 * std::numbers::pi * highestHz / OutputRate * Amplitude);
    const auto left = analysis::channel(out, 0);
    float largestStep = 0;
    size_t at = 0;
    int quiet = 0, longestQuiet = 0;
    for (size_t i = 1; i < left.size(); ++i) {
        const float step = std::abs(left[i] - left[i - 1]);
        if (step > largestStep) {
            largestStep = step;
            at = i;
        }
        quiet = std::abs(left[i]) < 0.01f ? quiet + 1 : 0;
        longestQuiet = std::max(longestQuiet, quiet);
    }
    EXPECT_LE(largestStep, ownStep + StepTolerance) << "at output frame " << at;
    EXPECT_LT(longestQuiet, GapFrames);
}

INSTANTIATE_TEST_SUITE_P(BothStretchers, RatioChangeTest,
                         ::testing::Values(Stretcher::Kind::RubberBand,
                                           Stretcher::Kind::SoundTouch));

} // namespace
