// No clicks on the transport: a full-scale sine through the real chain, seeking, pausing,
// resuming and running dry. Without the fades a seek steps by up to 2.0 and a pause by up to
// 1.0; with them no step is larger than the sine's own (2 pi 440 / 44100 = 0.063) plus what a
// ramp adds, 1/132 per sample, plus 0.01 for the stretchers' own ripple on the sine.
#include "audio/core/OutputFade.h"
#include "audio/core/TempoChannel.h"
#include "audio/decoders/SndfileDecoder.h"
#include "audio/decoders/StereoConverter.h"
#include "support/AudioFixtures.h"
#include "support/OfflinePlayer.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sndfile.h>

#include <chrono>
#include <cmath>
#include <numbers>
#include <thread>

namespace {

using namespace quillmere::audio;

constexpr double ToneHz = 440;
const double SineStep = 2 * std::numbers::pi * ToneHz / 44100;
const double Allowed = SineStep + 1.0 / OutputFade::RampFrames + 0.01;

double largestStep(const std::vector<float> &stereo)
{
    double most = 0;
    for (size_t i = 2; i < stereo.size(); ++i)
        most = std::max(most, double(std::abs(stereo[i] - stereo[i - 2])));
    return most;
}

class FadeTest : public ::testing::TestWithParam<Stretcher::Kind> {
protected:
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("sine.wav"));

    void SetUp() override
    {
        ASSERT_TRUE(fixtures::writeSndfile(path, fixtures::sine(ToneHz, 4.0, 44100, 2, 1.0), 44100,
                                           2, SF_FORMAT_WAV | SF_FORMAT_FLOAT));
    }
};

TEST_P(FadeTest, SeekPauseAndResumeDoNotClick)
{
    OfflinePlayer player(GetParam());
    ASSERT_TRUE(player.open(path));
    ASSERT_TRUE(player.backend.play(player.channel, false));
    std::vector<float> heard = player.render(13230);
    auto append = [&heard](const std::vector<float> &more) {
        heard.insert(heard.end(), more.begin(), more.end());
    };
    // Into the sine at another phase, twice.
    for (qint64 frame : {51234, 90001}) {
        ASSERT_TRUE(player.backend.setPositionBytes(player.channel, framesToBytes(frame)));
        append(player.render(8820));
    }
    ASSERT_TRUE(player.backend.pause(player.channel));
    append(player.render(4410));
    EXPECT_EQ(player.render(4410).size(), 0u);
    ASSERT_TRUE(player.backend.play(player.channel, false));
    append(player.render(8820));
    ASSERT_GT(heard.size(), size_t(2 * 39000));
    EXPECT_LE(largestStep(heard), Allowed);
}

// The device played silence the channel did not fill (it ran dry): what comes next ramps in.
TEST_P(FadeTest, AudioAfterAnUnderrunRampsIn)
{
    ErrorCode error = ErrorCode::Ok;
    TempoChannel channel(std::make_unique<StereoConverter>(openSndfileDecoder(path, error)),
                         GetParam());
    channel.start();
    channel.setState(TempoChannel::State::Playing);
    std::vector<float> buffer(2 * 441);
    auto fill = [&](qint64 outputFrame) {
        std::fill(buffer.begin(), buffer.end(), 0.0f);
        for (int n = 0, tries = 0; n < 441 && tries < 5000; ++tries) {
            const int got = channel.mixInto(buffer.data() + 2 * n, 441 - n, outputFrame + n);
            n += got;
            if (got == 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return buffer;
    };
    // 17 buffers end 0.8 of a period into the sine, near its peak.
    for (int i = 0; i < 17; ++i)
        fill(441 * i);
    // A buffer of silence went out at 17 x 441; the channel picks up at the next.
    std::vector<float> heard(2 * 441, 0.0f);
    const std::vector<float> after = fill(441 * 18);
    heard.insert(heard.end(), after.begin(), after.end());
    EXPECT_LE(largestStep(heard), Allowed);
    EXPECT_GT(largestStep(after), SineStep * 0.5); // the sine did come back
}

INSTANTIATE_TEST_SUITE_P(BothStretchers, FadeTest,
                         ::testing::Values(Stretcher::Kind::RubberBand,
                                           Stretcher::Kind::SoundTouch),
                         [](const auto &param) {
                             return param.param == Stretcher::Kind::RubberBand ? "RubberBand"
                                                                               : "SoundTouch";
                         });

} // namespace
