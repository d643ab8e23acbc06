// The reported position against the sound that is really heard. The test thread plays a
// device with 200 ms of buffering (a wireless headset's; a desktop sound server gives about
// 50 ms) in front of a real tempo channel, and the clicks of a generated file tell, in the
// output, which source frame each output frame played. Tolerance: 10 ms of source time, the
// accuracy the player promises. Rubber Band only: SoundTouch's overlap search drifts by a few
// tenths of a percent over long silences such as these (music keeps it in place), which would
// measure the library rather than the clock.
#include "audio/core/TempoChannel.h"
#include "audio/decoders/SndfileDecoder.h"
#include "audio/decoders/StereoConverter.h"
#include "audio/output/ClockedOutput.h"
#include "support/AudioFixtures.h"
#include "support/SignalAnalysis.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sndfile.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <tuple>

namespace {

using namespace quillmere::audio;
using namespace std::chrono_literals;

constexpr double ClickSpacingS = 0.15;
constexpr double SongS = 8.0;
constexpr int DeviceBuffer = 441;
constexpr int DeviceLatency = 8820;
constexpr double ToleranceFrames = 441;

struct Heard {
    std::vector<float> left;      // what the device played, one sample per output frame
    std::vector<double> position; // the position reported while each frame was heard
};

// Plays `total` output frames at `before`, switching to `after` at `switchAt`. After each
// buffer is handed over, the device is playing the frames DeviceLatency behind its end; the
// position is asked for each of them then.
Heard play(TempoChannel &channel, double before, double after, int switchAt, int total)
{
    Heard heard;
    heard.position.assign(size_t(total), -1);
    channel.setTempoAndPitch(before, 1.0);
    channel.start();
    channel.setState(TempoChannel::State::Playing);
    std::vector<float> buffer(DeviceBuffer * 2);
    for (qint64 written = 0; written < total; written += DeviceBuffer) {
        if (written >= switchAt)
            channel.setTempoAndPitch(after, 1.0);
        std::fill(buffer.begin(), buffer.end(), 0.0f);
        const auto giveUp = std::chrono::steady_clock::now() + 10s;
        for (int n = 0; n < DeviceBuffer && std::chrono::steady_clock::now() < giveUp;) {
            const int got = channel.mixInto(buffer.data() + 2 * n, DeviceBuffer - n, written + n);
            n += got;
            if (got == 0)
                std::this_thread::sleep_for(200us);
        }
        for (int i = 0; i < DeviceBuffer; ++i)
            heard.left.push_back(buffer[size_t(2 * i)]);
        const qint64 end = written + DeviceBuffer - DeviceLatency;
        for (qint64 h = std::max<qint64>(0, end - DeviceBuffer); h < std::min<qint64>(end, total);
             ++h)
            heard.position[size_t(h)] = double(channel.positionFrames(double(h)));
    }
    return heard;
}

class PositionClockTest : public ::testing::TestWithParam<std::tuple<double, double>> {
protected:
    QTemporaryDir dir;

    std::unique_ptr<TempoChannel> openClicks()
    {
        std::vector<double> times;
        for (double t = ClickSpacingS; t < SongS - 0.5; t += ClickSpacingS)
            times.push_back(t);
        const QString path = dir.filePath(QStringLiteral("clicks.wav"));
        EXPECT_TRUE(fixtures::writeSndfile(path, fixtures::clicks(times, SongS, 44100, 2), 44100, 2,
                                           SF_FORMAT_WAV | SF_FORMAT_FLOAT));
        ErrorCode error = ErrorCode::Ok;
        return std::make_unique<TempoChannel>(
            std::make_unique<StereoConverter>(openSndfileDecoder(path, error)),
            Stretcher::Kind::RubberBand);
    }
};

TEST_P(PositionClockTest, PositionIsTheSourceFrameHeardEvenRightAfterASpeedChange)
{
    const auto [before, after] = GetParam();
    auto channel = openClicks();
    constexpr int SwitchAt = 44100;
    const int total = int(SwitchAt + 2.0 * 44100);
    const Heard heard = play(*channel, before, after, SwitchAt, total);

    const auto clicks = analysis::onsets(heard.left, 0.2f, 1500);
    ASSERT_GE(clicks.size(), 10u);
    int checked = 0;
    int afterSwitch = 0;
    for (size_t o : clicks) {
        if (o < size_t(DeviceLatency) || heard.position[o] < 0)
            continue;
        // The click nearest to the reported position is the one heard.
        const double reported = heard.position[o];
        const double click = std::round(reported / 44100 / ClickSpacingS) * ClickSpacingS * 44100;
        EXPECT_NEAR(reported, click, ToleranceFrames) << "output frame " << o;
        ++checked;
        // Heard while audio rendered before the change is still queued behind it.
        afterSwitch += o > size_t(SwitchAt) && o < size_t(SwitchAt + DeviceLatency);
    }
    EXPECT_GE(checked, 8);
    EXPECT_GE(afterSwitch, 1);
}

INSTANTIATE_TEST_SUITE_P(SpeedChanges, PositionClockTest,
                         ::testing::Values(std::tuple{1.0, 2.0}, std::tuple{2.0, 0.5},
                                           std::tuple{0.5, 1.0}));

// The file device's clock is where its real-time schedule stands: never ahead of what it has
// written, never more than the one buffer being written behind it.
TEST(ClockedOutputTest, HeardFrameIsTheFrameBeingWritten)
{
    struct Counter {
        std::atomic<qint64> end{0};
        static void render(void *self, float *stereo, int frames, qint64 first)
        {
            std::fill(stereo, stereo + 2 * frames, 0.0f);
            static_cast<Counter *>(self)->end.store(first + frames);
        }
    } counter;
    ClockedOutput output;
    ASSERT_TRUE(output.start(&Counter::render, &counter));
    const auto until = std::chrono::steady_clock::now() + 300ms;
    double last = 0;
    while (std::chrono::steady_clock::now() < until) {
        const qint64 before = counter.end.load();
        const OutputClock clock = output.clock();
        const qint64 after = counter.end.load();
        EXPECT_LE(clock.heardFrame, double(after));
        EXPECT_GE(clock.heardFrame, double(before - OutputRate / 100));
        EXPECT_GE(clock.heardFrame, last); // it never runs backwards
        EXPECT_GE(clock.queuedFrames, 0);
        last = clock.heardFrame;
        std::this_thread::sleep_for(3ms);
    }
    output.stop();
    EXPECT_GT(last, 0.1 * OutputRate);
}

} // namespace
