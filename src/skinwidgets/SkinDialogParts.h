#pragma once

// Parts that every skinned dialog builds the same way. UI thread.

#include <QRect>
#include <QString>

class QLineEdit;
class QWidget;
class SkinPaintBox;

// A borderless one-line text field laid over the skin at `skinRect` (skin pixels), read-only,
// its text 12 skin pixels high whatever the scale the skin is shown at. White where the user
// may type; the button colour where the field only shows a value.
QLineEdit *addSkinField(QWidget *dialog, const SkinPaintBox &paintBox, const char *name,
                        const QRect &skinRect, bool onWhite, const QString &fontFamily);

// Centres a dialog on its screen; called when it is shown, not when it comes back from being
// minimised, so it stays where the user left it.
void centreOnScreen(QWidget &dialog);
