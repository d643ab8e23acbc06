// A device that runs at 48 kHz: the sound is made at its rate (resampled once, in the decoder)
// while every position stays counted at 44100 Hz.
#include "audio/AudioBackend.h"
#include "support/AudioFixtures.h"
#include "support/SignalAnalysis.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <thread>

namespace {

using namespace quillmere::audio;
using namespace std::chrono_literals;

TEST(DeviceRate, SoundRunsAtTheDeviceRateWhilePositionsStayAt44100)
{
    QTemporaryDir dir;
    const QString song = dir.filePath(QStringLiteral("tone.wav"));
    const QString out = dir.filePath(QStringLiteral("played.wav"));
    ASSERT_TRUE(fixtures::writeSndfile(song, fixtures::sine(440, 1.0, 44100, 2), 44100, 2,
                                       SF_FORMAT_WAV | SF_FORMAT_PCM_16));
    {
        AudioBackend backend;
        ASSERT_TRUE(backend.init(QStringLiteral("file:") + out + QStringLiteral("@48000")));
        EXPECT_EQ(backend.deviceRate(), 48000);
        const Handle channel = backend.createTempoChannel(backend.openFile(song));
        EXPECT_EQ(backend.lengthBytes(channel), 176400);
        // Half way in, exactly, before anything is heard: the conversion loses nothing.
        ASSERT_TRUE(backend.setPositionBytes(channel, 88200));
        EXPECT_EQ(backend.positionBytes(channel), 88200);
        ASSERT_TRUE(backend.play(channel, false));

        // The spectrum's bins stay those of 44100 Hz: 440 Hz is bin 10 (43.07 Hz each).
        std::array<float, 512> bins{};
        const auto giveUp = std::chrono::steady_clock::now() + 3s;
        while (backend.fft1024(channel, bins.data()) < 0 &&
               std::chrono::steady_clock::now() < giveUp)
            std::this_thread::sleep_for(10ms);
        std::this_thread::sleep_for(100ms);
        ASSERT_GT(backend.fft1024(channel, bins.data()), 0);
        EXPECT_EQ(std::max_element(bins.begin(), bins.end()) - bins.begin(), 10);

        while (backend.activeState(channel) != ActiveState::Stopped &&
               std::chrono::steady_clock::now() < giveUp)
            std::this_thread::sleep_for(10ms);
        EXPECT_EQ(backend.activeState(channel), ActiveState::Stopped);
        std::this_thread::sleep_for(50ms); // the device's last period is heard
        EXPECT_EQ(backend.positionBytes(channel), 176400);
    }
    SF_INFO info{};
    const auto left = analysis::channel(fixtures::readSndfile(out, info), 0);
    ASSERT_EQ(info.samplerate, 48000);
    const auto loud = analysis::onsets(left, 0.1f, 48000);
    ASSERT_EQ(loud.size(), 1u);
    // Half a second of the tone at its own pitch, as 48 kHz frames (within 5 ms).
    size_t last = loud[0];
    for (size_t i = loud[0]; i < left.size(); ++i) {
        if (std::abs(left[i]) > 0.1f)
            last = i;
    }
    EXPECT_NEAR(double(last - loud[0]), 24000, 240);
    EXPECT_NEAR(
        analysis::cents(analysis::frequencyHz(left, loud[0] + 2400, loud[0] + 21600, 48000), 440),
        0, 5);
}

} // namespace
