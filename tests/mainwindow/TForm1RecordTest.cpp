// "BUTTON_RECORD" of the main window: the CD dialog opens modally over a disc image, stops
// the main player and hands the recording options over; without any drive a message says so.
#include "WindowFixture.h"
#include "audio/cd/CdDrives.h"
#include "audio/cd/CdImageMaker.h"
#include "cd/TRecordDlg.h"
#include "engine/TLxPlayer.h"
#include "playlist/TLxMusicInfoMng.h"
#include "skin/TLxButtonMng.h"

#include <QComboBox>
#include <QTimer>
#include <QTreeWidget>

namespace {

class TForm1RecordTest : public WindowFixture {
protected:
    static void clickOn(QWidget *surface, const TLxButtonMng &buttons, const char *name)
    {
        const TLxButton *button = buttons.Find(QString::fromLatin1(name));
        ASSERT_NE(button, nullptr) << name;
        const QPoint at(button->CenterX(), button->CenterY());
        QTest::mousePress(surface, Qt::LeftButton, {}, at);
        QTest::mouseRelease(surface, Qt::LeftButton, {}, at);
    }
    void clickRecord()
    {
        clickOn(window->findChild<QWidget *>(QStringLiteral("PaintBox1")), window->ButtonMng(),
                "BUTTON_RECORD");
    }
};

TEST_F(TForm1RecordTest, WithoutADriveAMessageSaysSoAndTheWindowGoesOn)
{
    qunsetenv("QUILLMERE_CD_IMAGES");
    if (!quillmere::audio::listCdDrives().empty())
        GTEST_SKIP() << "this machine has a CD drive: the no-drive case cannot be shown here";
    open();
    clickRecord();
    EXPECT_EQ(messages.texts, QStringList{QStringLiteral("CDドライブが見つかりません。")});
    EXPECT_FALSE(window->ButtonMng().IsOn(u"BUTTON_RECORD"));
    EXPECT_TRUE(window->isEnabled());
}

// The dialog is made with the window, but looks for drives only when first wanted: an image
// listed after start-up is found then.
TEST_F(TForm1RecordTest, TheDialogIsBuiltAtStartUpAndLooksForDrivesWhenFirstOpened)
{
    qunsetenv("QUILLMERE_CD_IMAGES");
    open();
    ASSERT_NE(window->RecordDlg(), nullptr);
    EXPECT_EQ(window->RecordDlg()->cmbDrives->count(), 0);
    const auto image = quillmere::test::makeCueImage(dir.path(), QStringLiteral("later"),
                                                     quillmere::test::audioTracks(1));
    qputenv("QUILLMERE_CD_IMAGES", image.path.toUtf8());
    QString listed;
    QTimer::singleShot(0, window.get(), [&] {
        TRecordDlg *dlg = window->RecordDlg();
        listed = dlg->cmbDrives->itemText(dlg->cmbDrives->count() - 1);
        clickOn(dlg->PaintBoxRecord, dlg->ButtonMng(), "BUTTON_RETURN");
    });
    clickRecord();
    qunsetenv("QUILLMERE_CD_IMAGES");
    EXPECT_TRUE(messages.texts.isEmpty()) << messages.texts.join(u'|').toStdString();
    EXPECT_EQ(listed, QStringLiteral("image: later.cue"));
}

TEST_F(TForm1RecordTest, TheDialogRecordsIntoTheLibraryAndThePlayListWithoutDuplicates)
{
    const auto image = quillmere::test::makeCueImage(dir.path(), QStringLiteral("disc"),
                                                     quillmere::test::audioTracks(2));
    qputenv("QUILLMERE_CD_IMAGES", image.path.toUtf8());
    open({song(QStringLiteral("a.wav"), 2.0)});
    window->Options().RecordingDir = dir.filePath(QStringLiteral("lib/"));
    window->Options().AutoEnterToLibrary = true;
    window->Options().InhibitOverWriteRecord = false;
    QDir().mkpath(window->Options().RecordingDir);
    const int before = window->Player().MusicInfoMng().GetCount();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->Player().IsPlaying(); }, 5000));
    bool wasModal = false;
    bool playerStopped = false;
    int runs = 0;
    const auto recordTwiceAndClose = [&] {
        TRecordDlg *dlg = window->RecordDlg();
        ASSERT_NE(dlg, nullptr);
        wasModal = dlg->isModal() && dlg->isVisible();
        playerStopped = !window->Player().IsPlaying();
        EXPECT_EQ(dlg->RecordFolder, window->Options().RecordingDir);
        dlg->CurrentDrive = dlg->cmbDrives->count() - 1;
        dlg->UpdateTrackList();
        dlg->ListView1->topLevelItem(0)->setCheckState(0, Qt::Checked);
        clickOn(dlg->PaintBoxRecord, dlg->ButtonMng(), "BUTTON_RECORD");
        ++runs;
        clickOn(dlg->PaintBoxRecord, dlg->ButtonMng(), "BUTTON_RETURN");
    };
    for (int i = 0; i < 2; ++i) { // the second run records the same file again
        QTimer::singleShot(0, window.get(), recordTwiceAndClose);
        clickRecord();
    }
    qunsetenv("QUILLMERE_CD_IMAGES");
    EXPECT_TRUE(messages.texts.isEmpty()) << messages.texts.join(u'|').toStdString();
    EXPECT_TRUE(wasModal);
    EXPECT_TRUE(playerStopped);
    EXPECT_EQ(runs, 2);
    EXPECT_FALSE(window->RecordDlg()->isVisible());
    EXPECT_FALSE(window->ButtonMng().IsOn(u"BUTTON_RECORD"));
    const QString file = window->Options().RecordingDir + QStringLiteral("Track 01.wav");
    EXPECT_TRUE(QFileInfo::exists(file));
    EXPECT_EQ(window->Player().MusicInfoMng().GetCount(), before + 1);
    EXPECT_GE(window->Player().MusicInfoMng().IndexOf(file), 0);
}

} // namespace
