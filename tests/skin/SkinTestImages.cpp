#include "SkinTestImages.h"

#include <gtest/gtest.h>

namespace skintest {

void writeBmp(const QString &path, const QImage &image)
{
    ASSERT_TRUE(image.save(path, "BMP")) << path.toStdString();
}

QImage filled(QSize size, QColor colour)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

} // namespace skintest
