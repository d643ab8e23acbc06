#include "desktop/MprisRootAdaptor.h"

#include "desktop/MprisService.h"
#include "mainwindow/TForm1.h"

MprisRootAdaptor::MprisRootAdaptor(MprisService *service)
    : QDBusAbstractAdaptor(service), m_service(*service)
{
}

QStringList MprisRootAdaptor::supportedMimeTypes() const
{
    return {QStringLiteral("audio/x-wav"),  QStringLiteral("audio/flac"),
            QStringLiteral("audio/ogg"),    QStringLiteral("audio/mpeg"),
            QStringLiteral("audio/x-aiff"), QStringLiteral("audio/mp4")};
}

void MprisRootAdaptor::Raise()
{
    TForm1 &window = m_service.Window();
    window.show();
    window.raise();
    window.activateWindow();
}

void MprisRootAdaptor::Quit()
{
    // Closing goes the window's usual way, so that the settings and the list are saved.
    m_service.Window().close();
}
