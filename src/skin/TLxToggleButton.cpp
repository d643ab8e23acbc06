#include "skin/TLxToggleButton.h"

void TLxToggleButton::Draw(QImage &canvas, const QImage &offImage, const QImage &onImage) const
{
    const TLxImageRect r = GetImageRect();
    CopyImage(canvas, IsOn() ? onImage : offImage, r.Left, r.Top);
}
