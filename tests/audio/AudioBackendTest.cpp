// The back end's contract: devices, handles and errors, transport, notifications and FFT.
#include "audio/AudioBackend.h"

#include "audio/core/OutputFade.h"
#include "support/AudioFixtures.h"
#include "support/OfflinePlayer.h"
#include "support/SignalAnalysis.h"
#include "support/TestFiles.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>
#include <thread>

namespace {

using namespace quillmere::audio;
using namespace std::chrono_literals;

class AudioBackendTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString sine; // 1 s, 440 Hz

    void SetUp() override
    {
        sine = dir.filePath(QStringLiteral("sine.wav"));
        ASSERT_TRUE(fixtures::writeSndfile(sine, fixtures::sine(440, 1.0, 44100, 2), 44100, 2,
                                           SF_FORMAT_WAV | SF_FORMAT_PCM_16));
    }

    template <typename Condition>
    static bool waitFor(Condition condition, std::chrono::milliseconds limit = 5s)
    {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (!condition()) {
            if (std::chrono::steady_clock::now() > end)
                return false;
            std::this_thread::sleep_for(2ms);
        }
        return true;
    }
};

TEST_F(AudioBackendTest, DevicesThatCannotOpenFailCleanly)
{
    AudioBackend backend;
    EXPECT_FALSE(backend.init(QStringLiteral("no-such-device")));
    EXPECT_EQ(AudioBackend::lastError(), ErrorCode::Device);
    EXPECT_FALSE(backend.init(QStringLiteral("file:/no/such/folder/out.wav")));
    EXPECT_EQ(AudioBackend::lastError(), ErrorCode::Device);
    EXPECT_FALSE(backend.isInitialised());
    EXPECT_TRUE(backend.init(QStringLiteral("null")));
    EXPECT_FALSE(backend.init(QStringLiteral("null")));
    EXPECT_EQ(AudioBackend::lastError(), ErrorCode::AlreadyInitialised);
}

TEST_F(AudioBackendTest, FileDeviceRecordsWhatIsPlayedInRealTime)
{
    const QString out = dir.filePath(QStringLiteral("played.wav"));
    {
        AudioBackend backend;
        ASSERT_TRUE(backend.init(QStringLiteral("file:") + out));
        const Handle channel = backend.createTempoChannel(backend.openFile(sine));
        ASSERT_TRUE(backend.play(channel, false));
        ASSERT_TRUE(waitFor([&] { return backend.activeState(channel) == ActiveState::Stopped; }));
    }
    SF_INFO info{};
    SNDFILE *file = sf_open(QFile::encodeName(out).constData(), SFM_READ, &info);
    ASSERT_NE(file, nullptr);
    std::vector<float> samples(size_t(info.frames) * 2);
    sf_readf_float(file, samples.data(), info.frames);
    sf_close(file);
    // The song, plus silence before it started and after it ended.
    const auto left = analysis::channel(samples, 0);
    const auto loud = analysis::onsets(left, 0.1f, 44100);
    ASSERT_EQ(loud.size(), 1u);
    EXPECT_NEAR(analysis::cents(analysis::frequencyHz(left, loud[0] + 4410, loud[0] + 30000), 440),
                0, 5);
}

TEST_F(AudioBackendTest, HandlesAreCheckedAndNeverReused)
{
    AudioBackend backend;
    const Handle source = backend.openFile(sine);
    ASSERT_NE(source, 0u);
    ChannelInfo info;
    ASSERT_TRUE(backend.channelInfo(source, info));
    EXPECT_EQ(info.typeCode, TypeCode::WavPcm);
    EXPECT_EQ(info.channels, 2);
    EXPECT_EQ(backend.lengthBytes(source), 176400);
    EXPECT_FALSE(backend.play(source, false)); // a source alone does not play
    EXPECT_EQ(AudioBackend::lastError(), ErrorCode::InvalidHandle);

    const Handle channel = backend.createTempoChannel(source);
    ASSERT_NE(channel, 0u);
    EXPECT_NE(channel, source);
    EXPECT_FALSE(backend.channelInfo(source, info)); // taken over by the channel
    EXPECT_EQ(backend.createTempoChannel(source), 0u);
    EXPECT_EQ(backend.lengthBytes(channel), 176400);
    EXPECT_FALSE(backend.play(channel, false));
    EXPECT_EQ(AudioBackend::lastError(), ErrorCode::NotInitialised);

    const Handle eq = backend.addEqualizer(channel);
    EqualizerParams params;
    ASSERT_TRUE(backend.equalizerParams(eq, params));
    params = {1000, 18, -10};
    ASSERT_TRUE(backend.setEqualizerParams(eq, params));
    EqualizerParams back;
    ASSERT_TRUE(backend.equalizerParams(eq, back));
    EXPECT_EQ(back.centreHz, 1000);
    EXPECT_EQ(back.bandwidthSemitones, 18);
    EXPECT_EQ(back.gainDb, -10);
    ReverbParams reverb;
    EXPECT_FALSE(backend.reverbParams(eq, reverb)); // an equaliser is not a reverb

    EXPECT_FALSE(backend.setPositionBytes(channel, 176404));
    EXPECT_EQ(AudioBackend::lastError(), ErrorCode::Position);
    EXPECT_TRUE(backend.freeChannel(channel));
    EXPECT_FALSE(backend.freeChannel(channel));
    EXPECT_FALSE(backend.equalizerParams(eq, params)); // freed with its channel
    const Handle again = backend.openFile(sine);
    EXPECT_GT(again, eq);
}

TEST_F(AudioBackendTest, PauseKeepsThePositionAndPlayResumes)
{
    OfflinePlayer player(Stretcher::Kind::RubberBand);
    ASSERT_TRUE(player.open(sine));
    ASSERT_TRUE(player.backend.play(player.channel, false));
    player.render(22050);
    ASSERT_TRUE(player.backend.pause(player.channel));
    EXPECT_EQ(player.backend.activeState(player.channel), ActiveState::Paused);
    const qint64 paused = player.backend.positionBytes(player.channel);
    // A fade of a few milliseconds, then nothing plays while paused.
    const size_t fade = player.render(4410).size() / 2;
    EXPECT_LE(fade, size_t(OutputFade::RampFrames + 1));
    EXPECT_EQ(player.render(4410).size(), 0u);
    // The position moves on by the fade and no further.
    EXPECT_GT(player.backend.positionBytes(player.channel), paused);
    EXPECT_NEAR(double(player.backend.positionBytes(player.channel)) / 4, 22050.0 + double(fade),
                1);
    ASSERT_TRUE(player.backend.play(player.channel, false));
    const auto rest = player.renderToEnd();
    EXPECT_NEAR(double(rest.size() / 2), 22050, 512);

    // Played to the end, it starts again from the beginning.
    ASSERT_TRUE(player.backend.play(player.channel, false));
    EXPECT_NEAR(double(player.renderToEnd().size() / 2), 44100, 1);
}

TEST_F(AudioBackendTest, FftOfAFullScaleSinePeaksNearOneAtItsBin)
{
    // Bin 20 of a 1024-point transform at 44100 Hz.
    const double hz = 20 * 44100.0 / 1024;
    const QString path = dir.filePath(QStringLiteral("bin20.wav"));
    ASSERT_TRUE(fixtures::writeSndfile(path, fixtures::sine(hz, 1.0, 44100, 2, 1.0), 44100, 2,
                                       SF_FORMAT_WAV | SF_FORMAT_FLOAT));
    OfflinePlayer player(Stretcher::Kind::SoundTouch);
    ASSERT_TRUE(player.open(path));
    float magnitudes[512];
    EXPECT_EQ(player.backend.fft1024(player.channel, magnitudes), -1); // nothing played yet
    ASSERT_TRUE(player.backend.play(player.channel, false));
    player.render(8192);
    ASSERT_EQ(player.backend.fft1024(player.channel, magnitudes), 4096);
    EXPECT_NEAR(magnitudes[20], 1.0, 0.05);
    EXPECT_LT(magnitudes[15], 0.01);
    EXPECT_LT(magnitudes[200], 0.01);
}

// A decoder that delivers NaN or infinite samples (a broken float file here) must not poison the
// stretcher, the effects or the spectrum: they play as silence and are counted.
TEST_F(AudioBackendTest, NonFiniteSamplesPlayAsSilenceAndAreCounted)
{
    std::vector<float> samples = fixtures::sine(440, 1.0, 44100, 2);
    const float broken[] = {std::numeric_limits<float>::quiet_NaN(),
                            std::numeric_limits<float>::infinity(),
                            -std::numeric_limits<float>::infinity()};
    for (size_t i = 0; i < 300; ++i)
        samples[22050 + i * 7] = broken[i % 3];
    const QString path = dir.filePath(QStringLiteral("broken.wav"));
    ASSERT_TRUE(fixtures::writeSndfile(path, samples, 44100, 2, SF_FORMAT_WAV | SF_FORMAT_FLOAT));
    OfflinePlayer player(Stretcher::Kind::RubberBand);
    ASSERT_TRUE(player.open(path));
    ASSERT_TRUE(player.backend.addReverb(player.channel));
    ASSERT_TRUE(player.backend.play(player.channel, false));
    const std::vector<float> out = player.renderToEnd(5);
    ASSERT_GT(out.size(), size_t(44100));
    EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](float v) { return std::isfinite(v); }));
    // The sine after the broken stretch still sounds.
    const auto tail = std::vector<float>(out.begin() + 2 * 30870, out.begin() + 2 * 35280);
    EXPECT_GT(*std::max_element(tail.begin(), tail.end()), 0.2f);
    float magnitudes[512];
    ASSERT_EQ(player.backend.fft1024(player.channel, magnitudes), 4096);
    EXPECT_TRUE(std::all_of(std::begin(magnitudes), std::end(magnitudes),
                            [](float v) { return std::isfinite(v); }));
    EXPECT_EQ(player.backend.nonFiniteSamples(player.channel), 300);
}

// A render holds its tempo; only at the song's own speed and pitch may the stretcher go.
TEST_F(AudioBackendTest, AHeldTempoRefusesChangesAndStillStretchesWhenNotNeutral)
{
    OfflinePlayer player(Stretcher::Kind::SoundTouch);
    ASSERT_TRUE(player.open(sine));
    ASSERT_TRUE(player.backend.setTempo(player.channel, 100, -100)); // double speed
    ASSERT_TRUE(player.backend.holdTempo(player.channel));
    EXPECT_TRUE(player.backend.setTempo(player.channel, 100, 0)); // what it is already
    EXPECT_FALSE(player.backend.setTempo(player.channel, 0, -100));
    EXPECT_EQ(AudioBackend::lastError(), ErrorCode::NotAvailable);
    ASSERT_TRUE(player.backend.play(player.channel, false));
    EXPECT_FALSE(player.backend.holdTempo(player.channel)); // too late once it plays
    EXPECT_NEAR(double(player.renderToEnd(5).size() / 2), 22050, 100);
}

TEST_F(AudioBackendTest, NotificationMayFreeItsChannelWhilePlaying)
{
    AudioBackend backend;
    ASSERT_TRUE(backend.init(QStringLiteral("null")));
    std::atomic<int> calls{0};
    std::atomic<bool> freed{false};
    const Handle channel = backend.createTempoChannel(backend.openFile(sine));
    backend.setTempo(channel, 300, -100);
    backend.setEndNotification(channel, [&](Handle, Handle ended) {
        ++calls;
        freed = backend.stop(ended) && backend.freeChannel(ended); // calls back in: no deadlock
    });
    ASSERT_TRUE(backend.play(channel, false));
    ASSERT_TRUE(waitFor([&] { return freed.load(); }));
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(calls.load(), 1);
    EXPECT_EQ(backend.activeState(channel), ActiveState::Stopped);
    EXPECT_EQ(AudioBackend::lastError(), ErrorCode::InvalidHandle);
}

TEST_F(AudioBackendTest, FileDeletedWhilePlayingEndsTheSongCleanly)
{
    const QString path = dir.filePath(QStringLiteral("long.wav"));
    ASSERT_TRUE(fixtures::writeSndfile(path, fixtures::sine(440, 30.0, 44100, 2), 44100, 2,
                                       SF_FORMAT_WAV | SF_FORMAT_PCM_16));
    OfflinePlayer player(Stretcher::Kind::SoundTouch);
    ASSERT_TRUE(player.open(path));
    ASSERT_TRUE(player.backend.play(player.channel, false));
    player.render(44100);
    // Truncate the file under the decoder: it reads what is left, then ends.
    ASSERT_TRUE(QFile::resize(path, 44 + 4 * 88200));
    ASSERT_TRUE(QFile::remove(path));
    const auto rest = player.renderToEnd(40);
    EXPECT_LT(rest.size() / 2, size_t(10 * 44100));
    EXPECT_TRUE(waitFor([&] { return player.endNotifications.load() == 1; }));
}

TEST_F(AudioBackendTest, FilesNoBuiltInDecoderReadsPlayThroughPlugins)
{
    // libsndfile could read FLAC itself, but FLAC belongs to the plug-in, with its type code.
    const QString flac = dir.filePath(QStringLiteral("song.flac"));
    ASSERT_TRUE(fixtures::writeSndfile(flac, fixtures::sine(440, 1.0, 48000, 1), 48000, 1,
                                       SF_FORMAT_FLAC | SF_FORMAT_PCM_16));
    OfflinePlayer player(Stretcher::Kind::SoundTouch);
    EXPECT_EQ(player.backend.openFile(flac), 0u); // no plug-ins loaded yet
    ASSERT_EQ(player.backend.loadPlugins(QStringLiteral(QUILLMERE_BUILD_PLUGIN_DIR)), 1);
    const auto formats = player.backend.pluginFormats();
    ASSERT_TRUE(std::any_of(formats.begin(), formats.end(),
                            [](const PluginFormat &f) { return f.name == u"FLAC"; }));

    ASSERT_TRUE(player.open(flac));
    ChannelInfo info;
    ASSERT_TRUE(player.backend.channelInfo(player.channel, info));
    EXPECT_EQ(info.plugin, 1u);
    EXPECT_EQ(info.channels, 1);
    EXPECT_EQ(info.sampleRate, 48000);
    EXPECT_EQ(player.backend.lengthBytes(player.channel), 176400);
    ASSERT_TRUE(player.backend.play(player.channel, false));
    const auto out = player.renderToEnd();
    EXPECT_NEAR(double(out.size() / 2), 44100, 1);
    const auto right = analysis::channel(out, 1);
    EXPECT_NEAR(analysis::cents(analysis::frequencyHz(right, 4410, 40000), 440), 0, 5);
}

} // namespace
