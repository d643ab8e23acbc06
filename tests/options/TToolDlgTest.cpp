// The options dialog on its own: its fields, its keyboard, and the association page over
// GIO in private XDG folders.
#include "options/TToolDlg.h"

#include "DesktopSandbox.h"
#include "engine/RecordingPresenter.h"
#include "options/GioClassRegistry.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

class TToolDlgTest : public ::testing::Test {
protected:
    static inline DesktopSandbox *sandbox = nullptr;
    static void SetUpTestSuite() { sandbox = new DesktopSandbox; }
    static void TearDownTestSuite() { delete sandbox; }

    RecordingPresenter messages;
    const QStringList plugins{QStringLiteral("FLAC (*.flac)"), QStringLiteral("MP4 (*.m4a)"),
                              QStringLiteral("Nothing (*.nosuchtype)")};

    std::unique_ptr<TToolDlg> dialog(const QString &desktopId = QStringLiteral("quillmere.desktop"))
    {
        return std::make_unique<TToolDlg>(plugins, std::make_unique<GioClassRegistry>(desktopId),
                                          messages);
    }
    // Runs the dialog modally; during it, act runs once it is up.
    static int exec(TToolDlg &dlg, const std::function<void()> &act)
    {
        QTimer::singleShot(0, act);
        return dlg.exec();
    }
    static QCheckBox *box(TToolDlg &dlg, int row)
    {
        return dlg.AssociationRows.at(size_t(row)).box;
    }
};

TEST_F(TToolDlgTest, FieldsShowWhatTheirTrackBarsStandFor)
{
    auto dlg = dialog();
    EXPECT_EQ(dlg->windowTitle(), QStringLiteral("設定"));
    EXPECT_EQ(dlg->EditSpeedMin->text(), QStringLiteral("-75"));
    EXPECT_EQ(dlg->EditSpeedMax->text(), QStringLiteral("300"));
    EXPECT_EQ(dlg->EditSpeed->text(), QStringLiteral("1"));
    EXPECT_EQ(dlg->EditSleepTimer->text(), QStringLiteral("0"));
    dlg->TrackBarMinSpeed->setValue(25);
    EXPECT_EQ(dlg->EditSpeedMin->text(), QStringLiteral("-50"));
    dlg->TrackBarSleepTimer->setValue(18);
    EXPECT_EQ(dlg->EditSleepTimer->text(), QStringLiteral("180"));
    dlg->TrackBarPitch->setValue(99); // a track bar clamps what it is given
    EXPECT_EQ(dlg->EditPitch->text(), QStringLiteral("24"));
    EXPECT_EQ(dlg->TrackBarMaxSpeed->minimum(), 50);
}

TEST_F(TToolDlgTest, KeyboardMovesFocusAndBarsEnterConfirmsEscapeCancels)
{
    auto dlg = dialog();
    EXPECT_EQ(dlg->PageControl1->currentWidget()->objectName(), QStringLiteral("TabSheet2"));
    const int result = exec(*dlg, [&] {
        dlg->TrackBarSpeed->setFocus();
        QTest::keyClick(dlg->TrackBarSpeed, Qt::Key_Right);
        QTest::keyClick(dlg->TrackBarSpeed, Qt::Key_Tab);
        EXPECT_EQ(dlg->focusWidget(), dlg->TrackBarPitch);
        QTest::keyClick(dlg->TrackBarPitch, Qt::Key_Return);
    });
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_EQ(dlg->TrackBarSpeed->value(), 2);
    dlg->PageControl1->setCurrentIndex(1);
    EXPECT_EQ(exec(*dlg, [&] { QTest::keyClick(dlg->focusWidget(), Qt::Key_Escape); }),
              QDialog::Rejected);
    // The dialog is reused: it opens again on the page last used.
    exec(*dlg, [&] {
        EXPECT_EQ(dlg->PageControl1->currentWidget()->objectName(), QStringLiteral("TabSheet1"));
        dlg->reject();
    });
}

TEST_F(TToolDlgTest, AssociationPageShowsAppliesAndStaysOpen)
{
    auto dlg = dialog();
    EXPECT_EQ(dlg->AssociationRows.size(), 12u);
    EXPECT_EQ(dlg->AssociationRows[6].label->text(), QStringLiteral("FLAC (*.flac)"));
    exec(*dlg, [&] {
        for (int row : {0, 1, 3, 4, 5, 6, 7})
            EXPECT_TRUE(box(*dlg, row)->isEnabled() && !box(*dlg, row)->isChecked()) << row;
        // No MIME type for MP1 or the made-up plug-in type: disabled, and the tooltip says why.
        for (int row : {2, 8}) {
            EXPECT_FALSE(box(*dlg, row)->isEnabled()) << row;
            EXPECT_FALSE(box(*dlg, row)->toolTip().isEmpty()) << row;
        }
        for (int row : {9, 10, 11}) // rows without a plug-in format
            EXPECT_FALSE(box(*dlg, row)->isEnabled()) << row;
        box(*dlg, 0)->setChecked(true);
        box(*dlg, 3)->setChecked(true);
        dlg->ButtonRegist->click();
        EXPECT_TRUE(dlg->isVisible());
        for (int row : {0, 3})
            EXPECT_TRUE(!box(*dlg, row)->isEnabled() && box(*dlg, row)->isChecked()) << row;
        EXPECT_TRUE(box(*dlg, 1)->isEnabled());
        dlg->reject();
    });
    EXPECT_TRUE(messages.texts.isEmpty());
    EXPECT_TRUE(sandbox->mimeAppsList().contains("audio/mpeg=quillmere.desktop"));
    EXPECT_TRUE(DesktopSandbox::gioMime(QStringLiteral("audio/x-wav"))
                    .contains(QStringLiteral(": quillmere.desktop")));
}

TEST_F(TToolDlgTest, AFailedApplyShowsOneBoxAndChangesNothing)
{
    const QByteArray before = sandbox->mimeAppsList();
    auto dlg = dialog(QStringLiteral("not-installed.desktop"));
    exec(*dlg, [&] {
        box(*dlg, 1)->setChecked(true);
        box(*dlg, 6)->setChecked(true);
        dlg->ButtonRegist->click();
        EXPECT_TRUE(box(*dlg, 1)->isEnabled());
        EXPECT_FALSE(box(*dlg, 1)->isChecked());
        dlg->reject();
    });
    EXPECT_EQ(messages.texts.size(), 1);
    EXPECT_EQ(sandbox->mimeAppsList(), before);
}

} // namespace
