// End to end through a real sound server: PulseAudio with a null sink on a private runtime
// folder, the "default" device (PortAudio, ALSA, PulseAudio), and a recording of the sink.
#include "audio/AudioBackend.h"
#include "support/AudioFixtures.h"
#include "support/SignalAnalysis.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <signal.h>
#include <sndfile.h>

#include <chrono>
#include <thread>

namespace {

using namespace quillmere::audio;
using namespace std::chrono_literals;

// A PulseAudio daemon of the test's own, stopped by its PID.
class SoundServer {
public:
    explicit SoundServer(const QString &runtime) : m_runtime(runtime)
    {
        qputenv("PULSE_SERVER", QFile::encodeName(QStringLiteral("unix:") + runtime +
                                                  QStringLiteral("/pulse/native")));
        qputenv("PULSE_COOKIE", QFile::encodeName(runtime + QStringLiteral("/cookie")));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), runtime);
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
        m_daemon.setProcessEnvironment(env);
        m_daemon.start(
            QStringLiteral("pulseaudio"),
            {QStringLiteral("--daemonize=no"), QStringLiteral("-n"),
             QStringLiteral("--exit-idle-time=-1"),
             QStringLiteral("--log-target=file:") + runtime + QStringLiteral("/pulse.log"),
             QStringLiteral("-L"),
             QStringLiteral("module-native-protocol-unix auth-anonymous=1 socket=") + runtime +
                 QStringLiteral("/pulse/native"),
             QStringLiteral("-L"),
             QStringLiteral(
                 "module-null-sink sink_name=testsink norewinds=1 rate=44100 channels=2"),
             QStringLiteral("-L"), QStringLiteral("module-always-sink")});
        for (int i = 0; i < 200 && !m_ready; ++i) {
            m_ready = fixtures::run(QStringLiteral("pactl"), {QStringLiteral("info")});
            if (!m_ready)
                std::this_thread::sleep_for(50ms);
        }
        if (m_ready)
            m_ready = fixtures::run(QStringLiteral("pactl"), {QStringLiteral("set-default-sink"),
                                                              QStringLiteral("testsink")});
    }
    ~SoundServer()
    {
        m_daemon.terminate();
        m_daemon.waitForFinished(5000);
        qunsetenv("PULSE_SERVER");
        qunsetenv("PULSE_COOKIE");
    }
    bool ready() const { return m_ready; }

private:
    QString m_runtime;
    QProcess m_daemon;
    bool m_ready = false;
};

TEST(SoundServer, SinePlayedOnTheDefaultDeviceReachesTheSink)
{
    if (QStandardPaths::findExecutable(QStringLiteral("pulseaudio")).isEmpty())
        GTEST_SKIP() << "pulseaudio is not installed; the end-to-end sound test did not run";
    QTemporaryDir runtime;
    QFile::setPermissions(runtime.path(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    SoundServer server(runtime.path());
    ASSERT_TRUE(server.ready()) << "the sound server did not start";

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
        const Handle channel = backend.createTempoChannel(backend.openFile(song));
        ASSERT_TRUE(backend.play(channel, false));
        const auto giveUp = std::chrono::steady_clock::now() + 10s;
        while (backend.activeState(channel) != ActiveState::Stopped &&
               std::chrono::steady_clock::now() < giveUp)
            std::this_thread::sleep_for(20ms);
        EXPECT_EQ(backend.activeState(channel), ActiveState::Stopped);
        std::this_thread::sleep_for(300ms);
    }
    ::kill(pid_t(recorder.processId()), SIGINT);
    ASSERT_TRUE(recorder.waitForFinished(5000));

    SF_INFO info{};
    SNDFILE *file = sf_open(QFile::encodeName(recording).constData(), SFM_READ, &info);
    ASSERT_NE(file, nullptr);
    std::vector<float> samples(size_t(info.frames) * size_t(info.channels));
    sf_readf_float(file, samples.data(), info.frames);
    sf_close(file);
    std::vector<float> left(size_t(info.frames));
    for (size_t i = 0; i < left.size(); ++i)
        left[i] = samples[i * size_t(info.channels)];
    const auto loud = analysis::onsets(left, 0.1f, 44100);
    ASSERT_FALSE(loud.empty()) << "nothing was heard";
    const double hz = analysis::frequencyHz(left, loud[0] + 4410, loud[0] + 44100, info.samplerate);
    EXPECT_NEAR(analysis::cents(hz, 660), 0, 5);
}

} // namespace
