// The speed trainer in the real window over the "null" output: a section with a trainer
// loops inside the stream and the speed field steps up after every N repeats; the section
// bar's menu and Ctrl+T set a trainer.
#include "WindowFixture.h"
#include "common/AppPaths.h"
#include "engine/TLxPlayer.h"
#include "mainwindow/PlayListBox.h"
#include "mainwindow/SpeedTrainerDialog.h"
#include "playlist/TLxMusicInfoMng.h"
#include "skin/TLxButtonMng.h"
#include "skinwidgets/SkinPaintBox.h"
#include "support/TestFiles.h"

#include <QApplication>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QMenu>
#include <QSpinBox>
#include <QTimer>

namespace {

constexpr qint64 BytesPerSecond = 176400;

class TForm1SpeedTrainerTest : public WindowFixture {
protected:
    TLxMusicInfoMng &mng() { return window->Player().MusicInfoMng(); }
    QString hintOver(const TLxABLoopInfo &section)
    {
        const int x = (mng().PosToX(section.PosA) + mng().PosToX(section.PosB)) / 2;
        return window->SectionBarHint(QPoint(x, 5)).text;
    }

    // Runs `fill` on the trainer dialog once the window has opened it (modal, so from inside
    // its event loop), then presses Return in it.
    void whenDialogOpens(std::function<void(SpeedTrainerDialog &)> fill)
    {
        auto *poll = new QTimer(window.get());
        QObject::connect(poll, &QTimer::timeout, poll, [poll, fill] {
            auto *dialog = dynamic_cast<SpeedTrainerDialog *>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            poll->deleteLater();
            poll->stop();
            // Keys go to the focus of the active window, which the start speed gets on showing.
            dialog->activateWindow();
            EXPECT_TRUE(QTest::qWaitFor(
                [&] { return QApplication::focusWidget() == dialog->StartSpeed; }, 5000));
            fill(*dialog);
            QTest::keyClick(dialog, Qt::Key_Return);
        });
        poll->start(10);
    }
};

TEST_F(TForm1SpeedTrainerTest, SpeedStepsUpEveryTwoRepeatsToTheTargetHoldsAndStaysAfterLeaving)
{
    open({song(QStringLiteral("a.wav"), 2.0)});
    click("BUTTON_STOP");
    window->MoveSlider(QStringLiteral("SLIDER_SPEED"), 20);
    mng().SetPointA(BytesPerSecond / 5, false);
    ASSERT_EQ(mng().SetPointB(BytesPerSecond * 7 / 10), 0);
    mng().SetSectionTrainer(0, 0, SpeedTrainer{-30, 10, 2, 0});
    EXPECT_EQ(hintOver(*mng().Section(0)),
              QStringLiteral("区間 00:00 - 00:01\n練習: -30% → 0% (+10% / 2回)"));
    click("BUTTON_LOOP");
    window->PlayList().setLineSelected(0, true);
    click("BUTTON_PLAY");
    ASSERT_TRUE(window->Player().IsPlaying());

    // Each change of the speed field, with the repeats heard when it came.
    QStringList speeds{window->SpeedText()};
    QList<int> repeatsAtChange{0};
    const bool held = QTest::qWaitFor(
        [&] {
            if (window->SpeedText() != speeds.last()) {
                speeds << window->SpeedText();
                repeatsAtChange << window->Trainer().repeats();
            }
            return window->Trainer().repeats() >= 8;
        },
        15000);
    ASSERT_TRUE(held) << speeds.join(u'|').toStdString();
    EXPECT_EQ(speeds, (QStringList{QStringLiteral(" +20%"), QStringLiteral(" -30%"),
                                   QStringLiteral(" -20%"), QStringLiteral(" -10%"),
                                   QStringLiteral(" 0%")}));
    EXPECT_EQ(repeatsAtChange, (QList<int>{0, 0, 2, 4, 6}));
    EXPECT_EQ(window->Player().Settings().speed, 0);
    EXPECT_TRUE(hintOver(*mng().Section(0)).endsWith(QStringLiteral("回繰返し: 0%")));

    // A-B repeat off: the song plays on past B and the speed reached stays.
    click("BUTTON_LOOP");
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return window->Player().GetPosition() > BytesPerSecond * 9 / 10; }, 3000));
    EXPECT_EQ(window->Trainer().section(), -1);
    EXPECT_EQ(window->SpeedText(), QStringLiteral(" 0%"));
}

TEST_F(TForm1SpeedTrainerTest, TheSectionBarMenuAndCtrlTSetAndClearATrainer)
{
    open({song(QStringLiteral("a.wav"), 2.0)});
    click("BUTTON_STOP");
    mng().SetPointA(BytesPerSecond / 2, false);
    ASSERT_EQ(mng().SetPointB(BytesPerSecond), 0);

    // A right click on the section, then the menu's key.
    whenDialogOpens([](SpeedTrainerDialog &dialog) {
        EXPECT_TRUE(dialog.UseTrainer->isChecked()); // asked for, so offered switched on
        QTest::keyClicks(dialog.StartSpeed, QStringLiteral("-40"));
        for (const char *value : {"10", "2", "0"}) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QTest::keyClicks(QApplication::focusWidget(), QString::fromLatin1(value));
        }
    });
    auto *bar = window->findChild<SkinPaintBox *>(QStringLiteral("PaintBox3"));
    const int x = (mng().PosToX(BytesPerSecond / 2) + mng().PosToX(BytesPerSecond)) / 2;
    const QPoint onSection = bar->logicalRect(QRect(x, 5, 1, 1)).topLeft();
    QContextMenuEvent rightClick(QContextMenuEvent::Mouse, onSection, bar->mapToGlobal(onSection));
    QApplication::sendEvent(bar, &rightClick);
    ASSERT_TRUE(window->PopupMenuSectionBar().isVisible());
    QTest::keyClick(&window->PopupMenuSectionBar(), Qt::Key_S);
    EXPECT_EQ(mng().Section(0)->Trainer, (SpeedTrainer{-40, 10, 2, 0}));
    EXPECT_TRUE(
        hintOver(*mng().Section(0)).endsWith(QStringLiteral("練習: -40% → 0% (+10% / 2回)")));
    // The change reaches the default playlist soon, as any change of the sections does.
    EXPECT_TRUE(QTest::qWaitFor(
        [] {
            return testfiles::readAll(quillmere::AppPaths::defaultPlayListFile())
                .contains("// SpeedTrainer 0:-40,10,2,0\r\n");
        },
        5000));

    // Ctrl+T opens the trainer of the section the A and B buttons worked on.
    whenDialogOpens([](SpeedTrainerDialog &dialog) {
        EXPECT_EQ(dialog.StartSpeed->value(), -40);
        // Back from the start speed to the switch above it, and off.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ShiftModifier);
        EXPECT_EQ(QApplication::focusWidget(), dialog.UseTrainer);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
        EXPECT_FALSE(dialog.UseTrainer->isChecked());
    });
    window->show(); // a window shortcut needs its window active
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    QTest::keyClick(window.get(), Qt::Key_T, Qt::ControlModifier);
    EXPECT_FALSE(mng().Section(0)->Trainer.has_value());
    EXPECT_EQ(hintOver(*mng().Section(0)), QStringLiteral("区間 00:00 - 00:01"));
}

} // namespace
