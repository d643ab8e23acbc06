#include "SkinArt.h"

#include <QPainterPath>
#include <QPainterPathStroker>
#include <QPolygonF>

#include <cmath>
#include <functional>
#include <map>

// Pictograms are drawn in a box from -10 to 10 around the button's centre and filled as one
// path, so that every icon gets the same shadow and colour treatment.
namespace SkinArt {
namespace {

using Path = QPainterPath;

Path polygon(std::initializer_list<QPointF> points)
{
    Path path;
    path.addPolygon(QPolygonF(QList<QPointF>(points)));
    path.closeSubpath();
    return path;
}

Path rect(qreal x, qreal y, qreal w, qreal h, qreal radius = 0.8)
{
    Path path;
    path.addRoundedRect(QRectF(x, y, w, h), radius, radius);
    return path;
}

Path circle(qreal x, qreal y, qreal r)
{
    Path path;
    path.addEllipse(QPointF(x, y), r, r);
    return path;
}

Path stroke(const Path &line, qreal width = 2.4)
{
    QPainterPathStroker stroker;
    stroker.setWidth(width);
    stroker.setCapStyle(Qt::RoundCap);
    stroker.setJoinStyle(Qt::RoundJoin);
    return stroker.createStroke(line);
}

Path polyline(std::initializer_list<QPointF> points, qreal width = 2.4)
{
    Path line;
    auto it = points.begin();
    line.moveTo(*it);
    for (++it; it != points.end(); ++it)
        line.lineTo(*it);
    return stroke(line, width);
}

Path text(const QString &t, qreal size, bool bold = true)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(100);
    font.setBold(bold);
    Path path;
    path.addText(0, 0, font, t);
    const QRectF box = path.boundingRect();
    const qreal k = size / std::max(box.height(), 1.0);
    QTransform m;
    m.scale(k, k);
    m.translate(-box.center().x(), -box.center().y());
    return m.map(path);
}

Path arc(qreal r, qreal startDeg, qreal spanDeg)
{
    Path path;
    path.arcMoveTo(QRectF(-r, -r, 2 * r, 2 * r), startDeg);
    path.arcTo(QRectF(-r, -r, 2 * r, 2 * r), startDeg, spanDeg);
    return path;
}

Path play()
{
    return polygon({{-4.5, -8}, {8, 0}, {-4.5, 8}});
}
Path pause()
{
    return rect(-6.5, -7.5, 4.5, 15).united(rect(2, -7.5, 4.5, 15));
}
Path stop()
{
    return rect(-6.5, -6.5, 13, 13, 1.2);
}
Path cross()
{
    return polyline({{-6, -6}, {6, 6}}, 3).united(polyline({{6, -6}, {-6, 6}}, 3));
}
Path check()
{
    return polyline({{-7, 0}, {-2.5, 5.5}, {7, -6}}, 3.2);
}

Path skip(bool forward)
{
    Path p = polygon({{-9, -6.5}, {-0.5, 0}, {-9, 6.5}})
                 .united(polygon({{-1.5, -6.5}, {7, 0}, {-1.5, 6.5}}))
                 .united(rect(6.5, -6.5, 2.6, 13, 0.5));
    if (!forward)
        p = QTransform::fromScale(-1, 1).map(p);
    return p;
}

Path loop()
{
    Path p = stroke(arc(6.5, 100, 250), 2.4);
    p = p.united(polygon({{-3.5, -10}, {2.5, -6.3}, {-3.2, -2.4}}));
    return p;
}

Path shuffle()
{
    Path a;
    a.moveTo(-9, -5);
    a.cubicTo(-2, -5, 0, 5, 5, 5);
    Path b;
    b.moveTo(-9, 5);
    b.cubicTo(-2, 5, 0, -5, 5, -5);
    return stroke(a, 2.2)
        .united(stroke(b, 2.2))
        .united(polygon({{4, -8.6}, {9.5, -5}, {4, -1.4}}))
        .united(polygon({{4, 1.4}, {9.5, 5}, {4, 8.6}}));
}

Path gear()
{
    Path teeth;
    for (int i = 0; i < 8; ++i) {
        QTransform m;
        m.rotate(i * 45.0);
        teeth.addPath(m.map(rect(-1.8, -9.2, 3.6, 5, 0.6)));
    }
    Path body = circle(0, 0, 6.6).united(teeth);
    return body.subtracted(circle(0, 0, 2.6));
}

Path power()
{
    return stroke(arc(6.8, 120, 300), 2.6).united(polyline({{0, -9}, {0, -1.5}}, 2.6));
}

Path folder()
{
    Path back = rect(-9, -6.5, 8, 4, 1).united(rect(-9, -4.5, 18, 12, 1));
    Path flap = polygon({{-7, -1}, {10, -1}, {8, 7.5}, {-9, 7.5}});
    return back.subtracted(rect(-7.6, -3, 15.2, 9, 0.5)).united(flap);
}

Path disk()
{
    Path body = polygon({{-8, -8}, {5, -8}, {8, -5}, {8, 8}, {-8, 8}});
    body = body.subtracted(rect(-4.5, -8, 8, 5.5, 0.4)).united(rect(0.8, -7, 1.8, 3.4, 0.2));
    return body.subtracted(rect(-5, 1.5, 10, 6.5, 0.6));
}

Path cd()
{
    return circle(0, 0, 8.6)
        .subtracted(circle(0, 0, 2.3))
        .subtracted(stroke(arc(5.6, 100, 60), 1.0));
}

Path document()
{
    Path page = polygon({{-6.5, -8.5}, {3, -8.5}, {6.5, -5}, {6.5, 8.5}, {-6.5, 8.5}});
    for (qreal y : {-3.0, 0.5, 4.0})
        page = page.subtracted(rect(-4, y, 8, 1.6, 0.3));
    return page;
}

Path trash()
{
    Path can = polygon({{-6, -4}, {6, -4}, {5, 8.5}, {-5, 8.5}});
    for (qreal x : {-2.5, 0.0, 2.5})
        can = can.subtracted(rect(x - 0.6, -1.5, 1.2, 8, 0.3));
    return can.united(rect(-8, -7, 16, 2.2, 0.6)).united(rect(-2.5, -9, 5, 2.4, 0.6));
}

Path pencil()
{
    Path p = rect(-2, -9, 4, 13, 0.4).united(polygon({{-2, 4.6}, {2, 4.6}, {0, 9}}));
    p = p.subtracted(rect(-2.4, -5.8, 4.8, 1, 0));
    QTransform m;
    m.rotate(40);
    return m.map(p).united(rect(-8.5, 7, 9, 1.6, 0.4));
}

Path returnArrow()
{
    return polyline({{6.5, -7}, {6.5, 2}, {-3, 2}}, 2.8)
        .united(polygon({{-9, 2}, {-2.5, -3.5}, {-2.5, 7.5}}));
}

Path sectionCross()
{
    return polyline({{-8.5, -7}, {-8.5, 7}}, 2)
        .united(polyline({{8.5, -7}, {8.5, 7}}, 2))
        .united(polyline({{-4, -4}, {4, 4}}, 2.6))
        .united(polyline({{4, -4}, {-4, 4}}, 2.6));
}

Path iconPath(const QString &name, bool lit)
{
    static const std::map<QString, std::function<Path()>> icons = {
        {QStringLiteral("BUTTON_RECORD"), [] { return circle(0, 0, 6.5); }},
        {QStringLiteral("BUTTON_OPENFILE"), folder},
        {QStringLiteral("BUTTON_SAVEFILE"), disk},
        {QStringLiteral("BUTTON_LOOP"), loop},
        {QStringLiteral("BUTTON_STOP"), stop},
        {QStringLiteral("BUTTON_PLAY_NEXT"), [] { return skip(true); }},
        {QStringLiteral("BUTTON_PLAY_BACK"), [] { return skip(false); }},
        {QStringLiteral("BUTTON_RANDOM"), shuffle},
        {QStringLiteral("BUTTON_TOOL"), gear},
        {QStringLiteral("BUTTON_HELP"), [] { return text(QStringLiteral("?"), 15); }},
        {QStringLiteral("BUTTON_CD_HELP"), [] { return text(QStringLiteral("?"), 15); }},
        {QStringLiteral("BUTTON_POWER"), power},
        {QStringLiteral("BUTTON_A"), [] { return text(QStringLiteral("A"), 14); }},
        {QStringLiteral("BUTTON_B"), [] { return text(QStringLiteral("B"), 14); }},
        {QStringLiteral("BUTTON_DEL_AB"), sectionCross},
        {QStringLiteral("BUTTON_SPEEDUP"), [] { return text(QStringLiteral("+"), 13); }},
        {QStringLiteral("BUTTON_SPEEDDOWN"), [] { return rect(-6.5, -1.5, 13, 3, 0.6); }},
        {QStringLiteral("BUTTON_PITCHUP"), [] { return text(QString(QChar(0x266F)), 16); }},
        {QStringLiteral("BUTTON_PITCHDOWN"), [] { return text(QString(QChar(0x266D)), 16); }},
        {QStringLiteral("BUTTON_WRITE"), document},
        {QStringLiteral("BUTTON_DEL_FILE"), trash},
        {QStringLiteral("BUTTON_LISTUP"),
         [] {
             return polygon({{0, -7}, {8, 5}, {-8, 5}});
         }},
        {QStringLiteral("BUTTON_LISTDOWN"),
         [] {
             return polygon({{0, 7}, {8, -5}, {-8, -5}});
         }},
        {QStringLiteral("BUTTON_CD"), cd},
        {QStringLiteral("BUTTON_RETURN"), returnArrow},
        {QStringLiteral("BUTTON_CHECK_ON"), check},
        {QStringLiteral("BUTTON_CHECK_OFF"),
         [] { return stroke(rect(-6.5, -6.5, 13, 13, 1), 2.2); }},
        {QStringLiteral("BUTTON_EDIT_FILENAME"), pencil},
        {QStringLiteral("BUTTON_SAVE"), pencil},
        {QStringLiteral("BUTTON_CANCEL"), cross},
        {QStringLiteral("BUTTON_OK"), check},
    };
    // The play buttons show what a press will do next: pause while playing, stop while the
    // CD plays.
    if (name == QLatin1String("BUTTON_PLAY"))
        return lit ? pause() : play();
    if (name == QLatin1String("BUTTON_PLAY_CD"))
        return lit ? stop() : play();
    const auto it = icons.find(name);
    return it == icons.end() ? circle(0, 0, 3) : it->second();
}

QColor iconColour(const QString &name, Look look)
{
    if (name == QLatin1String("BUTTON_RECORD"))
        return isLit(look) ? QColor(255, 70, 60) : QColor(210, 40, 48);
    if (name == QLatin1String("BUTTON_CANCEL"))
        return QColor(255, 150, 140);
    if (name == QLatin1String("BUTTON_OK") || name == QLatin1String("BUTTON_CHECK_ON"))
        return QColor(150, 255, 170);
    if (isLit(look))
        return QColor(255, 226, 130);
    return isPressed(look) ? QColor(196, 220, 250) : QColor(242, 248, 255);
}

} // namespace

void drawIcon(QPainter &p, const QString &name, QPointF c, qreal r, Look look)
{
    QTransform m;
    m.translate(c.x(), c.y());
    m.scale(r / 10, r / 10);
    const Path path = m.map(iconPath(name, isLit(look)));
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 24, 170));
    p.drawPath(path.translated(0.5, 0.8));
    p.setBrush(iconColour(name, look));
    p.drawPath(path);
    p.restore();
}

} // namespace SkinArt
