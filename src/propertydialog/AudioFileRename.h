#pragma once

#include <QString>

// Renames or moves an audio file, never losing it and never replacing another file.
//
// The same path gives true at once. A target that exists is refused, unless it is the source
// itself reached through another spelling of its folder (a symbolic link), which needs nothing
// done. Within one file system the rename is a single atomic step. Across file systems the file
// is copied to a hidden temporary file beside the target, forced to disk, renamed into place,
// and only then is the source removed; should any step fail, the partial copy goes and the
// source stays where it was. On false, error (if given) says why, for the user.
bool renameAudioFile(const QString &oldPath, const QString &newPath, QString *error = nullptr);
