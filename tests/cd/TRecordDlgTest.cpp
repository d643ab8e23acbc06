// The CD dialog over generated disc images, driven by clicks on its skin buttons.
#include "cd/TRecordDlg.h"

#include "audio/AudioBackend.h"
#include "audio/cd/CdImageMaker.h"
#include "audio/cd/CdPlayStream.h"
#include "cd/CdGuideLine.h"
#include "cd/CdWavWriter.h"
#include "cd/TCDPropertyDlg.h"
#include "common/TLxMutex.h"
#include "engine/RecordingPresenter.h"
#include "skin/TLxButtonMng.h"
#include "skin/TLxSliderMng.h"
#include "support/TestFiles.h"

#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QProcess>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace {

using namespace quillmere;

class TRecordDlgTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString folder; // the recording folder
    test::MadeImage image;
    audio::AudioBackend backend;
    RecordingPresenter messages;
    TLxMutex recordMutex;
    QStringList added; // what AutoEnter handed to the play list
    std::unique_ptr<TRecordDlg> dialog;

    void open(const test::MadeImage &made)
    {
        image = made;
        folder = dir.filePath(QStringLiteral("Library/"));
        QDir().mkpath(folder);
        qputenv("QUILLMERE_CD_IMAGES", made.path.toUtf8());
        ASSERT_TRUE(backend.isInitialised() || backend.init(QStringLiteral("null")));
        dialog = std::make_unique<TRecordDlg>(
            TRecordDlg::Services{backend,
                                 messages,
                                 recordMutex,
                                 [] { return 40; },
                                 [](int) { return true; },
                                 [this](const QString &path) { added << path; },
                                 {}});
        ASSERT_TRUE(dialog->hasDrives()); // the drives are looked for here, not when built
        qunsetenv("QUILLMERE_CD_IMAGES");
        CurrentToImage();
        dialog->SetRecordingOptions(folder, false, true);
        dialog->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
    }
    // Drives of the machine come first; the test's image is the last entry.
    void CurrentToImage()
    {
        dialog->cmbDrives->setCurrentIndex(dialog->cmbDrives->count() - 1);
        dialog->CurrentDrive = dialog->cmbDrives->count() - 1;
    }
    void TearDown() override
    {
        dialog.reset();
        backend.free();
    }

    QPoint centre(const char *name) const
    {
        const TLxButton *b = dialog->ButtonMng().Find(QString::fromLatin1(name));
        EXPECT_NE(b, nullptr) << name;
        return b ? QPoint(b->CenterX(), b->CenterY()) : QPoint();
    }
    void click(const char *name)
    {
        QTest::mousePress(dialog->PaintBoxRecord, Qt::LeftButton, {}, centre(name));
        QTest::mouseRelease(dialog->PaintBoxRecord, Qt::LeftButton, {}, centre(name));
    }
    bool enabled(const char *name) const
    {
        return dialog->ButtonMng().Find(QString::fromLatin1(name))->Enabled();
    }
    QTreeWidgetItem *row(int i) const { return dialog->ListView1->topLevelItem(i); }
    void check(std::initializer_list<int> rows)
    {
        for (int i : rows)
            row(i)->setCheckState(0, Qt::Checked);
    }
    bool checked(int i) const { return row(i)->checkState(0) == Qt::Checked; }
    QByteArray expectedFile(int track) const
    {
        return cd::cdWavHeader(quint32(image.pcm[size_t(track)].size())) + image.pcm[size_t(track)];
    }
    QStringList folderFiles() const
    {
        return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot,
                                      QDir::Name);
    }
};

TEST_F(TRecordDlgTest, ReadsTheTrackListWithDefaultNamesSafeTitlesAndLengths)
{
    std::vector<test::ImageTrack> tracks = test::audioTracks(12);
    tracks[1].title = QByteArray("../x");
    tracks[9].title = QByteArray("Ten");
    tracks[11].sectors = 65 * 75; // 1:05
    open(test::makeTocImage(dir.path(), QStringLiteral("disc"), tracks));
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("ＣＤ録音ダイアログ"));
    EXPECT_EQ(dialog->cmbDrives->currentText(), QStringLiteral("image: disc.toc"));
    ASSERT_EQ(dialog->ListView1->topLevelItemCount(), 12);
    EXPECT_EQ(row(0)->text(0), QStringLiteral("01"));
    EXPECT_EQ(dialog->rowFileName(0), QStringLiteral("Track 01.wav"));
    EXPECT_EQ(dialog->rowFileName(1), QStringLiteral("_.._x.wav"));
    EXPECT_EQ(dialog->rowFileName(9), QStringLiteral("Ten.wav"));
    EXPECT_EQ(row(0)->text(2), QStringLiteral("0:04"));
    EXPECT_EQ(row(11)->text(2), QStringLiteral("1:05"));
    EXPECT_FALSE(checked(0));
    EXPECT_EQ(dialog->ListView1->currentItem(), row(0));
    EXPECT_TRUE(enabled("BUTTON_RECORD"));
    EXPECT_TRUE(enabled("BUTTON_PLAY_CD"));
    EXPECT_TRUE(
        dialog->Label1->text().startsWith(QStringLiteral("録音ファイル保存先は[") + folder));
    EXPECT_EQ(dialog->SliderMng().Find(u"SLIDER_VOLUME")->GetValue(), 40);

    // The number has room beside the check box: the list would otherwise elide it away.
    QStyleOptionViewItem cell;
    cell.initFrom(dialog->ListView1);
    cell.rect = dialog->ListView1->visualItemRect(row(9));
    cell.rect.setWidth(dialog->ListView1->columnWidth(0));
    cell.features = QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDisplay;
    cell.text = row(9)->text(0);
    cell.font = dialog->ListView1->font();
    QStyle *style = dialog->ListView1->style();
    const int textMargin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, &cell) + 1;
    EXPECT_GE(style->subElementRect(QStyle::SE_ItemViewItemText, &cell, dialog->ListView1).width(),
              QFontMetrics(cell.font).horizontalAdvance(QStringLiteral("10")) + 2 * textMargin);

    // Names typed into the list last until the list is read again.
    row(0)->setText(1, QStringLiteral("mine.wav"));
    click("BUTTON_CD");
    EXPECT_EQ(dialog->rowFileName(0), QStringLiteral("Track 01.wav"));
    if (qEnvironmentVariableIsSet("QUILLMERE_GRAB_DIR"))
        dialog->grab().save(qEnvironmentVariable("QUILLMERE_GRAB_DIR") +
                            QStringLiteral("/cd-dialog.png"));
}

TEST_F(TRecordDlgTest, AJapaneseTitleOnTheDiscNamesTheRowAndTheRecordedFile)
{
    // From a cue sheet's binary CD-TEXT in MS-JIS, which libcdio hands over as UTF-8.
    std::vector<test::ImageTrack> tracks = test::audioTracks(2);
    tracks[0].title = QStringLiteral("春の海").toUtf8();
    open(test::makeCueImage(dir.path(), QStringLiteral("koto"), tracks));
    ASSERT_EQ(dialog->ListView1->topLevelItemCount(), 2);
    EXPECT_EQ(row(0)->text(1), QStringLiteral("春の海.wav"));
    EXPECT_EQ(dialog->rowFileName(1), QStringLiteral("Track 02.wav"));
    check({0});
    click("BUTTON_RECORD");
    EXPECT_EQ(folderFiles(), QStringList{QStringLiteral("春の海.wav")});
    EXPECT_EQ(testfiles::readAll(folder + QStringLiteral("春の海.wav")), expectedFile(0));
}

TEST_F(TRecordDlgTest, ADataTrackFirstLeavesAnEmptyListAndNothingToPlayOrRecord)
{
    std::vector<test::ImageTrack> tracks = test::audioTracks(3);
    tracks[0].data = true;
    open(test::makeCueImage(dir.path(), QStringLiteral("data"), tracks));
    EXPECT_EQ(messages.texts, QStringList{QStringLiteral("Audio CDではありません。")});
    EXPECT_EQ(dialog->ListView1->topLevelItemCount(), 0);
    EXPECT_FALSE(enabled("BUTTON_RECORD"));
    EXPECT_FALSE(enabled("BUTTON_PLAY_CD"));
    EXPECT_TRUE(
        dialog->Label1->text().startsWith(QStringLiteral("オーディオCDが読み込めませんでした。")));
}

TEST_F(TRecordDlgTest, RecordsTheCheckedTracksByteForByteIntoTheFolderAndThePlayList)
{
    open(test::makeCueImage(dir.path(), QStringLiteral("rip"), test::audioTracks(3)));
    // A name typed in the file-name dialog is taken exactly, without ".wav".
    dialog->ListView1->setCurrentItem(row(2));
    QTimer::singleShot(0, dialog.get(), [this] {
        TCDPropertyDlg &names = dialog->PropertyDlg();
        EXPECT_EQ(names.EditFileLength->text(), QStringLiteral("  時間: 0:04"));
        names.EditFileName->setText(QStringLiteral("third"));
        const TLxButton *ok = names.ButtonMng().Find(u"BUTTON_OK");
        const QPoint at(ok->CenterX(), ok->CenterY());
        QTest::mousePress(names.PaintBox1, Qt::LeftButton, {}, at);
        QTest::mouseRelease(names.PaintBox1, Qt::LeftButton, {}, at);
    });
    click("BUTTON_EDIT_FILENAME");
    EXPECT_EQ(dialog->rowFileName(2), QStringLiteral("third"));
    EXPECT_EQ(row(2)->toolTip(0), QStringLiteral("third"));

    testfiles::writeFile(folder + QStringLiteral("Track 01.wav"), "old"); // replaced: no inhibit
    click("BUTTON_RECORD");
    EXPECT_EQ(messages.texts,
              QStringList{QStringLiteral("録音するトラックのチェックをしてください。")});
    check({0, 2});
    click("BUTTON_RECORD");
    EXPECT_EQ(testfiles::readAll(folder + QStringLiteral("Track 01.wav")), expectedFile(0));
    EXPECT_EQ(testfiles::readAll(folder + QStringLiteral("third")), expectedFile(2));
    EXPECT_EQ(folderFiles(),
              QStringList({QStringLiteral("Track 01.wav"), QStringLiteral("third")}));
    EXPECT_EQ(added, QStringList({folder + QStringLiteral("Track 01.wav"),
                                  folder + QStringLiteral("third")}));
    EXPECT_FALSE(checked(0));
    EXPECT_FALSE(checked(2));
    EXPECT_FALSE(dialog->ButtonMng().IsOn(u"BUTTON_RECORD"));
    EXPECT_TRUE(enabled("BUTTON_CD"));
    EXPECT_TRUE(enabled("BUTTON_PLAY_CD"));
    EXPECT_TRUE(dialog->Timer2.isActive());
}

TEST_F(TRecordDlgTest, AnExistingFileEndsTheRunWhenOverwritingIsInhibited)
{
    open(test::makeCueImage(dir.path(), QStringLiteral("inhibit"), test::audioTracks(3)));
    dialog->SetRecordingOptions(folder, true, false);
    testfiles::writeFile(folder + QStringLiteral("Track 02.wav"), "keep");
    check({0, 1, 2});
    click("BUTTON_RECORD");
    EXPECT_EQ(messages.texts, QStringList{QStringLiteral(
                                  "同じファイルが存在します。ファイル名を変更してください。")});
    EXPECT_EQ(testfiles::readAll(folder + QStringLiteral("Track 01.wav")), expectedFile(0));
    EXPECT_EQ(testfiles::readAll(folder + QStringLiteral("Track 02.wav")), "keep");
    EXPECT_FALSE(QFile::exists(folder + QStringLiteral("Track 03.wav")));
    EXPECT_FALSE(checked(0));
    EXPECT_TRUE(checked(1));
    EXPECT_TRUE(checked(2));
    EXPECT_TRUE(added.isEmpty()); // AutoEnter off
}

TEST_F(TRecordDlgTest, StoppingOrClosingMidTrackLeavesNoFileAndTheControlsAreLockedMeanwhile)
{
    std::vector<test::ImageTrack> tracks = test::audioTracks(2, 30);
    open(test::makeCueImage(dir.path(), QStringLiteral("stop"), tracks));
    for (const char *how : {"BUTTON_RECORD", "BUTTON_RETURN"}) {
        if (!dialog->isVisible()) {
            dialog->show();
            CurrentToImage();
            dialog->UpdateTrackList();
        }
        check({0, 1});
        bool lockedDuringRun = false;
        QTimer::singleShot(0, dialog.get(), [&, how] {
            lockedDuringRun = dialog->isRecording() && !dialog->cmbDrives->isEnabled() &&
                              !enabled("BUTTON_CHECK_ON") && !enabled("BUTTON_EDIT_FILENAME") &&
                              !enabled("BUTTON_CD") && !enabled("BUTTON_PLAY_CD") &&
                              !(row(0)->flags() & Qt::ItemIsUserCheckable);
            click(how);
        });
        click("BUTTON_RECORD");
        EXPECT_TRUE(lockedDuringRun) << how;
        EXPECT_FALSE(dialog->isRecording());
        EXPECT_EQ(folderFiles(), QStringList()) << how;
        EXPECT_TRUE(added.isEmpty());
    }
    EXPECT_FALSE(dialog->isVisible()); // "BUTTON_RETURN" closed it
    EXPECT_FALSE(dialog->Timer2.isActive());
}

TEST_F(TRecordDlgTest, AnUnreadableTrackIsNamedWithItsCountAndLeavesNoFile)
{
    std::vector<test::ImageTrack> tracks = test::audioTracks(2);
    tracks[1].missingSectors = 40;
    open(test::makeTocImage(dir.path(), QStringLiteral("bad"), tracks));
    check({0, 1});
    click("BUTTON_RECORD");
    ASSERT_EQ(messages.texts.size(), 1);
    EXPECT_TRUE(messages.texts[0].startsWith(QStringLiteral("トラック2に読み取れないセクタが")))
        << messages.texts[0].toStdString();
    EXPECT_EQ(folderFiles(), QStringList{QStringLiteral("Track 01.wav")});
    EXPECT_EQ(added, QStringList{folder + QStringLiteral("Track 01.wav")});
    EXPECT_TRUE(checked(1));
}

TEST_F(TRecordDlgTest, AFullDiscOrASlashInANameIsReportedWithThePath)
{
    open(test::makeCueImage(dir.path(), QStringLiteral("full"), test::audioTracks(2)));
    row(0)->setText(1, QStringLiteral("../escape.wav"));
    check({0});
    click("BUTTON_RECORD");
    EXPECT_EQ(
        messages.texts,
        QStringList{
            QStringLiteral("オーディオファイル[%1../escape.wav]が作成できません。").arg(folder)});
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("escape.wav"))));
    EXPECT_TRUE(checked(0));
    row(0)->setCheckState(0, Qt::Unchecked);

    const QString small = dir.filePath(QStringLiteral("small"));
    QDir().mkpath(small);
    if (QProcess::execute(QStringLiteral("mount"),
                          {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                           QStringLiteral("size=64k"), QStringLiteral("tmpfs"), small}) != 0)
        GTEST_SKIP() << "cannot mount a small tmpfs here (needs root): full-disc run not tested";
    dialog->SetRecordingOptions(small + QLatin1Char('/'), false, true);
    messages.texts.clear();
    check({1});
    click("BUTTON_RECORD");
    const QStringList left =
        QDir(small).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    QProcess::execute(QStringLiteral("umount"), {small});
    EXPECT_EQ(messages.texts.join(u'|').toStdString(),
              QStringLiteral("オーディオファイル[%1/Track 02.wav]が作成できません。")
                  .arg(small)
                  .toStdString());
    EXPECT_EQ(left, QStringList());
    EXPECT_TRUE(added.isEmpty());
    EXPECT_TRUE(checked(1));
}

TEST_F(TRecordDlgTest, APlayRunWrapsOnceRoundTheDiscAndAGoneImageEmptiesTheList)
{
    open(test::makeCueImage(dir.path(), QStringLiteral("play"), test::audioTracks(3)));
    const int drive = dialog->CurrentDrive;
    dialog->ListView1->setCurrentItem(row(1));
    click("BUTTON_PLAY_CD");
    audio::CdPlayStream *stream = dialog->DriveStreams[size_t(drive)].get();
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(stream->track(), 1);
    EXPECT_TRUE(dialog->ButtonMng().IsOn(u"BUTTON_PLAY_CD"));
    EXPECT_FALSE(enabled("BUTTON_CD"));
    EXPECT_FALSE(enabled("BUTTON_RECORD"));
    EXPECT_EQ(dialog->Label1->text(), QStringLiteral("Track 02.wavを再生中...        "));

    // A real end of track, near its end so the test waits a fraction of a second.
    backend.setPositionBytes(stream->channel(), image.pcm[1].size() - 8820);
    QTRY_COMPARE_WITH_TIMEOUT(stream->track(), 2, 20000);
    EXPECT_EQ(dialog->ListView1->currentItem(), row(2));
    EXPECT_EQ(dialog->DriveStreams[size_t(drive)].get(), stream); // re-aimed, not made anew
    dialog->OnTrackEnd(drive, 2);
    EXPECT_EQ(stream->track(), 0); // wraps to the first track
    dialog->OnTrackEnd(drive, 0);
    EXPECT_EQ(dialog->RunStartTrack, -1); // back at the run's first track: stopped
    EXPECT_EQ(dialog->ListView1->currentItem(), row(1));
    EXPECT_FALSE(dialog->ButtonMng().IsOn(u"BUTTON_PLAY_CD"));
    EXPECT_TRUE(enabled("BUTTON_RECORD"));

    ASSERT_TRUE(QFile::rename(image.path, image.path + QStringLiteral(".away")));
    dialog->Timer2Timer();
    EXPECT_EQ(dialog->ListView1->topLevelItemCount(), 0);
    EXPECT_EQ(dialog->DriveStreams[size_t(drive)], nullptr);
    click("BUTTON_PLAY_CD"); // an emptied list: nothing happens
    EXPECT_EQ(dialog->DriveStreams[size_t(drive)], nullptr);
}

TEST_F(TRecordDlgTest, DraggingTheBackgroundMovesTheDialogButNotOnAButton)
{
    open(test::makeCueImage(dir.path(), QStringLiteral("drag"), test::audioTracks(1)));
    const QPoint start = dialog->pos();
    const QPoint bare(150, 50);
    dialog->PaintBoxRecordMouseDown(bare);
    dialog->PaintBoxRecordMouseMove(bare + QPoint(20, 10));
    dialog->PaintBoxRecordMouseUp(bare + QPoint(20, 10));
    EXPECT_EQ(dialog->pos(), start + QPoint(20, 10));
    dialog->PaintBoxRecordMouseDown(centre("BUTTON_CHECK_ON"));
    dialog->PaintBoxRecordMouseMove(centre("BUTTON_CHECK_ON") + QPoint(20, 10));
    dialog->PaintBoxRecordMouseUp(centre("BUTTON_CHECK_ON") + QPoint(20, 10));
    EXPECT_EQ(dialog->pos(), start + QPoint(20, 10));
    EXPECT_TRUE(checked(0)); // the press on the button still counted
}

} // namespace
