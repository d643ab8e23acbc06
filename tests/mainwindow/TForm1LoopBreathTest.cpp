// The pause and count-in before each A-B repeat in a real main window: T taps the tempo, the
// options dialog sets the pause and the clicks, and what the window plays (to a WAV file, in
// real time) has them.
#include "WindowFixture.h"
#include "audio/dsp/CountInClicks.h"
#include "common/IniFile.h"
#include "engine/TLxPlayer.h"
#include "mainwindow/PlayListBox.h"
#include "options/TToolDlg.h"
#include "skin/TLxButtonMng.h"
#include "support/SignalAnalysis.h"

#include <QApplication>
#include <QSlider>
#include <QSpinBox>
#include <QTimer>

namespace {

using quillmere::audio::BytesPerSecond;

class TForm1LoopBreathTest : public WindowFixture {
protected:
    QString loopHint() const
    {
        const TLxButton *button = window->ButtonMng().Find(u"BUTTON_LOOP");
        return window->ShowHintHandler(QPoint(button->CenterX(), button->CenterY())).text;
    }
};

TEST_F(TForm1LoopBreathTest, TappedTempoAndThePauseFromTheOptionsReachTheSound)
{
    const QString output = dir.filePath(QStringLiteral("heard.wav"));
    const QString path = dir.filePath(QStringLiteral("quiet.wav"));
    ASSERT_TRUE(fixtures::writeSndfile(path, fixtures::sine(220, 4.0, 44100, 2, 0.05), 44100, 2,
                                       SF_FORMAT_WAV | SF_FORMAT_FLOAT));
    window =
        std::make_unique<TForm1>(QStringList{path}, &messages, QStringLiteral("file:") + output);
    waitForIntake();
    click("BUTTON_STOP");
    EXPECT_EQ(loopHint(), QStringLiteral("A-B区間繰返再生モードに切替"));

    // Three taps 300 ms apart; Ctrl+T is another command's and taps nothing.
    for (int i = 0; i < 3; ++i) {
        QTest::keyClick(window.get(), Qt::Key_T);
        QTest::keyClick(window.get(), Qt::Key_T, Qt::ControlModifier);
        QTest::qWait(300);
    }
    const int beatMs = window->Options().CountInBeatMs;
    EXPECT_GE(beatMs, 300);
    EXPECT_LT(beatMs, 400);
    EXPECT_TRUE(
        loopHint().endsWith(QStringLiteral("（カウント ♩=%1）").arg(std::lround(60000.0 / beatMs))))
        << loopHint().toStdString();

    QTimer::singleShot(0, [&] {
        TToolDlg &dlg = window->ToolDlg();
        dlg.TrackBarBreath->setValue(10); // 1.0 s
        dlg.SpinCountIn->setValue(2);
        QTest::keyClick(&dlg, Qt::Key_Return);
    });
    click("BUTTON_TOOL");
    const quillmere::IniFile ini = quillmere::IniFile::load(quillmere::AppPaths::settingsFile());
    EXPECT_EQ(ini.readInteger(u"Option", u"BreathOfRepeat", -1), 10);
    EXPECT_EQ(ini.readInteger(u"Option", u"CountInClicks", -1), 2);

    TLxMusicInfoMng &mng = window->Player().MusicInfoMng();
    // Far enough in that the window hands the section to the stream before the decoder,
    // reading ahead, gets to B.
    mng.SetPointA(3 * BytesPerSecond / 2, false);
    ASSERT_EQ(mng.SetPointB(2 * BytesPerSecond), 0);
    click("BUTTON_LOOP");
    window->PlayList().setLineSelected(0, true);
    click("BUTTON_PLAY");
    ASSERT_TRUE(window->Player().IsPlaying());
    QTest::qWait(3500); // to A, the section and a pause, and into the section again
    window.reset();     // closes the file

    SF_INFO info{};
    const auto heard = analysis::channel(fixtures::readSndfile(output, info), 0);
    const auto clicks = analysis::onsets(heard, 0.2f, 4410);
    ASSERT_GE(clicks.size(), 2u);
    const size_t beat = size_t(beatMs) * 441 / 10;
    EXPECT_NEAR(double(clicks[1] - clicks[0]), double(beat), 2);
    // Silence from the end of the section to the first click (whose onset is a few frames into
    // its burst), and from the last click to the section's return a beat later.
    const size_t pauseStart = clicks[0] - (44100 - 2 * beat);
    const size_t restart = clicks[1] + beat;
    ASSERT_LT(restart + 4410, heard.size());
    EXPECT_GT(analysis::rms(heard, pauseStart - 4410, pauseStart - 500), 0.02);
    EXPECT_LT(analysis::rms(heard, pauseStart + 100, clicks[0] - 10), 1e-4);
    const size_t afterClick = clicks[1] + quillmere::audio::CountInClicks::BurstFrames;
    EXPECT_LT(analysis::rms(heard, afterClick, restart - 100), 1e-4);
    EXPECT_GT(analysis::rms(heard, restart + 500, restart + 4410), 0.02);
}

} // namespace
