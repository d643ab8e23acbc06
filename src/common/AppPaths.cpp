#include "common/AppPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace quillmere::AppPaths {
namespace {

const QString settingsName = QStringLiteral("quillmere.ini");

QString homeOverride()
{
    return qEnvironmentVariable("QUILLMERE_HOME");
}

bool isPortable()
{
    const QDir dir(executableDir());
    return QFileInfo::exists(dir.filePath(settingsName)) ||
           QFileInfo::exists(dir.filePath(QStringLiteral("portable")));
}

// The folder for one kind of file: the override, the executable's folder, or the standard one.
QString baseDir(QStandardPaths::StandardLocation location)
{
    const QString home = homeOverride();
    if (!home.isEmpty())
        return home;
    if (isPortable())
        return executableDir();
    return QStandardPaths::writableLocation(location);
}

// A folder of ours only: a real directory (no symbolic link), owned by us, closed to others.
bool makePrivateDir(const QString &path)
{
    const QByteArray native = QFile::encodeName(path);
    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat info {};
    if (::lstat(native.constData(), &info) != 0 || !S_ISDIR(info.st_mode) ||
        info.st_uid != ::geteuid())
        return false;
    return (info.st_mode & 077) == 0 || ::chmod(native.constData(), 0700) == 0;
}

} // namespace

QString runtimeDir()
{
    QString base = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (base.isEmpty())
        base = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    QString dir = QDir(base).filePath(QStringLiteral("quillmere"));
    if (base.isEmpty())
        dir = QDir(QDir::tempPath()).filePath(QStringLiteral("quillmere-%1").arg(::geteuid()));
    return makePrivateDir(dir) ? dir : QString();
}

QString executableDir()
{
    if (QCoreApplication::instance())
        return QCoreApplication::applicationDirPath();
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath();
}

QString dataFile(const QString &relative)
{
    const QString beside = QDir(executableDir()).filePath(relative);
    if (QFileInfo::exists(beside))
        return beside;
    const QString installed =
        QStandardPaths::locate(QStandardPaths::AppDataLocation, relative,
                               QStandardPaths::LocateFile | QStandardPaths::LocateDirectory);
    return installed.isEmpty() ? beside : installed;
}

QString pluginDir()
{
    const QString beside = QDir(executableDir()).filePath(QStringLiteral("plugins"));
    if (QFileInfo(beside).isDir())
        return beside;
    return QStringLiteral(QUILLMERE_INSTALLED_PLUGIN_DIR);
}

QString settingsFile()
{
    return QDir(baseDir(QStandardPaths::AppConfigLocation)).filePath(settingsName);
}

QString defaultPlayListFile()
{
    return QDir(baseDir(QStandardPaths::AppDataLocation))
        .filePath(QStringLiteral("DefaultPlayList.txt"));
}

QString defaultRecordingDir()
{
    if (!homeOverride().isEmpty() || isPortable())
        return QDir(baseDir(QStandardPaths::MusicLocation)).filePath(QStringLiteral("Library"));
    return QDir(QStandardPaths::writableLocation(QStandardPaths::MusicLocation))
        .filePath(QStringLiteral("Quillmere"));
}

} // namespace quillmere::AppPaths
