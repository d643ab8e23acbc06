#include "common/StagedFile.h"

#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace quillmere {
namespace {

bool writeAll(int fd, const char *data, qint64 bytes)
{
    while (bytes > 0) {
        const ssize_t n = ::write(fd, data, size_t(bytes));
        if (n < 0 && errno == EINTR)
            continue;
        if (n == 0)
            errno = ENOSPC; // a write that takes nothing is a full disc
        if (n <= 0)
            return false;
        data += n;
        bytes -= n;
    }
    return true;
}

// The file the data must finally land in: the target of a symbolic link (so that the link
// stays), or the path itself.
QFileInfo resolvedTarget(const QString &path)
{
    const QFileInfo info(path);
    if (info.isSymLink() && !info.symLinkTarget().isEmpty())
        return QFileInfo(info.symLinkTarget());
    return info;
}

// Replaced files keep their permissions; new files get 0666 less the umask.
mode_t permissionsFor(const QString &target)
{
    struct stat st {};
    if (::stat(QFile::encodeName(target).constData(), &st) == 0)
        return st.st_mode & 07777;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

void syncDirectory(const QString &dir)
{
    const int fd = ::open(QFile::encodeName(dir).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd); // durability of the rename only; the data is already safe
        ::close(fd);
    }
}

} // namespace

StagedFile::~StagedFile()
{
    discard();
}

bool StagedFile::fail()
{
    m_error = QString::fromLocal8Bit(std::strerror(errno));
    return false;
}

bool StagedFile::open(const QString &targetPath, const QString &prefix)
{
    discard();
    m_error.clear();
    const QFileInfo target = resolvedTarget(targetPath);
    if (target.fileName().isEmpty() || target.isDir()) {
        errno = EISDIR;
        return fail();
    }
    const QString name = prefix.isEmpty() ? target.fileName() + QStringLiteral(".tmp-") : prefix;
    QByteArray pattern =
        QFile::encodeName(target.absolutePath() + u'/' + name + QStringLiteral("XXXXXX"));
    m_fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (m_fd < 0)
        return fail();
    m_temp = QFile::decodeName(pattern);
    m_target = target.absoluteFilePath();
    (void)::fchmod(m_fd, 0644); // mkstemp makes it private; the result is an ordinary file
    m_appended = 0;
    m_writeBackFrom = 0;
    return true;
}

bool StagedFile::keepTargetPermissions()
{
    if (m_fd < 0)
        return false;
    return ::fchmod(m_fd, permissionsFor(m_target)) == 0 || fail();
}

bool StagedFile::write(const char *data, qint64 bytes)
{
    if (m_fd < 0)
        return false;
    if (!writeAll(m_fd, data, bytes))
        return fail();
    m_appended += bytes;
    if (m_appended - m_writeBackFrom >= WriteBackChunk)
        startWriteBack();
    return true;
}

void StagedFile::startWriteBack()
{
    // Hands what was appended since the last call to the disc now, while the next blocks are
    // still being made, so that commit()'s fsync finds little left to write. It does not wait
    // for the disc: waiting for the chunk before (to bound the dirty pages) made a rip a third
    // slower, and the kernel's own dirty limits bound them anyway. Only a hint: a failure
    // here shows again at the fsync, which decides.
    (void)::sync_file_range(m_fd, off64_t(m_writeBackFrom), off64_t(m_appended - m_writeBackFrom),
                            SYNC_FILE_RANGE_WRITE);
    m_writeBackFrom = m_appended;
}

bool StagedFile::writeAt(qint64 offset, const char *data, qint64 bytes)
{
    if (m_fd < 0)
        return false;
    if (::pwrite(m_fd, data, size_t(bytes), off_t(offset)) != ssize_t(bytes))
        return fail();
    return true;
}

bool StagedFile::commit()
{
    if (m_fd < 0)
        return false;
    // The first failure is the one reported: a full disc shows at the fsync, not the close.
    bool ok = ::fsync(m_fd) == 0 || fail();
    ok = (::close(m_fd) == 0 || !ok || fail()) && ok;
    m_fd = -1;
    ok = ok && (std::rename(QFile::encodeName(m_temp).constData(),
                            QFile::encodeName(m_target).constData()) == 0 ||
                fail());
    if (!ok) {
        discard();
        return false;
    }
    m_temp.clear();
    syncDirectory(QFileInfo(m_target).absolutePath());
    return true;
}

void StagedFile::discard()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    if (!m_temp.isEmpty())
        ::unlink(QFile::encodeName(m_temp).constData());
    m_temp.clear();
}

} // namespace quillmere
