#include "propertydialog/AudioFileRename.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

// QFile::rename is not used: across file systems it writes straight into the target without
// forcing it to disk, so a crash can leave a half-written file under the new name.
namespace {

bool fail(QString *error, const QString &message)
{
    if (error)
        *error = message;
    return false;
}

QString reason(int err)
{
    return QString::fromLocal8Bit(std::strerror(err));
}

QString exists(const QString &path)
{
    return QStringLiteral("同じ名前のファイルが既にあります: %1").arg(path);
}

// 0, or the errno of the failure; EEXIST when to exists.
int renameNoReplace(const QString &from, const QString &to)
{
    const QByteArray f = QFile::encodeName(from);
    const QByteArray t = QFile::encodeName(to);
    if (::renameat2(AT_FDCWD, f.constData(), AT_FDCWD, t.constData(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP)
        return errno;
    // Some network and FUSE file systems lack the no-replace flag: check first, then rename.
    struct stat st;
    if (::lstat(t.constData(), &st) == 0)
        return EEXIST;
    return ::rename(f.constData(), t.constData()) == 0 ? 0 : errno;
}

void syncFolder(const QString &folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// A new, empty hidden file beside target, open for writing; never an existing one.
bool createTemporary(QFile &temp, const QFileInfo &target)
{
    for (int attempt = 0; attempt < 16; ++attempt) {
        temp.setFileName(target.absolutePath() + QStringLiteral("/.") + target.fileName() +
                         QStringLiteral(".%1.part")
                             .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0')));
        if (temp.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            return true;
        if (!temp.exists())
            return false;
    }
    return false;
}

bool copyData(QFile &source, QFile &temp)
{
    QByteArray block(1 << 20, Qt::Uninitialized);
    for (;;) {
        const qint64 got = source.read(block.data(), block.size());
        if (got < 0)
            return false;
        if (got == 0)
            return true;
        if (temp.write(block.constData(), got) != got)
            return false;
    }
}

// Copies source to a complete, synced file at target; false leaves nothing at target.
bool placeCopy(QFile &source, const QString &target, QString *error)
{
    QFile temp;
    if (!createTemporary(temp, QFileInfo(target)))
        return fail(
            error,
            QStringLiteral("移動先に書き込めません: %1\n%2").arg(target, temp.errorString()));
    const QDateTime modified = QFileInfo(source).lastModified();
    // Mode and time are kept where the target's file system can hold them (vfat cannot):
    // the sound matters, not the attributes.
    const bool copied = copyData(source, temp) && temp.flush();
    if (copied) {
        temp.setPermissions(source.permissions());
        temp.setFileTime(modified, QFileDevice::FileModificationTime);
    }
    const bool written = copied && ::fsync(temp.handle()) == 0;
    const QString writeError = temp.errorString();
    temp.close();
    if (!written) {
        temp.remove();
        return fail(error,
                    QStringLiteral("ファイルを移動できません: %1\n%2").arg(target, writeError));
    }
    if (const int err = renameNoReplace(temp.fileName(), target)) {
        temp.remove();
        return fail(
            error,
            err == EEXIST
                ? exists(target)
                : QStringLiteral("ファイルを移動できません: %1\n%2").arg(target, reason(err)));
    }
    syncFolder(QFileInfo(target).absolutePath());
    return true;
}

bool moveAcross(const QString &from, const QString &to, QString *error)
{
    QFile source(from);
    if (!source.open(QIODevice::ReadOnly))
        return fail(error,
                    QStringLiteral("ファイルを読めません: %1\n%2").arg(from, source.errorString()));
    if (!placeCopy(source, to, error))
        return false;
    source.close();
    if (::unlink(QFile::encodeName(from).constData()) != 0) {
        const int err = errno;
        // The source must stay the one copy: take the new one back.
        QFile::remove(to);
        return fail(error,
                    QStringLiteral("元のファイルを削除できません: %1\n%2").arg(from, reason(err)));
    }
    return true;
}

} // namespace

bool renameAudioFile(const QString &oldPath, const QString &newPath, QString *error)
{
    if (oldPath.isEmpty() || newPath.isEmpty())
        return fail(error, QStringLiteral("ファイル名が空です"));
    const QFileInfo source(oldPath);
    const QFileInfo target(newPath);
    const QString from = source.absoluteFilePath();
    const QString to = target.absoluteFilePath();
    if (from == to)
        return true;
    struct stat sourceStat;
    if (::stat(QFile::encodeName(from).constData(), &sourceStat) != 0 ||
        !S_ISREG(sourceStat.st_mode))
        return fail(error, QStringLiteral("ファイルが見つかりません: %1").arg(from));
    struct stat targetStat;
    if (::lstat(QFile::encodeName(to).constData(), &targetStat) == 0) {
        const bool sameFile = ::stat(QFile::encodeName(to).constData(), &targetStat) == 0 &&
                              targetStat.st_dev == sourceStat.st_dev &&
                              targetStat.st_ino == sourceStat.st_ino &&
                              source.fileName() == target.fileName();
        return sameFile || fail(error, exists(to));
    }
    const int err = renameNoReplace(from, to);
    if (err == 0)
        return true;
    if (err == EXDEV)
        return moveAcross(from, to, error);
    return fail(error,
                err == EEXIST
                    ? exists(to)
                    : QStringLiteral("ファイル名を変更できません: %1\n%2").arg(to, reason(err)));
}
