#pragma once

#include <QImage>

// A widget area that is drawn into an image it owns and shows in its paint event, so that
// drawing code can read back the colour of a pixel. The image must use QImage::Format_RGB32.
// UI thread only.
class PaintSurface {
public:
    virtual ~PaintSurface() = default;

    virtual QImage &canvas() = 0;
    // The canvas has changed: show it at the next repaint.
    virtual void canvasChanged() = 0;
    // Only the pixels in skinRect have changed (a slider's thumb, a marker).
    virtual void canvasChanged(const QRect &skinRect)
    {
        (void)skinRect;
        canvasChanged();
    }
};

// A surface that is only an image: for off-screen drawing and tests.
class ImagePaintSurface : public PaintSurface {
public:
    explicit ImagePaintSurface(QSize size) : m_image(size, QImage::Format_RGB32)
    {
        m_image.fill(Qt::black);
    }
    QImage &canvas() override { return m_image; }
    using PaintSurface::canvasChanged;
    void canvasChanged() override { ++m_changes; }
    int changeCount() const { return m_changes; }

private:
    QImage m_image;
    int m_changes = 0;
};
