// The main window on the offscreen platform over the "null" output, which plays in real
// time without a sound device.
#include "mainwindow/TForm1.h"

#include "WindowFixture.h"
#include "common/AppPaths.h"
#include "common/IniFile.h"
#include "engine/RecordingPresenter.h"
#include "engine/TLxPlayer.h"
#include "mainwindow/FileIntake.h"
#include "mainwindow/PlayListBox.h"
#include "skin/TLxButtonMng.h"
#include "skin/TLxSliderMng.h"
#include "support/AudioFixtures.h"
#include "support/TestFiles.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>
#include <sndfile.h>

namespace {

constexpr qint64 BytesPerSecond = 176400;

class TForm1Test : public WindowFixture {
protected:
    void writeIni(const QByteArray &text)
    {
        testfiles::writeFile(quillmere::AppPaths::settingsFile(), text);
    }

    // A click at the centre of the button's hit circle, as the user makes it.
    void click(const char *name, Qt::KeyboardModifiers modifiers = {})
    {
        const TLxButton *button = window->ButtonMng().Find(QString::fromLatin1(name));
        ASSERT_NE(button, nullptr) << name;
        auto *surface = window->findChild<QWidget *>(QStringLiteral("PaintBox1"));
        ASSERT_NE(surface, nullptr);
        const QPoint at(button->CenterX(), button->CenterY());
        QTest::mousePress(surface, Qt::LeftButton, modifiers, at);
        QTest::mouseRelease(surface, Qt::LeftButton, modifiers, at);
    }

    int slider(const char *name) const
    {
        return window->SliderMng().Find(QString::fromLatin1(name))->GetValue();
    }
    bool isOn(const char *name) const
    {
        return window->ButtonMng().IsOn(QString::fromLatin1(name));
    }
    QString hintAt(const char *name) const
    {
        const TLxButton *button = window->ButtonMng().Find(QString::fromLatin1(name));
        return window->ShowHintHandler(QPoint(button->CenterX(), button->CenterY())).text;
    }
};

TEST_F(TForm1Test, MissingSettingsGiveTheDefaults)
{
    open();
    EXPECT_EQ(window->pos(), QPoint(100, 100));
    EXPECT_FALSE(window->Player().IsABLoop());
    EXPECT_FALSE(isOn("BUTTON_LOOP"));
    EXPECT_FALSE(window->RandomMode());
    const TLxSlider *speed = window->SliderMng().Find(u"SLIDER_SPEED");
    EXPECT_EQ(speed->Min(), -75);
    EXPECT_EQ(speed->Max(), 300);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Quillmere Audio Player"));
    EXPECT_EQ(window->SliderMng().Count(), 12);
    EXPECT_EQ(window->ButtonMng().Count(), 29);
    EXPECT_EQ(hintAt("BUTTON_LOOP"), QStringLiteral("A-B区間繰返再生モードに切替"));
    // The window shows the skin's background where no control lies.
    const QPoint bare(300, 60);
    EXPECT_EQ(window->grab().toImage().pixelColor(bare),
              window->ButtonMng().GetBackground().pixelColor(bare));
}

TEST_F(TForm1Test, ClosingWritesTheKeysAndTheyAreReadBack)
{
    open();
    window->move(140, 120);
    click("BUTTON_RANDOM");
    click("BUTTON_LOOP");
    window->Options().DeltaOfSpeed = 7;
    window.reset();

    const quillmere::IniFile ini = quillmere::IniFile::load(quillmere::AppPaths::settingsFile());
    EXPECT_EQ(ini.readInteger(u"Form", u"Left", 0), 140);
    EXPECT_EQ(ini.readInteger(u"Form", u"Top", 0), 120);
    EXPECT_TRUE(ini.readBool(u"Form", u"Random", false));
    EXPECT_TRUE(ini.readBool(u"Form", u"ABLoop", false));
    EXPECT_EQ(ini.readInteger(u"Option", u"MinOfSpeed", 0), -75);
    EXPECT_EQ(ini.readInteger(u"Option", u"MaxOfSpeed", 0), 300);
    EXPECT_EQ(ini.readInteger(u"Option", u"DeltaOfSpeed", 0), 7);
    EXPECT_TRUE(ini.hasKey(u"Option", u"RecordingDir"));
    EXPECT_TRUE(ini.hasKey(u"Option", u"PlayTimer"));

    open();
    EXPECT_EQ(window->pos(), QPoint(140, 120));
    EXPECT_TRUE(window->RandomMode());
    EXPECT_TRUE(isOn("BUTTON_RANDOM"));
    EXPECT_TRUE(window->Player().IsABLoop());
    EXPECT_EQ(hintAt("BUTTON_LOOP"), QStringLiteral("通常再生モードに切替"));
    EXPECT_EQ(window->Options().DeltaOfSpeed, 7);
}

TEST_F(TForm1Test, SettingsReachTheFileSoonAfterAChangeWithoutClosing)
{
    open();
    click("BUTTON_SPEEDUP");
    click("BUTTON_RANDOM");
    const auto saved = [] {
        const quillmere::IniFile ini =
            quillmere::IniFile::load(quillmere::AppPaths::settingsFile());
        return ini.readInteger(u"Player", u"Speed", 0) == 5 &&
               ini.readBool(u"Form", u"Random", false);
    };
    EXPECT_FALSE(saved());
    // A killed session loses at most the last two seconds.
    EXPECT_TRUE(QTest::qWaitFor(saved, 5000));
}

TEST_F(TForm1Test, SavedSpeedOutsideTheRangeLeavesTheSliderAtZero)
{
    writeIni("[Option]\r\nMinOfSpeed=-60\r\nMaxOfSpeed=200\r\n[Player]\r\nSpeed=250\r\n");
    open();
    const TLxSlider *speed = window->SliderMng().Find(u"SLIDER_SPEED");
    EXPECT_EQ(speed->Min(), -60);
    EXPECT_EQ(speed->Max(), 200);
    EXPECT_EQ(speed->GetValue(), 0);
    EXPECT_EQ(window->Player().Settings().speed, 0);
    EXPECT_EQ(window->SpeedText(), QStringLiteral(" 0%"));
}

TEST_F(TForm1Test, SpeedAndPitchStepsStopAtTheirLimits)
{
    writeIni("[Option]\r\nMaxOfSpeed=52\r\nDeltaOfSpeed=25\r\nDeltaOfPitch=5\r\n"
             "[Player]\r\nPitch=22\r\n");
    open();
    for (int expected : {25, 50, 52, 52}) {
        click("BUTTON_SPEEDUP");
        EXPECT_EQ(slider("SLIDER_SPEED"), expected);
    }
    EXPECT_EQ(window->Player().Settings().speed, 52);
    EXPECT_EQ(window->SpeedText(), QStringLiteral(" +52%"));
    click("BUTTON_SPEED_0");
    click("BUTTON_SPEEDDOWN");
    EXPECT_EQ(window->SpeedText(), QStringLiteral(" -25%"));

    click("BUTTON_PITCHUP");
    EXPECT_EQ(slider("SLIDER_PITCH"), 24);
    EXPECT_EQ(window->Player().Settings().pitch, 24);
    EXPECT_EQ(window->PitchText(), QStringLiteral(" +24"));
    for (int expected : {19, 14, 9, 4, -1, -6, -11, -16, -21, -24}) {
        click("BUTTON_PITCHDOWN");
        EXPECT_EQ(slider("SLIDER_PITCH"), expected);
    }
    click("BUTTON_PITCH_0");
    EXPECT_EQ(window->PitchText(), QStringLiteral(" 0"));
}

TEST_F(TForm1Test, ResetButtonsZeroTheirSliders)
{
    writeIni("[Player]\r\nPan=40\r\nReverb=9\r\nEQ_250=5\r\nEQ_8000=-7\r\n");
    open();
    ASSERT_EQ(slider("SLIDER_PAN"), 40);
    ASSERT_EQ(slider("SLIDER_EQ_8000"), -7);
    click("BUTTON_PAN_0");
    click("BUTTON_REVERB_0");
    click("BUTTON_EQ_0");
    EXPECT_EQ(slider("SLIDER_PAN"), 0);
    EXPECT_EQ(slider("SLIDER_REVERB"), 0);
    EXPECT_EQ(slider("SLIDER_EQ_250"), 0);
    EXPECT_EQ(slider("SLIDER_EQ_8000"), 0);
    const PlayerSettings &s = window->Player().Settings();
    EXPECT_EQ(s.pan, 0);
    EXPECT_EQ(s.reverb, 0);
    EXPECT_EQ(s.eq[0], 0);
    EXPECT_EQ(s.eq[5], 0);
}

TEST_F(TForm1Test, HeldRepeatButtonStepsEveryTickAndOnceMoreOnRelease)
{
    open();
    auto *surface = window->findChild<QWidget *>(QStringLiteral("PaintBox1"));
    const TLxButton *down = window->ButtonMng().Find(u"BUTTON_SPEEDDOWN");
    const QPoint at(down->CenterX(), down->CenterY());
    QTest::mousePress(surface, Qt::LeftButton, {}, at);
    EXPECT_EQ(window->RepeatButtonName, QStringLiteral("BUTTON_SPEEDDOWN"));
    EXPECT_TRUE(window->TimerRepeat.isActive());
    EXPECT_EQ(window->TimerRepeat.interval(), 500);
    // The ticks of one second held: at 500, 600, ... 1000 ms.
    for (int tick = 1; tick <= 6; ++tick) {
        window->TimerRepeatTimer();
        EXPECT_EQ(slider("SLIDER_SPEED"), -5 * tick);
        EXPECT_EQ(window->TimerRepeat.interval(), 100);
    }
    QTest::mouseRelease(surface, Qt::LeftButton, {}, at);
    EXPECT_EQ(slider("SLIDER_SPEED"), -35);
    EXPECT_FALSE(window->TimerRepeat.isActive());
    window->TimerRepeatTimer(); // a tick after the release changes nothing
    EXPECT_EQ(slider("SLIDER_SPEED"), -35);
}

TEST_F(TForm1Test, PlayPauseResumeAndStop)
{
    open({song(QStringLiteral("a.wav"), 3.0), song(QStringLiteral("b.wav"), 3.0)});
    // The last file of the command line starts at once.
    EXPECT_TRUE(window->Player().IsPlaying());
    EXPECT_EQ(window->Player().MusicInfoMng().GetCurrentIndex(), 1);
    EXPECT_TRUE(isOn("BUTTON_PLAY"));
    EXPECT_EQ(window->TotalText(), QStringLiteral("00:03"));
    EXPECT_EQ(hintAt("BUTTON_PLAY"), QStringLiteral("再生一時停止"));

    click("BUTTON_PLAY");
    EXPECT_TRUE(window->Player().IsPaused());
    EXPECT_FALSE(isOn("BUTTON_PLAY"));
    click("BUTTON_PLAY");
    EXPECT_TRUE(window->Player().IsPlaying());
    EXPECT_EQ(window->SleepState(), PracticeSession::PlayLimit::Counting);

    click("BUTTON_STOP");
    EXPECT_FALSE(window->Player().IsPlaying());
    EXPECT_FALSE(window->Player().IsPaused());
    EXPECT_FALSE(isOn("BUTTON_PLAY"));
    EXPECT_EQ(window->TotalText(), QStringLiteral("00:00"));
    EXPECT_FALSE(window->ButtonMng().Find(u"BUTTON_STOP")->Enabled());

    // Play with no line selected: the user is told to pick one, and nothing plays.
    window->PlayList().clearSelection();
    click("BUTTON_PLAY");
    ASSERT_FALSE(messages.texts.isEmpty());
    EXPECT_EQ(messages.texts.last(),
              QStringLiteral(
                  "プレイリストをクリックして再生するオーディオファイルを1個選んでください。"));
    EXPECT_FALSE(isOn("BUTTON_PLAY"));
    EXPECT_FALSE(window->Player().IsPlaying());
}

TEST_F(TForm1Test, NextAndBackWrapAroundTheList)
{
    open({song(QStringLiteral("a.wav"), 3.0), song(QStringLiteral("b.wav"), 3.0),
          song(QStringLiteral("c.wav"), 3.0)});
    const TLxMusicInfoMng &mng = window->Player().MusicInfoMng();
    ASSERT_EQ(mng.GetCurrentIndex(), 2);
    click("BUTTON_PLAY_NEXT");
    EXPECT_EQ(mng.GetCurrentIndex(), 0);
    EXPECT_TRUE(window->Player().IsPlaying());
    click("BUTTON_PLAY_BACK");
    EXPECT_EQ(mng.GetCurrentIndex(), 2);
    click("BUTTON_STOP");
    click("BUTTON_PLAY_NEXT"); // stopped: only the selection moves
    EXPECT_EQ(mng.GetCurrentIndex(), 0);
    EXPECT_FALSE(window->Player().IsPlaying());
    EXPECT_EQ(window->PlayList().selectedCount(), 1);
}

TEST_F(TForm1Test, LoopAndRandomButtonsSwitchTheModes)
{
    open({song(QStringLiteral("a.wav"), 3.0)});
    click("BUTTON_LOOP");
    EXPECT_TRUE(window->Player().IsABLoop());
    EXPECT_EQ(hintAt("BUTTON_LOOP"), QStringLiteral("通常再生モードに切替"));
    click("BUTTON_A");
    QTest::qWait(150);
    click("BUTTON_B"); // a section made while A-B repeat is on repeats at once
    EXPECT_EQ(window->SectionState(), PracticeSession::Sectioning::Inside);
    click("BUTTON_LOOP");
    EXPECT_FALSE(window->Player().IsABLoop());
    EXPECT_EQ(window->SectionState(), PracticeSession::Sectioning::Seeking);

    click("BUTTON_RANDOM");
    EXPECT_TRUE(window->RandomMode());
    EXPECT_EQ(hintAt("BUTTON_RANDOM"), QStringLiteral("シーケンス再生に切替"));
    click("BUTTON_RANDOM");
    EXPECT_FALSE(window->RandomMode());
    EXPECT_EQ(hintAt("BUTTON_RANDOM"), QStringLiteral("ランダム再生に切替"));
}

TEST_F(TForm1Test, SliderHintShowsNameAndValue)
{
    open();
    const TLxSlider *volume = window->SliderMng().Find(u"SLIDER_VOLUME");
    const QPoint thumb = volume->ThumbPos() + QPoint(4, 4);
    EXPECT_EQ(window->ShowHintHandler(thumb).text,
              QStringLiteral("音量 = ") + QString::number(volume->GetValue()));
    EXPECT_EQ(window->ShowHintHandler(thumb).area.topLeft(), volume->ThumbPos());
    EXPECT_TRUE(window->ShowHintHandler(QPoint(300, 190)).text.isEmpty());
}

TEST_F(TForm1Test, EndOfSongPlaysTheNextEntryAndWrapsToTheFirst)
{
    open({song(QStringLiteral("a.wav"), 0.6), song(QStringLiteral("b.wav"), 0.6)});
    const TLxMusicInfoMng &mng = window->Player().MusicInfoMng();
    ASSERT_EQ(mng.GetCurrentIndex(), 1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return mng.GetCurrentIndex() == 0; }, 5000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return mng.GetCurrentIndex() == 1; }, 5000));
}

TEST_F(TForm1Test, EndOfSongInABModeRestartsTheSameSong)
{
    open({song(QStringLiteral("a.wav"), 0.6), song(QStringLiteral("b.wav"), 0.6)});
    click("BUTTON_LOOP");
    const TLxMusicInfoMng &mng = window->Player().MusicInfoMng();
    int restarts = 0;
    bool wasPlaying = true;
    (void)QTest::qWaitFor(
        [&] {
            const bool playing = window->Player().IsPlaying();
            if (playing && !wasPlaying)
                ++restarts;
            wasPlaying = playing;
            return restarts >= 2;
        },
        5000);
    EXPECT_GE(restarts, 2);
    EXPECT_EQ(mng.GetCurrentIndex(), 1);
}

TEST_F(TForm1Test, RandomPlayPlaysEveryEntryOnceBeforeRepeating)
{
    open({song(QStringLiteral("a.wav"), 0.4), song(QStringLiteral("b.wav"), 0.4),
          song(QStringLiteral("c.wav"), 0.4)});
    click("BUTTON_RANDOM");
    TLxMusicInfoMng &mng = window->Player().MusicInfoMng();
    // Start a fresh cycle from the first entry, as a double click on it does.
    window->PlayList().clearSelection();
    mng.SetCurrentIndex(0);
    window->ListBoxPlayListDblClick();
    QList<int> order{mng.GetCurrentIndex()};
    (void)QTest::qWaitFor(
        [&] {
            if (mng.GetCurrentIndex() != order.last())
                order << mng.GetCurrentIndex();
            return order.size() >= 3;
        },
        6000);
    ASSERT_GE(order.size(), 3);
    QList<int> firstCycle = order.mid(0, 3);
    std::sort(firstCycle.begin(), firstCycle.end());
    EXPECT_EQ(firstCycle, QList<int>({0, 1, 2}));
}

TEST_F(TForm1Test, ABRepeatLoopsInsideTheSection)
{
    open({song(QStringLiteral("a.wav"), 4.0)});
    click("BUTTON_STOP");
    TLxMusicInfoMng &mng = window->Player().MusicInfoMng();
    mng.SetPointA(BytesPerSecond, false);
    ASSERT_EQ(mng.SetPointB(2 * BytesPerSecond), 0);
    click("BUTTON_LOOP");
    window->PlayList().clearSelection();
    window->PlayList().setLineSelected(0, true);
    click("BUTTON_PLAY");
    ASSERT_TRUE(window->Player().IsPlaying());

    // Follow the position for three seconds: it must never run far past B, and each jump
    // back lands at A.
    qint64 last = 0, highest = 0;
    int jumps = 0;
    (void)QTest::qWaitFor(
        [&] {
            const qint64 pos = window->Player().GetPosition();
            if (pos + BytesPerSecond / 4 < last) {
                ++jumps;
                EXPECT_LT(last, 2 * BytesPerSecond + BytesPerSecond / 10);
                EXPECT_NEAR(double(pos), double(BytesPerSecond), BytesPerSecond / 10.0);
            }
            highest = std::max(highest, pos);
            last = pos;
            return false;
        },
        3000);
    EXPECT_GE(jumps, 1);
    EXPECT_LT(highest, 2 * BytesPerSecond + BytesPerSecond / 10);
    EXPECT_TRUE(window->Player().IsPlaying());
}

// The stream repeats the section itself: no overshoot past B, and a B within the last timer
// tick of the song still repeats instead of the song ending and starting again from 0.
TEST_F(TForm1Test, ASectionEndingInTheSongsLastTickRepeatsWithoutOvershoot)
{
    open({song(QStringLiteral("a.wav"), 2.0)});
    click("BUTTON_STOP");
    TLxMusicInfoMng &mng = window->Player().MusicInfoMng();
    const qint64 b = 2 * BytesPerSecond - BytesPerSecond / 50; // 20 ms before the end
    mng.SetPointA(BytesPerSecond, false);
    ASSERT_EQ(mng.SetPointB(b), 0);
    click("BUTTON_LOOP");
    window->PlayList().clearSelection();
    window->PlayList().setLineSelected(0, true);
    click("BUTTON_PLAY");
    ASSERT_TRUE(window->Player().IsPlaying());

    qint64 last = 0, highest = 0;
    int jumps = 0;
    bool inside = false;
    (void)QTest::qWaitFor(
        [&] {
            const qint64 pos = window->Player().GetPosition();
            inside = inside || pos >= BytesPerSecond;
            if (inside) {
                EXPECT_GE(pos, BytesPerSecond - BytesPerSecond / 100) << "left the section";
            }
            jumps += pos + BytesPerSecond / 4 < last;
            highest = std::max(highest, pos);
            last = pos;
            return false;
        },
        3500);
    EXPECT_GE(jumps, 2);
    EXPECT_LE(highest, b + BytesPerSecond / 100);
    EXPECT_TRUE(window->Player().IsPlaying());
}

TEST_F(TForm1Test, WithoutABModeTheSectionPlaysThrough)
{
    open({song(QStringLiteral("a.wav"), 2.0)});
    click("BUTTON_STOP");
    TLxMusicInfoMng &mng = window->Player().MusicInfoMng();
    mng.SetPointA(BytesPerSecond / 4, false);
    ASSERT_EQ(mng.SetPointB(BytesPerSecond / 2), 0);
    window->PlayList().setLineSelected(0, true);
    click("BUTTON_PLAY");
    qint64 highest = 0;
    (void)QTest::qWaitFor(
        [&] {
            highest = std::max(highest, window->Player().GetPosition());
            return highest > BytesPerSecond;
        },
        3000);
    EXPECT_GT(highest, BytesPerSecond);
}

TEST_F(TForm1Test, PausedOrStoppedTheWindowRunsNoTimer)
{
    open({song(QStringLiteral("a.wav"), 3.0)});
    ASSERT_TRUE(window->Player().IsPlaying());
    EXPECT_TRUE(window->Timer1().isActive());
    EXPECT_TRUE(window->TimerSpec.isActive());
    const auto resting = [&] {
        return !window->Timer1().isActive() && !window->TimerSpec.isActive() &&
               !window->TimerRepeat.isActive();
    };
    click("BUTTON_PLAY"); // pause
    ASSERT_TRUE(window->Player().IsPaused());
    EXPECT_TRUE(resting());
    click("BUTTON_PLAY"); // resume: the clock and the spectrum run again
    EXPECT_TRUE(window->Timer1().isActive());
    EXPECT_TRUE(window->TimerSpec.isActive());
    click("BUTTON_STOP");
    EXPECT_TRUE(resting());
}

TEST_F(TForm1Test, ContinuousPlayLimitStopsPlayback)
{
    writeIni("[Option]\r\nPlayTimer=1\r\n");
    open({song(QStringLiteral("a.wav"), 3.0)});
    window->PlayList().clearSelection();
    window->PlayList().setLineSelected(0, true);
    click("BUTTON_STOP");
    click("BUTTON_PLAY");
    window->Timer1().stop(); // the test drives the clock
    ASSERT_EQ(window->SleepState(), PracticeSession::PlayLimit::Counting);
    window->Session().SetLimitElapsedMs(10 * 60000 - 100);
    window->Timer1Timer();
    EXPECT_EQ(window->SleepState(), PracticeSession::PlayLimit::Counting);
    window->Timer1Timer();
    EXPECT_EQ(window->SleepState(), PracticeSession::PlayLimit::Expired);
    (void)QTest::qWaitFor([&] { return window->SleepState() == PracticeSession::PlayLimit::Off; },
                          1000);
    EXPECT_FALSE(window->Player().IsPlaying());
    ASSERT_FALSE(messages.texts.isEmpty());
    EXPECT_EQ(messages.texts.last(), QStringLiteral("連続再生タイマー経過: 再生停止します。"));
}

} // namespace

namespace {

class TForm1MouseTest : public TForm1Test {
protected:
    QWidget *surface() const { return window->findChild<QWidget *>(QStringLiteral("PaintBox1")); }
    void key(Qt::Key code)
    {
        QKeyEvent press(QEvent::KeyPress, code, Qt::NoModifier);
        QApplication::sendEvent(window.get(), &press);
    }
    QPoint centre(const char *name) const
    {
        const TLxButton *button = window->ButtonMng().Find(QString::fromLatin1(name));
        return QPoint(button->CenterX(), button->CenterY());
    }
};

TEST_F(TForm1MouseTest, ReleaseAnywhereRunsThePressedButton)
{
    open({song(QStringLiteral("a.wav"), 3.0)});
    ASSERT_TRUE(window->Player().IsPlaying());
    QTest::mousePress(surface(), Qt::LeftButton, {}, centre("BUTTON_STOP"));
    QTest::mouseRelease(surface(), Qt::LeftButton, {}, QPoint(300, 60));
    EXPECT_FALSE(window->Player().IsPlaying());
}

TEST_F(TForm1MouseTest, PressOnBackgroundOrDisabledButtonDragsTheWindow)
{
    open();
    window->move(200, 150);
    // With an empty list the stop button is disabled: a press on it grabs the window.
    ASSERT_FALSE(window->ButtonMng().Find(u"BUTTON_STOP")->Enabled());
    const QPoint grab = centre("BUTTON_STOP");
    QTest::mousePress(surface(), Qt::LeftButton, {}, grab);
    EXPECT_TRUE(window->WindowDragging);
    QMouseEvent move(QEvent::MouseMove, grab + QPoint(30, 20), surface()->mapToGlobal(grab),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(surface(), &move);
    EXPECT_EQ(window->pos(), QPoint(230, 170));
    QTest::mouseRelease(surface(), Qt::LeftButton, {}, grab + QPoint(30, 20));
    EXPECT_FALSE(window->WindowDragging);
}

TEST_F(TForm1MouseTest, SpaceAndMediaKeysActLikeTheButtons)
{
    open({song(QStringLiteral("a.wav"), 3.0), song(QStringLiteral("b.wav"), 3.0)});
    key(Qt::Key_Space);
    EXPECT_TRUE(window->Player().IsPaused());
    key(Qt::Key_MediaTogglePlayPause);
    EXPECT_TRUE(window->Player().IsPlaying());
    key(Qt::Key_MediaNext);
    EXPECT_EQ(window->Player().MusicInfoMng().GetCurrentIndex(), 0);
    key(Qt::Key_MediaStop);
    EXPECT_FALSE(window->Player().IsPlaying());
    EXPECT_FALSE(isOn("BUTTON_PLAY"));
}

TEST_F(TForm1MouseTest, DraggingThePositionSliderSeeksOnTheNextTick)
{
    open({song(QStringLiteral("a.wav"), 4.0)});
    const TLxSlider *position = window->SliderMng().Find(u"SLIDER_PLAY");
    const QPoint knob = position->ThumbPos() + QPoint(4, 4);
    QTest::mousePress(surface(), Qt::LeftButton, {}, knob);
    QMouseEvent move(QEvent::MouseMove, QPoint(18 + 312, knob.y()), surface()->mapToGlobal(knob),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(surface(), &move);
    EXPECT_TRUE(window->PositionDragging);
    window->Timer1Timer();
    QTest::mouseRelease(surface(), Qt::LeftButton, {}, QPoint(18 + 312, knob.y()));
    EXPECT_FALSE(window->PositionDragging);
    // Three quarters along the track of a four-second song.
    EXPECT_NEAR(double(window->Player().GetPosition()), 3.0 * BytesPerSecond,
                0.25 * BytesPerSecond);
}

TEST_F(TForm1Test, MissingFileOfTheDefaultPlaylistIsAskedAbout)
{
    const QString gone = song(QStringLiteral("gone.wav"), 1.0);
    open({gone});
    window.reset(); // saves the default playlist with the song
    QFile::remove(gone);
    open();
    ASSERT_FALSE(messages.texts.isEmpty());
    EXPECT_EQ(messages.texts.last(), TLxMusicInfoMng::missingFileMessage(gone));
    EXPECT_TRUE(messages.texts.last().startsWith(QStringLiteral("オーディオファイル[")));
    EXPECT_EQ(window->Player().MusicInfoMng().GetCount(), 0);
}

} // namespace

namespace {

TEST_F(TForm1Test, ListButtonsMoveABlockAndDeleteStopsTheCurrentSong)
{
    const QString a = song(QStringLiteral("a.wav"), 3.0), b = song(QStringLiteral("b.wav"), 3.0),
                  c = song(QStringLiteral("c.wav"), 3.0);
    open({a, b, c});
    TLxMusicInfoMng &mng = window->Player().MusicInfoMng();
    const auto order = [&] {
        QStringList names;
        for (int i = 0; i < mng.GetCount(); ++i)
            names << QFileInfo(mng.Entry(i)->FileName).fileName();
        return names.join(u',');
    };
    window->PlayList().clearSelection();
    window->PlayList().setLineSelected(0, true);
    window->PlayList().setLineSelected(1, true);
    click("BUTTON_LISTDOWN");
    EXPECT_EQ(order(), QStringLiteral("c.wav,a.wav,b.wav"));
    click("BUTTON_LISTDOWN"); // the block is at the bottom already
    EXPECT_EQ(order(), QStringLiteral("c.wav,a.wav,b.wav"));
    EXPECT_EQ(window->PlayList().selectedCount(), 2);

    // c.wav is the song playing; deleting it stops playback.
    ASSERT_TRUE(window->Player().IsPlaying());
    window->PlayList().clearSelection();
    window->PlayList().setLineSelected(0, true);
    click("BUTTON_DEL_FILE");
    EXPECT_EQ(order(), QStringLiteral("a.wav,b.wav"));
    EXPECT_FALSE(window->Player().IsPlaying());
    EXPECT_EQ(window->PlayList().count(), 2);
}

} // namespace

namespace {

TEST_F(TForm1Test, SectionButtonsMarkAndDeleteSectionsWhilePlaying)
{
    open({song(QStringLiteral("a.wav"), 4.0)});
    click("BUTTON_LOOP");
    const TLxMusicInfo &entry = *window->Player().MusicInfoMng().Entry(0);
    QTest::qWait(300);
    click("BUTTON_A");
    QTest::qWait(400);
    click("BUTTON_B");
    ASSERT_EQ(entry.Sections.size(), 1u);
    const TLxABLoopInfo section = entry.Sections[0];
    EXPECT_GT(section.PosB, section.PosA);
    EXPECT_NEAR(double(section.PosB - section.PosA), 0.4 * BytesPerSecond, 0.2 * BytesPerSecond);
    // With A-B mode on, the new section repeats from now on.
    EXPECT_EQ(window->SectionState(), PracticeSession::Sectioning::Inside);
    EXPECT_EQ(window->RepeatSection(), 0);

    click("BUTTON_DEL_AB_ALL");
    EXPECT_TRUE(entry.Sections.empty());
    EXPECT_EQ(window->SectionState(), PracticeSession::Sectioning::Seeking);
}

TEST_F(TForm1Test, NewSectionsReachTheDefaultPlaylistWithoutWaitingForTheExit)
{
    open({song(QStringLiteral("kept.wav"), 4.0)});
    QTest::qWait(300);
    click("BUTTON_A");
    QTest::qWait(300);
    click("BUTTON_B");
    ASSERT_EQ(window->Player().MusicInfoMng().Entry(0)->Sections.size(), 1u);
    // The window is still open: a crash now must not lose the section.
    QTest::qWait(1500);
    QFile saved(quillmere::AppPaths::defaultPlayListFile());
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QByteArray text = saved.readAll();
    EXPECT_TRUE(text.contains("kept.wav"));
    const qint64 a = window->Player().MusicInfoMng().Entry(0)->Sections[0].PosA;
    EXPECT_TRUE(text.contains("\r\n" + QByteArray::number(a) + ",")) << text.toStdString();
}

} // namespace
