#include "common/AtomicWrite.h"

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
    EXPECT_FALSE(result.error.isEmpty());
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
    EXPECT_FALSE(result.error.isEmpty());
    EXPECT_EQ(testfiles::readAll(path), old);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 2) << "the temporary file was left";
}

} // namespace
