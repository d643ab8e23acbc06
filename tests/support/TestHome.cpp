#include "support/TestHome.h"

#include <QDir>
#include <QFile>

bool prepareTestHome(const QTemporaryDir &home)
{
    if (!home.isValid())
        return false;
    const QByteArray root = QFile::encodeName(home.path());
    for (const char *dir : {"home", "config", "data", "runtime"})
        QDir().mkpath(home.filePath(QString::fromLatin1(dir)));
    QFile::setPermissions(home.filePath(QStringLiteral("runtime")),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    qputenv("QUILLMERE_HOME", root + "/home");
    qputenv("XDG_CONFIG_HOME", root + "/config");
    qputenv("XDG_DATA_HOME", root + "/data");
    qputenv("XDG_RUNTIME_DIR", root + "/runtime");
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    return true;
}
