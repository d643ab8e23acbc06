#pragma once

#include <QString>

class QWidget;

// How the borderless windows move and come to the front on the desktop's terms. On Wayland
// only the compositor places windows and gives the focus: a window moves through a system
// move, and comes to the front only with the activation token the desktop handed to the copy
// the user just started. On X11 (and the offscreen platform) the window moves itself.
// GUI thread only.
namespace DesktopWindow {

bool compositorPlacesWindows();
// Lets the compositor move the window while the mouse button stays down. False where the
// window has to follow the mouse itself.
bool startSystemMove(QWidget &window);
// Restores the window if minimised, raises and activates it; activationToken (empty when the
// desktop gave none) is what Qt's activation request hands to a Wayland compositor.
void bringToFront(QWidget &window, const QString &activationToken);

} // namespace DesktopWindow
