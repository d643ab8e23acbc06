#include "skinwidgets/DesktopWindow.h"

#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

namespace DesktopWindow {

bool compositorPlacesWindows()
{
    return QGuiApplication::platformName().startsWith(u"wayland");
}

bool startSystemMove(QWidget &window)
{
    // X11 would take a system move too, but there the window has always followed the mouse
    // itself, which keeps it where it is put even under window managers without the request.
    if (!compositorPlacesWindows())
        return false;
    QWindow *handle = window.windowHandle();
    return handle && handle->startSystemMove();
}

void bringToFront(QWidget &window, const QString &activationToken)
{
    // Qt's Wayland activation request takes the token from the environment and consumes it.
    if (compositorPlacesWindows() && !activationToken.isEmpty())
        qputenv("XDG_ACTIVATION_TOKEN", activationToken.toUtf8());
    if (window.isMinimized())
        window.showNormal();
    window.raise();
    window.activateWindow();
}

} // namespace DesktopWindow
