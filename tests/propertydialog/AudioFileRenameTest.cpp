// Renaming and moving real files in temporary folders, across file systems where the machine
// has a second one (/dev/shm).
#include "propertydialog/AudioFileRename.h"

#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using testfiles::readAll;
using testfiles::writeFile;

QByteArray noise(int size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (char &c : bytes)
        c = char(QRandomGenerator::global()->bounded(256));
    return bytes;
}

dev_t deviceOf(const QString &path)
{
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_dev : dev_t(0);
}

// A folder nobody may write to for as long as this lives. The superuser ignores the mode
// bits, so it also gets the immutable attribute; writable() says whether either held.
class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(const QString &path) : m_path(QFile::encodeName(path))
    {
        ::chmod(m_path.constData(), 0555);
        if (::geteuid() == 0)
            setImmutable(true);
    }
    ~ReadOnlyFolder()
    {
        if (m_immutable)
            setImmutable(false);
        ::chmod(m_path.constData(), 0755);
    }
    bool writable() const
    {
        const QByteArray probe = m_path + "/probe";
        const int fd = ::open(probe.constData(), O_WRONLY | O_CREAT | O_EXCL, 0644);
        if (fd < 0)
            return false;
        ::close(fd);
        ::unlink(probe.constData());
        return true;
    }

private:
    void setImmutable(bool on)
    {
        const int fd = ::open(m_path.constData(), O_RDONLY | O_DIRECTORY);
        int flags = 0;
        if (fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
            flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
            m_immutable = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0 && on;
        }
        if (fd >= 0)
            ::close(fd);
    }

    QByteArray m_path;
    bool m_immutable = false;
};

class AudioFileRenameTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QByteArray content = noise(5000);

    QString path(const QString &name) const { return dir.filePath(name); }
    QString song(const QString &name)
    {
        writeFile(path(name), content);
        return path(name);
    }
};

TEST_F(AudioFileRenameTest, RenamesInTheFolderAndMovesToAnother)
{
    const QString old = song(QStringLiteral("a.wav"));
    QString error;
    ASSERT_TRUE(renameAudioFile(old, path(QStringLiteral("b.wav")), &error)) << error.toStdString();
    EXPECT_FALSE(QFile::exists(old));
    EXPECT_EQ(readAll(path(QStringLiteral("b.wav"))), content);

    QDir(dir.path()).mkpath(QStringLiteral("sub"));
    const QString moved = path(QStringLiteral("sub/c.wav"));
    ASSERT_TRUE(renameAudioFile(path(QStringLiteral("b.wav")), moved));
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("b.wav"))));
    EXPECT_EQ(readAll(moved), content);
    // A case-only change is a new name on Linux.
    ASSERT_TRUE(renameAudioFile(moved, path(QStringLiteral("sub/C.wav"))));
    EXPECT_EQ(readAll(path(QStringLiteral("sub/C.wav"))), content);
}

TEST_F(AudioFileRenameTest, TheSameFileNeedsNothingDone)
{
    const QString old = song(QStringLiteral("a.wav"));
    EXPECT_TRUE(renameAudioFile(old, old));
    EXPECT_TRUE(renameAudioFile(old, dir.path() + QStringLiteral("/./sub/../a.wav")));
    // The same folder reached through a symbolic link.
    ASSERT_TRUE(QFile::link(dir.path(), path(QStringLiteral("link"))));
    EXPECT_TRUE(renameAudioFile(old, path(QStringLiteral("link/a.wav"))));
    EXPECT_EQ(readAll(old), content);
}

TEST_F(AudioFileRenameTest, AnExistingTargetIsNeverReplaced)
{
    const QString old = song(QStringLiteral("a.wav"));
    const QString other = path(QStringLiteral("b.wav"));
    writeFile(other, "other");
    QString error;
    EXPECT_FALSE(renameAudioFile(old, other, &error));
    EXPECT_TRUE(error.contains(other)) << error.toStdString();
    EXPECT_EQ(readAll(old), content);
    EXPECT_EQ(readAll(other), "other");

    // A second name of the same file is still another entry of the folder.
    const QString hardLink = path(QStringLiteral("hard.wav"));
    ASSERT_EQ(::link(QFile::encodeName(old).constData(), QFile::encodeName(hardLink).constData()),
              0);
    EXPECT_FALSE(renameAudioFile(old, hardLink));
    EXPECT_TRUE(QFile::exists(old));
    EXPECT_EQ(readAll(old), content);
}

TEST_F(AudioFileRenameTest, AMissingSourceOrTargetFolderFails)
{
    QString error;
    EXPECT_FALSE(
        renameAudioFile(path(QStringLiteral("gone.wav")), path(QStringLiteral("b.wav")), &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("b.wav"))));

    const QString old = song(QStringLiteral("a.wav"));
    EXPECT_FALSE(renameAudioFile(old, path(QStringLiteral("nowhere/b.wav"))));
    EXPECT_FALSE(renameAudioFile(old, QString()));
    EXPECT_EQ(readAll(old), content);
}

TEST_F(AudioFileRenameTest, AReadOnlyTargetFolderFailsAndKeepsTheSource)
{
    const QString old = song(QStringLiteral("a.wav"));
    QDir(dir.path()).mkpath(QStringLiteral("locked"));
    ReadOnlyFolder locked(path(QStringLiteral("locked")));
    if (locked.writable())
        GTEST_SKIP() << "this user can write to a folder without write permission";
    QString error;
    EXPECT_FALSE(renameAudioFile(old, path(QStringLiteral("locked/a.wav")), &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(readAll(old), content);
}

// The same tests across two file systems: the copy path.
class AcrossFileSystemsTest : public AudioFileRenameTest {
protected:
    std::unique_ptr<QTemporaryDir> other;

    void SetUp() override
    {
        if (!QFileInfo(QStringLiteral("/dev/shm")).isWritable())
            GTEST_SKIP() << "no /dev/shm to move files to";
        other = std::make_unique<QTemporaryDir>(QStringLiteral("/dev/shm/quillmere-XXXXXX"));
        ASSERT_TRUE(other->isValid());
        if (deviceOf(other->path()) == deviceOf(dir.path()))
            GTEST_SKIP() << "/dev/shm and the temporary folder are on one file system";
        content = noise(3 * 1024 * 1024 + 17); // more than one copy block
    }

    QStringList otherEntries() const
    {
        return QDir(other->path())
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }
};

TEST_F(AcrossFileSystemsTest, MovesTheWholeFileWithItsModeAndTime)
{
    const QString old = song(QStringLiteral("a.wav"));
    ASSERT_EQ(::chmod(QFile::encodeName(old).constData(), 0640), 0);
    const QDateTime modified = QDateTime::currentDateTime().addDays(-3);
    {
        QFile f(old);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.setFileTime(modified, QFileDevice::FileModificationTime));
    }
    const QString target = other->filePath(QStringLiteral("b.wav"));
    QString error;
    ASSERT_TRUE(renameAudioFile(old, target, &error)) << error.toStdString();
    EXPECT_FALSE(QFile::exists(old));
    EXPECT_EQ(readAll(target), content);
    EXPECT_EQ(otherEntries(), QStringList{QStringLiteral("b.wav")}); // no temporary file left
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(target).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(QFileInfo(target).lastModified().toSecsSinceEpoch(), modified.toSecsSinceEpoch());
}

TEST_F(AcrossFileSystemsTest, ASourceThatCannotBeRemovedLeavesNoCopy)
{
    QDir(dir.path()).mkpath(QStringLiteral("locked"));
    const QString old = path(QStringLiteral("locked/a.wav"));
    writeFile(old, content);
    ReadOnlyFolder locked(path(QStringLiteral("locked")));
    if (locked.writable())
        GTEST_SKIP() << "this user can write to a folder without write permission";
    QString error;
    EXPECT_FALSE(renameAudioFile(old, other->filePath(QStringLiteral("b.wav")), &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(readAll(old), content);
    EXPECT_TRUE(otherEntries().isEmpty()) << otherEntries().join(u' ').toStdString();
}

} // namespace
