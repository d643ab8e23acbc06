#include "skin/ImageFill.h"

#include <algorithm>
#include <cstring>

namespace ImageFill {

void fillRect(QImage &image, const QRect &rect, QRgb colour)
{
    const QRect clipped = rect.intersected(image.rect());
    if (clipped.isEmpty())
        return;
    for (int row = clipped.top(); row <= clipped.bottom(); ++row) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(row));
        std::fill(line + clipped.left(), line + clipped.right() + 1, colour);
    }
}

void copyAtOrigin(const QImage &source, QImage &target)
{
    const int width = std::min(source.width(), target.width());
    const int height = std::min(source.height(), target.height());
    if (width <= 0 || height <= 0)
        return;
    const auto bytes = static_cast<size_t>(width) * sizeof(QRgb);
    for (int row = 0; row < height; ++row)
        std::memcpy(target.scanLine(row), source.constScanLine(row), bytes);
}

} // namespace ImageFill
