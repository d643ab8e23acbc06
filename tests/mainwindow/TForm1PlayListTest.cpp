// The main window's play list: how its lines look, the right button and pop-up menu, and the
// ways files reach it (drops with real URLs, folders, playlist files, a second copy's paths).
// Offscreen, over the "null" output.
#include "WindowFixture.h"
#include "engine/TLxPlayer.h"
#include "mainwindow/PlayListBox.h"
#include "mainwindow/PlayListLineDelegate.h"
#include "propertydialog/TPlayPropertyDlg.h"
#include "skin/TLxButtonMng.h"
#include "support/TestFiles.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <gtest/gtest.h>

namespace {

class TForm1PlayListTest : public WindowFixture {
protected:
    TLxMusicInfoMng &list() { return window->Player().MusicInfoMng(); }

    // The file names of the entries, in list order.
    QStringList names()
    {
        QStringList result;
        for (int i = 0; i < list().GetCount(); ++i)
            result << QFileInfo(list().Entry(i)->FileName).fileName();
        return result;
    }

    void drop(const QStringList &paths)
    {
        QMimeData data;
        QList<QUrl> urls;
        for (const QString &path : paths)
            urls << QUrl::fromLocalFile(path);
        data.setUrls(urls);
        const QPoint at(100, 250);
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(window.get(), &enter);
        ASSERT_TRUE(enter.isAccepted());
        QDropEvent dropped(at, Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(window.get(), &dropped);
        waitForIntake();
    }

    QString savePlayList(const QString &name, const QStringList &songs)
    {
        // Written by the player itself, as a user's ".qlx" would be.
        open(songs);
        waitForIntake();
        const QString path = dir.filePath(name);
        EXPECT_TRUE(bool(list().SaveToFile(path)));
        window.reset();
        QFile::remove(quillmere::AppPaths::defaultPlayListFile());
        return path;
    }
};

TEST_F(TForm1PlayListTest, LinesShowStripesMarksAndTheSelection)
{
    open({song(QStringLiteral("a.wav")), song(QStringLiteral("b.wav")),
          song(QStringLiteral("c.wav"))});
    PlayListBox &box = window->PlayList();
    box.clearSelection();
    box.setLineSelected(2, true);
    window->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    const QImage shot = box.viewport()->grab().toImage();
    const int h = box.visualItemRect(box.item(0)).height();
    ASSERT_EQ(h, 17);
    // Right of the text the stripes show their own colours; the selected line is navy there.
    const int x = shot.width() - 5;
    EXPECT_EQ(shot.pixelColor(x, h / 2), PlayListLineDelegate::EvenLine);
    EXPECT_EQ(shot.pixelColor(x, h + h / 2), PlayListLineDelegate::OddLine);
    EXPECT_EQ(shot.pixelColor(x, 2 * h + h / 2), PlayListLineDelegate::SelectedBack);
    // Under the mark the selected line keeps its stripe; its text is aqua.
    EXPECT_EQ(shot.pixelColor(17, 2 * h + 1), PlayListLineDelegate::EvenLine);
    bool aqua = false;
    for (int px = 18; px < 80 && !aqua; ++px)
        for (int py = 2 * h; py < 3 * h; ++py)
            aqua = aqua ||
                   (shot.pixelColor(px, py).green() > 200 && shot.pixelColor(px, py).blue() > 200 &&
                    shot.pixelColor(px, py).red() < 60); // anti-aliased aqua
    EXPECT_TRUE(aqua);
    // The current entry (the one playing) carries another mark than the others.
    ASSERT_EQ(list().GetCurrentIndex(), 2);
    EXPECT_NE(shot.copy(0, 2 * h, 18, h), shot.copy(0, 0, 18, h));
}

TEST_F(TForm1PlayListTest, RightClickSelectsOnlyThatLineAndTheMenuMovesIt)
{
    open({song(QStringLiteral("a.wav")), song(QStringLiteral("b.wav")),
          song(QStringLiteral("c.wav"))});
    PlayListBox &box = window->PlayList();
    for (int i = 0; i < 3; ++i)
        box.setLineSelected(i, true);
    const QPoint onLine1 = box.visualItemRect(box.item(1)).center();
    QTest::mousePress(box.viewport(), Qt::RightButton, {}, onLine1);
    QMenu &menu = window->PopupMenuPlayList();
    EXPECT_TRUE(menu.isVisible());
    EXPECT_EQ(box.selectedCount(), 1);
    EXPECT_EQ(window->SingleSelectedIndex(), 1);
    const QList<QAction *> items = menu.actions();
    ASSERT_EQ(items.size(), 5);
    EXPECT_EQ(items[0]->text(), QStringLiteral("プロパティ...(&E)"));
    EXPECT_EQ(items[4]->text(), QStringLiteral("練習用に書き出し..."));
    EXPECT_TRUE(items[2]->isEnabled());
    items[2]->trigger(); // up
    menu.hide();
    EXPECT_EQ(names(), QStringList({QStringLiteral("b.wav"), QStringLiteral("a.wav"),
                                    QStringLiteral("c.wav")}));
    EXPECT_EQ(window->SingleSelectedIndex(), 0);
    items[1]->trigger(); // delete
    EXPECT_EQ(names(), QStringList({QStringLiteral("a.wav"), QStringLiteral("c.wav")}));
    EXPECT_EQ(window->SingleSelectedIndex(), 0);

    // With one entry left, up and down are of no use.
    box.clearSelection();
    box.setLineSelected(0, true);
    items[1]->trigger();
    QTest::mousePress(box.viewport(), Qt::RightButton, {},
                      box.visualItemRect(box.item(0)).center());
    EXPECT_FALSE(items[2]->isEnabled());
    EXPECT_FALSE(items[3]->isEnabled());
    menu.hide();
}

TEST_F(TForm1PlayListTest, ABlockMovesAsAWholeAndDeletingThePlayingLineSelectsItsSuccessor)
{
    QStringList songs;
    for (const char *name : {"a.wav", "b.wav", "c.wav", "d.wav", "e.wav"})
        songs << song(QString::fromLatin1(name), 3.0);
    open(songs);
    PlayListBox &box = window->PlayList();
    box.setCurrentRow(2);
    window->ListBoxPlayListDblClick(); // c.wav plays
    ASSERT_TRUE(window->Player().IsPlaying());
    box.clearSelection();
    box.setLineSelected(2, true);
    box.setLineSelected(3, true);
    window->MoveSelectedEntries(QStringLiteral("BUTTON_LISTDOWN"));
    EXPECT_EQ(names(), QStringList({QStringLiteral("a.wav"), QStringLiteral("b.wav"),
                                    QStringLiteral("e.wav"), QStringLiteral("c.wav"),
                                    QStringLiteral("d.wav")}));
    EXPECT_FALSE(box.item(2)->isSelected());
    EXPECT_TRUE(box.item(3)->isSelected() && box.item(4)->isSelected());
    EXPECT_EQ(list().GetCurrentIndex(), 3); // c.wav, still playing
    EXPECT_TRUE(window->Player().IsPlaying());

    box.clearSelection();
    box.setLineSelected(3, true);
    window->DeleteSelectedEntries();
    EXPECT_FALSE(window->Player().IsPlaying());
    EXPECT_EQ(window->SingleSelectedIndex(), 3); // d.wav took its place
    EXPECT_EQ(box.item(3)->text(), QStringLiteral("d.wav"));
    box.clearSelection();
    box.setLineSelected(3, true);
    window->DeleteSelectedEntries();
    EXPECT_EQ(window->SingleSelectedIndex(), 2); // no successor: the new last line
}

TEST_F(TForm1PlayListTest, DroppedFilesAreAddedOnceAndNothingStarts)
{
    const QString a = song(QStringLiteral("a.wav")), b = song(QStringLiteral("b.wav"));
    const QString text = dir.filePath(QStringLiteral("notes.txt"));
    QFile(text).open(QIODevice::WriteOnly);
    open();
    drop({a, text, b});
    EXPECT_EQ(names(), QStringList({QStringLiteral("a.wav"), QStringLiteral("b.wav")}));
    EXPECT_EQ(window->PlayList().selectedCount(), 2);
    EXPECT_FALSE(window->Player().IsPlaying());
    drop({b}); // already listed
    EXPECT_EQ(list().GetCount(), 2);
    EXPECT_TRUE(messages.texts.isEmpty()); // unplayable files are skipped without a word
}

TEST_F(TForm1PlayListTest, DroppedTreeGivesTheFirst300FilesInNameOrder)
{
    // 5 folders of 100: natural order puts "song9" before "song10" and "d2" after "d1".
    for (int folder = 1; folder <= 5; ++folder)
        for (int n = 1; n <= 100; ++n)
            song(QStringLiteral("tree/d%1/song%2.wav").arg(folder).arg(n), 0.02);
    open();
    drop({dir.filePath(QStringLiteral("tree"))});
    ASSERT_EQ(list().GetCount(), FileIntake::MaxFilesPerIntake);
    const auto relative = [&](int i) {
        return QDir(dir.filePath(QStringLiteral("tree")))
            .relativeFilePath(list().Entry(i)->FileName);
    };
    EXPECT_EQ(relative(0), QStringLiteral("d1/song1.wav"));
    EXPECT_EQ(relative(9), QStringLiteral("d1/song10.wav"));
    EXPECT_EQ(relative(99), QStringLiteral("d1/song100.wav"));
    EXPECT_EQ(relative(299), QStringLiteral("d3/song100.wav"));
}

TEST_F(TForm1PlayListTest, APlayListFileAloneReplacesTheListButWithOthersIsJustAPath)
{
    const QString a = song(QStringLiteral("a.wav")), b = song(QStringLiteral("b.wav")),
                  c = song(QStringLiteral("c.wav"));
    const QString qlx = savePlayList(QStringLiteral("set.qlx"), {a, b});
    open({c});
    waitForIntake();
    drop({qlx});
    EXPECT_EQ(names(), QStringList({QStringLiteral("a.wav"), QStringLiteral("b.wav")}));
    drop({qlx, c});
    EXPECT_EQ(names(), QStringList({QStringLiteral("a.wav"), QStringLiteral("b.wav"),
                                    QStringLiteral("c.wav")}));
}

TEST_F(TForm1PlayListTest, FirstStartWithAPlayListLoadsItWithoutPlaying)
{
    const QString qlx = savePlayList(QStringLiteral("set.qlx"), {song(QStringLiteral("a.wav"))});
    open({qlx});
    waitForIntake();
    EXPECT_EQ(names(), QStringList({QStringLiteral("a.wav")}));
    EXPECT_FALSE(window->Player().IsPlaying());
}

TEST_F(TForm1PlayListTest, HandedOverPathsPlayTheLastOneAndAnswerWhenDone)
{
    const QString a = song(QStringLiteral("a.wav")), b = song(QStringLiteral("b.wav")),
                  c = song(QStringLiteral("c.wav"));
    const QString qlx = savePlayList(QStringLiteral("set.qlx"), {a, b});
    open();
    int answered = 0;
    window->CopyDataReceived(c, [&] { ++answered; });
    window->CopyDataReceived(a, [&] { ++answered; });
    EXPECT_TRUE(QTest::qWaitFor([&] { return answered == 2; }, 10000));
    EXPECT_EQ(names(), QStringList({QStringLiteral("c.wav"), QStringLiteral("a.wav")}));
    EXPECT_EQ(list().GetCurrentIndex(), 1);
    EXPECT_TRUE(window->Player().IsPlaying());

    // A playlist replaces the list and its last entry plays.
    window->CopyDataReceived(qlx, [&] { ++answered; });
    EXPECT_TRUE(QTest::qWaitFor([&] { return answered == 3; }, 10000));
    EXPECT_EQ(names(), QStringList({QStringLiteral("a.wav"), QStringLiteral("b.wav")}));
    EXPECT_EQ(list().GetCurrentIndex(), 1);

    // "QLX" in capitals is no playlist: it is probed as audio, found unplayable and skipped.
    const QString upper = dir.filePath(QStringLiteral("SET2.QLX"));
    ASSERT_TRUE(QFile::copy(qlx, upper));
    window->CopyDataReceived(upper, [&] { ++answered; });
    EXPECT_TRUE(QTest::qWaitFor([&] { return answered == 4; }, 10000));
    EXPECT_EQ(list().GetCount(), 2);
}

TEST_F(TForm1PlayListTest, NothingPlayableHandedOverLeavesTheSongThatPlays)
{
    const QString a = song(QStringLiteral("a.wav"), 3.0), b = song(QStringLiteral("b.wav"), 3.0);
    open({a, b});
    waitForIntake();
    window->PlayList().setCurrentRow(0);
    window->ListBoxPlayListDblClick();
    ASSERT_TRUE(window->Player().IsPlaying());
    ASSERT_EQ(list().GetCurrentIndex(), 0);
    bool answered = false;
    window->CopyDataReceived(dir.filePath(QStringLiteral("no-such-song.wav")),
                             [&] { answered = true; });
    EXPECT_TRUE(QTest::qWaitFor([&] { return answered; }, 5000));
    EXPECT_EQ(list().GetCurrentIndex(), 0);
    EXPECT_TRUE(window->Player().IsPlaying());
}

TEST_F(TForm1PlayListTest, AMissingOrDamagedPlayListLeavesTheListAsItIs)
{
    const QString a = song(QStringLiteral("a.wav"));
    // A length that is not a number: the whole file is refused.
    const QString damaged = savePlayList(QStringLiteral("damaged.qlx"), {a});
    QStringList lines =
        QString::fromUtf8(testfiles::readAll(damaged)).split(QStringLiteral("\r\n"));
    lines[lines.indexOf(QStringLiteral("// Length")) + 1] = QStringLiteral("ten");
    testfiles::writeFile(damaged, lines.join(QStringLiteral("\r\n")).toUtf8());
    open({a});
    waitForIntake();

    const QString missing = dir.filePath(QStringLiteral("typo.qlx"));
    drop({missing});
    EXPECT_EQ(names(), QStringList({QStringLiteral("a.wav")}));
    EXPECT_FALSE(QFileInfo::exists(missing)); // no empty file left under the mistaken name
    window->CopyDataReceived(damaged, {});
    waitForIntake();
    EXPECT_EQ(names(), QStringList({QStringLiteral("a.wav")}));
    ASSERT_EQ(messages.texts.size(), 2);
    EXPECT_TRUE(messages.texts[1].contains(QStringLiteral("damaged.qlx")));
}

TEST_F(TForm1PlayListTest, APlayListDroppedDuringPlaybackStopsTheSongOfTheOldList)
{
    const QString a = song(QStringLiteral("a.wav"), 3.0), b = song(QStringLiteral("b.wav"), 3.0);
    const QString qlx = savePlayList(QStringLiteral("set.qlx"), {b});
    open({a});
    waitForIntake();
    ASSERT_TRUE(window->Player().IsPlaying());
    drop({qlx});
    EXPECT_EQ(names(), QStringList({QStringLiteral("b.wav")}));
    // Sections marked now would land on b.wav while a.wav played on.
    EXPECT_FALSE(window->Player().IsPlaying());
}

// Runs the property dialog of the selected entry: "BUTTON_SAVE" picks newPath (when given),
// then "BUTTON_OK" closes it. Returns the texts the dialog showed.
QStringList runProperties(TForm1 &window, const QString &newPath)
{
    TPlayPropertyDlg &dialog = window.PlayPropertyDlg();
    dialog.chooseSaveFile = [newPath](QWidget *, const QString &) { return newPath; };
    QStringList shown;
    const auto press = [&dialog](const char *name) {
        const TLxButton *button = dialog.ButtonMng().Find(QString::fromLatin1(name));
        const QPoint at(button->CenterX(), button->CenterY());
        dialog.PaintBox1MouseDown(at);
        dialog.PaintBox1MouseUp(at);
    };
    QTimer::singleShot(0, &dialog, [&] {
        shown << dialog.EditFilePath->text() << dialog.EditFileLength->text()
              << dialog.EditABCount->text() << dialog.EditMisc->text();
        if (!newPath.isEmpty())
            press("BUTTON_SAVE");
        press("BUTTON_OK");
    });
    window.ShowEntryProperties();
    return shown;
}

TEST_F(TForm1PlayListTest, PropertiesProbeAnUnknownLengthAndRenameTheFile)
{
    const QString a = song(QStringLiteral("a.wav"), 2.0), b = song(QStringLiteral("b.wav"));
    open({a, b});
    waitForIntake();
    window->PlayList().clearSelection();
    window->ShowEntryProperties();
    ASSERT_EQ(messages.texts.size(), 1);
    EXPECT_EQ(messages.texts.first(), QStringLiteral("プレイリストをクリックしてプロパティ表示する"
                                                     "オーディオファイルを1個選んでください。"));

    list().SetEntryInfo(0, 0, QString()); // as after a playlist written without lengths
    window->SelectOnly(0);
    const QString moved = dir.filePath(QStringLiteral("practice/a-renamed.wav"));
    QDir().mkpath(QFileInfo(moved).absolutePath());
    const QStringList shown = runProperties(*window, moved);
    ASSERT_EQ(shown.size(), 4);
    EXPECT_EQ(shown[0], a);
    EXPECT_EQ(shown[1], QStringLiteral(" 時間: 00:02"));
    EXPECT_EQ(shown[2], QStringLiteral(" AB区間数: 0"));
    EXPECT_EQ(list().Entry(0)->Length, 2 * 176400);
    EXPECT_FALSE(list().Entry(0)->AudioFormat.isEmpty());

    EXPECT_FALSE(QFileInfo::exists(a));
    EXPECT_TRUE(QFileInfo::exists(moved));
    EXPECT_EQ(list().Entry(0)->FileName, moved);
    EXPECT_EQ(window->PlayList().item(0)->text(), QStringLiteral("a-renamed.wav"));
    EXPECT_TRUE(window->PlayList().item(0)->isSelected());
}

TEST_F(TForm1PlayListTest, AFailedRenameSaysSoAndKeepsThePath)
{
    const QString a = song(QStringLiteral("a.wav")), b = song(QStringLiteral("b.wav"));
    open({a, b});
    waitForIntake();
    window->SelectOnly(0);
    runProperties(*window, b); // taken: never overwritten
    ASSERT_EQ(messages.texts.size(), 1);
    EXPECT_EQ(
        messages.texts.first(),
        QStringLiteral("オーディオファイル名の変更に失敗しました。ファイルが使用（再生）中の可能"
                       "性があります。"));
    EXPECT_EQ(list().Entry(0)->FileName, a);
    EXPECT_TRUE(QFileInfo::exists(a));

    // Unchanged path, OK: nothing is renamed and nothing said.
    runProperties(*window, QString());
    EXPECT_EQ(messages.texts.size(), 1);
    EXPECT_EQ(list().Entry(0)->FileName, a);
}

} // namespace
