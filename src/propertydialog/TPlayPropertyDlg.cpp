#include "propertydialog/TPlayPropertyDlg.h"

#include "propertydialog/PropertyTexts.h"
#include "skin/SkinButtonLoader.h"
#include "skin/SkinImage.h"
#include "skin/SkinLayout.h"
#include "skin/TLxButtonMng.h"
#include "skinwidgets/SkinDialogParts.h"

#include <QFileDialog>
#include <QLineEdit>
#include <QShowEvent>

#include <memory>

namespace {

const QColor Navy(0, 0, 0x80);

struct ButtonHint {
    const char16_t *name;
    const char *hint;
};
const ButtonHint Hints[] = {
    {u"BUTTON_CANCEL", "キャンセル"},
    {u"BUTTON_OK", "登録"},
    {u"BUTTON_SAVE", "ファイル名変更（パス変更可）"},
};

QString hintOf(QStringView name)
{
    for (const ButtonHint &h : Hints) {
        if (name == QStringView(h.name))
            return QString::fromUtf8(h.hint);
    }
    return {};
}

QString defaultSaveDialog(QWidget *parent, const QString &preset)
{
    // The rename never replaces an existing file, so asking whether to replace one would
    // promise what OK will not do: the caller reports the clash instead.
    return QFileDialog::getSaveFileName(parent, QString(), preset, QString(), nullptr,
                                        QFileDialog::DontConfirmOverwrite);
}

} // namespace

TPlayPropertyDlg::TPlayPropertyDlg(QWidget *parent)
    : QDialog(parent), chooseSaveFile(defaultSaveDialog), m_buttons(new TLxButtonMng)
{
    createChildren();
    FormCreate();
    FormPaint();
}

TPlayPropertyDlg::~TPlayPropertyDlg() = default;

void TPlayPropertyDlg::createChildren()
{
    const SkinLayout::Window &layout = SkinLayout::propertyDialog();
    setWindowTitle(QStringLiteral("プロパティ"));
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, Navy);
    setPalette(colours);
    setAutoFillBackground(true);

    PaintBox1 = new SkinPaintBox(layout.paintSize, this);
    PaintBox1->setObjectName(QStringLiteral("PaintBox1"));
    PaintBox1->placeAt(QRect(QPoint(0, 0), layout.paintSize));
    setFixedSize(PaintBox1->logicalSizeFor(layout.clientSize));
    PaintBox1->onMouseDown = [this](QPoint p, Qt::KeyboardModifiers) { PaintBox1MouseDown(p); };
    PaintBox1->onMouseMove = [this](QPoint p, Qt::KeyboardModifiers) {
        PaintBox1MouseMove(Qt::LeftButton, p); // the box reports moves with the left button only
    };
    PaintBox1->onMouseUp = [this](QPoint p, Qt::KeyboardModifiers) { PaintBox1MouseUp(p); };
    PaintBox1->hintAt = [this](QPoint p) { return ShowHintHandler(p); };
    SkinPaintBox::useHintColours();

    EditFilePath = addField("EditFilePath", QRect(51, 16, 397, 16), true);
    EditOldFilePath = addField("EditOldFilePath", QRect(184, 32, 65, 20), true);
    EditOldFilePath->hide();
    EditFileLength = addField("EditFileLength", QRect(51, 58, 87, 16), false);
    EditABCount = addField("EditABCount", QRect(167, 58, 88, 16), false);
    EditMisc = addField("EditMisc", QRect(285, 58, 163, 16), false);
}

QLineEdit *TPlayPropertyDlg::addField(const char *name, const QRect &skinRect, bool onWhite)
{
    return addSkinField(this, *PaintBox1, name, skinRect, onWhite, QStringLiteral("IPAGothic"));
}

void TPlayPropertyDlg::FormCreate()
{
    loadSkinButtons(*m_buttons, PaintBox1, SkinLayout::propertyDialog(),
                    [](std::size_t, const SkinLayout::Button &b) {
                        return SkinButtonHint{hintOf(b.name), {}};
                    });
}

void TPlayPropertyDlg::FormPaint()
{
    const QImage &background = m_buttons->GetBackground();
    SkinImage::copyArea(PaintBox1->canvas(), background, background.rect(), QPoint(0, 0));
    m_buttons->DrawAll();
    PaintBox1->canvasChanged();
}

void TPlayPropertyDlg::FormShow()
{
    EditFilePath->setFocus();
    EditFilePath->deselect();
}

void TPlayPropertyDlg::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return; // back from being minimised: stay where the user left it
    centreOnScreen(*this);
}

void TPlayPropertyDlg::setVisible(bool visible)
{
    QDialog::setVisible(visible);
    // Only now: showing a dialog hands its focus widget a tab focus, which selects all text.
    if (visible)
        FormShow();
}

void TPlayPropertyDlg::fill(const QString &path, qint64 lengthBytes, int sectionCount,
                            const QString &formatText)
{
    EditFilePath->setText(path);
    EditOldFilePath->setText(path);
    SetSaveFileName(path);
    EditFileLength->setText(PropertyTexts::lengthText(lengthBytes));
    EditABCount->setText(PropertyTexts::sectionCountText(sectionCount));
    EditMisc->setText(PropertyTexts::formatText(formatText));
}

SkinPaintBox::Hint TPlayPropertyDlg::ShowHintHandler(QPoint pos) const
{
    SkinPaintBox::Hint hint;
    if (const TLxButton *button = m_buttons->ButtonAt(pos.x(), pos.y())) {
        hint.text = button->Hint;
        hint.area = button->GetImageRect().area();
    }
    return hint;
}

void TPlayPropertyDlg::PaintBox1MouseDown(QPoint pos)
{
    const bool pressed = m_buttons->PressAt(pos.x(), pos.y()) > 0;
    Dragging = !pressed;
    if (Dragging)
        DragStart = pos;
    PaintBox1->canvasChanged();
}

void TPlayPropertyDlg::PaintBox1MouseMove(Qt::MouseButtons buttons, QPoint pos)
{
    // The paint box moves with the window: moving by the offset from the grab point brings
    // the grab point back under the mouse.
    if ((buttons & Qt::LeftButton) && Dragging)
        move(x() + pos.x() - DragStart.x(), y() + pos.y() - DragStart.y());
}

void TPlayPropertyDlg::PaintBox1MouseUp(QPoint)
{
    Dragging = false;
    // The button pressed at mouse down fires wherever the mouse is released.
    const TLxButton *released = m_buttons->Release();
    if (!released)
        return;
    PaintBox1->canvasChanged();
    if (released->Name == u"BUTTON_CANCEL")
        done(ResultCancel);
    else if (released->Name == u"BUTTON_OK")
        done(ResultOk);
    else if (released->Name == u"BUTTON_SAVE")
        runSaveDialog();
}

void TPlayPropertyDlg::runSaveDialog()
{
    const QString chosen = chooseSaveFile ? chooseSaveFile(this, m_saveFileName) : QString();
    if (chosen.isEmpty())
        return;
    // The file keeps its name until the caller renames it after OK.
    EditFilePath->setText(chosen);
    SetSaveFileName(chosen);
}

void TPlayPropertyDlg::reject()
{
    done(ResultCancel);
}
