// The system volume end to end: a PulseAudio daemon of the test's own with a null sink, read and
// written through TLxVolume and checked with pactl; and the cases without a usable server.
#include "engine/TLxVolume.h"

#include "engine/AlsaMixer.h"
#include "support/SoundServer.h"

#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>

namespace {

using namespace std::chrono;

// The per-channel percentages pactl reports for the test sink.
std::vector<int> sinkPercents(const SoundServer &server)
{
    const auto text = server.pactl({QStringLiteral("get-sink-volume"), QStringLiteral("testsink")});
    std::vector<int> percents;
    if (!text)
        return percents;
    static const QRegularExpression percent(QStringLiteral("(\\d+)%"));
    // The first line lists the channels; the second one is the balance.
    const QString channels = text->section(QLatin1Char('\n'), 0, 0);
    for (const auto &match : percent.globalMatch(channels))
        percents.push_back(match.captured(1).toInt());
    return percents;
}

bool setSink(const SoundServer &server, const QStringList &volumes)
{
    return server
        .pactl(QStringList{QStringLiteral("set-sink-volume"), QStringLiteral("testsink")} + volumes)
        .has_value();
}

// A Unix socket that takes connections into its backlog and never reads from them.
class SilentSocket {
public:
    explicit SilentSocket(const QString &path) : m_fd(::socket(AF_UNIX, SOCK_STREAM, 0))
    {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray name = QFile::encodeName(path);
        if (m_fd < 0 || size_t(name.size()) >= sizeof(address.sun_path))
            return;
        std::copy(name.begin(), name.end(), address.sun_path);
        m_listening = ::bind(m_fd, reinterpret_cast<sockaddr *>(&address), sizeof(address)) == 0 &&
                      ::listen(m_fd, 8) == 0;
    }
    ~SilentSocket()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    bool listening() const { return m_listening; }

private:
    int m_fd;
    bool m_listening = false;
};

class TLxVolumeServer : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!SoundServer::installed())
            GTEST_SKIP() << "pulseaudio is not installed; the system volume test did not run";
        server = std::make_unique<SoundServer>();
        ASSERT_TRUE(server->ready()) << "the sound server did not start";
    }
    std::unique_ptr<SoundServer> server;
};

TEST_F(TLxVolumeServer, SetsAndReadsTheDefaultSink)
{
    TLxVolume volume;
    ASSERT_TRUE(volume.SetVolume(35));
    EXPECT_EQ(volume.GetVolume(), 35);
    EXPECT_EQ(sinkPercents(*server), (std::vector<int>{35, 35}));
    ASSERT_TRUE(volume.SetVolume(0));
    EXPECT_EQ(volume.GetVolume(), 0);
    EXPECT_EQ(sinkPercents(*server), (std::vector<int>{0, 0}));
    for (int p = 0; p <= 100; ++p) {
        ASSERT_TRUE(volume.SetVolume(p));
        EXPECT_EQ(volume.GetVolume(), p) << "set " << p << " %";
    }
    EXPECT_EQ(sinkPercents(*server), (std::vector<int>{100, 100}));
}

TEST_F(TLxVolumeServer, SeesChangesMadeElsewhere)
{
    TLxVolume volume;
    ASSERT_NE(volume.GetVolume(), -1);
    ASSERT_TRUE(setSink(*server, {QStringLiteral("72%")}));
    EXPECT_EQ(volume.GetVolume(), 72);
    // Beyond 100 % the server amplifies; the slider can only show its top.
    ASSERT_TRUE(setSink(*server, {QStringLiteral("150%")}));
    EXPECT_EQ(volume.GetVolume(), 100);
}

TEST_F(TLxVolumeServer, KeepsTheBalanceBetweenChannels)
{
    TLxVolume volume;
    ASSERT_TRUE(setSink(*server, {QStringLiteral("80%"), QStringLiteral("40%")}));
    EXPECT_EQ(volume.GetVolume(), 80); // the louder channel
    ASSERT_TRUE(volume.SetVolume(40));
    EXPECT_EQ(sinkPercents(*server), (std::vector<int>{40, 20}));
}

TEST_F(TLxVolumeServer, AServerThatGoesAwayGivesMinusOne)
{
    TLxVolume volume;
    ASSERT_TRUE(volume.SetVolume(60));
    const QByteArray address = qgetenv("PULSE_SERVER");
    server.reset(); // stops the daemon
    qputenv("PULSE_SERVER", address);
    qputenv("ALSA_CONFIG_PATH", "/nonexistent/alsa.conf"); // no sound card may answer instead
    const auto start = steady_clock::now();
    EXPECT_EQ(volume.GetVolume(), -1);
    EXPECT_FALSE(volume.SetVolume(60));
    EXPECT_LT(steady_clock::now() - start, 500ms);
    qunsetenv("PULSE_SERVER");
    qunsetenv("ALSA_CONFIG_PATH");
}

TEST_F(TLxVolumeServer, AServerWithoutSinksGivesMinusOne)
{
    TLxVolume volume;
    ASSERT_TRUE(volume.SetVolume(60));
    ASSERT_TRUE(
        server->pactl({QStringLiteral("unload-module"), QStringLiteral("module-always-sink")}));
    ASSERT_TRUE(
        server->pactl({QStringLiteral("unload-module"), QStringLiteral("module-null-sink")}));
    ASSERT_EQ(
        server->pactl({QStringLiteral("list"), QStringLiteral("short"), QStringLiteral("sinks")}),
        QString());
    qputenv("ALSA_CONFIG_PATH", "/nonexistent/alsa.conf"); // no sound card may answer instead
    EXPECT_EQ(volume.GetVolume(), -1);
    EXPECT_FALSE(volume.SetVolume(60));
    qunsetenv("ALSA_CONFIG_PATH");
}

// ALSA's "pulse" mixer reaches the same sink, so the ALSA code is tested against a real mixer.
TEST_F(TLxVolumeServer, AlsaMasterControl)
{
    quillmere::engine::AlsaMixer mixer(QByteArrayLiteral("pulse"));
    quillmere::engine::MixerReading reading;
    const auto deadline = steady_clock::now() + 1s;
    if (mixer.Lookup(reading, deadline) == quillmere::engine::MixerLookup::NoServer)
        GTEST_SKIP() << "ALSA's pulse plug-in (libasound2-plugins) is not installed";
    ASSERT_TRUE(reading.range.usable());
    ASSERT_TRUE(mixer.Write(reading.range.maximum / 4, deadline));
    EXPECT_EQ(sinkPercents(*server), (std::vector<int>{25, 25}));
    ASSERT_TRUE(setSink(*server, {QStringLiteral("60%")}));
    ASSERT_EQ(mixer.Lookup(reading, deadline), quillmere::engine::MixerLookup::Found);
    EXPECT_EQ(quillmere::engine::volumePercentFromRaw(reading.range, reading.value), 60);
}

class NoServer : public ::testing::Test {
protected:
    void SetUp() override
    {
        qputenv("PULSE_SERVER", QFile::encodeName(QStringLiteral("unix:") +
                                                  dir.filePath(QStringLiteral("native"))));
        // No sound card of this machine may answer in place of the server.
        qputenv("ALSA_CONFIG_PATH", QFile::encodeName(dir.filePath(QStringLiteral("none.conf"))));
    }
    void TearDown() override
    {
        qunsetenv("PULSE_SERVER");
        qunsetenv("ALSA_CONFIG_PATH");
    }
    QTemporaryDir dir;
};

TEST_F(NoServer, GivesMinusOneAndFalseQuicklyAndSilently)
{
    TLxVolume volume;
    ::testing::internal::CaptureStderr();
    const auto start = steady_clock::now();
    const int percent = volume.GetVolume();
    const bool set = volume.SetVolume(50);
    const auto took = steady_clock::now() - start;
    const std::string printed = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(percent, -1);
    EXPECT_FALSE(set);
    EXPECT_LT(took, 500ms);
    EXPECT_EQ(printed, "");
}

// A server that takes the connection but never answers costs each call under about half a
// second, and ALSA is not tried behind it.
TEST_F(NoServer, AHungServerCostsUnderHalfASecond)
{
    SilentSocket silent(dir.filePath(QStringLiteral("native")));
    ASSERT_TRUE(silent.listening());
    TLxVolume volume;
    for (int i = 0; i < 2; ++i) {
        const auto start = steady_clock::now();
        EXPECT_EQ(volume.GetVolume(), -1);
        const auto took = steady_clock::now() - start;
        EXPECT_LT(took, 600ms);
        EXPECT_GE(took, 300ms) << "the call did not wait for the server at all";
    }
}

} // namespace
