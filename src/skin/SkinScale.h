#pragma once

#include <QImage>
#include <QPoint>
#include <QPointF>
#include <QRect>
#include <QSize>

class QPainter;

// HiDPI: a skin is shown at a whole-number scale (the device pixel ratio rounded, at least 1)
// with every skin pixel a sharp square of device pixels, never smoothed. Mouse positions
// come back as the skin pixel under them, so hit tests stay exact at every scale.
namespace SkinScale {

int scaleFor(qreal devicePixelRatio);
// The widget size in logical pixels that shows skinSize at that scale.
QSize logicalSize(QSize skinSize, qreal devicePixelRatio);
// The skin pixel under a mouse position given in logical pixels.
QPoint toSkinPixel(QPointF logicalPos, qreal devicePixelRatio);
// Draws the skin image at (0, 0) of a painter whose device has that pixel ratio; only the skin
// pixels under logicalClip (the region being repainted) are scaled and drawn.
void paint(QPainter &painter, const QImage &skin, qreal devicePixelRatio, const QRect &logicalClip);

} // namespace SkinScale
