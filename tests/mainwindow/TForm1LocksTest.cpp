// The window's named locks against a real second process holding one of them
// (tests/common/MutexHolder.cpp): the window marks that a copy runs, and a handler whose lock
// is held elsewhere past the time-out says so and the window goes on.
#include "engine/RecordingPresenter.h"
#include "mainwindow/TForm1.h"
#include "skin/TLxButtonMng.h"
#include "skin/TLxSliderMng.h"

#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

namespace {

TEST(TForm1LocksTest, TheWindowMarksARunningCopyForItsLifetime)
{
    const QString marker = QStringLiteral("QuillmerePlayer_Record");
    ASSERT_FALSE(MutexExists(marker));
    RecordingPresenter messages;
    auto window = std::make_unique<TForm1>(QStringList(), &messages, QStringLiteral("null"));
    EXPECT_TRUE(MutexExists(marker));
    EXPECT_TRUE(MutexExists(QStringLiteral("QuillmerePlayer_Play")));
    window.reset();
    EXPECT_FALSE(MutexExists(marker));
}

TEST(TForm1LocksTest, AHandlerWhoseLockIsHeldElsewhereReportsTheTimeoutAndTheWindowGoesOn)
{
    RecordingPresenter messages;
    TForm1 window(QStringList(), &messages, QStringLiteral("null"));
    QProcess holder;
    holder.start(QStringLiteral(QUILLMERE_MUTEX_HOLDER),
                 {QStringLiteral("QuillmerePlayer_Play"), QStringLiteral("hold")});
    ASSERT_TRUE(holder.waitForReadyRead(5000));
    ASSERT_EQ(holder.readLine().trimmed(), QByteArray("ready"));

    auto *surface = window.findChild<QWidget *>(QStringLiteral("PaintBox1"));
    ASSERT_NE(surface, nullptr);
    const TLxButton *speedUp = window.ButtonMng().Find(QStringLiteral("BUTTON_SPEEDUP"));
    const QPoint at(speedUp->CenterX(), speedUp->CenterY());
    QTest::mousePress(surface, Qt::LeftButton, {}, at); // waits three seconds, then gives up
    ASSERT_EQ(messages.texts.size(), 1);
    EXPECT_EQ(messages.texts.first(), QStringLiteral("Mutex Synchronize Timeout"));

    holder.closeWriteChannel(); // the holder ends and its lock goes with it
    ASSERT_TRUE(holder.waitForFinished(5000));
    window.Timer1Timer();
    QTest::mouseRelease(surface, Qt::LeftButton, {}, at);
    QTest::mousePress(surface, Qt::LeftButton, {}, at);
    QTest::mouseRelease(surface, Qt::LeftButton, {}, at);
    EXPECT_EQ(messages.texts.size(), 1);
    EXPECT_EQ(window.SliderMng().Find(QStringLiteral("SLIDER_SPEED"))->GetValue(),
              5); // the click after the time-out, only
}

} // namespace
