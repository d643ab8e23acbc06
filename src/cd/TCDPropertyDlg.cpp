#include "cd/TCDPropertyDlg.h"

#include "skin/SkinImage.h"
#include "skin/SkinLayout.h"
#include "skin/TLxButtonMng.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QScreen>
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
    auto *field = new QLineEdit(this);
    field->setObjectName(QString::fromLatin1(name));
    field->setReadOnly(!editable);
    field->setFrame(false);
    field->setTextMargins(0, 0, 0, 0);
    QFont font(QStringLiteral("IPAPGothic"));
    font.setPixelSize(PaintBox1->logicalRect(QRect(0, 0, 12, 12)).height());
    field->setFont(font);
    field->setStyleSheet(editable ? QStringLiteral("QLineEdit { padding: 0px; border: none; "
                                                   "background: white; color: black; }")
                                  : QStringLiteral("QLineEdit { padding: 0px; border: none; "
                                                   "background: palette(button); color: black; }"));
    field->setGeometry(PaintBox1->logicalRect(skinRect));
    return field;
}

void TCDPropertyDlg::FormCreate()
{
    const SkinLayout::Window &layout = SkinLayout::cdNameDialog();
    const auto skin = [](const QString &name) { return SkinImage::skinFilePath(name); };
    m_buttons->LoadImages(PaintBox1, skin(layout.upFile), skin(layout.upFile),
                          skin(layout.downFile), skin(layout.onUpFile), skin(layout.onDownFile));
    for (const SkinLayout::Button &b : layout.buttons) {
        auto button = std::make_unique<TLxButton>();
        button->Name = b.name;
        button->Hint =
            b.name == u"BUTTON_OK" ? QStringLiteral("登録") : QStringLiteral("キャンセル");
        button->SetImageRect(b.left, b.top, b.width, b.height);
        button->SetHitCircle(b.centerX, b.centerY, b.radius);
        button->SetEnabled(true);
        m_buttons->AddButton(std::move(button));
    }
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
    if (const QScreen *screen = this->screen())
        move(screen->geometry().center() - QPoint(width() / 2, height() / 2));
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
    Dragging = m_buttons->PressAt(pos.x(), pos.y()) <= 0;
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
