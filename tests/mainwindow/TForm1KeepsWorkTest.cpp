// The main window keeps the user's work and follows the user through song changes: the default
// playlist survives boxes of the start-up load, removed songs stay recoverable, a section
// repeats in the song it belongs to, stopping means stopped, and hours-long songs seek right.
// Offscreen, over the "null" output.
#include "WindowFixture.h"
#include "engine/TLxPlayer.h"
#include "mainwindow/PlayListBox.h"
#include "mainwindow/QuitRequest.h"
#include "playlist/DefaultPlayListBackup.h"
#include "skin/TLxButtonMng.h"
#include "skin/TLxSliderMng.h"
#include "support/TestFiles.h"

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QTimer>
#include <QtEndian>

#include <functional>

namespace {

constexpr qint64 BytesPerSecond = 176400;

// Boxes as the real ones behave: each runs an event loop while it is open, in which the
// window's timers keep firing. react runs once the box is "on screen".
class ModalPresenter : public RecordingPresenter {
public:
    int openMs = 0;
    std::function<void(const QString &)> react;
    std::function<void()> beforeClose;
    Button show(const QString &text, Icon icon, int buttons) override
    {
        if (react)
            react(text);
        QTest::qWait(openMs);
        if (beforeClose)
            beforeClose();
        return RecordingPresenter::show(text, icon, buttons);
    }
};

class TForm1KeepsWorkTest : public WindowFixture {
protected:
    ModalPresenter boxes;
    TLxMusicInfoMng &list() { return window->Player().MusicInfoMng(); }

    void SetUp() override
    {
        WindowFixture::SetUp();
        QFile::remove(DefaultPlayListBackup::pathFor(quillmere::AppPaths::defaultPlayListFile()));
    }

    void openWithBoxes(const QStringList &paths = {})
    {
        window = std::make_unique<TForm1>(paths, &boxes, QStringLiteral("null"));
        waitForIntake();
    }

    bool enabled(const char *name) const
    {
        return window->ButtonMng().Find(QString::fromLatin1(name))->Enabled();
    }

    void doubleClick(int line)
    {
        window->PlayList().clearSelection();
        window->PlayList().setLineSelected(line, true);
        list().SetCurrentIndex(line);
        window->ListBoxPlayListDblClick();
    }

    // The default playlist as a previous run left it: count entries, each with one section.
    void writeDefaultPlayList(const QStringList &files)
    {
        TLxMusicInfoMng earlier;
        earlier.SetSaveOnDestroy(false);
        for (const QString &file : files) {
            ASSERT_GE(earlier.AddEntry(file, TLxMusicInfo{}, false, true), 0);
            earlier.SetPointA(BytesPerSecond, false);
            earlier.SetPointB(2 * BytesPerSecond);
        }
        ASSERT_TRUE(bool(earlier.SaveToFile(quillmere::AppPaths::defaultPlayListFile())));
    }

    // A 44.1 kHz 16-bit stereo WAV of silence, sparse on disc: hours cost no space or time.
    QString sparseWav(const QString &name, qint64 dataBytes)
    {
        QByteArray header(44, '\0');
        const auto put32 = [&](int at, quint32 v) { qToLittleEndian(v, header.data() + at); };
        const auto put16 = [&](int at, quint16 v) { qToLittleEndian(v, header.data() + at); };
        header.replace(0, 4, "RIFF");
        put32(4, quint32(36 + dataBytes));
        header.replace(8, 8, "WAVEfmt ");
        put32(16, 16);
        put16(20, 1);
        put16(22, 2);
        put32(24, 44100);
        put32(28, quint32(BytesPerSecond));
        put16(32, 4);
        put16(34, 16);
        header.replace(36, 4, "data");
        put32(40, quint32(dataBytes));
        const QString path = dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(header) == 44 &&
                    file.resize(44 + dataBytes));
        return path;
    }
};

TEST_F(TForm1KeepsWorkTest, BoxOfTheStartupLoadCannotCutTheDefaultPlaylistAndTheBackupKeepsAll)
{
    QStringList files;
    for (int i = 0; i < 200; ++i) {
        files << dir.filePath(QStringLiteral("song%1.wav").arg(i, 3, 10, QLatin1Char('0')));
        testfiles::writeFile(files.last(), "RIFF");
    }
    writeDefaultPlayList(files);
    QFile::remove(files[100]); // its drive is not plugged in
    boxes.openMs = 1500;       // longer than the autosave's second
    const QString saved = quillmere::AppPaths::defaultPlayListFile();
    int whileOpen = -1;
    boxes.beforeClose = [&] { whileOpen = DefaultPlayListBackup::entriesIn(saved); };
    openWithBoxes();
    EXPECT_EQ(whileOpen, 200);
    ASSERT_EQ(boxes.texts.size(), 1);
    EXPECT_EQ(list().GetCount(), 199);
    QTest::qWait(3000);
    EXPECT_GE(DefaultPlayListBackup::entriesIn(saved), 199);
    EXPECT_EQ(DefaultPlayListBackup::entriesIn(DefaultPlayListBackup::pathFor(saved)), 200);
}

TEST_F(TForm1KeepsWorkTest, QuitWhileAPlaylistLoadsKeepsTheDefaultPlaylistAsItWas)
{
    const QString a = song(QStringLiteral("a.wav")), b = song(QStringLiteral("b.wav"));
    const QString gone = song(QStringLiteral("gone.wav")), c = song(QStringLiteral("c.wav"));
    const QString other = dir.filePath(QStringLiteral("other.qlx"));
    {
        TLxMusicInfoMng written;
        written.SetSaveOnDestroy(false);
        for (const QString &file : {c, gone, c, b})
            written.AddEntry(file, TLxMusicInfo{}, false, false);
        ASSERT_TRUE(bool(written.SaveToFile(other)));
    }
    QFile::remove(gone);
    openWithBoxes({a, b});
    ASSERT_TRUE(bool(list().SaveDefaultPlayList()));
    boxes.openMs = 1500; // longer than the autosave's second
    boxes.react = [](const QString &) { QuitRequest::request(); };
    window->LoadPlayListFile(other);
    waitForIntake();
    window.reset();
    QuitRequest::reset();
    const QString saved = quillmere::AppPaths::defaultPlayListFile();
    EXPECT_EQ(DefaultPlayListBackup::entriesIn(saved), 2);
    const QByteArray text = testfiles::readAll(saved);
    EXPECT_TRUE(text.contains(QFile::encodeName(a)) && !text.contains(QFile::encodeName(c)));
}

TEST_F(TForm1KeepsWorkTest, SongThatFailsToOpenIsRemovedByItsPathAndKeptInTheBackup)
{
    const QString bad = song(QStringLiteral("bad.wav"), 1.0);
    const QString one = song(QStringLiteral("one.wav"), 1.0);
    const QString two = song(QStringLiteral("two.wav"), 1.0);
    openWithBoxes({bad, one, two});
    click("BUTTON_STOP");
    list().SetCurrentIndex(0);
    list().SetPointA(BytesPerSecond / 4, false);
    list().SetPointB(BytesPerSecond / 2);
    testfiles::writeFile(bad, QByteArray("not audio at all").repeated(100));
    // While the error box is open the user clicks the last line.
    boxes.react = [&](const QString &) {
        window->PlayList().clearSelection();
        list().SetCurrentIndex(2);
        window->PlayList().setLineSelected(2, true);
    };
    doubleClick(0);
    ASSERT_FALSE(boxes.texts.isEmpty());
    ASSERT_EQ(list().GetCount(), 2);
    EXPECT_EQ(list().IndexOf(bad), -1);
    EXPECT_GE(list().IndexOf(two), 0);

    const QByteArray backup = testfiles::readAll(
        DefaultPlayListBackup::pathFor(quillmere::AppPaths::defaultPlayListFile()));
    EXPECT_TRUE(backup.contains(QFile::encodeName(bad)));
    EXPECT_TRUE(backup.contains("\r\n" + QByteArray::number(BytesPerSecond / 4) + ","));
}

TEST_F(TForm1KeepsWorkTest, AfterASongChangeTheNewSongRepeatsItsOwnSection)
{
    open({song(QStringLiteral("first.wav"), 4.0), song(QStringLiteral("second.wav"), 4.0)});
    click("BUTTON_STOP");
    list().SetCurrentIndex(0);
    list().SetPointA(BytesPerSecond / 10, false);
    list().SetPointB(BytesPerSecond / 5);
    list().SetPointA(BytesPerSecond / 2, true);
    list().SetPointB(2 * BytesPerSecond);
    list().SetCurrentIndex(1);
    list().SetPointA(BytesPerSecond / 4, false);
    list().SetPointB(BytesPerSecond);
    click("BUTTON_LOOP");

    doubleClick(0);
    window->Player().SetPosition(BytesPerSecond); // inside the second section
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->RepeatSection() == 1; }, 3000));
    doubleClick(1);
    qint64 last = 0, highest = 0;
    int jumps = 0;
    (void)QTest::qWaitFor(
        [&] {
            const qint64 pos = window->Player().GetPosition();
            if (pos + BytesPerSecond / 4 < last)
                ++jumps;
            highest = std::max(highest, pos);
            last = pos;
            return jumps >= 1 && pos > BytesPerSecond / 2;
        },
        3000);
    EXPECT_GE(jumps, 1);
    EXPECT_LT(highest, BytesPerSecond + BytesPerSecond / 5);
}

TEST_F(TForm1KeepsWorkTest, StopOrPauseRightAfterTheEndOfASongStartsNothing)
{
    open({song(QStringLiteral("a.wav"), 0.3), song(QStringLiteral("b.wav"), 0.3)});
    for (const char *button : {"BUTTON_STOP", "BUTTON_PLAY"}) {
        doubleClick(0);
        window->Timer1().stop(); // the test decides when the end is seen
        ASSERT_TRUE(QTest::qWaitFor([&] { return window->Player().IsEnded(); }, 3000));
        click(button); // stop, or pause with the play button
        window->Timer1Timer();
        QTest::qWait(100);
        EXPECT_FALSE(window->Player().IsPlaying()) << button;
        EXPECT_EQ(list().GetCurrentIndex(), 0) << button;
    }
}

TEST_F(TForm1KeepsWorkTest, AfterTheOpenDialogTheButtonsShowThePausedState)
{
    const QString added = song(QStringLiteral("added.wav"), 1.0);
    open({song(QStringLiteral("playing.wav"), 4.0)});
    click("BUTTON_PLAY");
    ASSERT_TRUE(window->Player().IsPaused());
    ASSERT_TRUE(enabled("BUTTON_STOP"));
    // Answered by typing the path into the dialog's name field: selecting a file depends on
    // the dialog having read its folder, which it does on a thread of its own.
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        for (QWidget *top : QApplication::topLevelWidgets()) {
            auto *dialog = qobject_cast<QFileDialog *>(top);
            auto *name =
                dialog ? dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")) : nullptr;
            if (!name || !dialog->isVisible())
                continue;
            name->setText(added);
            static_cast<QDialog *>(dialog)->accept(); // public there
        }
    });
    answer.start(20);
    click("BUTTON_OPENFILE");
    answer.stop();
    waitForIntake();
    EXPECT_EQ(list().GetCount(), 2);
    EXPECT_TRUE(window->Player().IsPaused());
    EXPECT_TRUE(enabled("BUTTON_STOP"));
}

TEST_F(TForm1KeepsWorkTest, FourHourSongShowsAndSeeksItsWholeLength)
{
    const qint64 length = 4 * 3600 * BytesPerSecond; // past what 32 bits hold
    open({sparseWav(QStringLiteral("long.wav"), length)});
    ASSERT_TRUE(window->Player().IsPlaying());
    TLxSlider *position = window->SliderMng().Find(u"SLIDER_PLAY");
    EXPECT_EQ(position->Max(), length);
    qint64 target = 3 * 3600 * BytesPerSecond + 1800 * BytesPerSecond;
    position->SetValue(target);
    window->PositionDragging = true;
    window->Timer1Timer();
    window->PositionDragging = false;
    const qint64 reached = window->Player().GetPosition();
    EXPECT_NEAR(double(reached), double(target), double(BytesPerSecond));
    window->Timer1Timer();
    EXPECT_NEAR(double(position->GetValue()), double(target), double(BytesPerSecond));
}

} // namespace
