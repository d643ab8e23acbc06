#include "cd/CdTrackNames.h"

namespace quillmere::cd {
namespace {

constexpr qsizetype MaxNameBytes = 255;

} // namespace

QString defaultTrackFileName(int track)
{
    return QStringLiteral("Track %1.wav").arg(track + 1, 2, 10, QLatin1Char('0'));
}

QString cdTextTrackFileName(const QStringList &entries, int track)
{
    const QString prefix = QStringLiteral("TITLE%1=").arg(track + 1);
    for (const QString &entry : entries) {
        if (entry.isEmpty())
            break; // the empty entry closes the block
        if (entry.startsWith(prefix))
            return safeTitleFileName(entry.mid(prefix.size()));
    }
    return {};
}

QString safeTitleFileName(const QString &title)
{
    const QString extension = QStringLiteral(".wav");
    QString name;
    for (const QChar c : title)
        name += (c == QLatin1Char('/') || c.unicode() < 0x20 || c.unicode() == 0x7f)
                    ? QLatin1Char('_')
                    : c;
    if (name.startsWith(QLatin1Char('.')))
        name.prepend(QLatin1Char('_'));
    // Cut whole characters (a surrogate pair stays together) until the name fits.
    while (!name.isEmpty() && (name + extension).toUtf8().size() > MaxNameBytes)
        name.chop(name.size() >= 2 && name.back().isLowSurrogate() ? 2 : 1);
    return name + extension;
}

bool isPlainFileName(const QString &name)
{
    return !name.contains(QLatin1Char('/')) && !name.contains(QChar(0));
}

} // namespace quillmere::cd
