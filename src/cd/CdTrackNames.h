#pragma once

#include <QString>
#include <QStringList>

namespace quillmere::cd {

// "Track 01.wav" for track 0.
QString defaultTrackFileName(int track);

// The file name a CD-TEXT title gives track `track` (0-based): the first entry that begins
// with exactly "TITLE<n>=" (n = track + 1, so TITLE1= never matches TITLE10=), made safe by
// safeTitleFileName. Empty when no entry names the track.
QString cdTextTrackFileName(const QStringList &entries, int track);

// A title from the disc is untrusted: "/", NUL and control characters become "_", a title
// that starts with "." gets a leading "_", and the name is cut to 255 bytes of UTF-8 with
// ".wav" kept. An empty title gives ".wav".
QString safeTitleFileName(const QString &title);

// A name typed for a track cannot leave the recording folder.
bool isPlainFileName(const QString &name);

} // namespace quillmere::cd
