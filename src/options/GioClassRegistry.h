#pragma once

#include "options/ClassRegistry.h"

#include <QStringList>

// File associations over the XDG desktop: an extension is looked up as MIME types in the
// shared MIME database, and "registered" means GIO's default application for every one of
// them is our desktop entry. Registering writes the user's mimeapps.list through GIO, which
// desktop environments watch, so nothing needs to be told afterwards.
class GioClassRegistry : public ClassRegistry {
public:
    explicit GioClassRegistry(QString desktopId = QStringLiteral("quillmere.desktop"));

    State QueryFileType(const QString &extension) const override;
    bool RegisterFileType(const QString &extension, const QString &typeName,
                          QString &error) override;

    // The MIME types of an extension (several patterns separated by ";"); empty when the
    // database knows none of them.
    static QStringList mimeTypesFor(const QString &extension);

private:
    QString m_desktopId;
};
