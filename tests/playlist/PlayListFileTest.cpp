#include "playlist/PlayListFile.h"

#include "LinesView.h"
#include "SectionPrinting.h"
#include "playlist/TLxMusicInfoMng.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QStringEncoder>

#include <gtest/gtest.h>

#include <tuple>

namespace {

using Sections = std::vector<TLxABLoopInfo>;

class PlayListFileTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    LinesView view;
    TLxMusicInfoMng mng;
    QStringList asked;
    TLxMusicInfoMng::MissingFileAnswer answer = TLxMusicInfoMng::MissingFileAnswer::Skip;

    void SetUp() override
    {
        mng.SetSaveOnDestroy(false);
        mng.SetViews(nullptr, &view);
        mng.SetMissingFileQuestion([this](const QString &name) {
            asked << name;
            return answer;
        });
    }

    QString song(const QString &name)
    {
        const QString path = dir.filePath(name);
        if (!QFileInfo::exists(path))
            testfiles::writeFile(path, "RIFF");
        return path;
    }

    // A block of the file layout with the given values.
    static QString block(const QString &path, const QString &length = QStringLiteral("0"),
                         const QString &sections = {}, const QString &status = QStringLiteral("0"))
    {
        QString text = QStringLiteral("Begin\n// File\n") + path + QStringLiteral("\n// Status\n") +
                       status + QStringLiteral("\n// Length\n") + length +
                       QStringLiteral("\n// Audio Format\nMPEG layer 3 [2ch]\n// A-BLoop\n") +
                       sections + u'\n';
        for (int i = 0; i < 4; ++i)
            text += QStringLiteral("// Dummy\n    \n");
        return text + QStringLiteral("End\n");
    }

    PlayListFile::LoadResult loadText(const QString &text)
    {
        const QString path = dir.filePath(QStringLiteral("list.qlx"));
        testfiles::writeFile(path, text.toUtf8());
        return PlayListFile::load(mng, path);
    }
};

TEST_F(PlayListFileTest, SavedLayoutIsExactUtf8WithCrLf)
{
    const QString a = song(QStringLiteral("Etude.mp3"));
    const QString b = song(QStringLiteral("Scales.wav"));
    mng.AddEntry(a, {}, false, false);
    mng.AddEntry(b, {}, false, true);
    TLxMusicInfo &first = *mng.Entry(0);
    first.Length = 42336000;
    first.AudioFormat = QStringLiteral("MPEG layer 3 [2ch]");
    first.Sections = {{1764000, 3528000}, {8820000, 9702000}};

    const QString path = dir.filePath(QStringLiteral("out.qlx"));
    ASSERT_TRUE(mng.SaveToFile(path).ok);
    QByteArray expected = "// Index\r\n1\r\n";
    const QByteArray dummies = QByteArray("// Dummy\r\n    \r\n").repeated(4);
    expected += "Begin\r\n// File\r\n" + a.toUtf8() +
                "\r\n// Status\r\n0\r\n// Length\r\n42336000\r\n// Audio Format\r\n"
                "MPEG layer 3 [2ch]\r\n// A-BLoop\r\n1764000,3528000,8820000,9702000\r\n" +
                dummies + "End\r\n";
    expected +=
        "Begin\r\n// File\r\n" + b.toUtf8() +
        "\r\n// Status\r\n0\r\n// Length\r\n0\r\n// Audio Format\r\n\r\n// A-BLoop\r\n\r\n" +
        dummies + "End\r\n";
    EXPECT_EQ(testfiles::readAll(path), expected);

    TLxMusicInfoMng empty;
    empty.SetSaveOnDestroy(false);
    ASSERT_TRUE(empty.SaveToFile(path).ok);
    EXPECT_EQ(testfiles::readAll(path), QByteArray("// Index\r\n0\r\n"));
}

TEST_F(PlayListFileTest, RoundTripKeepsEverythingButTheEditingState)
{
    const QString a = song(QStringLiteral("曲 フォルダ/練習 1.flac"));
    const QString b = song(QStringLiteral("b,c.wav"));
    mng.AddEntry(a, {}, false, false);
    mng.AddEntry(b, {}, false, false);
    constexpr qint64 Long = 5'000'000'000; // beyond 32 bits: a song of almost eight hours
    TLxMusicInfo &first = *mng.Entry(0);
    first.Status = -7;
    first.Length = Long;
    first.AudioFormat = QStringLiteral("FLAC [1ch]");
    first.Sections = {{Long - 10, Long}, {5, 10}, {-3, -1}};
    first.Played = true;
    first.APending = true;
    first.AMarkVisible = true;
    mng.SetCurrentIndex(1);

    const QString path = dir.filePath(QStringLiteral("round.qlx"));
    ASSERT_TRUE(mng.SaveToFile(path).ok);
    view = LinesView{};
    ASSERT_EQ(PlayListFile::load(mng, path), PlayListFile::LoadResult::Loaded);

    ASSERT_EQ(mng.GetCount(), 2);
    const TLxMusicInfo &read = *mng.Entry(0);
    EXPECT_EQ(read.FileName, a);
    EXPECT_EQ(read.Status, -7);
    EXPECT_EQ(read.Length, Long);
    EXPECT_EQ(read.AudioFormat, QStringLiteral("FLAC [1ch]"));
    EXPECT_EQ(read.Sections, (Sections{{Long - 10, Long}, {5, 10}, {-3, -1}}));
    EXPECT_FALSE(read.Played || read.APending || read.AMarkVisible);
    EXPECT_EQ(mng.Entry(1)->FileName, b);
    EXPECT_EQ(mng.GetCurrentIndex(), 1);
    EXPECT_EQ(view.item, 1);
    EXPECT_EQ(view.lines, (QStringList{QStringLiteral("練習 1.flac"), QStringLiteral("b,c.wav")}));
}

TEST_F(PlayListFileTest, AnyLineEndIsAccepted)
{
    const QString text =
        QStringLiteral("// Index\n1\n") +
        block(song(QStringLiteral("a.wav")), QStringLiteral("10")) +
        block(song(QStringLiteral("b.wav")), QStringLiteral("20"), QStringLiteral("1,2"));
    for (const QString &lineEnd :
         {QStringLiteral("\r\n"), QStringLiteral("\r"), QStringLiteral("\n")}) {
        QString converted = text;
        converted.replace(u'\n', lineEnd);
        ASSERT_EQ(loadText(converted), PlayListFile::LoadResult::Loaded);
        ASSERT_EQ(mng.GetCount(), 2) << lineEnd.size();
        EXPECT_EQ(mng.Entry(1)->Length, 20);
        EXPECT_EQ(mng.Entry(1)->Sections, (Sections{{1, 2}}));
        EXPECT_EQ(mng.GetCurrentIndex(), 1);
    }
}

TEST_F(PlayListFileTest, ShiftJisFilesFromOlderVersionsAreRead)
{
    const QString path = song(QStringLiteral("表示.wav")); // 0x955C: its second byte is '\'
    QStringEncoder toShiftJis("Shift_JIS");
    ASSERT_TRUE(toShiftJis.isValid());
    const QByteArray bytes = toShiftJis.encode(
        QStringLiteral("0\r\n") + block(path, QStringLiteral("99"), QStringLiteral("1,2"))
                                      .replace(u'\n', QStringLiteral("\r\n")));
    ASSERT_FALSE(toShiftJis.hasError());
    const QString file = dir.filePath(QStringLiteral("old.qlx"));
    testfiles::writeFile(file, bytes);
    ASSERT_EQ(PlayListFile::load(mng, file), PlayListFile::LoadResult::Loaded);
    ASSERT_EQ(mng.GetCount(), 1);
    EXPECT_EQ(mng.Entry(0)->FileName, path);
    EXPECT_EQ(mng.Entry(0)->Sections, (Sections{{1, 2}}));
}

TEST_F(PlayListFileTest, CommentsCountForNothingOtherLinesByPosition)
{
    const QString a = song(QStringLiteral("a.wav"));
    QString text = QStringLiteral("// anything\n0\n") + block(a, QStringLiteral("123"));
    text.replace(QStringLiteral("// Length"), QStringLiteral("// Length in bytes\n// more"));
    text.remove(QStringLiteral("// Audio Format\n"));
    ASSERT_EQ(loadText(text), PlayListFile::LoadResult::Loaded);
    EXPECT_EQ(mng.Entry(0)->Length, 123);

    // "/" alone is no comment: it takes the place of the status, shifting every later value.
    text = block(a, QStringLiteral("123"))
               .replace(QStringLiteral("// Status\n"), QStringLiteral("/\n"));
    EXPECT_EQ(loadText(text), PlayListFile::LoadResult::Malformed);
}

TEST_F(PlayListFileTest, MissingReservedLineSwallowsTheFollowingBlock)
{
    const QString a = song(QStringLiteral("a.wav"));
    const QString b = song(QStringLiteral("b.wav"));
    const QString c = song(QStringLiteral("c.wav"));
    QString first = block(a, QStringLiteral("10"));
    first.replace(first.lastIndexOf(QStringLiteral("    \n")), 5, QString());
    ASSERT_EQ(loadText(first + block(b, QStringLiteral("20")) + block(c, QStringLiteral("30"))),
              PlayListFile::LoadResult::LoadedPartly);
    ASSERT_EQ(mng.GetCount(), 2); // b was never added: its lines were skipped looking for "End"
    EXPECT_EQ(mng.Entry(0)->FileName, a);
    EXPECT_EQ(mng.Entry(0)->Length, 10);
    EXPECT_EQ(mng.Entry(1)->FileName, c);
}

TEST_F(PlayListFileTest, LastBlockWithoutEndKeepsAnEmptyEntry)
{
    QString text =
        block(song(QStringLiteral("a.wav")), QStringLiteral("10"), QStringLiteral("1,2"));
    text.chop(4);
    ASSERT_EQ(loadText(text), PlayListFile::LoadResult::LoadedPartly);
    ASSERT_EQ(mng.GetCount(), 1);
    EXPECT_EQ(mng.Entry(0)->Length, 0);
    EXPECT_TRUE(mng.Entry(0)->Sections.empty());
    EXPECT_TRUE(mng.Entry(0)->AudioFormat.isEmpty());
}

TEST_F(PlayListFileTest, NumbersThatAreNotIntegersEmptyTheWholePlayList)
{
    const QString a = song(QStringLiteral("a.wav"));
    const QString good = block(a);
    const QString b = song(QStringLiteral("b.wav"));
    for (const QString &bad :
         {block(b, QStringLiteral("12a")), block(b, QStringLiteral("1"), QStringLiteral("1,,2")),
          block(b, QStringLiteral("")),
          block(b, QStringLiteral("1"), {}, QStringLiteral("3000000000")),
          block(b, QStringLiteral(" 1")), block(b, QStringLiteral("99999999999999999999"))}) {
        view.item = 0;
        EXPECT_EQ(loadText(good + bad + block(song(QStringLiteral("c.wav")))),
                  PlayListFile::LoadResult::Malformed)
            << bad.toStdString();
        EXPECT_EQ(mng.GetCount(), 0);
        EXPECT_TRUE(view.lines.isEmpty());
        EXPECT_EQ(view.item, -1);
    }
}

TEST_F(PlayListFileTest, SectionsLineRules)
{
    using PlayListFile::parseSections;
    EXPECT_EQ(parseSections(QStringLiteral("100,200,300")), (Sections{{100, 200}}));
    EXPECT_EQ(parseSections(QStringLiteral("100,200,")), (Sections{{100, 200}}));
    EXPECT_EQ(parseSections(QStringLiteral("+1,-2")), (Sections{{1, -2}}));
    EXPECT_EQ(parseSections(QStringLiteral("100,200,300,")), (Sections{{100, 200}}));
    EXPECT_FALSE(parseSections(QStringLiteral("1,x,")).has_value());

    QStringList values;
    for (int i = 0; i < 102; ++i)
        values << QString::number(i);
    const auto fifty = parseSections(values.join(u','));
    ASSERT_TRUE(fifty.has_value());
    ASSERT_EQ(fifty->size(), 50u);
    EXPECT_EQ(fifty->back(), (TLxABLoopInfo{98, 99}));
    values[101] = QStringLiteral("junk"); // after the 100th comma: never read
    EXPECT_EQ(parseSections(values.join(u','))->size(), 50u);
}

TEST_F(PlayListFileTest, StoredIndexOutOfRangeOrMissingMakesTheFirstEntryCurrent)
{
    const QString blocks = block(song(QStringLiteral("a.wav"))) +
                           block(song(QStringLiteral("b.wav"))) +
                           block(song(QStringLiteral("c.wav")));
    for (const QString &index :
         {QStringLiteral("5\n"), QStringLiteral("-1\n"), QStringLiteral("x\n"), QString()}) {
        mng.SetCurrentIndex(2);
        ASSERT_EQ(loadText(index + blocks), PlayListFile::LoadResult::Loaded);
        EXPECT_EQ(mng.GetCurrentIndex(), 0) << index.toStdString();
        EXPECT_EQ(view.selected, std::set<int>{0});
    }
}

TEST_F(PlayListFileTest, DuplicateBlocksMergeIntoOneEntry)
{
    const QString a = song(QStringLiteral("a.wav"));
    ASSERT_EQ(loadText(block(a, QStringLiteral("10"), QStringLiteral("1,2")) +
                       block(a, QStringLiteral("20"), QStringLiteral("3,4"), QStringLiteral("5"))),
              PlayListFile::LoadResult::Loaded);
    ASSERT_EQ(mng.GetCount(), 1);
    EXPECT_EQ(mng.Entry(0)->Length, 20);
    EXPECT_EQ(mng.Entry(0)->Status, 5);
    EXPECT_EQ(mng.Entry(0)->Sections, (Sections{{1, 2}, {3, 4}}));
}

TEST_F(PlayListFileTest, MissingAudioFilesAreSkippedOrAbortReading)
{
    const QString a = song(QStringLiteral("a.wav"));
    const QString gone = dir.filePath(QStringLiteral("gone.wav"));
    const QString c = song(QStringLiteral("c.wav"));
    const QString text = block(a) + block(gone) + block(c);
    ASSERT_EQ(loadText(text), PlayListFile::LoadResult::LoadedPartly);
    EXPECT_EQ(asked, QStringList{gone});
    EXPECT_EQ(mng.GetCount(), 2);

    answer = TLxMusicInfoMng::MissingFileAnswer::Abort;
    ASSERT_EQ(loadText(text), PlayListFile::LoadResult::LoadedPartly);
    ASSERT_EQ(mng.GetCount(), 1);
    EXPECT_EQ(mng.Entry(0)->FileName, a);
}

TEST_F(PlayListFileTest, EmptyOrMissingFilesGiveAnEmptyPlayList)
{
    song(QStringLiteral("a.wav"));
    EXPECT_EQ(loadText(QString()), PlayListFile::LoadResult::Loaded);
    EXPECT_EQ(mng.GetCount(), 0);
    EXPECT_TRUE(view.selected.empty());

    const QString missing = dir.filePath(QStringLiteral("new.qlx"));
    EXPECT_EQ(PlayListFile::load(mng, missing), PlayListFile::LoadResult::Loaded);
    EXPECT_TRUE(QFileInfo::exists(missing)); // created empty, as the reader always did

    EXPECT_EQ(PlayListFile::load(mng, dir.path()), PlayListFile::LoadResult::Unreadable);
}

// The playlist as the version before speed trainers wrote it (saved by that player at exit;
// "@SONGS@" stands for the folder of its songs). It must read and write back byte for byte.
TEST_F(PlayListFileTest, PlayListOfTheVersionBeforeTrainersIsWrittenBackByteForByte)
{
    QFile fixture(QStringLiteral(QUILLMERE_PLAYLIST_TEST_DATA "/SavedBeforeTrainers.qlx"));
    ASSERT_TRUE(fixture.open(QIODevice::ReadOnly));
    const QByteArray saved =
        fixture.readAll().replace("@SONGS@", dir.filePath(QStringLiteral("songs")).toUtf8());
    for (const char *name : {"Etude.wav", "曲/練習 1.wav", "b,c.wav"})
        song(QStringLiteral("songs/") + QString::fromUtf8(name));
    const QString path = dir.filePath(QStringLiteral("old.qlx"));
    testfiles::writeFile(path, saved);

    ASSERT_EQ(PlayListFile::load(mng, path), PlayListFile::LoadResult::Loaded);
    ASSERT_EQ(mng.GetCount(), 3);
    EXPECT_EQ(mng.Entry(0)->Sections, (Sections{{176400, 352800}, {5000000000, 5000000010}}));
    const QString again = dir.filePath(QStringLiteral("again.qlx"));
    ASSERT_TRUE(mng.SaveToFile(again).ok);
    EXPECT_EQ(testfiles::readAll(again), saved);
}

TEST_F(PlayListFileTest, TrainersRoundTripAndOlderReadersSeeTheSameSongsAndSections)
{
    const QString a = song(QStringLiteral("a.wav"));
    const QString b = song(QStringLiteral("b.wav"));
    mng.AddEntry(a, {}, false, false);
    mng.AddEntry(b, {}, false, false);
    mng.Entry(0)->Sections = {{10, 20}, {30, 40, SpeedTrainer{-30, 10, 2, 0}}};
    mng.Entry(1)->Sections = {{5, 6, SpeedTrainer{20, 5, 1, -40}}};
    const QString path = dir.filePath(QStringLiteral("trained.qlx"));
    ASSERT_TRUE(mng.SaveToFile(path).ok);
    const QByteArray written = testfiles::readAll(path);

    // Every trainer line is a comment, so the blocks parse as they did before trainers.
    QStringList withTrainers = QString::fromUtf8(written).split(QStringLiteral("\r\n"));
    QStringList withoutTrainers = withTrainers;
    withoutTrainers.removeIf([](const QString &line) { return line.startsWith(u"//"); });
    withTrainers.removeIf([](const QString &line) {
        return line.startsWith(u"//") && !line.startsWith(u"// SpeedTrainer");
    });
    EXPECT_EQ(withTrainers.size(), withoutTrainers.size() + 2);
    const PlayListFile::Document plain = PlayListFile::parse(withoutTrainers);
    const PlayListFile::Document trained = PlayListFile::parse(withTrainers);
    EXPECT_EQ(trained.ignoredLines, 0);
    ASSERT_EQ(trained.blocks.size(), plain.blocks.size());
    for (size_t i = 0; i < plain.blocks.size(); ++i) {
        const PlayListFile::Block &p = plain.blocks[i], &t = trained.blocks[i];
        EXPECT_EQ(std::tie(p.path, p.status, p.length, p.format, p.sections, p.ended),
                  std::tie(t.path, t.status, t.length, t.format, t.sections, t.ended));
    }

    view = LinesView{};
    ASSERT_EQ(PlayListFile::load(mng, path), PlayListFile::LoadResult::Loaded);
    EXPECT_EQ(mng.Entry(0)->Sections, (Sections{{10, 20}, {30, 40, SpeedTrainer{-30, 10, 2, 0}}}));
    EXPECT_EQ(mng.Entry(1)->Sections, (Sections{{5, 6, SpeedTrainer{20, 5, 1, -40}}}));
    const QString again = dir.filePath(QStringLiteral("again.qlx"));
    ASSERT_TRUE(mng.SaveToFile(again).ok);
    EXPECT_EQ(testfiles::readAll(again), written);
}

TEST_F(PlayListFileTest, TrainerLinesFollowTheirBlockAndDamagedOnesCostOnlyTheTrainer)
{
    const QString a = song(QStringLiteral("a.wav"));
    auto trained = [&](const QString &sections, const QString &trainerLines) {
        QString text = block(a, QStringLiteral("0"), sections);
        return text.insert(text.lastIndexOf(QStringLiteral("End")), trainerLines);
    };
    // A second block of the same song appends its sections: its trainer follows its own.
    ASSERT_EQ(loadText(trained(QStringLiteral("1,2"), {}) +
                       trained(QStringLiteral("3,4,5,6"),
                               QStringLiteral("// SpeedTrainer 1:-20,5,3,0\n"))),
              PlayListFile::LoadResult::Loaded);
    EXPECT_EQ(mng.Entry(0)->Sections,
              (Sections{{1, 2}, {3, 4}, {5, 6, SpeedTrainer{-20, 5, 3, 0}}}));

    const QString damaged = QStringLiteral("// SpeedTrainer 2:-20,5,3,0\n"   // no such section
                                           "// SpeedTrainer 0:-20,0,3,0\n"   // no step
                                           "// SpeedTrainer 0:-20,5,3\n"     // a value missing
                                           "// SpeedTrainer x:-20,5,3,0\n"); // no index
    ASSERT_EQ(loadText(trained(QStringLiteral("1,2,3,4"), damaged)),
              PlayListFile::LoadResult::Loaded);
    EXPECT_EQ(mng.Entry(0)->Sections, (Sections{{1, 2}, {3, 4}}));
}

class DefaultPlayListTest : public PlayListFileTest {
protected:
    QString defaultName;
    void SetUp() override
    {
        PlayListFileTest::SetUp();
        defaultName = mng.GetDefaultPlayListName();
        for (const QString &name :
             QDir(QFileInfo(defaultName).path()).entryList({QStringLiteral("*.bad*")}))
            QFile::remove(QFileInfo(defaultName).dir().filePath(name));
    }
};

TEST_F(DefaultPlayListTest, LivesInQuillmereHomeAndIsCreatedEmpty)
{
    EXPECT_EQ(defaultName, QDir(qEnvironmentVariable("QUILLMERE_HOME"))
                               .filePath(QStringLiteral("DefaultPlayList.txt")));
    QFile::remove(defaultName);
    EXPECT_EQ(mng.GetDefaultPlayListName(), defaultName);
    EXPECT_TRUE(QFileInfo(defaultName).isFile());
    EXPECT_EQ(PlayListFile::loadDefault(mng), PlayListFile::LoadResult::Loaded);
    EXPECT_EQ(mng.GetCount(), 0);
}

TEST_F(DefaultPlayListTest, DamagedDefaultPlayListIsCopiedAsideBeforeItCanBeOverwritten)
{
    const QByteArray garbage =
        block(song(QStringLiteral("a.wav")), QStringLiteral("oops")).toUtf8();
    testfiles::writeFile(defaultName, garbage);
    {
        TLxMusicInfoMng owner; // saves the (now empty) playlist at its end, as at program exit
        EXPECT_EQ(PlayListFile::loadDefault(owner), PlayListFile::LoadResult::Malformed);
    }
    EXPECT_EQ(testfiles::readAll(defaultName + QStringLiteral(".bad")), garbage);
    EXPECT_EQ(testfiles::readAll(defaultName), QByteArray("// Index\r\n0\r\n"));

    // A second, different damaged file does not replace the first copy.
    const QByteArray other = garbage + "x";
    testfiles::writeFile(defaultName, other);
    EXPECT_EQ(PlayListFile::loadDefault(mng), PlayListFile::LoadResult::Malformed);
    EXPECT_EQ(testfiles::readAll(defaultName + QStringLiteral(".bad")), garbage);
    EXPECT_EQ(testfiles::readAll(defaultName + QStringLiteral(".bad.2")), other);
}

TEST_F(DefaultPlayListTest, SongsOnAMissingDriveKeepTheirSectionsInACopy)
{
    // The drive with the songs is not mounted: the user clicks OK for each missing file.
    const QByteArray saved =
        block(QStringLiteral("/media/usb/曲.wav"), QStringLiteral("10"), QStringLiteral("1,2"))
            .toUtf8();
    testfiles::writeFile(defaultName, saved);
    {
        TLxMusicInfoMng owner;
        owner.SetMissingFileQuestion(
            [](const QString &) { return TLxMusicInfoMng::MissingFileAnswer::Skip; });
        EXPECT_EQ(PlayListFile::loadDefault(owner), PlayListFile::LoadResult::LoadedPartly);
        EXPECT_EQ(owner.GetCount(), 0);
    }
    EXPECT_EQ(testfiles::readAll(defaultName + QStringLiteral(".bad")), saved);
}

TEST_F(DefaultPlayListTest, CompleteLoadMakesNoCopy)
{
    const QString a = song(QStringLiteral("a.wav"));
    testfiles::writeFile(defaultName,
                         (QStringLiteral("0\n") + block(a) + QStringLiteral("\n")).toUtf8());
    EXPECT_EQ(PlayListFile::loadDefault(mng), PlayListFile::LoadResult::Loaded);
    EXPECT_FALSE(QFileInfo::exists(defaultName + QStringLiteral(".bad")));
}

} // namespace
