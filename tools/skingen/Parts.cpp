#include "SkinArt.h"

#include <QRadialGradient>

namespace SkinArt {

QImage drawStateImage(const SkinLayout::Window &w, const QImage &background, bool pressed, bool on)
{
    QImage image = background.copy();
    QPainter p(&image);
    for (const auto &b : w.buttons) {
        const bool lit = on && b.kind == SkinLayout::Kind::Toggle;
        const Look look = lit ? (pressed ? Look::OnPressed : Look::On)
                              : (pressed ? Look::Pressed : Look::Released);
        drawButton(p, b, look);
    }
    return image;
}

QImage drawThumb()
{
    // Black is the knob's transparent colour: the ground is pure black, and no pixel of the
    // knob itself may be.
    QImage image(SkinLayout::ThumbSize, QImage::Format_RGB32);
    image.fill(Qt::black);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        const QPointF c(4.5, 4.5);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(10, 40, 110));
        p.drawEllipse(c, 4.5, 4.5);
        QRadialGradient ball(c - QPointF(1.3, 1.5), 5.2);
        ball.setColorAt(0.0, QColor(255, 255, 255));
        ball.setColorAt(0.35, QColor(150, 245, 255));
        ball.setColorAt(0.8, QColor(0, 160, 215));
        ball.setColorAt(1.0, QColor(0, 80, 150));
        p.setBrush(ball);
        p.drawEllipse(c, 3.7, 3.7);
    }
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const qreal dx = x + 0.5 - 4.5, dy = y + 0.5 - 4.5;
            if (dx * dx + dy * dy < 3.5 * 3.5 && image.pixel(x, y) == qRgb(0, 0, 0))
                image.setPixel(x, y, qRgb(1, 1, 1));
        }
    return image;
}

QImage drawLineMark(bool current)
{
    // White is transparent here and the marks sit on the list's cyan rows: drawn without
    // antialiasing so no pale fringe appears.
    QImage image(SkinLayout::LineMarkSize, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setPen(Qt::NoPen);
    if (current) {
        p.setBrush(QColor(0, 0, 128));
        p.drawPolygon(QPolygon({QPoint(4, 3), QPoint(12, 8), QPoint(4, 13)}));
        p.setBrush(QColor(0, 200, 255));
        p.drawPolygon(QPolygon({QPoint(5, 6), QPoint(9, 8), QPoint(5, 10)}));
    } else {
        p.setBrush(QColor(0, 70, 140));
        p.drawRect(QRect(6, 7, 3, 3));
    }
    return image;
}

} // namespace SkinArt
