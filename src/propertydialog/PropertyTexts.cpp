#include "propertydialog/PropertyTexts.h"

#include "common/Units.h"

namespace PropertyTexts {

QString lengthText(qint64 bytes)
{
    const qint64 seconds = quillmere::bytesToWholeSeconds(bytes);
    return QStringLiteral(" 時間: %1:%2")
        .arg(seconds / 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

QString sectionCountText(int count)
{
    return QStringLiteral(" AB区間数: %1").arg(count);
}

QString formatText(const QString &format)
{
    return QLatin1Char(' ') + format;
}

} // namespace PropertyTexts
