#include "common/AtomicWrite.h"

#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace quillmere {
namespace {

QString systemError(const char *what, int errorNumber)
{
    return QString::fromUtf8(what) + QStringLiteral(": ") +
           QString::fromLocal8Bit(std::strerror(errorNumber));
}

// The file the bytes must finally land in: the target of a symbolic link, or path itself.
QString resolvedTarget(const QString &path)
{
    const QFileInfo info(path);
    if (info.isSymLink()) {
        const QString target = info.symLinkTarget();
        if (!target.isEmpty())
            return target;
    }
    return info.absoluteFilePath();
}

// New files get the usual permissions (0666 less the umask); replaced files keep theirs.
mode_t permissionsFor(const QByteArray &target)
{
    struct stat st {};
    if (::stat(target.constData(), &st) == 0)
        return st.st_mode & 07777;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

bool writeAll(int fd, const QByteArray &bytes, int &errorNumber)
{
    const char *data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, data, static_cast<size_t>(left));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            errorNumber = errno;
            return false;
        }
        if (n == 0) {
            errorNumber = ENOSPC;
            return false;
        }
        data += n;
        left -= n;
    }
    return true;
}

void syncDirectory(const QByteArray &dir)
{
    const int fd = ::open(dir.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd); // durability of the rename only; the data is already safe
        ::close(fd);
    }
}

} // namespace

WriteResult atomicWrite(const QString &path, const QByteArray &bytes)
{
    const QString target = resolvedTarget(path);
    const QByteArray targetName = QFile::encodeName(target);
    const QByteArray dirName = QFile::encodeName(QFileInfo(target).absolutePath());
    QByteArray tempName = targetName + ".tmp-XXXXXX";

    const int fd = ::mkostemp(tempName.data(), O_CLOEXEC);
    if (fd < 0)
        return {false, systemError("cannot create a temporary file beside the target", errno)};

    int errorNumber = 0;
    bool ok = writeAll(fd, bytes, errorNumber);
    if (ok && ::fchmod(fd, permissionsFor(targetName)) != 0) {
        ok = false;
        errorNumber = errno;
    }
    if (ok && ::fsync(fd) != 0) {
        ok = false;
        errorNumber = errno;
    }
    if (::close(fd) != 0 && ok) {
        ok = false;
        errorNumber = errno;
    }
    if (ok && ::rename(tempName.constData(), targetName.constData()) != 0) {
        ok = false;
        errorNumber = errno;
    }
    if (!ok) {
        ::unlink(tempName.constData());
        return {false, systemError("cannot write the file", errorNumber)};
    }
    syncDirectory(dirName);
    return {true, {}};
}

} // namespace quillmere
