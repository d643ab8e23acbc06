#pragma once

#include "common/PaintSurface.h"

#include <QWidget>

#include <functional>

// A paint box: a widget that shows a canvas in skin pixels, every pixel a sharp square at the
// screen's whole-number scale. Mouse events and hint requests come back in skin pixels, so the
// window's hit tests never see the scale. UI thread only.
class SkinPaintBox : public QWidget, public PaintSurface {
public:
    struct Hint {
        QString text; // empty: no hint here
        QRect area;   // skin pixels; the hint goes away when the mouse leaves it
    };
    using MouseHandler = std::function<void(QPoint skinPos, Qt::KeyboardModifiers)>;

    SkinPaintBox(QSize skinSize, QWidget *parent);

    // The hint colours of every skinned window, black on aqua. Hints are application-wide, so
    // this holds for all windows from the first call on.
    static void useHintColours();

    QImage &canvas() override { return m_canvas; }
    void canvasChanged() override { update(); }
    // One logical pixel more all round: at a fractional device pixel ratio the rounded
    // rectangle can fall a pixel short of the skin pixels' edge.
    void canvasChanged(const QRect &skinRect) override
    {
        update(logicalRect(skinRect).adjusted(-1, -1, 1, 1));
    }

    // Places the box at a rectangle given in the parent's skin pixels.
    void placeAt(const QRect &skinRect);
    // The logical size that shows skinSize on this screen.
    QSize logicalSizeFor(QSize skinSize) const;
    // A rectangle in skin pixels, in this widget's logical pixels.
    QRect logicalRect(const QRect &skinRect) const;

    MouseHandler onMouseDown; // left button only
    MouseHandler onMouseMove; // while the left button is held
    MouseHandler onMouseUp;
    std::function<Hint(QPoint skinPos)> hintAt;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    bool event(QEvent *event) override;

private:
    QPoint skinPos(QPointF logical) const;

    QImage m_canvas;
};
