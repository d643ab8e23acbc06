// End to end: the player window on the "default" output of a private PulseAudio daemon with a
// null sink. The song must reach the sink, and the volume slider must move the sink's volume.
#include "common/AppPaths.h"
#include "engine/RecordingPresenter.h"
#include "engine/TLxPlayer.h"
#include "engine/TLxVolume.h"
#include "mainwindow/TForm1.h"
#include "skin/TLxSliderMng.h"
#include "support/AudioFixtures.h"
#include "support/SignalAnalysis.h"
#include "support/SoundServer.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>
#include <signal.h>
#include <sndfile.h>

#include <chrono>

namespace {

std::vector<float> leftChannel(const QString &path, int &rate)
{
    SF_INFO info;
    const std::vector<float> samples = fixtures::readSndfile(path, info);
    rate = info.samplerate;
    std::vector<float> left(size_t(info.frames));
    for (size_t i = 0; i < left.size(); ++i)
        left[i] = samples[i * size_t(info.channels)];
    return left;
}

class TForm1SoundServer : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!SoundServer::installed())
            GTEST_SKIP() << "pulseaudio is not installed; the end-to-end window test did not run";
        server = std::make_unique<SoundServer>();
        ASSERT_TRUE(server->ready()) << "the sound server did not start";
        QFile::remove(quillmere::AppPaths::settingsFile());
        QFile::remove(quillmere::AppPaths::defaultPlayListFile());
    }
    std::unique_ptr<SoundServer> server;
    RecordingPresenter messages;
};

TEST_F(TForm1SoundServer, TheSongReachesTheSink)
{
    const QDir runtime(server->runtimeDir());
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
    QTest::qWait(300);
    {
        TForm1 window({song}, &messages, QStringLiteral("default"));
        ASSERT_TRUE(QTest::qWaitFor([&] { return window.Player().IsPlaying(); }, 10000));
        QTest::qWait(1500);
    }
    ::kill(pid_t(recorder.processId()), SIGINT);
    ASSERT_TRUE(recorder.waitForFinished(5000));

    int rate = 0;
    const std::vector<float> left = leftChannel(recording, rate);
    const auto loud = analysis::onsets(left, 0.05f, 44100);
    ASSERT_FALSE(loud.empty()) << "nothing was heard";
    const double hz = analysis::frequencyHz(left, loud[0] + 4410, loud[0] + 22050, rate);
    EXPECT_NEAR(analysis::cents(hz, 660), 0, 5);
}

TEST_F(TForm1SoundServer, TheVolumeSliderSetsTheSinkVolume)
{
    ASSERT_TRUE(server->pactl(
        {QStringLiteral("set-sink-volume"), QStringLiteral("testsink"), QStringLiteral("80%")}));
    TForm1 window({}, &messages, QStringLiteral("default"));
    const TLxSlider *volume = window.SliderMng().Find(u"SLIDER_VOLUME");
    ASSERT_EQ(volume->GetValue(), 80);

    // Drag the knob of the vertical slider down by a third of its track.
    auto *surface = window.findChild<QWidget *>(QStringLiteral("PaintBox1"));
    const QPoint from = volume->ThumbPos() + QPoint(4, 4);
    const QPoint to = from + QPoint(0, 36);
    QTest::mousePress(surface, Qt::LeftButton, {}, from);
    QTest::mouseMove(surface, to);
    QTest::mouseRelease(surface, Qt::LeftButton, {}, to);
    const int chosen = volume->GetValue();
    EXPECT_LT(chosen, 70);
    // The volume is written off the UI thread, so it reaches the server a moment later.
    EXPECT_TRUE(QTest::qWaitFor([&] { return TLxVolume().GetVolume() == chosen; }, 2000));
    const auto reported =
        server->pactl({QStringLiteral("get-sink-volume"), QStringLiteral("testsink")});
    ASSERT_TRUE(reported);
    EXPECT_TRUE(reported->contains(QStringLiteral("%1%").arg(chosen))) << qPrintable(*reported);
}

// A sound server that hangs (stopped, as a debugger or a swapped-out machine stops it) must not
// hang the window: queued events go on being handled while the timers poll the volume.
TEST_F(TForm1SoundServer, AHungSoundServerDoesNotFreezeTheWindow)
{
    // The spectrum timer polls the volume while a song plays; the song plays on no device.
    const QString song = QDir(server->runtimeDir()).filePath(QStringLiteral("long.wav"));
    ASSERT_TRUE(fixtures::writeSndfile(song, fixtures::sine(440, 20.0, 8000, 1), 8000, 1,
                                       SF_FORMAT_WAV | SF_FORMAT_PCM_16));
    TForm1 window({song}, &messages, QStringLiteral("null"));
    window.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.Player().IsPlaying(); }, 10000));
    ASSERT_EQ(::kill(pid_t(server->pid()), SIGSTOP), 0);
    const auto start = std::chrono::steady_clock::now();
    std::chrono::steady_clock::duration worst{};
    while (std::chrono::steady_clock::now() - start < std::chrono::seconds(3)) {
        const auto posted = std::chrono::steady_clock::now();
        bool handled = false;
        QMetaObject::invokeMethod(
            &window, [&] { handled = true; }, Qt::QueuedConnection);
        if (!QTest::qWaitFor([&] { return handled; }, 2000)) {
            ADD_FAILURE() << "a queued event waited for more than 2 s";
            break;
        }
        worst = std::max(worst, std::chrono::steady_clock::now() - posted);
        QTest::qWait(20);
    }
    // Nor does moving the volume slider wait for the server.
    const TLxSlider *volume = window.SliderMng().Find(u"SLIDER_VOLUME");
    auto *surface = window.findChild<QWidget *>(QStringLiteral("PaintBox1"));
    const QPoint from = volume->ThumbPos() + QPoint(4, 4);
    const auto dragged = std::chrono::steady_clock::now();
    QTest::mousePress(surface, Qt::LeftButton, {}, from);
    QTest::mouseMove(surface, from + QPoint(0, 20));
    QTest::mouseRelease(surface, Qt::LeftButton, {}, from + QPoint(0, 20));
    const auto dragTook = std::chrono::steady_clock::now() - dragged;
    ::kill(pid_t(server->pid()), SIGCONT);
    EXPECT_LT(worst, std::chrono::milliseconds(100));
    EXPECT_LT(dragTook, std::chrono::milliseconds(100));
}

// A sound server that goes away for good while a song plays: the window stops, says so once,
// and goes on working.
TEST_F(TForm1SoundServer, ALostSoundDeviceStopsPlaybackWithOneMessage)
{
    const QString song = QDir(server->runtimeDir()).filePath(QStringLiteral("long.wav"));
    ASSERT_TRUE(fixtures::writeSndfile(song, fixtures::sine(440, 30.0, 8000, 1), 8000, 1,
                                       SF_FORMAT_WAV | SF_FORMAT_PCM_16));
    TForm1 window({song}, &messages, QStringLiteral("default"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.Player().GetPosition() > 44100; }, 10000));
    ASSERT_EQ(::kill(pid_t(server->pid()), SIGKILL), 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !messages.texts.isEmpty(); }, 10000));
    EXPECT_FALSE(window.Player().IsPlaying());
    QTest::qWait(300);
    EXPECT_EQ(messages.texts, QStringList{QStringLiteral(
                                  "サウンドデバイスが使えなくなったため再生を停止しました。")});
}

} // namespace
