// The real program ends when asked, at any moment: a quit signal while a box of the start-up
// load is open, and a start-up that fails where nobody could see a box. Offscreen, null output.
#include "app/SingleInstance.h"
#include "common/TLxMutex.h"
#include "playlist/DefaultPlayListBackup.h"
#include "playlist/TLxMusicInfoMng.h"
#include "support/TestFiles.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>

namespace {

// A second, as promised; the sanitizers' own work at exit (the leak check) gets more.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr int QuitMs = 3000;
#else
constexpr int QuitMs = 1000;
#endif

class QuitTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString home;
    QByteArray savedRuntime;
    QProcess player;

    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        home = dir.filePath(QStringLiteral("home"));
        ASSERT_TRUE(QDir().mkpath(home) && QDir().mkpath(dir.filePath(QStringLiteral("runtime"))));
        QFile::setPermissions(dir.filePath(QStringLiteral("runtime")), QFileDevice::ReadOwner |
                                                                           QFileDevice::WriteOwner |
                                                                           QFileDevice::ExeOwner);
        // The test looks at the player's marker in the player's runtime folder.
        savedRuntime = qgetenv("XDG_RUNTIME_DIR");
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(dir.filePath(QStringLiteral("runtime"))));
    }

    void TearDown() override
    {
        if (player.state() != QProcess::NotRunning) {
            player.kill();
            player.waitForFinished();
        }
        qputenv("XDG_RUNTIME_DIR", savedRuntime);
    }

    void start(const QString &program, const QString &dataDir = {},
               const QString &output = QStringLiteral("null"))
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("QUILLMERE_AUDIO_OUTPUT"), output);
        env.insert(QStringLiteral("QUILLMERE_HOME"), home);
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir.filePath(QStringLiteral("runtime")));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("XDG_DATA_HOME"),
                   dataDir.isEmpty() ? dir.filePath(QStringLiteral("data")) : dataDir);
        if (!dataDir.isEmpty())
            env.insert(QStringLiteral("XDG_DATA_DIRS"), dataDir);
        env.insert(QStringLiteral("LSAN_OPTIONS"),
                   QStringLiteral("suppressions=" QUILLMERE_LSAN_PLAYER_SUPPRESSIONS));
        player.setProcessEnvironment(env);
        player.setWorkingDirectory(dir.path());
        player.start(program, {});
        ASSERT_TRUE(player.waitForStarted());
    }
};

TEST_F(QuitTest, TermWhileTheMissingFileBoxIsOpenEndsAtOnceAndKeepsThePlaylist)
{
    const QString playList = QDir(home).filePath(QStringLiteral("DefaultPlayList.txt"));
    {
        TLxMusicInfoMng earlier;
        earlier.SetSaveOnDestroy(false);
        for (int i = 0; i < 200; ++i) {
            const QString file = dir.filePath(QStringLiteral("song%1.wav").arg(i));
            testfiles::writeFile(file, "RIFF");
            ASSERT_GE(earlier.AddEntry(file, TLxMusicInfo{}, false, false), 0);
        }
        ASSERT_TRUE(bool(earlier.SaveToFile(playList)));
    }
    QFile::remove(dir.filePath(QStringLiteral("song100.wav")));
    start(QStringLiteral(QUILLMERE_EXECUTABLE));
    // The marker is taken once the quit signals are handled, just before the window is built
    // and the missing file is asked about.
    const QDeadlineTimer deadline(30000);
    while (!MutexExists(SingleInstance::MarkerName) && !deadline.hasExpired())
        QThread::msleep(10);
    ASSERT_TRUE(MutexExists(SingleInstance::MarkerName));
    QThread::msleep(300); // the box is up
    ::kill(pid_t(player.processId()), SIGTERM);
    ASSERT_TRUE(player.waitForFinished(QuitMs));
    EXPECT_EQ(player.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(player.exitCode(), 0);
    EXPECT_EQ(DefaultPlayListBackup::entriesIn(playList), 200);
}

TEST_F(QuitTest, StartupFailureOffscreenGoesToStandardErrorWithStatusOne)
{
    // A copy of the program with no skin beside it and none installed.
    const QString lonely = dir.filePath(QStringLiteral("bin/quillmere"));
    const QString noData = dir.filePath(QStringLiteral("nodata"));
    ASSERT_TRUE(QDir().mkpath(dir.filePath(QStringLiteral("bin"))) && QDir().mkpath(noData));
    ASSERT_TRUE(QFile::copy(QStringLiteral(QUILLMERE_EXECUTABLE), lonely));
    QFile::setPermissions(lonely, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    start(lonely, noData);
    // Part of the time goes to the program's own start.
    ASSERT_TRUE(player.waitForFinished(3000));
    EXPECT_EQ(player.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(player.exitCode(), 1);
    const QString errors = QString::fromLocal8Bit(player.readAllStandardError());
    EXPECT_TRUE(errors.contains(QStringLiteral("quillmere: ")) && errors.contains(u"Skin/"))
        << errors.toStdString();
}

TEST_F(QuitTest, AudioOutputThatCannotStartOffscreenGoesToStandardErrorWithStatusOne)
{
    start(QStringLiteral(QUILLMERE_EXECUTABLE), {}, QStringLiteral("no-such-output"));
    ASSERT_TRUE(player.waitForFinished(3000));
    EXPECT_EQ(player.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(player.exitCode(), 1);
    const QString errors = QString::fromLocal8Bit(player.readAllStandardError());
    EXPECT_TRUE(errors.contains(QStringLiteral("quillmere: デバイスの初期化に失敗")))
        << errors.toStdString();
}

} // namespace
