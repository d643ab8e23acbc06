#include "options/ClassRegistry.h"

#include <algorithm>

bool FileTypeCaption::parse(const QString &caption, FileTypeCaption &out)
{
    const QString text = caption.trimmed();
    // 1-based position of the last "(": the type name ends two characters before it.
    const qsizetype p = text.lastIndexOf(u'(') + 1;
    if (p <= 1)
        return false;
    out.extension = text.mid(p + 1, std::max<qsizetype>(0, text.size() - p - 2));
    out.typeName = text.left(std::max<qsizetype>(0, p - 2));
    return true;
}

bool ClassRegistry::RegisterFromCaption(const QString &caption, QString &error)
{
    FileTypeCaption type;
    if (!FileTypeCaption::parse(caption, type))
        return true;
    return RegisterFileType(type.extension, type.typeName, error);
}

bool ClassRegistry::QueryFromCaption(const QString &caption, State &state) const
{
    FileTypeCaption type;
    if (!FileTypeCaption::parse(caption, type)) {
        state = State::NotRegistered;
        return false;
    }
    state = QueryFileType(type.extension);
    return true;
}
