#pragma once

#include <QColor>
#include <QImage>
#include <QString>

// Skin files for tests: plain BMP images written into a test's temporary folder.
namespace skintest {

// Writes a BMP of size filled with colour to path; fails the current test on error.
void writeBmp(const QString &path, const QImage &image);
QImage filled(QSize size, QColor colour);

} // namespace skintest
