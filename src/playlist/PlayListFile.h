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

// Speed trainers ride in comment lines inside their song's block, one line per section that
// has one: "// SpeedTrainer N:start,step,repeats,target", N counting the block's own sections
// from 0. Comment lines are skipped in every state by every reader of this format, so older
// versions read the same songs and sections from such a file and flag nothing, where a block
// of other lines after the last "End" would count as lines not understood (and get the
// default playlist set aside as damaged). In the block, the trainer travels with its song
// when files are copied, renamed or merged, which a side file keyed by path would not.
// Playlists without trainers are written exactly as before.
inline constexpr QStringView TrainerTag = u"// SpeedTrainer ";

// One block as read, before its values are converted.
struct Block {
    QString path;
    QString status;
    QString length;
    QString format;
    QString sections;
    bool ended = false;   // its "End" line was reached, so its values are committed
    QStringList trainers; // the text after TrainerTag of each trainer line in the block
};

struct Document {
    QString indexText;
    std::vector<Block> blocks; // every block whose path line was read, in file order
    int ignoredLines = 0;      // non-blank lines outside any block, or skipped seeking "End"
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
    Loaded,       // everything the file held is in the playlist
    LoadedPartly, // blocks were skipped (missing audio files, the user's abort, no "End") or
                  // lines were not understood: saving would not give back the same file
    Malformed,    // a number was not an integer: the playlist was emptied
    Unreadable,   // the file could not be read: the playlist stays empty
};

// True when the file exists, can be read and holds no malformed number: loading it would not
// leave an empty list in place of the user's.
bool isReadable(const QString &fileName);

// Replaces the manager's playlist with the file's content, asking about missing audio files
// through the manager's question; creates an empty file if none exists.
LoadResult load(TLxMusicInfoMng &mng, const QString &fileName);

// Start-up: reads the default playlist. One that was not taken in whole (malformed, or
// partly loaded, say because the drive with the songs is not mounted) is first copied aside
// to "DefaultPlayList.txt.bad" (or ".bad.2", ".bad.3"... when an older copy differs), so the
// saving at exit never destroys the user's only copy of their sections. If the copy fails,
// or the file cannot be read, the manager is told not to overwrite it at exit.
LoadResult loadDefault(TLxMusicInfoMng &mng);

} // namespace PlayListFile
