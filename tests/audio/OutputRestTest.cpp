// The back end at rest: once nothing is heard (paused, stopped, no song) the output stops and
// every thread of the back end sleeps; playing again ramps in as after any pause. Through the
// file device, which runs on a real-time clock and keeps what it played.
#include "audio/AudioBackend.h"
#include "audio/core/OutputFade.h"
#include "support/AudioFixtures.h"
#include "support/ThreadWakes.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sndfile.h>

#include <chrono>
#include <cmath>
#include <numbers>
#include <thread>

namespace {

using namespace quillmere::audio;
using namespace std::chrono_literals;

// The output rests a second after the last sound; by this much later every thread has gone
// to sleep, even on a loaded machine.
constexpr auto Settle = 2s;
// Resting allows a few wakes a second at most. A thread that sleeps wakes none at all; the
// loops these replaced woke 100 to 500 times a second (the PortAudio watchdog 10), so the
// bound cannot be met by polling, however slowly, but leaves room for a stray signal.
constexpr long MostWakesPerSecond = 3;

constexpr double ToneHz = 440;

class OutputRestTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString song = dir.filePath(QStringLiteral("sine.wav"));
    QString played = dir.filePath(QStringLiteral("played.wav"));

    void SetUp() override
    {
        ASSERT_TRUE(fixtures::writeSndfile(song, fixtures::sine(ToneHz, 6.0, 44100, 2, 1.0), 44100,
                                           2, SF_FORMAT_WAV | SF_FORMAT_FLOAT));
    }

    static void expectAsleep(const char *when)
    {
        std::this_thread::sleep_for(Settle);
        const auto wakes = threadwakes::over(QStringLiteral("qm-"), 1s);
        ASSERT_FALSE(wakes.empty()) << "the back end's threads have no names";
        for (const auto &[thread, count] : wakes)
            EXPECT_LE(count, MostWakesPerSecond) << when << ": " << thread.toStdString();
    }
};

TEST_F(OutputRestTest, ThreadsSleepWhileNothingIsHeardAndPlayingAgainRampsIn)
{
    {
        AudioBackend backend;
        ASSERT_TRUE(backend.init(QStringLiteral("file:") + played));
        expectAsleep("without a song");
        const Handle channel = backend.createTempoChannel(backend.openFile(song));
        ASSERT_TRUE(backend.play(channel, false));
        std::this_thread::sleep_for(500ms);
        ASSERT_TRUE(backend.pause(channel));
        expectAsleep("paused");
        ASSERT_TRUE(backend.play(channel, false));
        std::this_thread::sleep_for(500ms);
        ASSERT_TRUE(backend.stop(channel));
        expectAsleep("stopped");
        ASSERT_TRUE(backend.play(channel, false));
        std::this_thread::sleep_for(500ms);
        EXPECT_EQ(backend.activeState(channel), ActiveState::Playing);
    }
    SF_INFO info{};
    const std::vector<float> heard = fixtures::readSndfile(played, info);
    // Three half seconds of the sine were heard, across two rests of the output.
    size_t loud = 0;
    for (size_t i = 0; i < heard.size(); i += 2)
        loud += std::abs(heard[i]) > 0.5f;
    EXPECT_GT(loud, size_t(3 * 0.5 * 44100 * 0.5));
    // A full-scale sine steps by 2 pi f / rate per frame; a ramp adds 1/132 of full scale, and
    // the file's 16 bits their rounding. Without the ramps a pause or start would step by up
    // to 1.0.
    const double allowed =
        2 * std::numbers::pi * ToneHz / 44100 + 1.0 / OutputFade::RampFrames + 1e-3;
    double largest = 0;
    for (size_t i = 2; i < heard.size(); ++i)
        largest = std::max(largest, double(std::abs(heard[i] - heard[i - 2])));
    EXPECT_LE(largest, allowed);
}

} // namespace
