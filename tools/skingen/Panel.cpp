#include "SkinArt.h"
#include "skin/SkinGeometry.h"

#include <QLinearGradient>
#include <QRadialGradient>

namespace SkinArt {

void drawGround(QPainter &p, QSize paintSize, QSize clientSize)
{
    p.fillRect(QRect(QPoint(0, 0), paintSize), Colour::DeepNavy);
    const QRectF client(QPointF(0, 0), clientSize);
    QRadialGradient ground(client.center(), std::max(client.width(), client.height()) * 0.75);
    ground.setColorAt(0.0, QColor(0, 0, 136));
    ground.setColorAt(0.55, Colour::Navy);
    ground.setColorAt(1.0, QColor(4, 6, 64));
    p.fillRect(client, ground);
    // Fine horizontal brushing, barely visible, gives the panel a material.
    for (int y = 0; y < clientSize.height(); y += 2)
        p.fillRect(QRect(0, y, clientSize.width(), 1), QColor(255, 255, 255, 5));
    // Bevel: light along the top and left, dark along the bottom and right.
    const int w = clientSize.width(), h = clientSize.height();
    p.fillRect(QRect(0, 0, w, 1), Colour::BevelLight);
    p.fillRect(QRect(0, 0, 1, h), Colour::BevelLight);
    p.fillRect(QRect(1, 1, w - 2, 1), QColor(40, 60, 170));
    p.fillRect(QRect(0, h - 1, w, 1), Colour::BevelDark);
    p.fillRect(QRect(w - 1, 0, 1, h), Colour::BevelDark);
}

void drawGroupPanel(QPainter &p, const QRectF &r)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient fill(r.topLeft(), r.bottomLeft());
    fill.setColorAt(0, QColor(14, 24, 150));
    fill.setColorAt(1, QColor(4, 8, 96));
    p.setBrush(fill);
    p.setPen(QPen(QColor(70, 100, 210), 1));
    p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), 5, 5);
    p.setPen(QPen(QColor(0, 0, 40, 160), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(r.adjusted(1.5, 1.5, -1.5, -1.5), 4, 4);
    p.restore();
}

void drawFieldFrame(QPainter &p, int left, int top, int width, int height)
{
    // The control covers left..left+width-1; the frame lies in the two pixels around it.
    const QRect inner(left - 1, top - 1, width + 2, height + 2);
    const QRect outer = inner.adjusted(-1, -1, 1, 1);
    p.fillRect(outer, Colour::BevelDark);
    p.fillRect(QRect(outer.left(), outer.bottom(), outer.width(), 1), QColor(110, 150, 235));
    p.fillRect(QRect(outer.right(), outer.top(), 1, outer.height()), QColor(110, 150, 235));
    p.fillRect(inner, QColor(0, 0, 64));
}

void drawGroove(QPainter &p, const SkinLayout::Slider &s, int min, int max,
                std::initializer_list<int> ticks)
{
    const SkinGeometry::SliderTrack track{s.x, s.y, s.length, s.vertical};
    // Crisp pixel rows: three dark rows centred on the track, a shadow above, a lit edge below.
    const auto across = [&](int from, int to, int offset, const QColor &c) {
        if (s.vertical)
            p.fillRect(QRect(s.x + offset, from, 1, to - from + 1), c);
        else
            p.fillRect(QRect(from, s.y + offset, to - from + 1, 1), c);
    };
    const int from = (s.vertical ? s.y : s.x) - 3;
    const int to = (s.vertical ? track.y1() : track.x1()) + 3;
    across(from + 1, to - 1, -2, QColor(0, 0, 20));
    for (int offset = -1; offset <= 1; ++offset)
        across(from, to, offset, Colour::Groove);
    across(from + 1, to - 1, 0, QColor(10, 24, 84));
    across(from + 1, to - 1, 2, QColor(90, 124, 224));
    for (int value : ticks) {
        const QPoint c = track.thumbCentre(value, min, max);
        const bool middle = value != min && value != max && 2 * value == min + max;
        const QColor colour = middle ? Colour::Aqua : QColor(120, 170, 240);
        const int length = middle ? 3 : 2;
        if (s.vertical)
            p.fillRect(QRect(c.x() + 4, c.y(), length, 1), colour);
        else
            p.fillRect(QRect(c.x(), c.y() + 4, 1, length), colour);
    }
}

QFont labelFont(int px)
{
    QFont font(QStringLiteral("IPAGothic"));
    font.setPixelSize(px);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

void drawLabel(QPainter &p, const QString &text, int x, int y, int px, const QColor &colour)
{
    p.save();
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setFont(labelFont(px));
    p.setPen(colour);
    p.drawText(QRect(x, y, 400, px + 4), Qt::AlignLeft | Qt::AlignTop, text);
    p.restore();
}

void drawLabelRight(QPainter &p, const QString &text, int right, int y, int px,
                    const QColor &colour)
{
    p.save();
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setFont(labelFont(px));
    p.setPen(colour);
    p.drawText(QRect(right - 400, y, 400, px + 4), Qt::AlignRight | Qt::AlignTop, text);
    p.restore();
}

} // namespace SkinArt
