#include "skin/SkinImage.h"

#include "common/AppPaths.h"

#include <QFileInfo>
#include <QImageReader>

SkinFileError::SkinFileError(const QString &fileName, const QString &reason)
    : std::runtime_error(QStringLiteral("%1: %2").arg(fileName, reason).toStdString()),
      m_fileName(fileName)
{
}

namespace SkinImage {

QString skinFilePath(const QString &name)
{
    return quillmere::AppPaths::dataFile(QStringLiteral("Skin/") + name);
}

QImage load(const QString &path)
{
    if (!QFileInfo(path).isFile())
        throw SkinFileError(path, QStringLiteral("file not found"));
    // The ".DAT" extension says nothing about the format: insist on BMP.
    QImageReader reader(path, "BMP");
    reader.setDecideFormatFromContent(false);
    QImage image = reader.read();
    if (image.isNull())
        throw SkinFileError(path,
                            QStringLiteral("not a valid BMP image (%1)").arg(reader.errorString()));
    return image.convertToFormat(QImage::Format_RGB32);
}

void copyArea(QImage &canvas, const QImage &source, const QRect &area, QPoint dest)
{
    const QRect from = area.intersected(source.rect());
    for (int row = from.top(); row <= from.bottom(); ++row) {
        const int y = dest.y() + row - area.top();
        if (y < 0 || y >= canvas.height())
            continue;
        for (int col = from.left(); col <= from.right(); ++col) {
            const int x = dest.x() + col - area.left();
            if (x >= 0 && x < canvas.width())
                canvas.setPixel(x, y, source.pixel(col, row));
        }
    }
}

void drawTransparent(QImage &canvas, const QImage &image, QPoint topLeft, QRgb transparent)
{
    const QRgb key = qRgb(qRed(transparent), qGreen(transparent), qBlue(transparent));
    for (int row = 0; row < image.height(); ++row) {
        for (int col = 0; col < image.width(); ++col) {
            const QRgb pixel = image.pixel(col, row) | 0xFF000000u;
            const QPoint at = topLeft + QPoint(col, row);
            if (pixel != key && canvas.rect().contains(at))
                canvas.setPixel(at, pixel);
        }
    }
}

} // namespace SkinImage
