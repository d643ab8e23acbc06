// End to end through a real sound server: PulseAudio with a null sink on a private runtime
// folder, the "default" device (PortAudio, ALSA, PulseAudio), and a recording of the sink.
#include "support/SoundServer.h"

#include "audio/AudioBackend.h"
#include "support/AudioFixtures.h"
#include "support/SignalAnalysis.h"
#include "support/ThreadWakes.h"

#include <QDir>
#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>
#include <signal.h>
#include <sndfile.h>

#include <algorithm>
#include <chrono>
#include <thread>

namespace {

using namespace quillmere::audio;
using namespace std::chrono_literals;

// At the sink's own rate, whichever it is, so that the server does not resample again.
class SinkRate : public testing::TestWithParam<int> {};

TEST_P(SinkRate, SinePlayedOnTheDefaultDeviceReachesTheSinkAtItsRate)
{
    if (!SoundServer::installed())
        GTEST_SKIP() << "pulseaudio is not installed; the end-to-end sound test did not run";
    const int rate = GetParam();
    SoundServer server(rate);
    ASSERT_TRUE(server.ready()) << "the sound server did not start";
    const QDir runtime(server.runtimeDir());

    const QString song = runtime.filePath(QStringLiteral("sine.wav"));
    ASSERT_TRUE(fixtures::writeSndfile(song, fixtures::sine(660, 2.0, 44100, 2), 44100, 2,
                                       SF_FORMAT_WAV | SF_FORMAT_PCM_16));
    const QString recording = runtime.filePath(QStringLiteral("rec.wav"));
    QProcess recorder;
    recorder.start(QStringLiteral("parecord"),
                   {QStringLiteral("--latency-msec=20"), QStringLiteral("-d"),
                    QStringLiteral("testsink.monitor"), QStringLiteral("--file-format=wav"),
                    recording});
    ASSERT_TRUE(recorder.waitForStarted());
    std::this_thread::sleep_for(300ms);
    {
        AudioBackend backend;
        ASSERT_TRUE(backend.init(QStringLiteral("default")));
        EXPECT_EQ(backend.deviceRate(), rate);
        const Handle channel = backend.createTempoChannel(backend.openFile(song));
        ASSERT_TRUE(backend.play(channel, false));
        std::this_thread::sleep_for(200ms);
        const auto inputs = server.pactl({QStringLiteral("list"), QStringLiteral("sink-inputs")});
        ASSERT_TRUE(inputs.has_value());
        EXPECT_TRUE(inputs->contains(QStringLiteral("2ch %1Hz").arg(rate)))
            << inputs->toStdString();
        const auto giveUp = std::chrono::steady_clock::now() + 10s;
        while (backend.activeState(channel) != ActiveState::Stopped &&
               std::chrono::steady_clock::now() < giveUp)
            std::this_thread::sleep_for(20ms);
        EXPECT_EQ(backend.activeState(channel), ActiveState::Stopped);
        std::this_thread::sleep_for(300ms);
    }
    ::kill(pid_t(recorder.processId()), SIGINT);
    ASSERT_TRUE(recorder.waitForFinished(5000));

    SF_INFO info;
    const std::vector<float> samples = fixtures::readSndfile(recording, info);
    ASSERT_GT(info.frames, 0);
    std::vector<float> left(size_t(info.frames));
    for (size_t i = 0; i < left.size(); ++i)
        left[i] = samples[i * size_t(info.channels)];
    const auto loud = analysis::onsets(left, 0.1f, 44100);
    ASSERT_FALSE(loud.empty()) << "nothing was heard";
    // Period by period, so that a machine loaded enough to make the recorder or the server
    // drop buffers cannot turn the gaps into a wrong pitch.
    const double hz = analysis::medianPeriodHz(left, loud[0], left.size(), double(info.samplerate));
    EXPECT_NEAR(analysis::cents(hz, 660), 0, 5);
}

INSTANTIATE_TEST_SUITE_P(SoundServer, SinkRate, testing::Values(44100, 48000));

bool positionPasses(AudioBackend &backend, Handle channel, qint64 bytes,
                    std::chrono::milliseconds within)
{
    const auto giveUp = std::chrono::steady_clock::now() + within;
    while (backend.positionBytes(channel) <= bytes) {
        if (std::chrono::steady_clock::now() > giveUp)
            return false;
        std::this_thread::sleep_for(10ms);
    }
    return true;
}

QString longSong(const SoundServer &server)
{
    const QString song = QDir(server.runtimeDir()).filePath(QStringLiteral("long.wav"));
    EXPECT_TRUE(fixtures::writeSndfile(song, fixtures::sine(440, 30.0, 8000, 1), 8000, 1,
                                       SF_FORMAT_WAV | SF_FORMAT_PCM_16));
    return song;
}

// Plays the long song on the server's default sink until a second of it has been heard.
bool startLongSong(SoundServer &server, AudioBackend &backend, Handle &channel)
{
    if (!backend.init(QStringLiteral("default")))
        return false;
    channel = backend.createTempoChannel(backend.openFile(longSong(server)));
    return backend.play(channel, false) && positionPasses(backend, channel, 44100, 5s);
}

// The sound server restarts (a crash, "pulseaudio -k", a desktop session that restarts it) while a
// song plays: the output is opened again on the new server and the song goes on from where it
// was heard last.
TEST(SoundServer, PlaybackResumesOnARestartedServer)
{
    if (!SoundServer::installed())
        GTEST_SKIP() << "pulseaudio is not installed; the end-to-end sound test did not run";
    SoundServer server;
    ASSERT_TRUE(server.ready()) << "the sound server did not start";
    const QString song = longSong(server);
    AudioBackend backend;
    ASSERT_TRUE(backend.init(QStringLiteral("default")));
    const Handle channel = backend.createTempoChannel(backend.openFile(song));
    ASSERT_TRUE(backend.play(channel, false));
    const auto advancesPast = [&](qint64 bytes, std::chrono::milliseconds within) {
        return positionPasses(backend, channel, bytes, within);
    };
    ASSERT_TRUE(advancesPast(44100, 5s)) << "the song did not start";
    ASSERT_TRUE(server.restart());
    const qint64 heard = backend.positionBytes(channel);
    // The output is open again within about 2 s of the new server; the rest is slack for a
    // loaded machine.
    EXPECT_TRUE(advancesPast(heard + 176400 / 4, 4s)) << "playback did not resume";
    // Resumed where it stopped, not from the start nor past what was lost.
    EXPECT_LT(backend.positionBytes(channel), heard + 176400 * 3);
    const auto streams = server.pactl(
        {QStringLiteral("list"), QStringLiteral("short"), QStringLiteral("sink-inputs")});
    ASSERT_TRUE(streams);
    EXPECT_FALSE(streams->trimmed().isEmpty()) << "the new server's sink has no stream";
    EXPECT_EQ(backend.activeState(channel), ActiveState::Playing);
}

// A server that stays away: playback stops, the loss is reported once, and a later play opens
// the output again.
TEST(SoundServer, AServerThatStaysAwayStopsPlaybackOnceAndPlayTriesAgain)
{
    if (!SoundServer::installed())
        GTEST_SKIP() << "pulseaudio is not installed; the end-to-end sound test did not run";
    SoundServer server;
    ASSERT_TRUE(server.ready()) << "the sound server did not start";
    AudioBackend backend;
    Handle channel = 0;
    ASSERT_TRUE(startLongSong(server, backend, channel)) << "the song did not start";
    ASSERT_EQ(::kill(pid_t(server.pid()), SIGKILL), 0);
    const auto giveUp = std::chrono::steady_clock::now() + 10s;
    while (!backend.takeOutputLoss() && std::chrono::steady_clock::now() < giveUp)
        std::this_thread::sleep_for(20ms);
    ASSERT_LT(std::chrono::steady_clock::now(), giveUp) << "the loss was never reported";
    EXPECT_EQ(backend.activeState(channel), ActiveState::Stopped);
    EXPECT_FALSE(backend.takeOutputLoss()) << "reported more than once";

    ASSERT_TRUE(server.restart());
    const qint64 heard = backend.positionBytes(channel);
    ASSERT_TRUE(backend.play(channel, false));
    EXPECT_TRUE(positionPasses(backend, channel, heard + 176400 / 4, 4s));
}

// Paused, the stream on the server stops and so do the threads that fed it (PortAudio's, ALSA's
// PulseAudio plug-in's and ours): over a second, the whole process but this thread wakes a few
// times at most (the plug-in's main loop about once a second). Playing again resumes it.
TEST(SoundServer, PausedTheStreamStopsAndPlayResumesIt)
{
    if (!SoundServer::installed())
        GTEST_SKIP() << "pulseaudio is not installed; the end-to-end sound test did not run";
    SoundServer server;
    ASSERT_TRUE(server.ready()) << "the sound server did not start";
    AudioBackend backend;
    Handle channel = 0;
    ASSERT_TRUE(startLongSong(server, backend, channel)) << "the song did not start";
    ASSERT_TRUE(backend.pause(channel));
    std::this_thread::sleep_for(2s); // the output rests a second after the fade out
    const qint64 paused = backend.positionBytes(channel);
    long wakes = 0;
    const QString self = QString::number(gettid());
    for (const auto &[thread, count] : threadwakes::over(QString(), 1s)) {
        if (!thread.endsWith(QStringLiteral("(") + self + QStringLiteral(")")))
            wakes += count;
    }
    EXPECT_LE(wakes, 5);
    EXPECT_EQ(backend.positionBytes(channel), paused);
    ASSERT_TRUE(backend.play(channel, false));
    EXPECT_TRUE(positionPasses(backend, channel, paused + 176400 / 4, 4s))
        << "playback did not resume after the output rested";
}

} // namespace
