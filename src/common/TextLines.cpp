#include "common/TextLines.h"

#include <QStringDecoder>

namespace quillmere {

QString decodeUtf8OrShiftJis(const QByteArray &bytes)
{
    QByteArrayView view(bytes);
    if (view.startsWith("\xEF\xBB\xBF"))
        view = view.sliced(3);

    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(view);
    if (!utf8.hasError())
        return text;

    QStringDecoder shiftJis("Shift_JIS", QStringDecoder::Flag::Stateless);
    if (shiftJis.isValid()) {
        text = shiftJis.decode(view);
        if (!shiftJis.hasError())
            return text;
    }
    // Neither encoding fits: keep what UTF-8 makes of it, with replacement characters, so
    // the readable parts of a damaged file still come through.
    return QString::fromUtf8(view);
}

QStringList splitLines(const QString &text)
{
    QStringList lines;
    qsizetype start = 0;
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const QChar c = text.at(i);
        if (c != u'\r' && c != u'\n')
            continue;
        lines.append(text.sliced(start, i - start));
        if (c == u'\r' && i + 1 < size && text.at(i + 1) == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < size)
        lines.append(text.sliced(start));
    return lines;
}

QByteArray joinLinesUtf8(const QStringList &lines, QStringView lineEnd)
{
    QString text;
    for (const QString &line : lines) {
        text += line;
        text += lineEnd;
    }
    return text.toUtf8();
}

} // namespace quillmere
