// The system volume read and written off the caller's thread, against a PulseAudio daemon of the
// test's own: the calls never wait for the server, even a hung one, and the writes arrive.
#include "engine/VolumeWatcher.h"

#include "engine/TLxVolume.h"
#include "support/SoundServer.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <functional>
#include <thread>

namespace {

using namespace std::chrono;
using quillmere::engine::VolumeWatcher;

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

} // namespace
