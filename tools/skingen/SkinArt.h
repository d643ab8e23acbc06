#pragma once

#include "skin/SkinLayout.h"

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QRectF>

// The skin's artwork, drawn with QPainter. Every image is one window's paint area; buttons are
// drawn only inside their image rectangles, so the state images differ nowhere else.
namespace SkinArt {

// The four looks a button can have, one per state image.
enum class Look { Released, Pressed, On, OnPressed };
inline bool isPressed(Look l)
{
    return l == Look::Pressed || l == Look::OnPressed;
}
inline bool isLit(Look l)
{
    return l == Look::On || l == Look::OnPressed;
}

namespace Colour {
inline const QColor Navy{0, 0, 128};
inline const QColor DeepNavy{2, 4, 44};
inline const QColor Aqua{0, 255, 255};
inline const QColor Sky{135, 206, 250};
inline const QColor White{255, 255, 255};
inline const QColor Groove{3, 6, 30};
inline const QColor BevelLight{96, 128, 220};
inline const QColor BevelDark{0, 0, 36};
inline const QColor Amber{255, 176, 32};
} // namespace Colour

// ---- panel pieces (Panel.cpp)
// The window's ground: navy, darker towards the edges, with a bevel around the client area.
void drawGround(QPainter &p, QSize paintSize, QSize clientSize);
// A slightly raised group panel with rounded corners.
void drawGroupPanel(QPainter &p, const QRectF &r);
// A sunken frame just outside the rectangle of a child control (left, top, width, height).
void drawFieldFrame(QPainter &p, int left, int top, int width, int height);
// The recessed groove of a slider track, with tick marks at the given values of min..max.
void drawGroove(QPainter &p, const SkinLayout::Slider &s, int min, int max,
                std::initializer_list<int> ticks);
// Text in the Japanese gothic face, pixel size px, with its top-left corner at (x, y).
void drawLabel(QPainter &p, const QString &text, int x, int y, int px, const QColor &colour);
void drawLabelRight(QPainter &p, const QString &text, int right, int y, int px,
                    const QColor &colour);
QFont labelFont(int px);

// ---- buttons (Buttons.cpp)
// Draws a button of the layout in the given look, clipped to its image rectangle.
void drawButton(QPainter &p, const SkinLayout::Button &b, Look look);

// ---- icons (Icons.cpp)
// The pictogram of the named button, centred at c, fitting a circle of radius r.
void drawIcon(QPainter &p, const QString &name, QPointF c, qreal r, Look look);

// ---- whole images (Windows.cpp, Parts.cpp)
QImage drawBackground(const SkinLayout::Window &w);
// The background with every button drawn in the look of the state image.
QImage drawStateImage(const SkinLayout::Window &w, const QImage &background, bool pressed, bool on);
QImage drawThumb();
QImage drawLineMark(bool current);

} // namespace SkinArt
