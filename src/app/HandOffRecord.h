#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// One message from a second copy to the running one over the local socket. Pure; any thread.
//
//   tag     32-bit unsigned, little-endian: PathTag for our messages
//   length  32-bit unsigned, little-endian: the number of data bytes that follow
//   data    for a path: its UTF-8 bytes and a terminating NUL (counted in length)
//
// A path record with length 0 carries no data at all: it asks the running copy to bring its
// window to the front (sent first by every second copy). The receiver acknowledges each
// path record and the activation with one Ack byte once it has been handled; records with
// another tag are skipped unread and unacknowledged.
//
// A record with TokenTag carries the desktop's activation token (UTF-8, NUL-terminated) for
// the activation that follows it; it is not acknowledged, so a running copy that does not
// know the tag skips it and nothing waits.
namespace HandOffRecord {

constexpr quint32 PathTag = 0x00010101;
constexpr quint32 TokenTag = 0x00010111;
constexpr quint32 MaxLength = 65536; // longer records are refused, whatever their tag
constexpr qsizetype HeaderSize = 8;
constexpr char Ack = 0x06;

QByteArray encode(quint32 tag, QByteArrayView data);
QByteArray encodePath(const QString &path);
QByteArray encodeActivate();
QByteArray encodeActivationToken(const QString &token);

struct Decoded {
    enum class Kind {
        NeedMore,  // the buffer ends inside a record: wait for more bytes
        Path,      // path holds the text
        Activate,  // bring the window to the front
        Token,     // path holds the activation token for the next activation
        Foreign,   // another tag: drop consumed bytes, interpret nothing
        Malformed, // too long, NUL missing or misplaced, or not UTF-8: drop the sender
    };
    Kind kind = Kind::NeedMore;
    QString path;
    quint32 tag = 0;
    qsizetype consumed = 0; // bytes of the buffer the record took (header included)
};

// Looks at the first record of buffer. A foreign record is reported once it is complete, so
// a caller never holds more than HeaderSize + MaxLength bytes of one record.
Decoded decode(QByteArrayView buffer);

} // namespace HandOffRecord
