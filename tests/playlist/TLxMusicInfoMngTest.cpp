#include "playlist/TLxMusicInfoMng.h"

#include "LinesView.h"
#include "SectionPrinting.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QSet>

#include <gtest/gtest.h>

namespace {

class ManagerTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    LinesView view;
    TLxMusicInfoMng mng;
    QStringList asked;

    void SetUp() override
    {
        mng.SetViews(nullptr, &view);
        mng.SetMissingFileQuestion([this](const QString &name) {
            asked << name;
            return TLxMusicInfoMng::MissingFileAnswer::Skip;
        });
    }

    QString song(const QString &name)
    {
        const QString path = dir.filePath(name);
        if (!QFileInfo::exists(path))
            testfiles::writeFile(path, "RIFF");
        return path;
    }

    // Adds n songs "s0.wav" ... and returns their paths.
    QStringList addSongs(int n)
    {
        QStringList paths;
        for (int i = 0; i < n; ++i) {
            paths << song(QStringLiteral("s%1.wav").arg(i));
            EXPECT_EQ(mng.AddEntry(paths.back(), TLxMusicInfo{}, false, false), i);
        }
        return paths;
    }

    QString current()
    {
        QString name;
        return mng.GetCurrentFileName(name) ? name : QString();
    }
};

TEST_F(ManagerTest, AddingAListedPathFindsItAndUpdatesOnlyFromAKnownLength)
{
    const QString path = song(QStringLiteral("Étude 練習曲.wav"));
    TLxMusicInfo probed;
    probed.Length = 4410000;
    probed.AudioFormat = QStringLiteral("WAV [2ch]");
    EXPECT_EQ(mng.AddEntry(path, probed, false, false), 0);
    EXPECT_EQ(view.lines, QStringList{QStringLiteral("Étude 練習曲.wav")});

    EXPECT_EQ(mng.AddEntry(path, TLxMusicInfo{}, true, true), 0);
    EXPECT_EQ(mng.GetCount(), 1);
    EXPECT_EQ(view.lines.size(), 1);
    EXPECT_EQ(mng.Entry(0)->Length, 4410000);
    EXPECT_EQ(mng.Entry(0)->AudioFormat, QStringLiteral("WAV [2ch]"));
    EXPECT_EQ(mng.RangeEnd(), 4410000);
    EXPECT_TRUE(view.selected.count(0));

    probed.Length = 100;
    probed.AudioFormat = QStringLiteral("other");
    mng.AddEntry(path, probed, false, false);
    EXPECT_EQ(mng.Entry(0)->Length, 100);
    EXPECT_EQ(mng.Entry(0)->AudioFormat, QStringLiteral("other"));
}

TEST_F(ManagerTest, PathsDifferingInCaseAreTwoEntries)
{
    addSongs(0);
    EXPECT_EQ(mng.AddEntry(song(QStringLiteral("a.wav")), {}, false, false), 0);
    EXPECT_EQ(mng.AddEntry(song(QStringLiteral("A.wav")), {}, false, false), 1);
    EXPECT_EQ(mng.LastAddedIndex(), 1);
}

TEST_F(ManagerTest, MissingFileAsksAndLeavesTheListAlone)
{
    const QString missing = dir.filePath(QStringLiteral("gone.mp3"));
    EXPECT_EQ(mng.AddEntry(missing, {}, false, true), -1);
    EXPECT_EQ(asked, QStringList{missing});
    EXPECT_EQ(mng.AddEntry(dir.path(), {}, false, false), -1); // a folder is not an audio file
    mng.SetMissingFileQuestion(
        [](const QString &) { return TLxMusicInfoMng::MissingFileAnswer::Abort; });
    EXPECT_EQ(mng.AddEntry(missing, {}, false, false), -2);
    EXPECT_EQ(mng.AddEntry(song(QStringLiteral("two\nlines.wav")), {}, false, false), -1);
    EXPECT_EQ(mng.GetCount(), 0);
    EXPECT_TRUE(view.lines.isEmpty());
    EXPECT_EQ(TLxMusicInfoMng::missingFileMessage(QStringLiteral("x.mp3")),
              QStringLiteral("オーディオファイル[x.mp3]がありません。"));
}

TEST_F(ManagerTest, MakeCurrentPointsAtTheNewEntry)
{
    addSongs(2);
    EXPECT_EQ(mng.AddEntry(song(QStringLiteral("new.wav")), {}, true, true), 2);
    EXPECT_EQ(mng.GetCurrentIndex(), 2);
    EXPECT_EQ(view.item, 2);
    EXPECT_EQ(view.selected, std::set<int>{2});
}

TEST_F(ManagerTest, DeletingKeepsTheCurrentSongOrTheOneThatFollows)
{
    const QStringList paths = addSongs(5);
    mng.SetCurrentIndex(4);
    mng.DeleteEntry(2);
    EXPECT_EQ(mng.GetCurrentIndex(), 3);
    EXPECT_EQ(current(), paths[4]);
    EXPECT_EQ(view.lines.size(), 4);

    mng.DeleteEntry(3); // current and last
    EXPECT_EQ(mng.GetCurrentIndex(), 2);
    EXPECT_EQ(current(), paths[3]);

    mng.SetCurrentIndex(1);
    mng.DeleteEntry(1); // current, not last: the following song moves into its place
    EXPECT_EQ(current(), paths[3]);
    mng.DeleteEntry(0);
    mng.DeleteEntry(0);
    EXPECT_EQ(mng.GetCurrentIndex(), -1);
    QString name;
    EXPECT_FALSE(mng.GetCurrentFileName(name));
}

TEST_F(ManagerTest, MovingSwapsNeighboursAndTheCurrentSongStaysCurrent)
{
    const QStringList paths = addSongs(3);
    mng.SetCurrentIndex(1);
    const int repaints = view.repaints;
    mng.MoveEntry(0, u"BUTTON_LISTUP");
    mng.MoveEntry(2, u"BUTTON_LISTDOWN");
    EXPECT_EQ(view.repaints, repaints + 2);
    EXPECT_EQ(view.lines, (QStringList{QStringLiteral("s0.wav"), QStringLiteral("s1.wav"),
                                       QStringLiteral("s2.wav")}));

    mng.MoveEntry(1, u"BUTTON_LISTUP");
    EXPECT_EQ(view.lines[0], QStringLiteral("s1.wav"));
    EXPECT_EQ(mng.GetCurrentIndex(), 0);
    EXPECT_EQ(current(), paths[1]);
    mng.MoveEntry(1, u"BUTTON_LISTDOWN"); // the neighbour of the current song moves down
    EXPECT_EQ(mng.GetCurrentIndex(), 0);
    mng.MoveEntry(0, u"BUTTON_LISTDOWN");
    EXPECT_EQ(mng.GetCurrentIndex(), 1);
    EXPECT_EQ(current(), paths[1]);
    EXPECT_EQ(mng.Entry(0)->FileName, paths[2]);
}

TEST_F(ManagerTest, NextAndPreviousWrapAround)
{
    const QStringList paths = addSongs(3);
    QString name;
    mng.SetCurrentIndex(2);
    EXPECT_TRUE(mng.NextEntry(name));
    EXPECT_EQ(name, paths[0]);
    EXPECT_TRUE(mng.PrevEntry(name));
    EXPECT_EQ(name, paths[2]);
    EXPECT_EQ(view.item, 2);

    mng.Clear();
    name = QStringLiteral("unchanged");
    EXPECT_FALSE(mng.NextEntry(name));
    EXPECT_FALSE(mng.PrevEntry(name));
    EXPECT_FALSE(mng.RandomEntry(name));
    EXPECT_EQ(name, QStringLiteral("unchanged"));
}

TEST_F(ManagerTest, RandomPlayChoosesEveryEntryOncePerCycle)
{
    const QStringList paths = addSongs(5);
    for (int cycle = 0; cycle < 20; ++cycle) {
        QSet<QString> seen;
        for (int k = 0; k < 5; ++k) {
            QString name;
            ASSERT_TRUE(mng.RandomEntry(name));
            seen.insert(name);
            EXPECT_EQ(mng.Entry(mng.GetCurrentIndex())->FileName, name);
        }
        EXPECT_EQ(seen.size(), 5) << "cycle " << cycle;
    }
}

TEST_F(ManagerTest, RandomOrderVaries)
{
    // A generator seeded badly (or not at all) gives the same first choice every time.
    addSongs(8);
    QSet<int> firstChoices;
    for (int run = 0; run < 40; ++run) {
        TLxMusicInfoMng other;
        other.SetSaveOnDestroy(false);
        for (int i = 0; i < 8; ++i)
            other.AddEntry(mng.Entry(i)->FileName, {}, false, false);
        QString name;
        other.RandomEntry(name);
        firstChoices.insert(other.GetCurrentIndex());
    }
    EXPECT_GE(firstChoices.size(), 4);
}

TEST_F(ManagerTest, ResetPlayedStartsACycleWithOneEntryAlreadyPlayed)
{
    const QStringList paths = addSongs(3);
    mng.ResetPlayed(2);
    QSet<QString> firstTwo;
    QString name;
    mng.RandomEntry(name);
    firstTwo.insert(name);
    mng.RandomEntry(name);
    firstTwo.insert(name);
    EXPECT_EQ(firstTwo, (QSet<QString>{paths[0], paths[1]}));
    mng.RandomEntry(name); // a new cycle: every mark but the chosen one is clear
    int played = 0;
    for (int i = 0; i < 3; ++i)
        played += mng.Entry(i)->Played ? 1 : 0;
    EXPECT_EQ(played, 1);

    mng.SetPlayed(7); // out of range: ignored
    mng.ResetPlayed(-1);
    for (int i = 0; i < 3; ++i)
        EXPECT_FALSE(mng.Entry(i)->Played);
}

TEST_F(ManagerTest, SectionOperationsWorkOnTheCurrentEntryAndAreHarmlessWhenEmpty)
{
    EXPECT_EQ(mng.SetPointB(10), -1);
    mng.SetPointA(10, false);
    EXPECT_TRUE(mng.DeleteSection(5));
    EXPECT_EQ(mng.FindSection(0), -1);
    EXPECT_EQ(mng.NextSectionStart(0), -1);
    EXPECT_EQ(mng.PrevSectionStart(0), -1);
    EXPECT_EQ(mng.SectionRestartPos(0, 0), -1);

    addSongs(2);
    mng.SetCurrentIndex(1);
    mng.SetPointA(100, false);
    EXPECT_EQ(mng.SetPointB(300), 0);
    EXPECT_TRUE(mng.Entry(0)->Sections.empty());
    EXPECT_EQ(mng.Entry(1)->Sections, (std::vector<TLxABLoopInfo>{{100, 300}}));
    EXPECT_EQ(mng.FindSection(200), 0);
    EXPECT_EQ(mng.SectionRestartPos(0, 301), 100);
    EXPECT_TRUE(mng.DeleteSection(-1));
    EXPECT_TRUE(mng.Entry(1)->Sections.empty());
}

TEST_F(ManagerTest, DestroyingSavesTheDefaultPlayList)
{
    const QString path = song(QStringLiteral("kept.wav"));
    const QString defaultName = mng.GetDefaultPlayListName();
    {
        TLxMusicInfoMng other;
        other.AddEntry(path, {}, false, false);
    }
    EXPECT_TRUE(testfiles::readAll(defaultName).contains(path.toUtf8()));
}

TEST_F(ManagerTest, ChangesThePlaylistFileKeepsAreReportedAndQueriesAreNot)
{
    int changes = 0;
    mng.SetChangeListener([&] { ++changes; });
    addSongs(2);
    EXPECT_EQ(changes, 2);
    mng.SetPointA(100, false);
    EXPECT_EQ(mng.SetPointB(50), -1); // nothing completed
    EXPECT_EQ(changes, 3);
    mng.SetPointB(300);
    mng.MoveEntry(0, u"BUTTON_LISTDOWN");
    mng.DeleteSection(-1);
    mng.DeleteEntry(1);
    EXPECT_EQ(changes, 7);
    QString name;
    mng.NextEntry(name);
    mng.FindSection(0);
    mng.MoveEntry(0, u"BUTTON_LISTUP"); // nothing to swap with
    EXPECT_EQ(changes, 7);
    mng.SetEntryInfo(0, 176400, QStringLiteral("WAV"));
    mng.SetEntryFileName(0, dir.filePath(QStringLiteral("moved/renamed.wav")));
    EXPECT_EQ(changes, 9);
    // Each start of a song sets its length; only a length not known before is a change.
    mng.SetCurrentIndex(0);
    mng.SetCurrentLength(5000);
    mng.SetCurrentLength(5000);
    EXPECT_EQ(changes, 10);
}

TEST_F(ManagerTest, ARenamedEntryKeepsItsSectionsAndItsLineShowsTheNewName)
{
    addSongs(2);
    mng.SetCurrentIndex(1);
    mng.SetPointA(100, false);
    mng.SetPointB(300);
    const QString moved = dir.filePath(QStringLiteral("moved/renamed.wav"));
    mng.SetEntryFileName(1, moved);
    EXPECT_EQ(view.lines, QStringList({QStringLiteral("s0.wav"), QStringLiteral("renamed.wav")}));
    EXPECT_EQ(mng.Entry(1)->FileName, moved);
    EXPECT_EQ(mng.Entry(1)->Sections.size(), 1u);
    EXPECT_EQ(current(), moved);
    // A path given later finds the entry under its new name.
    testfiles::writeFile(moved, "RIFF");
    EXPECT_EQ(mng.AddEntry(moved, TLxMusicInfo{}, false, false), 1);
}

TEST_F(ManagerTest, TheLastAddedEntryIsFollowedThroughMovesAndDeletions)
{
    const QStringList paths = addSongs(4);
    EXPECT_EQ(mng.LastAddedIndex(), 3);
    mng.MoveEntry(3, u"BUTTON_LISTUP");
    EXPECT_EQ(mng.Entry(mng.LastAddedIndex())->FileName, paths[3]);
    mng.DeleteEntry(0);
    EXPECT_EQ(mng.Entry(mng.LastAddedIndex())->FileName, paths[3]);
    mng.DeleteEntry(mng.LastAddedIndex());
    EXPECT_EQ(mng.LastAddedIndex(), -1);                  // gone: it names no other entry
    mng.AddEntry(paths[1], TLxMusicInfo{}, false, false); // found again
    EXPECT_EQ(mng.LastAddedIndex(), mng.IndexOf(paths[1]));
    mng.Clear();
    EXPECT_EQ(mng.LastAddedIndex(), -1);
}

} // namespace
