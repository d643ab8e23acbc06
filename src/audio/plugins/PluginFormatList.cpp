#include "audio/plugins/PluginHost.h"

#include <QRegularExpression>

namespace quillmere::audio {

QString formatFilter(const PluginFormat &format)
{
    return format.name + QStringLiteral(" (") + format.extensionMask + QLatin1Char(')');
}

QStringList formatFilters(const std::vector<PluginFormat> &formats)
{
    QStringList filters;
    for (const PluginFormat &format : formats)
        filters << formatFilter(format);
    return filters;
}

bool matchesExtensionMask(const QString &fileName, const QString &mask)
{
    const QStringList patterns = mask.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (const QString &pattern : patterns) {
        // The default conversion is anchored and case-sensitive.
        const QRegularExpression wildcard(
            QRegularExpression::wildcardToRegularExpression(pattern.trimmed()));
        if (wildcard.match(fileName).hasMatch())
            return true;
    }
    return false;
}

} // namespace quillmere::audio
