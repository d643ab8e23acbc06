#include "skinwidgets/SkinDialogParts.h"

#include "skinwidgets/SkinPaintBox.h"

#include <QLineEdit>
#include <QScreen>

QLineEdit *addSkinField(QWidget *dialog, const SkinPaintBox &paintBox, const char *name,
                        const QRect &skinRect, bool onWhite, const QString &fontFamily)
{
    auto *field = new QLineEdit(dialog);
    field->setObjectName(QString::fromLatin1(name));
    field->setReadOnly(true);
    field->setFrame(false);
    field->setTextMargins(0, 0, 0, 0);
    QFont font(fontFamily);
    font.setPixelSize(paintBox.logicalRect(QRect(0, 0, 12, 12)).height());
    field->setFont(font);
    field->setStyleSheet(onWhite ? QStringLiteral("QLineEdit { padding: 0px; border: none; "
                                                  "background: white; color: black; }")
                                 : QStringLiteral("QLineEdit { padding: 0px; border: none; "
                                                  "background: palette(button); color: black; }"));
    field->setGeometry(paintBox.logicalRect(skinRect));
    return field;
}

void centreOnScreen(QWidget &dialog)
{
    if (const QScreen *screen = dialog.screen())
        dialog.move(screen->geometry().center() - QPoint(dialog.width() / 2, dialog.height() / 2));
}
