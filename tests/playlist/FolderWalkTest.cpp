// The folder walk on real folders in a private temporary folder.
#include "playlist/FolderWalk.h"

#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QStringList paths(std::initializer_list<const char *> names)
{
    QStringList list;
    for (const char *name : names)
        list << QString::fromUtf8(name);
    return list;
}

class FolderWalkTest : public ::testing::Test {
protected:
    QTemporaryDir dir;

    QString make(const QString &relative)
    {
        const QString path = dir.filePath(relative);
        testfiles::writeFile(path, "x");
        return path;
    }

    // The walk's files, relative to the temporary folder.
    QStringList walk(const QString &relative)
    {
        FolderWalk walk(dir.filePath(relative));
        QStringList files;
        QString file;
        while (walk.next(file))
            files << QDir(dir.path()).relativeFilePath(file);
        return files;
    }
};

TEST_F(FolderWalkTest, FilesComeInNaturalNameOrderDepthFirst)
{
    for (const char *name : {"a/track10.wav", "a/Track2.wav", "a/track1.wav", "a/b/inner.wav",
                             "a/c.wav", "a/B2/x.wav"})
        make(QString::fromUtf8(name));
    // Folders take their place among the files by name; "b" and "B2" compare without case.
    EXPECT_EQ(walk(QStringLiteral("a")), paths({"a/b/inner.wav", "a/B2/x.wav", "a/c.wav",
                                                "a/track1.wav", "a/Track2.wav", "a/track10.wav"}));
}

TEST_F(FolderWalkTest, HiddenEntriesInsideFoldersAreSkippedButANamedFileIsTaken)
{
    make(QStringLiteral("m/.hidden.wav"));
    make(QStringLiteral("m/.cache/inner.wav"));
    make(QStringLiteral("m/song.wav"));
    EXPECT_EQ(walk(QStringLiteral("m")), paths({"m/song.wav"}));
    EXPECT_EQ(walk(QStringLiteral("m/.hidden.wav")), paths({"m/.hidden.wav"}));
    EXPECT_TRUE(walk(QStringLiteral("nothing-here")).isEmpty());
}

TEST_F(FolderWalkTest, SymbolicLinkLoopsAndSecondLinksAreWalkedOnce)
{
    make(QStringLiteral("root/sub/song.wav"));
    ASSERT_TRUE(QFile::link(dir.filePath(QStringLiteral("root")),
                            dir.filePath(QStringLiteral("root/sub/loop"))));
    ASSERT_TRUE(QFile::link(dir.filePath(QStringLiteral("root/sub")),
                            dir.filePath(QStringLiteral("root/again"))));
    ASSERT_TRUE(QFile::link(dir.filePath(QStringLiteral("root/sub/song.wav")),
                            dir.filePath(QStringLiteral("root/linked.wav"))));
    // "again" comes first by name and is the one walked; a linked file is an ordinary entry.
    EXPECT_EQ(walk(QStringLiteral("root")), paths({"root/again/song.wav", "root/linked.wav"}));
}

TEST_F(FolderWalkTest, EachStepReadsAtMostOneFolder)
{
    for (int i = 0; i < 5; ++i)
        QDir(dir.path()).mkpath(QStringLiteral("deep/%1/e").arg(i));
    make(QStringLiteral("deep/9.wav"));
    FolderWalk walk(dir.filePath(QStringLiteral("deep")));
    QString file;
    int folderSteps = 0;
    FolderWalk::Step taken;
    while ((taken = walk.step(file)) == FolderWalk::Step::Folder)
        ++folderSteps;
    ASSERT_EQ(taken, FolderWalk::Step::File);
    EXPECT_EQ(QFileInfo(file).fileName(), QStringLiteral("9.wav"));
    // Five folders with an empty folder each: entered and left, one step apiece.
    EXPECT_EQ(folderSteps, 20);
    EXPECT_EQ(walk.step(file), FolderWalk::Step::Folder); // leaving "deep"
    EXPECT_EQ(walk.step(file), FolderWalk::Step::Done);
}

TEST(FolderWalkOrder, NaturalOrderIsAStrictWeakOrderEvenWithOtherScriptsDigits)
{
    // std::sort needs a strict weak order; full-width and kanji digits must not break it.
    const QStringList names =
        paths({"10", "9", "９", "一", "a", "A", "010", "x2", "x10", "第10話", "第９話", "第一話"});
    for (const QString &a : names) {
        EXPECT_FALSE(FolderWalk::naturalLess(a, a));
        for (const QString &b : names) {
            if (FolderWalk::naturalLess(a, b)) {
                EXPECT_FALSE(FolderWalk::naturalLess(b, a));
            }
            for (const QString &c : names) {
                if (FolderWalk::naturalLess(a, b) && FolderWalk::naturalLess(b, c)) {
                    EXPECT_TRUE(FolderWalk::naturalLess(a, c))
                        << a.toStdString() << " " << b.toStdString() << " " << c.toStdString();
                }
            }
        }
    }
    EXPECT_TRUE(FolderWalk::naturalLess(QStringLiteral("x2"), QStringLiteral("x10")));
}

} // namespace
