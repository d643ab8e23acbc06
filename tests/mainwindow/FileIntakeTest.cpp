// The intake's slicing on a real folder tree: the event loop keeps running during a long
// intake, progress appears after half a second, cancelling ends only the running request,
// and requests finish in the order they were made.
#include "mainwindow/FileIntake.h"

#include "support/TestFiles.h"

#include <QProgressDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

class FileIntakeTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QWidget parent;
    QStringList added;
    int probeDelayMs = 0;
    FileIntake intake{[this](const QString &, TLxMusicInfo &) {
                          QThread::msleep(probeDelayMs); // a slow disk or decoder
                          return true;
                      },
                      [this](const QString &path, const TLxMusicInfo &, bool) {
                          added << path;
                          return FileIntake::Added::Yes;
                      },
                      &parent};

    QString tree(const QString &name, int files)
    {
        for (int i = 0; i < files; ++i)
            testfiles::writeFile(dir.filePath(QStringLiteral("%1/f%2").arg(name).arg(i)), "x");
        return dir.filePath(name);
    }
};

TEST_F(FileIntakeTest, LongIntakeKeepsTheLoopRunningShowsProgressAndCancels)
{
    const QString big = tree(QStringLiteral("big"), 290);
    const QString small = tree(QStringLiteral("small"), 3);
    probeDelayMs = 5; // about 1.5 s in all
    QStringList finished;
    intake.start({big}, true, [&](const FileIntakeOutcome &o) {
        finished << QStringLiteral("big:%1").arg(o.added);
    });
    intake.start({small}, true, [&](const FileIntakeOutcome &o) {
        finished << QStringLiteral("small:%1").arg(o.added);
    });
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(20);

    QProgressDialog *progress = nullptr;
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return (progress = parent.findChild<QProgressDialog *>()) != nullptr; }, 5000));
    ASSERT_NE(progress, nullptr);
    EXPECT_TRUE(progress->isVisible());
    EXPECT_GE(ticks, 10); // the timer ran while the intake was working
    const qsizetype before = added.size();
    EXPECT_GT(before, 0);
    EXPECT_LT(before, 290);
    QTest::mouseClick(progress->findChild<QPushButton *>(), Qt::LeftButton);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !intake.busy(); }, 5000));
    ASSERT_EQ(finished.size(), 2);
    EXPECT_TRUE(finished[0].startsWith(u"big:"));
    EXPECT_LT(finished[0].mid(4).toInt(), 290);
    EXPECT_EQ(finished[1], QStringLiteral("small:3"));
    EXPECT_EQ(parent.findChild<QProgressDialog *>(), nullptr);
}

TEST_F(FileIntakeTest, ShortIntakeFinishesBeforeStartReturnsAndLimitsCountPerRequest)
{
    int count = -1;
    intake.start({tree(QStringLiteral("three"), 3)}, true,
                 [&](const FileIntakeOutcome &o) { count = o.added; });
    EXPECT_EQ(count, 3);
    EXPECT_FALSE(intake.busy());

    count = -1;
    intake.start({tree(QStringLiteral("many"), 320)}, true,
                 [&](const FileIntakeOutcome &o) { count = o.added; });
    EXPECT_TRUE(QTest::qWaitFor([&] { return count >= 0; }, 10000));
    EXPECT_EQ(count, FileIntake::MaxFilesPerIntake);
}

} // namespace
