// The options dialog opened from "BUTTON_TOOL" in a real main window, and what the window
// does with the values after OK or cancel.
#include "WindowFixture.h"
#include "common/IniFile.h"
#include "engine/TLxPlayer.h"
#include "options/TToolDlg.h"
#include "skin/TLxButtonMng.h"
#include "skin/TLxSliderMng.h"
#include "skin/TSpectrum.h"
#include "support/TestFiles.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTimer>

#include <functional>

namespace {

class TForm1OptionsTest : public WindowFixture {
protected:
    // Clicks "BUTTON_TOOL"; once the dialog is up, edit runs on it and Enter (OK) or Escape
    // (cancel) closes it, as the user would from the keyboard.
    void runDialog(const std::function<void(TToolDlg &)> &edit, bool confirm)
    {
        bool shown = false;
        QTimer::singleShot(0, [&] {
            TToolDlg &dlg = window->ToolDlg();
            shown = dlg.isVisible() && QApplication::activeModalWidget() == &dlg;
            edit(dlg);
            QTest::keyClick(&dlg, confirm ? Qt::Key_Return : Qt::Key_Escape);
        });
        click("BUTTON_TOOL");
        EXPECT_TRUE(shown);
        EXPECT_FALSE(window->ToolDlg().isVisible());
    }

    static int savedOption(const char16_t *key)
    {
        return quillmere::IniFile::load(quillmere::AppPaths::settingsFile())
            .readInteger(u"Option", key, -999);
    }
    int speedSlider() const { return window->SliderMng().Find(u"SLIDER_SPEED")->GetValue(); }
};

TEST_F(TForm1OptionsTest, StepsFromTheDialogDriveTheButtonsAndReachTheFileAtOnce)
{
    open();
    runDialog(
        [](TToolDlg &dlg) {
            EXPECT_EQ(dlg.TrackBarSpeed->value(), 5); // filled from the settings
            dlg.TrackBarSpeed->setValue(20);
            dlg.TrackBarPitch->setValue(3);
            EXPECT_EQ(dlg.EditSpeed->text(), QStringLiteral("20"));
        },
        true);
    click("BUTTON_SPEEDUP");
    EXPECT_EQ(speedSlider(), 20);
    EXPECT_EQ(window->Player().Settings().speed, 20);
    click("BUTTON_PITCHUP");
    EXPECT_EQ(window->SliderMng().Find(u"SLIDER_PITCH")->GetValue(), 3);
    // Saved on OK: a crash now keeps the confirmed steps.
    EXPECT_EQ(savedOption(u"DeltaOfSpeed"), 20);
    EXPECT_EQ(savedOption(u"DeltaOfPitch"), 3);

    // Cancel takes nothing over.
    runDialog([](TToolDlg &dlg) { dlg.TrackBarSpeed->setValue(40); }, false);
    EXPECT_EQ(window->Options().DeltaOfSpeed, 20);
}

TEST_F(TForm1OptionsTest, ANewSpeedRangeClampsTheSliderAndTheEngineFollows)
{
    testfiles::writeFile(quillmere::AppPaths::settingsFile(), "[Player]\r\nSpeed=150\r\n");
    open();
    ASSERT_EQ(speedSlider(), 150);
    runDialog(
        [](TToolDlg &dlg) {
            dlg.TrackBarMaxSpeed->setValue(100);
            dlg.TrackBarMinSpeed->setValue(25);
            EXPECT_EQ(dlg.EditSpeedMin->text(), QStringLiteral("-50"));
        },
        true);
    const TLxSlider *speed = window->SliderMng().Find(u"SLIDER_SPEED");
    EXPECT_EQ(speed->Min(), -50);
    EXPECT_EQ(speed->Max(), 100);
    EXPECT_EQ(speed->GetValue(), 100);
    EXPECT_EQ(window->Player().Settings().speed, 100);
    EXPECT_EQ(window->SpeedText(), QStringLiteral(" +100%"));
    EXPECT_EQ(savedOption(u"MinOfSpeed"), -50);
    EXPECT_EQ(savedOption(u"MaxOfSpeed"), 100);
    for (int i = 0; i < 40; ++i)
        click("BUTTON_SPEEDDOWN");
    EXPECT_EQ(speedSlider(), -50);
}

TEST_F(TForm1OptionsTest, PeakMarksReachTheSpectrumAtOnce)
{
    open();
    TSpectrum *spectrum = window->Player().Spectrum();
    ASSERT_NE(spectrum, nullptr);
    runDialog([](TToolDlg &dlg) { dlg.CheckSpecPeaks->setChecked(false); }, true);
    EXPECT_FALSE(spectrum->ShowPeaks);
    EXPECT_FALSE(window->Options().ShowOfPeaks);
    runDialog([](TToolDlg &dlg) { dlg.CheckSpecPeaks->setChecked(true); }, true);
    EXPECT_TRUE(spectrum->ShowPeaks);
    EXPECT_EQ(spectrum->PeakColor, QColor(0xA6, 0xCA, 0xF0));
}

TEST_F(TForm1OptionsTest, SleepTimerRestartsOnOkOnly)
{
    open();
    window->Session().SetLimitElapsedMs(12345);
    runDialog([](TToolDlg &dlg) { dlg.TrackBarSleepTimer->setValue(18); }, false);
    EXPECT_EQ(window->SleepElapsedMs(), 12345);
    EXPECT_EQ(window->Options().PlayTimer, 0);
    runDialog(
        [](TToolDlg &dlg) {
            dlg.TrackBarSleepTimer->setValue(18);
            EXPECT_EQ(dlg.EditSleepTimer->text(), QStringLiteral("180"));
        },
        true);
    EXPECT_EQ(window->SleepElapsedMs(), 0);
    EXPECT_EQ(window->Options().PlayTimer, 18);
    EXPECT_EQ(savedOption(u"PlayTimer"), 18);
}

TEST_F(TForm1OptionsTest, RecordingSettingsAndAFolderChosenBeforeCancel)
{
    open();
    const QString chosen = dir.filePath(QStringLiteral("takes"));
    ASSERT_TRUE(QDir().mkpath(chosen));
    runDialog(
        [&](TToolDlg &dlg) {
            dlg.CheckBoxInhibitOverWrite->setChecked(false);
            dlg.CheckBoxAutoEnter->setChecked(false);
            QTimer::singleShot(0, [&] {
                auto *picker = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
                ASSERT_NE(picker, nullptr);
                picker->setDirectory(chosen);
                QMetaObject::invokeMethod(picker, "accept");
            });
            dlg.Button1->click();
            EXPECT_EQ(dlg.EditSaveDir->text(), chosen + u'/');
        },
        false);
    // Cancelled: the check boxes are not taken over, the folder is.
    EXPECT_TRUE(window->Options().InhibitOverWriteRecord);
    EXPECT_TRUE(window->Options().AutoEnterToLibrary);
    EXPECT_EQ(window->Options().RecordingDir, chosen + u'/');

    runDialog(
        [](TToolDlg &dlg) {
            dlg.CheckBoxInhibitOverWrite->setChecked(false);
            dlg.CheckBoxAutoEnter->setChecked(false);
        },
        true);
    EXPECT_FALSE(window->Options().InhibitOverWriteRecord);
    EXPECT_FALSE(window->Options().AutoEnterToLibrary);
    window.reset();
    const quillmere::IniFile ini = quillmere::IniFile::load(quillmere::AppPaths::settingsFile());
    EXPECT_EQ(ini.readString(u"Option", u"RecordingDir", {}), chosen + u'/');
    EXPECT_FALSE(ini.readBool(u"Option", u"AutoEnterToLibrary", true));
}

TEST_F(TForm1OptionsTest, ValuesOutOfRangeInTheFileAreClampedOnLoad)
{
    testfiles::writeFile(quillmere::AppPaths::settingsFile(),
                         "[Option]\r\nMinOfSpeed=-100\r\nMaxOfSpeed=-80\r\nDeltaOfSpeed=0\r\n"
                         "DeltaOfPitch=99\r\nPlayTimer=-3\r\nBreathOfRepeat=60\r\n"
                         "CountInClicks=-1\r\nCountInBeatMs=20\r\n");
    open();
    const TLxSlider *speed = window->SliderMng().Find(u"SLIDER_SPEED");
    EXPECT_EQ(speed->Min(), -75);
    EXPECT_EQ(speed->Max(), 50);
    EXPECT_EQ(window->Options().DeltaOfSpeed, 1);
    EXPECT_EQ(window->Options().DeltaOfPitch, 24);
    EXPECT_EQ(window->Options().PlayTimer, 0);
    EXPECT_EQ(window->Options().BreathOfRepeat, 50);
    EXPECT_EQ(window->Options().CountInClicks, 0);
    EXPECT_EQ(window->Options().CountInBeatMs, 100);
    window.reset();

    testfiles::writeFile(quillmere::AppPaths::settingsFile(),
                         "[Option]\r\nMinOfSpeed=-60\r\nMaxOfSpeed=180\r\nDeltaOfSpeed=50\r\n"
                         "DeltaOfPitch=24\r\nPlayTimer=18\r\nCountInClicks=9\r\n");
    open();
    EXPECT_EQ(window->SliderMng().Find(u"SLIDER_SPEED")->Min(), -60);
    EXPECT_EQ(window->SliderMng().Find(u"SLIDER_SPEED")->Max(), 180);
    EXPECT_EQ(window->Options().DeltaOfSpeed, 50);
    EXPECT_EQ(window->Options().DeltaOfPitch, 24);
    EXPECT_EQ(window->Options().PlayTimer, 18);
    EXPECT_EQ(window->Options().CountInClicks, 8);
}

} // namespace
