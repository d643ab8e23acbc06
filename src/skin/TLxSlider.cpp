#include "skin/TLxSlider.h"

#include "common/PaintSurface.h"
#include "skin/SkinImage.h"

void TLxSlider::Init(const QString &name, PaintSurface *paintBox, int x, int y, int length,
                     bool vertical, const QImage *background, const QString &thumbFile)
{
    Name = name;
    m_paintBox = paintBox;
    m_track = {x, y, length, vertical};
    m_background = background;
    m_thumb = SkinImage::load(thumbFile);
}

void TLxSlider::SetRange(qint64 min, qint64 max)
{
    m_min = min;
    m_max = max;
}

void TLxSlider::SetValue(qint64 v)
{
    if (v < m_min || v > m_max)
        return;
    m_value = v;
    if (m_max == m_min)
        return;
    const QPoint centre = m_track.thumbCentre(v, m_min, m_max);
    DrawThumb(centre.x(), centre.y());
}

void TLxSlider::Redraw()
{
    m_thumbDrawn = false;
    SetValue(m_value);
}

void TLxSlider::DrawThumb(int cx, int cy)
{
    const QPoint topLeft = SkinGeometry::thumbTopLeft({cx, cy}, m_thumb.size());
    if (m_thumbDrawn && topLeft == ThumbPos())
        return;
    if (!m_paintBox)
        return;
    QImage &canvas = m_paintBox->canvas();
    QRect changed(topLeft, m_thumb.size());
    if (m_thumbDrawn && m_background) {
        const QRect old(ThumbPos(), m_thumb.size());
        SkinImage::copyArea(canvas, *m_background, old, old.topLeft());
        changed |= old;
    }
    m_thumbDrawn = true;
    m_thumbX = topLeft.x();
    m_thumbY = topLeft.y();
    SkinImage::drawTransparent(canvas, m_thumb, topLeft, qRgb(0, 0, 0));
    m_paintBox->canvasChanged(changed);
}

QRect TLxSlider::GetThumbArea() const
{
    return m_track.thumbArea(m_thumb.size());
}

bool TLxSlider::InThumb(int x, int y) const
{
    return SkinGeometry::inThumb(ThumbPos(), m_thumb.size(), {x, y});
}

bool TLxSlider::TryPress(int x, int y)
{
    if (Locked)
        return false;
    if (!InThumb(x, y) && !m_track.inPressArea({x, y}))
        return false;
    m_pressed = true;
    m_dragX = x;
    m_dragY = y;
    return true;
}

void TLxSlider::DragTo(int x, int y, bool force)
{
    if (!m_pressed)
        return;
    if (m_track.vertical) {
        // A vertical drag to the same row is never repeated, forced or not.
        if (y == m_dragY || y < m_track.y0 || y > m_track.y1())
            return;
        m_dragY = y;
        DrawThumb(m_track.x0, y);
    } else {
        if ((x == m_dragX && !force) || x < m_track.x0 || x > m_track.x1())
            return;
        m_dragX = x;
        DrawThumb(x, m_track.y0);
    }
    // The thumb first follows the mouse exactly, then settles on the value's own pixel.
    applyValueAt(x, y);
}

bool TLxSlider::ReleasePress()
{
    const bool wasPressed = m_pressed;
    if (wasPressed)
        applyValueAt(m_dragX, m_dragY);
    m_pressed = false;
    return wasPressed;
}

void TLxSlider::applyValueAt(int x, int y)
{
    SetValue(m_track.valueAt({x, y}, m_min, m_max));
}
