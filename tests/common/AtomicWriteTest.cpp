#include "common/AtomicWrite.h"

#include "common/StagedFile.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

using quillmere::atomicWrite;

TEST(AtomicWrite, ReplacesContentKeepsPermissionsAndFollowsLinks)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("list.txt"));
    ASSERT_TRUE(atomicWrite(path, "first").ok);
    EXPECT_EQ(testfiles::readAll(path), QByteArray("first"));

    ::chmod(QFile::encodeName(path).constData(), 0640);
    ASSERT_TRUE(atomicWrite(path, "second").ok);
    EXPECT_EQ(testfiles::readAll(path), QByteArray("second"));
    EXPECT_EQ(QFileInfo(path).permissions() & 0x7777,
              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser |
                  QFileDevice::WriteUser | QFileDevice::ReadGroup);

    const QString link = dir.filePath(QStringLiteral("link.txt"));
    ASSERT_TRUE(QFile::link(path, link));
    ASSERT_TRUE(atomicWrite(link, "third").ok);
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(testfiles::readAll(path), QByteArray("third"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::System).size(),
              2); // no temporaries left
}

TEST(AtomicWrite, ReportsAFolderThatCannotBeWritten)
{
    QTemporaryDir dir;
    const auto result = atomicWrite(dir.filePath(QStringLiteral("no/such/folder/x")), "x");
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.error, QStringLiteral("cannot create a temporary file beside the target: ") +
                                QString::fromLocal8Bit(std::strerror(ENOENT)));
}

// Settings and playlists follow the user's umask; recordings and renders are always 0644.
TEST(AtomicWrite, NewFilesTakeTheUmaskWhereStagedFilesAreAlways0644)
{
    QTemporaryDir dir;
    const QString settings = dir.filePath(QStringLiteral("quillmere.ini"));
    const QString track = dir.filePath(QStringLiteral("Track 01.wav"));
    const mode_t old = ::umask(077);
    const bool written = atomicWrite(settings, "[Form]").ok;
    quillmere::StagedFile staged;
    const bool committed =
        staged.open(track, QStringLiteral(".rip-")) && staged.write("RIFF", 4) && staged.commit();
    ::umask(old);
    ASSERT_TRUE(written && committed);
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(settings).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    ASSERT_EQ(::stat(QFile::encodeName(track).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0644u);
}

// A real full file system: a 64 KiB tmpfs, filled up. Needs root (CI runs as root).
TEST(AtomicWrite, FullDiskKeepsTheOldFileByteForByte)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "mounting a small tmpfs needs root; the full-disk test did not run";
    QTemporaryDir dir;
    const QByteArray mountPoint = QFile::encodeName(dir.path());
    ASSERT_EQ(::mount("tmpfs", mountPoint.constData(), "tmpfs", 0, "size=64k"), 0)
        << std::strerror(errno);
    struct Unmount {
        QByteArray at;
        ~Unmount() { ::umount2(at.constData(), MNT_DETACH); }
    } unmount{mountPoint};

    const QString path = dir.filePath(QStringLiteral("DefaultPlayList.txt"));
    QByteArray old;
    for (int i = 0; i < 400; ++i)
        old += "line " + QByteArray::number(i) + "\r\n";
    ASSERT_TRUE(atomicWrite(path, old).ok);

    QFile filler(dir.filePath(QStringLiteral("filler")));
    ASSERT_TRUE(filler.open(QIODevice::WriteOnly));
    const QByteArray chunk(4096, 'f');
    while (filler.write(chunk) == chunk.size() && filler.flush()) {
    }
    filler.close();

    const auto result = atomicWrite(path, old.repeated(3));
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.error, QStringLiteral("cannot write the file: ") +
                                QString::fromLocal8Bit(std::strerror(ENOSPC)));
    EXPECT_EQ(testfiles::readAll(path), old);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 2) << "the temporary file was left";
}

} // namespace
