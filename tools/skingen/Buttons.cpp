#include "SkinArt.h"

#include <QConicalGradient>
#include <QLinearGradient>
#include <QRadialGradient>

namespace SkinArt {
namespace {

// A bluish metal: kept off neutral greys, which the CD dialog treats as see-through.
QConicalGradient metalRim(QPointF c)
{
    QConicalGradient rim(c, 135);
    rim.setColorAt(0.00, QColor(236, 242, 255));
    rim.setColorAt(0.25, QColor(120, 136, 184));
    rim.setColorAt(0.50, QColor(52, 62, 110));
    rim.setColorAt(0.75, QColor(120, 136, 184));
    rim.setColorAt(1.00, QColor(236, 242, 255));
    return rim;
}

void drawFace(QPainter &p, QPointF c, qreal r, Look look)
{
    const bool pressed = isPressed(look);
    QRadialGradient face(c + QPointF(0, -r * 0.6), r * 1.7);
    face.setColorAt(0.0, pressed ? QColor(26, 50, 130) : QColor(52, 96, 200));
    face.setColorAt(0.6, pressed ? QColor(8, 20, 74) : QColor(16, 40, 130));
    face.setColorAt(1.0, pressed ? QColor(4, 10, 46) : QColor(8, 20, 84));
    p.setPen(Qt::NoPen);
    p.setBrush(face);
    p.drawEllipse(c, r, r);
    if (pressed) {
        // Inner shadow along the top edge: the face sits lower than the rim.
        QRadialGradient shade(c + QPointF(0, r * 0.35), r * 1.05);
        shade.setColorAt(0.75, QColor(0, 0, 20, 0));
        shade.setColorAt(1.0, QColor(0, 0, 20, 200));
        p.setBrush(shade);
        p.drawEllipse(c, r, r);
    } else {
        // Gloss: a soft highlight across the upper half of the face.
        QLinearGradient gloss(c + QPointF(0, -r), c + QPointF(0, 0.1 * r));
        gloss.setColorAt(0, QColor(255, 255, 255, 120));
        gloss.setColorAt(1, QColor(255, 255, 255, 8));
        p.setBrush(gloss);
        p.drawEllipse(QRectF(c.x() - r * 0.78, c.y() - r * 0.94, r * 1.56, r * 1.0));
    }
}

// The warm ring of a lit two-state button, between rim and face.
void drawGlow(QPainter &p, QPointF c, qreal r)
{
    QRadialGradient glow(c, r);
    glow.setColorAt(0.70, QColor(255, 176, 32, 0));
    glow.setColorAt(0.86, QColor(255, 196, 64, 230));
    glow.setColorAt(1.00, QColor(255, 140, 0, 150));
    p.setPen(Qt::NoPen);
    p.setBrush(glow);
    p.drawEllipse(c, r, r);
}

void drawRoundButton(QPainter &p, const QRectF &box, const QString &name, Look look)
{
    const QPointF c = box.center();
    // Two pixels of ground stay free on every side: neighbouring rectangles overlap there.
    const qreal outer = box.width() / 2 - 2.6;
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 16, 150)); // contact shadow
    p.drawEllipse(c + QPointF(0.4, 0.6), outer, outer);
    p.setBrush(metalRim(c));
    p.drawEllipse(c, outer - 0.4, outer - 0.4);
    const qreal face = outer - 2.2;
    p.setBrush(QColor(0, 0, 30));
    p.drawEllipse(c, face + 0.6, face + 0.6);
    drawFace(p, c, face, look);
    if (isLit(look))
        drawGlow(p, c, face);
    const QPointF shift = isPressed(look) ? QPointF(1, 1) : QPointF(0, 0);
    drawIcon(p, name, c + shift, face * 0.62, look);
}

// The small round pads that set a value back to its default.
void drawDotButton(QPainter &p, const QRectF &box, const QString &name, Look look)
{
    const QPointF c = box.center();
    const qreal outer = box.width() / 2 - 1;
    p.setPen(Qt::NoPen);
    p.setBrush(metalRim(c));
    p.drawEllipse(c, outer, outer);
    const qreal face = outer - 1.6;
    drawFace(p, c, face, look);
    const bool pressed = isPressed(look);
    const QColor dot =
        name == QLatin1String("BUTTON_DEL_AB_ALL") ? QColor(255, 80, 80) : Colour::Aqua;
    const QPointF at = c + (pressed ? QPointF(0.7, 0.7) : QPointF(0, 0));
    QRadialGradient lamp(at - QPointF(0.6, 0.6), 2.6);
    lamp.setColorAt(0, Colour::White);
    lamp.setColorAt(0.5, pressed ? dot.darker(130) : dot);
    lamp.setColorAt(1, dot.darker(220));
    p.setBrush(lamp);
    p.drawEllipse(at, 2.2, 2.2);
}

} // namespace

void drawButton(QPainter &p, const SkinLayout::Button &b, Look look)
{
    const QRect area(b.left, b.top, b.width + 1, b.height + 1);
    p.save();
    p.setClipRect(area);
    p.setRenderHint(QPainter::Antialiasing);
    if (b.width <= 16)
        drawDotButton(p, QRectF(area), b.name, look);
    else
        drawRoundButton(p, QRectF(area), b.name, look);
    p.restore();
}

} // namespace SkinArt
