#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace quillmere {

// Text files written by older versions of the player may be Shift-JIS; ours are UTF-8.
// The whole content is decoded before it is split, so no multi-byte character is ever cut.
// A leading UTF-8 byte-order mark is dropped. Any thread.
QString decodeUtf8OrShiftJis(const QByteArray &bytes);

// Splits at CR LF, lone CR or lone LF. A final line end does not start an empty last line,
// so "a\r\nb\r\n" gives two lines and an empty text gives none.
QStringList splitLines(const QString &text);

// Joins the lines, each followed by lineEnd (the last one too), as UTF-8 without a BOM.
QByteArray joinLinesUtf8(const QStringList &lines, QStringView lineEnd);

} // namespace quillmere
