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

} // namespace AppPaths
} // namespace quillmere
