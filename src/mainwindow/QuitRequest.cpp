#include "mainwindow/QuitRequest.h"

#include <QApplication>
#include <QDialog>
#include <QMenu>
#include <QPointer>

namespace {
bool quitRequested = false;
} // namespace

namespace QuitRequest {

void request()
{
    quitRequested = true;
    // Guarded pointers: rejecting one dialog may destroy another (a box owned by a dialog).
    QList<QPointer<QWidget>> open;
    for (QWidget *widget : QApplication::topLevelWidgets())
        open << widget;
    for (const QPointer<QWidget> &widget : open) {
        if (!widget || !widget->isVisible())
            continue;
        if (auto *dialog = qobject_cast<QDialog *>(widget.data()))
            dialog->reject();
        else if (auto *menu = qobject_cast<QMenu *>(widget.data()))
            menu->close();
    }
}

bool requested()
{
    return quitRequested;
}

void reset()
{
    quitRequested = false;
}

} // namespace QuitRequest
