#include "cd/TCDPropertyDlg.h"

#include "skin/SkinButtonLoader.h"
#include "skin/SkinImage.h"
#include "skin/SkinLayout.h"
#include "skin/TLxButtonMng.h"
#include "skinwidgets/DesktopWindow.h"
#include "skinwidgets/SkinDialogParts.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QShowEvent>

TCDPropertyDlg::TCDPropertyDlg(QWidget *parent) : QDialog(parent), m_buttons(new TLxButtonMng)
{
    const SkinLayout::Window &layout = SkinLayout::cdNameDialog();
    setWindowTitle(QStringLiteral("ダイアログ"));
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    PaintBox1 = new SkinPaintBox(layout.paintSize, this);
    PaintBox1->setObjectName(QStringLiteral("PaintBox1"));
    PaintBox1->placeAt(QRect(QPoint(0, 0), layout.paintSize));
    setFixedSize(PaintBox1->logicalSizeFor(layout.clientSize));
    PaintBox1->onMouseDown = [this](QPoint p, Qt::KeyboardModifiers) { PaintBox1MouseDown(p); };
    PaintBox1->onMouseMove = [this](QPoint p, Qt::KeyboardModifiers) {
        PaintBox1MouseMove(Qt::LeftButton, p);
    };
    PaintBox1->onMouseUp = [this](QPoint p, Qt::KeyboardModifiers) { PaintBox1MouseUp(p); };
    PaintBox1->hintAt = [this](QPoint p) { return ShowHintHandler(p); };
    SkinPaintBox::useHintColours();
    EditFileName = addField("EditFileName", QRect(16, 16, 235, 16), true);
    EditFileLength = addField("EditFileLength", QRect(16, 58, 86, 16), false);
    FormCreate();
    FormPaint();
}

TCDPropertyDlg::~TCDPropertyDlg() = default;

QLineEdit *TCDPropertyDlg::addField(const char *name, const QRect &skinRect, bool editable)
{
    QLineEdit *field =
        addSkinField(this, *PaintBox1, name, skinRect, editable, QStringLiteral("IPAPGothic"));
    field->setReadOnly(!editable);
    return field;
}

void TCDPropertyDlg::FormCreate()
{
    loadSkinButtons(*m_buttons, PaintBox1, SkinLayout::cdNameDialog(),
                    [](std::size_t, const SkinLayout::Button &b) {
                        return SkinButtonHint{b.name == u"BUTTON_OK" ? QStringLiteral("登録")
                                                                     : QStringLiteral("キャンセル"),
                                              {}};
                    });
}

void TCDPropertyDlg::FormPaint()
{
    const QImage &background = m_buttons->GetBackground();
    SkinImage::copyArea(PaintBox1->canvas(), background, background.rect(), QPoint(0, 0));
    m_buttons->DrawAll();
    PaintBox1->canvasChanged();
}

void TCDPropertyDlg::FormShow()
{
    EditFileName->setFocus();
    EditFileName->deselect();
}

void TCDPropertyDlg::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    centreOnScreen(*this);
}

void TCDPropertyDlg::setVisible(bool visible)
{
    QDialog::setVisible(visible);
    // Only now: showing a dialog hands its focus widget a tab focus, which selects all text.
    if (visible)
        FormShow();
}

void TCDPropertyDlg::keyPressEvent(QKeyEvent *event)
{
    // A dialog's Enter would press a default button; this one has none.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter ||
        event->key() == Qt::Key_Escape)
        return;
    QDialog::keyPressEvent(event);
}

SkinPaintBox::Hint TCDPropertyDlg::ShowHintHandler(QPoint pos) const
{
    SkinPaintBox::Hint hint;
    if (const TLxButton *button = m_buttons->ButtonAt(pos.x(), pos.y())) {
        hint.text = button->Hint;
        hint.area = button->GetImageRect().area();
    }
    return hint;
}

void TCDPropertyDlg::PaintBox1MouseDown(QPoint pos)
{
    // On Wayland only the compositor can move a window; elsewhere it follows the mouse.
    Dragging = m_buttons->PressAt(pos.x(), pos.y()) <= 0 && !DesktopWindow::startSystemMove(*this);
    if (Dragging)
        DragStart = pos;
    PaintBox1->canvasChanged();
}

void TCDPropertyDlg::PaintBox1MouseMove(Qt::MouseButtons buttons, QPoint pos)
{
    if ((buttons & Qt::LeftButton) && Dragging)
        move(x() + pos.x() - DragStart.x(), y() + pos.y() - DragStart.y());
}

void TCDPropertyDlg::PaintBox1MouseUp(QPoint)
{
    Dragging = false;
    const TLxButton *released = m_buttons->Release();
    if (!released)
        return;
    PaintBox1->canvasChanged();
    if (released->Name == u"BUTTON_CANCEL")
        done(ResultCancel);
    else if (released->Name == u"BUTTON_OK")
        done(ResultOk);
}
