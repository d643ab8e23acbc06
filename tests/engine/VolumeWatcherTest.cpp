// The system volume read and written off the caller's thread, against a PulseAudio daemon of the
// test's own: the calls never wait for the server, even a hung one, and the writes arrive; the
// worker sleeps until the server tells of a change, and without a server it polls only while
// the volume is read.
#include "engine/VolumeWatcher.h"

#include "engine/TLxVolume.h"
#include "support/SoundServer.h"
#include "support/ThreadWakes.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <functional>
#include <thread>

namespace {

using namespace std::chrono;
using quillmere::engine::VolumeWatcher;

// The worker's wakes while the test reads the volume as the window does (every 33 ms), or not
// at all, for a second.
long workerWakes(const VolumeWatcher &watcher, bool read)
{
    const auto before = threadwakes::switches(QStringLiteral("qm-volume"));
    const auto end = steady_clock::now() + 1s;
    while (steady_clock::now() < end) {
        if (read)
            watcher.GetVolume();
        std::this_thread::sleep_for(33ms);
    }
    const auto after = threadwakes::switches(QStringLiteral("qm-volume"));
    if (before.size() != 1 || after.size() != 1)
        return -1; // no single worker found
    return after.begin()->second.second - before.begin()->second.second;
}

bool eventually(const std::function<bool()> &condition, milliseconds timeout = 3s)
{
    const auto giveUp = steady_clock::now() + timeout;
    while (!condition()) {
        if (steady_clock::now() > giveUp)
            return false;
        std::this_thread::sleep_for(10ms);
    }
    return true;
}

class VolumeWatcherServer : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!SoundServer::installed())
            GTEST_SKIP() << "pulseaudio is not installed; the system volume test did not run";
        server = std::make_unique<SoundServer>();
        ASSERT_TRUE(server->ready()) << "the sound server did not start";
    }
    bool setSink(const char *percent)
    {
        return server
            ->pactl({QStringLiteral("set-sink-volume"), QStringLiteral("testsink"),
                     QString::fromLatin1(percent)})
            .has_value();
    }
    std::unique_ptr<SoundServer> server;
};

TEST_F(VolumeWatcherServer, WritesReachTheSinkAndChangesElsewhereShow)
{
    ASSERT_TRUE(setSink("80%"));
    VolumeWatcher watcher(20ms);
    watcher.awaitFirstReading(2s);
    EXPECT_EQ(watcher.GetVolume(), 80);
    EXPECT_TRUE(watcher.SetVolume(35));
    EXPECT_EQ(watcher.GetVolume(), 35) << "the chosen volume shows before it is written";
    EXPECT_TRUE(eventually([] { return TLxVolume().GetVolume() == 35; }));
    ASSERT_TRUE(setSink("72%"));
    EXPECT_TRUE(eventually([&] { return watcher.GetVolume() == 72; }));
}

// Told of changes, the worker does not poll at all, however short its interval (it used to wake
// 200 times a second); it still sees the change.
TEST_F(VolumeWatcherServer, SleepsUntilTheServerTellsOfAChange)
{
    ASSERT_TRUE(setSink("80%"));
    VolumeWatcher watcher(20ms);
    watcher.awaitFirstReading(2s);
    const long wakes = workerWakes(watcher, true);
    EXPECT_GE(wakes, 0);
    EXPECT_LE(wakes, 2);
    ASSERT_TRUE(setSink("72%"));
    EXPECT_TRUE(eventually([&] { return watcher.GetVolume() == 72; }));
}

TEST_F(VolumeWatcherServer, AHungServerCostsTheCallerNothing)
{
    VolumeWatcher watcher(20ms);
    watcher.awaitFirstReading(2s);
    ASSERT_EQ(::kill(pid_t(server->pid()), SIGSTOP), 0);
    steady_clock::duration worst{};
    const auto start = steady_clock::now();
    for (int percent = 10; steady_clock::now() - start < 1500ms; percent = percent % 50 + 10) {
        const auto call = steady_clock::now();
        watcher.SetVolume(percent);
        EXPECT_EQ(watcher.GetVolume(), percent);
        worst = std::max(worst, steady_clock::now() - call);
        std::this_thread::sleep_for(5ms);
    }
    EXPECT_LT(worst, 20ms);
    watcher.SetVolume(64);
    ASSERT_EQ(::kill(pid_t(server->pid()), SIGCONT), 0);
    EXPECT_TRUE(eventually([] { return TLxVolume().GetVolume() == 64; }))
        << "the last volume chosen during the hang is written once the server answers";
}

// No server and no ALSA mixer: nothing can tell of a change, so the worker polls, every 50 ms
// here, but only while someone reads; unread it sleeps, and the next read wakes it again.
TEST(VolumeWatcherWithoutServer, PollsOnlyWhileTheVolumeIsRead)
{
    QTemporaryDir dir;
    qputenv("PULSE_SERVER",
            QFile::encodeName(QStringLiteral("unix:") + dir.filePath(QStringLiteral("none"))));
    qputenv("ALSA_CONFIG_PATH", QFile::encodeName(dir.filePath(QStringLiteral("none.conf"))));
    {
        VolumeWatcher watcher(50ms);
        watcher.awaitFirstReading(2s);
        EXPECT_EQ(watcher.GetVolume(), -1);
        std::this_thread::sleep_for(200ms); // a poll goes unread: the worker sleeps
        const long unread = workerWakes(watcher, false);
        const long read = workerWakes(watcher, true);
        EXPECT_GE(unread, 0);
        EXPECT_LE(unread, 2);
        EXPECT_GE(read, 5) << "reading the volume did not bring the polls back";
    }
    qunsetenv("PULSE_SERVER");
    qunsetenv("ALSA_CONFIG_PATH");
}

} // namespace
