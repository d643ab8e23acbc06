// One running copy per user, with the real program: a first copy on the offscreen platform and
// later copies started as a user starts them. The first copy's list is read back from the
// default playlist it saves a second after each change.
#include "app/SingleInstance.h"

#include "app/HandOffRecord.h"
#include "common/TLxMutex.h"
#include "common/TextLines.h"
#include "playlist/PlayListFile.h"
#include "playlist/TLxMusicInfoMng.h"
#include "support/AudioFixtures.h"
#include "support/TestFiles.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalSocket>
#include <QLockFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>

// Readable failures for lists of paths.
void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace {

constexpr int StartupMs = 30000;

bool sendAndAwaitAck(QLocalSocket &socket, const QByteArray &bytes, int timeoutMs = 10000)
{
    socket.write(bytes);
    const QDeadlineTimer deadline(timeoutMs);
    while (socket.bytesAvailable() < 1) {
        if (!socket.waitForReadyRead(int(deadline.remainingTime())))
            return false;
    }
    char ack = 0;
    return socket.getChar(&ack) && ack == HandOffRecord::Ack;
}

class SingleInstanceTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString home;
    QString runtime;
    QByteArray savedRuntime;
    std::vector<std::unique_ptr<QProcess>> players;

    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        std::signal(SIGPIPE, SIG_IGN); // the running copy hangs up on the oversized sender
        home = dir.filePath(QStringLiteral("home"));
        runtime = dir.filePath(QStringLiteral("runtime"));
        ASSERT_TRUE(QDir().mkpath(home) && QDir().mkpath(runtime));
        QFile::setPermissions(runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                           QFileDevice::ExeOwner);
        // The test's own look at the marker and the socket goes to the same folder.
        savedRuntime = qgetenv("XDG_RUNTIME_DIR");
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
    }

    void TearDown() override
    {
        for (auto &player : players) {
            if (player->state() != QProcess::NotRunning) {
                player->kill();
                player->waitForFinished();
            }
        }
        qputenv("XDG_RUNTIME_DIR", savedRuntime);
    }

    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("QUILLMERE_AUDIO_OUTPUT"), QStringLiteral("null"));
        env.insert(QStringLiteral("QUILLMERE_HOME"), home);
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("XDG_DATA_HOME"), dir.filePath(QStringLiteral("data")));
        // Under the leak checker, the players ignore what Qt Core leaves behind at exit.
        env.insert(QStringLiteral("LSAN_OPTIONS"),
                   QStringLiteral("suppressions=" QUILLMERE_LSAN_PLAYER_SUPPRESSIONS));
        return env;
    }

    QProcess &start(const QStringList &arguments, const QString &workDir = {},
                    const std::optional<QProcessEnvironment> &env = {})
    {
        players.push_back(std::make_unique<QProcess>());
        QProcess &player = *players.back();
        player.setProcessEnvironment(env ? *env : environment());
        player.setWorkingDirectory(workDir.isEmpty() ? dir.path() : workDir);
        player.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        player.start(QStringLiteral(QUILLMERE_EXECUTABLE), arguments);
        EXPECT_TRUE(player.waitForStarted());
        return player;
    }

    // A copy has its window once its server acknowledges an activation.
    bool answers(int timeoutMs)
    {
        const QDeadlineTimer deadline(timeoutMs);
        do {
            QLocalSocket socket;
            socket.connectToServer(SingleInstance::socketPath());
            if (socket.waitForConnected(200))
                return sendAndAwaitAck(socket, HandOffRecord::encodeActivate(),
                                       int(deadline.remainingTime()));
            QThread::msleep(20);
        } while (!deadline.hasExpired());
        return false;
    }

    QProcess &startFirst(const QStringList &arguments = {})
    {
        QProcess &player = start(arguments);
        EXPECT_TRUE(answers(StartupMs));
        EXPECT_EQ(player.state(), QProcess::Running);
        return player;
    }

    // A later copy, on a platform that does not exist: building any window would abort it.
    int runSecond(const QStringList &arguments, const QString &workDir = {})
    {
        QProcessEnvironment env = environment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("no-such-platform"));
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        QProcess &second = start(arguments, workDir, env);
        if (!second.waitForFinished(20000) || second.exitStatus() != QProcess::NormalExit)
            return -1;
        return second.exitCode();
    }

    QStringList savedList() const
    {
        const QByteArray bytes =
            testfiles::readAll(QDir(home).filePath(QStringLiteral("DefaultPlayList.txt")));
        QStringList paths;
        const auto document =
            PlayListFile::parse(quillmere::splitLines(quillmere::decodeUtf8OrShiftJis(bytes)));
        for (const PlayListFile::Block &block : document.blocks)
            paths << block.path;
        return paths;
    }

    // The saved list once it matches, or the last one seen.
    QStringList awaitList(const std::function<bool(const QStringList &)> &matches)
    {
        const QDeadlineTimer deadline(10000);
        QStringList list = savedList();
        while (!matches(list) && !deadline.hasExpired()) {
            QThread::msleep(50);
            list = savedList();
        }
        return list;
    }
    QStringList awaitList(const QStringList &expected)
    {
        return awaitList([&](const QStringList &list) { return list == expected; });
    }

    // Long enough to play through the whole test: a song that ends starts the next one.
    QString song(const QString &relative)
    {
        const QString path = dir.filePath(relative);
        QDir().mkpath(QFileInfo(path).absolutePath());
        EXPECT_TRUE(fixtures::writeSndfile(path, fixtures::sine(440, 8, 8000, 1), 8000, 1,
                                           SF_FORMAT_WAV | SF_FORMAT_PCM_16));
        return path;
    }
};

TEST_F(SingleInstanceTest, LaterCopiesHandTheirPathsOverInOrderAndEndWithoutAWindow)
{
    const QString a = song(QStringLiteral("a.wav"));
    const QString spaced = song(QStringLiteral("with space.wav"));
    const QString japanese = song(QStringLiteral("練習曲 第1番.wav"));
    const QString relative = song(QStringLiteral("sub/rel.wav"));
    const QString link = dir.filePath(QStringLiteral("sub/link.wav"));
    ASSERT_TRUE(QFile::link(a, link));
    startFirst();
    EXPECT_TRUE(MutexExists(SingleInstance::MarkerName));

    EXPECT_EQ(runSecond({a, spaced, japanese, QStringLiteral("rel.wav"),
                         QStringLiteral("../sub/link.wav")},
                        dir.filePath(QStringLiteral("sub"))),
              0);
    const QStringList expected = {a, spaced, japanese, relative, link};
    EXPECT_EQ(awaitList(expected), expected);

    // A playlist file replaces the list.
    TLxMusicInfoMng list;
    list.SetSaveOnDestroy(false);
    list.AddEntry(japanese, {}, false, false);
    list.AddEntry(a, {}, false, true);
    const QString qlx = dir.filePath(QStringLiteral("練習.qlx"));
    ASSERT_TRUE(list.SaveToFile(qlx).ok);
    EXPECT_EQ(runSecond({qlx}), 0);
    EXPECT_EQ(awaitList({japanese, a}), (QStringList{japanese, a}));
}

TEST_F(SingleInstanceTest, ForeignOversizedAndSilentSendersDoNotDisturbTheRunningCopy)
{
    const QString a = song(QStringLiteral("a.wav"));
    const QString b = song(QStringLiteral("b.wav"));
    const QString c = song(QStringLiteral("c.wav"));
    startFirst();
    QLocalSocket silent, foreign, huge; // silent never sends a byte
    for (QLocalSocket *socket : {&silent, &foreign, &huge}) {
        socket->connectToServer(SingleInstance::socketPath());
        ASSERT_TRUE(socket->waitForConnected(2000));
    }
    // Another tag around what would be a valid path: skipped unread and unacknowledged.
    const QByteArray disguised = HandOffRecord::encodePath(b).mid(HandOffRecord::HeaderSize);
    EXPECT_TRUE(sendAndAwaitAck(foreign, HandOffRecord::encode(0x00010102, disguised) +
                                             HandOffRecord::encodePath(a)));
    EXPECT_FALSE(foreign.waitForReadyRead(300)) << "one acknowledgement only";

    huge.write(HandOffRecord::encode(HandOffRecord::PathTag, QByteArray(10 << 20, 'x')));
    huge.waitForDisconnected(10000);
    EXPECT_EQ(huge.state(), QLocalSocket::UnconnectedState);
    EXPECT_EQ(huge.bytesAvailable(), 0);

    EXPECT_EQ(runSecond({c}), 0);
    EXPECT_EQ(awaitList({a, c}), (QStringList{a, c}));
    EXPECT_EQ(silent.state(), QLocalSocket::ConnectedState);
}

TEST_F(SingleInstanceTest, AKilledCopyIsReplacedAtOnceByTheNextStart)
{
    const QString a = song(QStringLiteral("a.wav"));
    const QString b = song(QStringLiteral("b.wav"));
    QProcess &first = startFirst({a});
    EXPECT_EQ(awaitList({a}), QStringList{a});
    ::kill(pid_t(first.processId()), SIGKILL);
    first.waitForFinished();
    EXPECT_FALSE(MutexExists(SingleInstance::MarkerName));
    EXPECT_TRUE(QFile::exists(SingleInstance::socketPath())) << "the stale socket stays";

    QProcess &next = start({});
    // It must not wait on the dead copy's socket or lock: it listens almost at once.
    const QDeadlineTimer listening(3000);
    QLocalSocket probe;
    for (;;) {
        probe.connectToServer(SingleInstance::socketPath());
        if (probe.waitForConnected(100) || listening.hasExpired())
            break;
        QThread::msleep(20);
    }
    EXPECT_EQ(probe.state(), QLocalSocket::ConnectedState);
    ASSERT_TRUE(answers(StartupMs));
    EXPECT_EQ(next.state(), QProcess::Running);
    EXPECT_EQ(runSecond({b}), 0);
    EXPECT_EQ(awaitList({a, b}), (QStringList{a, b}));
}

TEST_F(SingleInstanceTest, TwoCopiesStartedTogetherMakeOneRunningCopy)
{
    const QString a = song(QStringLiteral("a.wav"));
    const QString b = song(QStringLiteral("b.wav"));
    QProcess &one = start({a});
    QProcess &two = start({b});
    const QDeadlineTimer deadline(StartupMs);
    while (one.state() != QProcess::NotRunning && two.state() != QProcess::NotRunning &&
           !deadline.hasExpired()) {
        one.waitForFinished(50);
        two.waitForFinished(50);
    }
    QProcess &ended = one.state() == QProcess::NotRunning ? one : two;
    QProcess &running = &ended == &one ? two : one;
    ASSERT_EQ(ended.state(), QProcess::NotRunning);
    EXPECT_EQ(ended.exitCode(), 0);
    EXPECT_EQ(running.state(), QProcess::Running);
    const QStringList list = awaitList([](const QStringList &l) { return l.size() == 2; });
    EXPECT_TRUE(list.contains(a) && list.contains(b)) << list.join(u' ').toStdString();
}

// A copy that is slow to start holds the start-up lock for long (here the test holds it in its
// place): a copy started meanwhile must neither start a window of its own nor give up early.
TEST_F(SingleInstanceTest, ACopyStartedDuringASlowStartEndsUpInTheOneRunningCopy)
{
    const QString a = song(QStringLiteral("a.wav"));
    QLockFile slowStart(SingleInstance::startupLockPath());
    ASSERT_TRUE(slowStart.tryLock(0));
    QProcess &waiting = start({a});
    EXPECT_FALSE(waiting.waitForFinished(6000)) << "it gave up while the other copy started";
    slowStart.unlock();
    QProcess &other = start({});
    const QDeadlineTimer deadline(StartupMs);
    while (waiting.state() != QProcess::NotRunning && other.state() != QProcess::NotRunning &&
           !deadline.hasExpired()) {
        waiting.waitForFinished(50);
        other.waitForFinished(50);
    }
    QProcess &ended = waiting.state() == QProcess::NotRunning ? waiting : other;
    ASSERT_EQ(ended.state(), QProcess::NotRunning) << "two players run at once";
    EXPECT_EQ(ended.exitCode(), 0);
    EXPECT_EQ(awaitList({a}), QStringList{a});
    EXPECT_TRUE(answers(StartupMs));
}

TEST_F(SingleInstanceTest, ACopyThatNeverGetsAnAnswerGivesUpWithoutAWindow)
{
    QLockFile stuck(SingleInstance::startupLockPath());
    ASSERT_TRUE(stuck.tryLock(0));
    SingleInstance::StartupGate gate;
    QLocalSocket socket;
    QElapsedTimer waited;
    waited.start();
    EXPECT_EQ(gate.decide(socket, 1000), SingleInstance::StartupGate::Role::NoAnswer);
    EXPECT_GE(waited.elapsed(), 1000);
    EXPECT_LT(waited.elapsed(), 3000);
    EXPECT_FALSE(gate.holdsLock());
}

TEST_F(SingleInstanceTest, EndOfSessionSignalsCloseTheWindowAndSaveTheSettings)
{
    const QString ini = QDir(home).filePath(QStringLiteral("quillmere.ini"));
    for (const int signal : {SIGTERM, SIGHUP, SIGINT}) {
        SCOPED_TRACE(signal);
        QProcess &player = startFirst();
        QFile::remove(ini); // the window also writes it while starting
        ::kill(pid_t(player.processId()), signal);
        ASSERT_TRUE(player.waitForFinished(10000));
        EXPECT_EQ(player.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(player.exitCode(), 0);
        EXPECT_TRUE(testfiles::readAll(ini).contains("[Form]"));
        EXPECT_FALSE(MutexExists(SingleInstance::MarkerName));
    }
}

} // namespace
