#pragma once

#include <QImage>
#include <QRect>

// Allocation-free drawing on Format_RGB32 images, clipped to the image. UI thread only.
namespace ImageFill {

// Fills rect (right and bottom edges excluded, as QRect(x, y, w, h) describes it).
void fillRect(QImage &image, const QRect &rect, QRgb colour);
// Copies the whole of source into target with its top-left corner at (0, 0).
void copyAtOrigin(const QImage &source, QImage &target);

} // namespace ImageFill
