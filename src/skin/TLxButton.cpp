#include "skin/TLxButton.h"

#include "skin/SkinGeometry.h"
#include "skin/SkinImage.h"

void TLxButton::Draw(QImage &canvas, const QImage &offImage, const QImage &) const
{
    CopyImage(canvas, offImage, m_imageRect.Left, m_imageRect.Top);
}

void TLxButton::SetHitCircle(int cx, int cy, int radius)
{
    m_centerX = cx;
    m_centerY = cy;
    m_radius = radius;
}

void TLxButton::SetImageRect(int left, int top, int width, int height)
{
    m_imageRect = {left, top, left + width, top + height};
}

bool TLxButton::InCircle(int x, int y) const
{
    return SkinGeometry::inCircle(m_centerX, m_centerY, m_radius, x, y);
}

void TLxButton::CopyImage(QImage &canvas, const QImage &image, int x, int y) const
{
    SkinImage::copyArea(canvas, image, m_imageRect.area(), QPoint(x, y));
}
