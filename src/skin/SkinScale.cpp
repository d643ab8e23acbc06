#include "skin/SkinScale.h"

#include "skin/SkinGeometry.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace SkinScale {

int scaleFor(qreal devicePixelRatio)
{
    return std::max(1, SkinGeometry::roundHalfEven(devicePixelRatio));
}

QSize logicalSize(QSize skinSize, qreal devicePixelRatio)
{
    const qreal scale = scaleFor(devicePixelRatio);
    // A hair below the exact quotient, so that 345 * 1 / 1.25 stays 276 and is not rounded up.
    const auto side = [&](int pixels) {
        return static_cast<int>(std::ceil(pixels * scale / devicePixelRatio - 1e-9));
    };
    return QSize(side(skinSize.width()), side(skinSize.height()));
}

QPoint toSkinPixel(QPointF logicalPos, qreal devicePixelRatio)
{
    const qreal factor = devicePixelRatio / scaleFor(devicePixelRatio);
    return QPoint(static_cast<int>(std::floor(logicalPos.x() * factor)),
                  static_cast<int>(std::floor(logicalPos.y() * factor)));
}

void paint(QPainter &painter, const QImage &skin, qreal devicePixelRatio, const QRect &logicalClip)
{
    const int scale = scaleFor(devicePixelRatio);
    // The skin pixels the clip touches, rounded outwards: a position tick repaints a thumb or
    // a text, not the whole skin.
    const qreal toSkin = devicePixelRatio / scale;
    const QRect part = QRect(QPoint(int(std::floor(logicalClip.left() * toSkin)),
                                    int(std::floor(logicalClip.top() * toSkin))),
                             QPoint(int(std::ceil((logicalClip.right() + 1) * toSkin)) - 1,
                                    int(std::ceil((logicalClip.bottom() + 1) * toSkin)) - 1))
                           .intersected(skin.rect());
    if (part.isEmpty())
        return;
    if (scale == 1 && devicePixelRatio == 1.0) {
        painter.drawImage(part.topLeft(), skin, part);
        return;
    }
    // Scaling the image by whole pixels ourselves, then telling the painter its pixel ratio,
    // puts each scaled pixel on exactly one device pixel: nothing is interpolated.
    QImage scaled =
        skin.copy(part).scaled(part.size() * scale, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    scaled.setDevicePixelRatio(devicePixelRatio);
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(QPointF(part.topLeft()) * (scale / devicePixelRatio), scaled);
    painter.restore();
}

} // namespace SkinScale
