#pragma once

// Private XDG folders for tests that ask the desktop which program opens which file: our
// desktop entry in a private data folder, a private mimeapps.list, and "quillmere" on PATH
// (GIO ignores an entry whose program it cannot find). Must be set up before the first GIO
// call of the process, because GLib reads these variables once. Only the system's MIME
// database is shared, through a link.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

class DesktopSandbox {
public:
    DesktopSandbox()
    {
        const QDir root(m_dir.path());
        for (const char *sub : {"config", "configdirs", "data/applications", "datadirs", "bin"})
            root.mkpath(QString::fromLatin1(sub));
        copyEntry(QStringLiteral(QUILLMERE_DESKTOP_FILE), QStringLiteral("quillmere.desktop"));
        QFile::link(QStringLiteral("/bin/true"), root.filePath(QStringLiteral("bin/quillmere")));
        // The system's shared MIME database, read-only, so that extensions still have types.
        QFile::link(QStringLiteral("/usr/share/mime"),
                    root.filePath(QStringLiteral("datadirs/mime")));
        setPath("XDG_CONFIG_HOME", QStringLiteral("config"));
        setPath("XDG_CONFIG_DIRS", QStringLiteral("configdirs"));
        setPath("XDG_DATA_HOME", QStringLiteral("data"));
        setPath("XDG_DATA_DIRS", QStringLiteral("datadirs"));
        qputenv("PATH",
                QFile::encodeName(root.filePath(QStringLiteral("bin"))) + ':' + qgetenv("PATH"));
    }

    // Another player's entry for the same kinds of files.
    void addOtherPlayer(const QString &desktopId)
    {
        QFile file(path(QStringLiteral("data/applications/") + desktopId));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[Desktop Entry]\nType=Application\nName=Other\nExec=true %F\n"
                   "MimeType=audio/mpeg;audio/x-wav;audio/x-aiff;\n");
    }

    QString path(const QString &relative) const { return QDir(m_dir.path()).filePath(relative); }
    QByteArray mimeAppsList() const
    {
        QFile file(path(QStringLiteral("config/mimeapps.list")));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    // What the real "gio" tool says about a MIME type, in a process of its own.
    static QString gioMime(const QString &type)
    {
        QProcess gio;
        gio.start(QStringLiteral("gio"), {QStringLiteral("mime"), type});
        if (!gio.waitForFinished(10000))
            return QStringLiteral("gio did not finish");
        return QString::fromUtf8(gio.readAllStandardOutput());
    }

private:
    void copyEntry(const QString &from, const QString &name)
    {
        EXPECT_TRUE(QFile::copy(from, path(QStringLiteral("data/applications/") + name)));
    }
    void setPath(const char *variable, const QString &relative)
    {
        qputenv(variable, QFile::encodeName(path(relative)));
    }

    QTemporaryDir m_dir;
};
