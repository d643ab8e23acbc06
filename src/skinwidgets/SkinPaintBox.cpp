#include "skinwidgets/SkinPaintBox.h"

#include "skin/SkinScale.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

#include <cmath>

SkinPaintBox::SkinPaintBox(QSize skinSize, QWidget *parent)
    : QWidget(parent), m_canvas(skinSize, QImage::Format_RGB32)
{
    m_canvas.fill(Qt::black);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFixedSize(logicalSizeFor(skinSize));
}

void SkinPaintBox::useHintColours()
{
    QPalette hintColours = QToolTip::palette();
    hintColours.setColor(QPalette::ToolTipBase, QColor(0, 0xff, 0xff));
    hintColours.setColor(QPalette::ToolTipText, Qt::black);
    QToolTip::setPalette(hintColours);
}

QSize SkinPaintBox::logicalSizeFor(QSize skinSize) const
{
    return SkinScale::logicalSize(skinSize, devicePixelRatioF());
}

void SkinPaintBox::placeAt(const QRect &skinRect)
{
    const QSize size = logicalSizeFor(skinRect.size());
    const QSize offset = logicalSizeFor(QSize(skinRect.left(), skinRect.top()));
    setGeometry(QRect(QPoint(offset.width(), offset.height()), size));
}

QPoint SkinPaintBox::skinPos(QPointF logical) const
{
    return SkinScale::toSkinPixel(logical, devicePixelRatioF());
}

QRect SkinPaintBox::logicalRect(const QRect &skinRect) const
{
    const qreal factor = SkinScale::scaleFor(devicePixelRatioF()) / devicePixelRatioF();
    return QRect(
        int(std::floor(skinRect.left() * factor)), int(std::floor(skinRect.top() * factor)),
        int(std::ceil(skinRect.width() * factor)), int(std::ceil(skinRect.height() * factor)));
}

void SkinPaintBox::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    SkinScale::paint(painter, m_canvas, devicePixelRatioF(), event->rect());
}

void SkinPaintBox::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && onMouseDown)
        onMouseDown(skinPos(event->position()), event->modifiers());
}

void SkinPaintBox::mouseMoveEvent(QMouseEvent *event)
{
    if ((event->buttons() & Qt::LeftButton) && onMouseMove)
        onMouseMove(skinPos(event->position()), event->modifiers());
}

void SkinPaintBox::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && onMouseUp)
        onMouseUp(skinPos(event->position()), event->modifiers());
}

bool SkinPaintBox::event(QEvent *event)
{
    if (event->type() != QEvent::ToolTip || !hintAt)
        return QWidget::event(event);
    const auto *help = static_cast<QHelpEvent *>(event);
    const Hint hint = hintAt(skinPos(help->pos()));
    if (hint.text.isEmpty())
        QToolTip::hideText();
    else
        QToolTip::showText(help->globalPos(), hint.text, this, logicalRect(hint.area));
    return true;
}
