#pragma once

#include <QString>

// The backup of the default playlist, "DefaultPlayList.txt.bak" beside it: the list as it was
// before entries left it, so that songs dropped while their drive was away come back with
// their sections. Replaced atomically, never left half-written. UI thread only.
namespace DefaultPlayListBackup {

QString pathFor(const QString &defaultPlayList);
// The number of entries the playlist file holds; 0 when it is missing or unreadable.
int entriesIn(const QString &playListFile);
// Copies the file as it is on disc over the backup. A file without entries keeps the old
// backup: an empty list is never worth more than the one it would replace.
bool keepFile(const QString &defaultPlayList);

} // namespace DefaultPlayListBackup
