#include "options/GioClassRegistry.h"

#include <QMimeDatabase>

#include <gio/gdesktopappinfo.h>
#include <gio/gio.h>

#include <memory>

namespace {

struct GObjectUnref {
    void operator()(gpointer object) const { g_object_unref(object); }
};
using AppInfo = std::unique_ptr<GAppInfo, GObjectUnref>;

QString defaultAppId(const QString &mimeType)
{
    const AppInfo app(g_app_info_get_default_for_type(mimeType.toUtf8().constData(), FALSE));
    return app ? QString::fromUtf8(g_app_info_get_id(app.get())) : QString();
}

} // namespace

GioClassRegistry::GioClassRegistry(QString desktopId) : m_desktopId(std::move(desktopId)) {}

QStringList GioClassRegistry::mimeTypesFor(const QString &extension)
{
    const QMimeDatabase db;
    QStringList types;
    for (QString pattern : extension.split(u';', Qt::SkipEmptyParts)) {
        pattern = pattern.trimmed();
        if (pattern.startsWith(u'*'))
            pattern.remove(0, 1);
        if (!pattern.startsWith(u'.') || pattern.size() < 2)
            continue;
        const QMimeType type =
            db.mimeTypeForFile(QStringLiteral("x") + pattern, QMimeDatabase::MatchExtension);
        if (type.isValid() && !type.isDefault() && !types.contains(type.name()))
            types << type.name();
    }
    return types;
}

ClassRegistry::State GioClassRegistry::QueryFileType(const QString &extension) const
{
    const QStringList types = mimeTypesFor(extension);
    if (types.isEmpty())
        return State::UnknownType;
    for (const QString &type : types) {
        if (defaultAppId(type) != m_desktopId)
            return State::NotRegistered;
    }
    return State::Registered;
}

bool GioClassRegistry::RegisterFileType(const QString &extension, const QString &typeName,
                                        QString &error)
{
    Q_UNUSED(typeName); // the shared MIME database names the type itself
    const QStringList types = mimeTypesFor(extension);
    if (types.isEmpty()) {
        error = QStringLiteral("%1: MIME タイプが見つかりません。").arg(extension);
        return false;
    }
    const std::unique_ptr<GDesktopAppInfo, GObjectUnref> app(
        g_desktop_app_info_new(m_desktopId.toUtf8().constData()));
    if (!app) {
        error = QStringLiteral("%1 がインストールされていません。").arg(m_desktopId);
        return false;
    }
    for (const QString &type : types) {
        GError *failure = nullptr;
        if (!g_app_info_set_as_default_for_type(G_APP_INFO(app.get()), type.toUtf8().constData(),
                                                &failure)) {
            error = QStringLiteral("%1: %2").arg(type, QString::fromUtf8(failure->message));
            g_error_free(failure);
            return false;
        }
    }
    return true;
}
