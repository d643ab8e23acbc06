#pragma once

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

namespace quillmere::test {

// One track of a generated disc image.
struct ImageTrack {
    qint64 sectors = 0;              // 2352 bytes each
    bool data = false;               // a MODE1 data track instead of audio
    std::optional<QByteArray> title; // its CD-TEXT title, when it has one
    qint64 missingSectors = 0;       // sectors the table of contents claims beyond the bin's end
};

// What a made image is: the file to open and the audio bytes stored for each track.
struct MadeImage {
    QString path;
    std::vector<QByteArray> pcm; // little-endian 16-bit stereo, as stored; empty for data
};

// Writes `name`.bin beside a cue sheet (no overlong tracks; titles go into a binary CD-TEXT
// file in Japanese, MS-JIS, which the sheet names) or a cdrdao TOC (everything; libcdio reads
// its titles as Latin-1) in `folder`. Each audio track holds its own deterministic pattern, so a
// byte-for-byte comparison tells tracks and offsets apart.
MadeImage makeCueImage(const QString &folder, const QString &name,
                       const std::vector<ImageTrack> &tracks);
MadeImage makeTocImage(const QString &folder, const QString &name,
                       const std::vector<ImageTrack> &tracks);

// Audio tracks of `seconds` each (at least 4: cdrdao's reader refuses shorter ones).
std::vector<ImageTrack> audioTracks(int count, int seconds = 4);

} // namespace quillmere::test
