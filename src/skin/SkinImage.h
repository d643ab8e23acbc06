#pragma once

#include <QImage>
#include <QRgb>
#include <QString>

#include <stdexcept>

// A skin file that is missing or is not a readable BMP. The message names the file, so the
// window whose construction fails can say which file to put back.
class SkinFileError : public std::runtime_error {
public:
    SkinFileError(const QString &fileName, const QString &reason);
    const QString &fileName() const { return m_fileName; }

private:
    QString m_fileName;
};

namespace SkinImage {

// The skin file name (such as "MMPOF1.DAT") in the "Skin" folder beside the executable when it
// is there (build tree, portable use), else in the installed data folder; when neither has it,
// the path beside the executable, so that the error names a sensible place.
QString skinFilePath(const QString &name);

// Reads a BMP whatever its extension, as Format_RGB32. Throws SkinFileError.
QImage load(const QString &path);

// Copies the pixels of area (right column and bottom row included) of source onto canvas with
// the area's top-left corner at dest. Pixels that fall outside either image are left out.
void copyArea(QImage &canvas, const QImage &source, const QRect &area, QPoint dest);

// Draws image onto canvas at topLeft, leaving out the pixels of the transparent colour.
void drawTransparent(QImage &canvas, const QImage &image, QPoint topLeft, QRgb transparent);

} // namespace SkinImage
