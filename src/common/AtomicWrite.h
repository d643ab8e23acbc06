#pragma once

#include <QByteArray>
#include <QString>

namespace quillmere {

struct WriteResult {
    bool ok = false;
    QString error; // human-readable reason when ok is false
    explicit operator bool() const { return ok; }
};

// Replaces the file at path with bytes, or leaves the old file exactly as it was.
// The bytes go to a temporary file beside the target; every write and the final flush are
// checked (a full disk shows up as a short write or a failed fsync, which QSaveFile does not
// always report), and only then is the temporary file renamed over the target. A symbolic
// link at path is followed, so the link stays and its target is replaced.
// Any thread; concurrent writers to one path are not serialised against each other.
WriteResult atomicWrite(const QString &path, const QByteArray &bytes);

} // namespace quillmere
