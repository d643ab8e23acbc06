// "練習用に書き出し..." from the play list's pop-up menu, in the real window over the "null"
// output: the file dialog answered as a user would, the render waited for, its length checked
// against the window's speed and the section repeated; cancel and failure.
#include "WindowFixture.h"
#include "engine/TLxPlayer.h"
#include "mainwindow/PracticeExport.h"
#include "playlist/TLxMusicInfoMng.h"
#include "skin/TLxButtonMng.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMenu>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>

namespace {

constexpr qint64 BytesPerSecond = 176400;

class TForm1PracticeExportTest : public WindowFixture {
protected:
    QString proposedName; // what the file dialog offered

    PracticeExport &exporter() { return *window->findChild<PracticeExport *>(); }

    // Triggers the menu item and answers its dialogs: the file dialog with target, the
    // repeat count (asked only for a section) with repeats.
    void exportTo(const QString &target, int repeats = 1)
    {
        QAction *item = nullptr;
        for (QAction *action : window->PopupMenuPlayList().actions())
            if (action->text() == u"練習用に書き出し...")
                item = action;
        ASSERT_NE(item, nullptr);
        QTimer answer;
        QObject::connect(&answer, &QTimer::timeout, [&] {
            auto *modal = QApplication::activeModalWidget();
            if (auto *files = qobject_cast<QFileDialog *>(modal)) {
                auto *name = files->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
                proposedName = name->text();
                name->setText(target);
                static_cast<QDialog *>(files)->accept(); // public there
            } else if (auto *count = qobject_cast<QInputDialog *>(modal)) {
                count->setIntValue(repeats);
                count->accept();
            }
        });
        answer.start(20);
        item->trigger();
        answer.stop();
    }

    bool waitForRender(int ms = 60000)
    {
        return QTest::qWaitFor([&] { return !exporter().busy(); }, ms);
    }

    static qint64 framesOf(const QString &path, int &format)
    {
        SF_INFO info;
        fixtures::readSndfile(path, info);
        format = info.format;
        return info.frames;
    }
};

TEST_F(TForm1PracticeExportTest, RendersTheSectionUnderThePositionOrTheSongAtTheWindowsSettings)
{
    open({song(QStringLiteral("other.wav"), 2.0), song(QStringLiteral("song.wav"), 2.0)});
    ASSERT_TRUE(window->Player().IsPlaying());
    window->MoveSlider(QStringLiteral("SLIDER_SPEED"), -50);
    window->MoveSlider(QStringLiteral("SLIDER_PITCH"), 2);
    TLxMusicInfoMng &mng = window->Player().MusicInfoMng();
    ASSERT_EQ(mng.GetCurrentIndex(), 1);
    mng.SetPointA(BytesPerSecond / 2, false);
    mng.SetPointB(BytesPerSecond);
    click("BUTTON_LOOP");
    window->Player().SetPosition(BytesPerSecond * 3 / 4);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->RepeatSection() == 0; }, 5000));
    window->PausePlayback(); // paused inside the section, as a user would before exporting
    window->Player().SetLoopBreath(300, 0, 500); // the pause before each repeat goes along
    window->SelectOnly(1);

    const QString section = dir.filePath(QStringLiteral("section.wav"));
    exportTo(section, 3);
    EXPECT_EQ(proposedName, QStringLiteral("song (-50%, +2).wav"));
    ASSERT_TRUE(waitForRender());
    int format = 0;
    // Three repeats of half a second at half speed, two pauses of 0.3 s between them.
    EXPECT_EQ(framesOf(section, format), 3 * 44100 + 2 * 13230);
    EXPECT_EQ(format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);

    window->SelectOnly(0); // not the song being played: the whole of it
    const QString whole = dir.filePath(QStringLiteral("whole.flac"));
    exportTo(whole);
    ASSERT_TRUE(waitForRender());
    EXPECT_EQ(framesOf(whole, format), 4 * 44100);
    EXPECT_EQ(format, SF_FORMAT_FLAC | SF_FORMAT_PCM_16);
    EXPECT_TRUE(messages.texts.isEmpty()) << messages.texts.join(u'\n').toStdString();
    EXPECT_EQ(PracticeExport::proposedFileName(QStringLiteral("/a/b.c.mp3"), 0, 0),
              QStringLiteral("b.c.wav"));
}

TEST_F(TForm1PracticeExportTest, CancelOrClosingDeletesThePartialFileAndAFailureIsOneMessage)
{
    const QString longSong = song(QStringLiteral("long.wav"), 60.0);
    open({longSong});
    window->PausePlayback();
    window->MoveSlider(QStringLiteral("SLIDER_SPEED"), -50);
    window->SelectOnly(0);
    const QString target = dir.filePath(QStringLiteral("long-slow.wav"));
    exportTo(target);
    ASSERT_TRUE(exporter().busy());
    auto *progress = window->findChild<QProgressDialog *>(QStringLiteral("PracticeExportProgress"));
    ASSERT_NE(progress, nullptr);
    EXPECT_FALSE(progress->isModal()) << "the window must stay usable while it renders";
    ASSERT_TRUE(QTest::qWaitFor([&] { return progress->value() > 0; }, 30000));
    progress->findChild<QPushButton *>()->click();
    ASSERT_TRUE(waitForRender());
    EXPECT_FALSE(QFile::exists(target));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("long.wav")});
    EXPECT_TRUE(messages.texts.isEmpty());

    // Closing the window in the middle cancels too, and waits for the worker.
    exportTo(target);
    ASSERT_TRUE(exporter().busy());
    window.reset();
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("long.wav")});

    // The file turned into something no decoder takes after it was listed.
    open({longSong});
    window->PausePlayback();
    window->SelectOnly(0);
    QFile broken(longSong);
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly | QIODevice::Truncate));
    broken.write(QByteArray("not a song any more\n").repeated(50));
    broken.close();
    exportTo(target);
    ASSERT_TRUE(waitForRender());
    EXPECT_EQ(messages.texts.size(), 1);
    EXPECT_FALSE(QFile::exists(target));
}

} // namespace
