#include "common/AppPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

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
    // A runtime folder that cannot be used (after "su" it may still name the other user's)
    // must not keep the player from starting: the next place is tried.
    // Every base must be absolute: an empty one (QDir::tempPath() with a bad TMPDIR) would
    // put the folder into the working directory.
    const std::pair<QString, QString> candidates[] = {
        {qEnvironmentVariable("XDG_RUNTIME_DIR"), QStringLiteral("quillmere")},
        {QDir::tempPath(), QStringLiteral("quillmere-%1").arg(::geteuid())},
        {QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation),
         QStringLiteral("quillmere-run")},
    };
    for (const auto &[base, name] : candidates) {
        if (QDir::isAbsolutePath(base) && makePrivateDir(QDir(base).filePath(name)))
            return QDir(base).filePath(name);
    }
    return QString();
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
    const QString prefixed = QDir::cleanPath(
        QDir(executableDir()).filePath(QStringLiteral(QUILLMERE_DATA_FROM_BIN) + u'/' + relative));
    if (QFileInfo::exists(prefixed))
        return prefixed;
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
    const QString prefixed =
        QDir::cleanPath(QDir(executableDir()).filePath(QStringLiteral(QUILLMERE_PLUGINS_FROM_BIN)));
    if (QFileInfo(prefixed).isDir())
        return prefixed;
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
