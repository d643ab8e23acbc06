#pragma once

#include <QString>

namespace quillmere {

// Where the player keeps its files. Three modes, checked in this order:
// - QUILLMERE_HOME=DIR: the settings, the default playlist and "Library" all live in DIR
//   (tests always set it, so they never touch the user's files);
// - portable: a file "quillmere.ini" or "portable" beside the executable keeps everything there;
// - installed: the XDG configuration, data and music folders.
// Call on any thread once QCoreApplication has its application name ("quillmere").
namespace AppPaths {

QString settingsFile();        // quillmere.ini
QString defaultPlayListFile(); // DefaultPlayList.txt
QString defaultRecordingDir(); // where recordings go unless the user chose another folder
QString executableDir();
// A file the program ships (skin, help): beside the executable when it is there (build tree,
// portable use), else in the data folder of the prefix the program is installed in, else in
// the XDG data folders; when none has it, the path beside the executable, so that an error
// can name it.
QString dataFile(const QString &relative);
// The decoder plug-ins: "plugins" beside the executable, else the library folder of the
// prefix the program is installed in, else the configured one.
QString pluginDir();
// The per-user folder for sockets and lock files: "quillmere" in $XDG_RUNTIME_DIR (or Qt's
// runtime folder), else "quillmere-UID" in the temporary folder. Created 0700; empty when it
// cannot be made or is not a private folder of this user (another user's trap in /tmp).
QString runtimeDir();

} // namespace AppPaths
} // namespace quillmere
