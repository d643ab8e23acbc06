#pragma once

#include "common/AtomicWrite.h"
#include "playlist/TLxABLoopInfo.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

class TLxMusicInfoMng;

// The playlist file: the default playlist and the ".qlx" files the user saves and opens.
// Written as UTF-8 with CR LF; read as UTF-8, or as Shift-JIS when the file is not valid UTF-8.
// Lines of two or more characters beginning with "//" are comments; the other lines count by
// their position inside a "Begin" ... "End" block.
namespace PlayListFile {

// One block as read, before its values are converted.
struct Block {
    QString path;
    QString status;
    QString length;
    QString format;
    QString sections;
    bool ended = false; // its "End" line was reached, so its values are committed
};

struct Document {
    QString indexText;
    std::vector<Block> blocks; // every block whose path line was read, in file order
};

struct BlockValues {
    int status = 0;
    qint64 length = 0;
    std::vector<TLxABLoopInfo> sections;
};

// The lines of the file for the manager's playlist.
QStringList format(const TLxMusicInfoMng &mng);

// The structure of the lines; pure, never fails.
Document parse(const QStringList &lines);
// The values of an ended block; nothing when a number is not an integer (sign and decimal
// digits only, in range).
std::optional<BlockValues> convert(const Block &block);
// At most 50 sections: values after the 100th comma and an unpaired last value are ignored.
std::optional<std::vector<TLxABLoopInfo>> parseSections(const QString &text);

enum class LoadResult {
    Loaded,     // every block read (or reading was aborted by the user)
    Malformed,  // a number was not an integer: the playlist was emptied
    Unreadable, // the file could not be read: the playlist stays empty
};

// Replaces the manager's playlist with the file's content, asking about missing audio files
// through the manager's question; creates an empty file if none exists.
LoadResult load(TLxMusicInfoMng &mng, const QString &fileName);

// Start-up: reads the default playlist. One that fails to parse is first copied aside to
// "DefaultPlayList.txt.bad" (or ".bad.2", ".bad.3"... when an older copy differs), so the
// saving at exit can never destroy the user's only copy; if the copy fails, the manager
// is told not to overwrite the default playlist at exit.
LoadResult loadDefault(TLxMusicInfoMng &mng);

} // namespace PlayListFile
