// TLxMutex against a real second process (tests/common/MutexHolder.cpp), since the test's own
// process holds every name as one recursive mutex.
#include "common/TLxMutex.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <optional>

namespace {

class Holder {
public:
    Holder(const QString &name, const QStringList &mode)
    {
        m_process.start(QStringLiteral(QUILLMERE_MUTEX_HOLDER), QStringList{name} + mode);
    }
    ~Holder()
    {
        m_process.closeWriteChannel();
        if (!m_process.waitForFinished(5000)) {
            m_process.kill();
            m_process.waitForFinished();
        }
    }
    // The next line it says, or nothing when none comes within timeoutMs.
    std::optional<QString> nextLine(int timeoutMs)
    {
        const QDeadlineTimer deadline(timeoutMs);
        while (!m_process.canReadLine()) {
            if (!m_process.waitForReadyRead(int(deadline.remainingTime())))
                return std::nullopt;
        }
        return QString::fromUtf8(m_process.readLine()).trimmed();
    }
    void kill()
    {
        ::kill(pid_t(m_process.processId()), SIGKILL);
        m_process.waitForFinished();
    }

private:
    QProcess m_process;
};

std::string messageOfLock(TLxMutex &mutex)
{
    try {
        mutex.Lock();
    } catch (const TLxMutex::Error &e) {
        return e.what();
    }
    return "locked";
}

TEST(TLxMutex, LevelsOfEveryObjectOfANameAddUpAndOnlyTheLastUnlockLetsAnotherProcessIn)
{
    TLxMutex first;
    TLxMutex second;
    first.CreateNamed(QStringLiteral("levels"));
    second.CreateNamed(QStringLiteral("levels"));
    first.Lock();
    first.Lock();
    second.Lock(); // the same mutex of this process: never waits for the first object
    first.Unlock();
    second.Unlock();

    Holder other(QStringLiteral("levels"), {QStringLiteral("try")});
    ASSERT_EQ(other.nextLine(5000), QStringLiteral("waiting"));
    EXPECT_EQ(other.nextLine(300), std::nullopt) << "one level is still held";
    first.Unlock();
    EXPECT_EQ(other.nextLine(2000), QStringLiteral("locked"));

    first.Unlock(); // more unlocks than locks are ignored
    Holder third(QStringLiteral("levels"), {QStringLiteral("try")});
    ASSERT_EQ(third.nextLine(5000), QStringLiteral("waiting"));
    EXPECT_EQ(third.nextLine(300), std::nullopt) << "the other process still holds it";
    third.kill();
}

TEST(TLxMutex, WaitsForAnotherProcessAndGivesUpAfterThreeSeconds)
{
    TLxMutex mutex;
    mutex.CreateNamed(QStringLiteral("busy"));
    {
        Holder brief(QStringLiteral("busy"), {QStringLiteral("hold"), QStringLiteral("400")});
        ASSERT_EQ(brief.nextLine(5000), QStringLiteral("ready"));
        EXPECT_EQ(messageOfLock(mutex), "locked");
        mutex.Unlock();
    }
    Holder holder(QStringLiteral("busy"), {QStringLiteral("hold")});
    ASSERT_EQ(holder.nextLine(5000), QStringLiteral("ready"));
    QElapsedTimer waited;
    waited.start();
    EXPECT_EQ(messageOfLock(mutex), "Mutex Synchronize Timeout");
    EXPECT_GE(waited.elapsed(), 2900);
    mutex.Unlock(); // nothing held: ignored
}

TEST(TLxMutex, ExistsWhileSomeProcessHoldsTheNameAndNotAfterItIsKilled)
{
    const QString name = QStringLiteral("QuillmerePlayer_Record テスト");
    EXPECT_FALSE(MutexExists(name));
    {
        Holder holder(name, {QStringLiteral("create")});
        ASSERT_EQ(holder.nextLine(5000), QStringLiteral("ready"));
        EXPECT_TRUE(MutexExists(name));
        EXPECT_FALSE(MutexExists(QStringLiteral("QuillmerePlayer_Record")));
        holder.kill();
        EXPECT_FALSE(MutexExists(name)) << "the files stay, the marker must not";
    }
    auto first = std::make_unique<TLxMutex>();
    TLxMutex second;
    first->CreateNamed(name);
    second.CreateNamed(name);
    EXPECT_TRUE(MutexExists(name));
    first.reset();
    EXPECT_TRUE(MutexExists(name));
    second.CreateNamed(QStringLiteral("other"));
    EXPECT_FALSE(MutexExists(name));
}

TEST(TLxMutex, NamesBecomeDistinctSafeFileNames)
{
    const QStringList names = {QStringLiteral("a/b"),  QStringLiteral("a_b"), QStringLiteral(".."),
                               QStringLiteral("再生"), QStringLiteral("ab"),  QString(),
                               QString(200, u'x'),     QString(201, u'x')};
    QStringList stems;
    for (const QString &name : names) {
        const QString stem = mutexFileStem(name);
        EXPECT_TRUE(
            QRegularExpression(QStringLiteral("^[A-Za-z0-9_-]{1,90}$")).match(stem).hasMatch())
            << stem.toStdString();
        EXPECT_FALSE(stems.contains(stem)) << stem.toStdString();
        stems << stem;
    }
    EXPECT_EQ(mutexFileStem(QStringLiteral("QuillmerePlayer_Play")),
              QStringLiteral("QuillmerePlayer_Play"));
}

TEST(TLxMutex, AnUnusableRuntimeFolderFallsBackAndNoFolderAtAllFailsWithItsMessage)
{
    const char *const variables[] = {"XDG_RUNTIME_DIR", "TMPDIR", "XDG_CACHE_HOME"};
    QList<QByteArray> saved;
    for (const char *name : variables)
        saved << qgetenv(name);
    const auto create = [](const QString &name) -> std::string {
        TLxMutex mutex;
        try {
            mutex.CreateNamed(name);
        } catch (const TLxMutex::Error &e) {
            return e.what();
        }
        return messageOfLock(mutex); // no handle counts as taken, as on failure
    };
    // After "su" the runtime folder may be another user's: the next place serves.
    qputenv("XDG_RUNTIME_DIR", "/proc/version/not-a-folder");
    const std::string fallback = create(QStringLiteral("fallback"));
    for (const char *name : {"TMPDIR", "XDG_CACHE_HOME"})
        qputenv(name, "/proc/version/not-a-folder");
    // A base that resolves to nothing must not land the lock files in the working folder: a
    // scratch folder stands in for it and must stay empty.
    QTemporaryDir scratch;
    const QString savedWorkDir = QDir::currentPath();
    QDir::setCurrent(scratch.path());
    const std::string nowhere = create(QStringLiteral("nowhere"));
    QDir::setCurrent(savedWorkDir);
    EXPECT_TRUE(
        QDir(scratch.path()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));
    for (int i = 0; i < 3; ++i) {
        if (saved[i].isNull())
            qunsetenv(variables[i]);
        else
            qputenv(variables[i], saved[i]);
    }
    EXPECT_EQ(fallback, "locked");
    EXPECT_EQ(nowhere, "Mutex Create Error");
}

} // namespace
