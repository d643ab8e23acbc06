#include "SkinArt.h"

#include <QLinearGradient>
#include <QPainterPath>

// The background of each window: ground, group panels, slider grooves, labels and the frames
// around the ordinary controls that sit on the skin.
namespace SkinArt {
namespace {

using namespace Colour;

const SkinLayout::Slider &slider(const SkinLayout::Window &w, const char *name)
{
    for (const auto &s : w.sliders) {
        if (s.name == QLatin1String(name))
            return s;
    }
    qFatal("no slider %s", name);
}

void drawLogo(QPainter &p, QPointF at, int px)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(px);
    font.setBold(true);
    font.setItalic(true);
    font.setLetterSpacing(QFont::AbsoluteSpacing, 0.5);
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.addText(at, font, QStringLiteral("Quillmere"));
    QLinearGradient fill(0, at.y() - px, 0, at.y());
    fill.setColorAt(0, White);
    fill.setColorAt(1, Aqua);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 30, 160));
    p.drawPath(path.translated(1, 1));
    p.setBrush(fill);
    p.drawPath(path);
    p.restore();
}

void drawMainWindow(QPainter &p, const SkinLayout::Window &w)
{
    drawGroupPanel(p, QRectF(3, 7, 450, 45));
    for (int x : {116, 300, 342}) {
        p.fillRect(QRect(x, 13, 1, 33), QColor(0, 0, 40));
        p.fillRect(QRect(x + 1, 13, 1, 33), QColor(80, 110, 210));
    }
    // Balance.
    drawLabel(p, QStringLiteral("左右バランス"), 38, 59, 11, Aqua);
    drawLabel(p, QStringLiteral("L"), 5, 73, 9, Sky);
    drawLabel(p, QStringLiteral("R"), 443, 73, 9, Sky);
    drawGroove(p, slider(w, "SLIDER_PAN"), -100, 100, {-100, 0, 100});
    drawLogo(p, QPointF(330, 71), 17);
    // Position, A-B sections and times.
    drawLabel(p, QStringLiteral("再生位置"), 157, 94, 9, Sky);
    drawFieldFrame(p, 198, 91, 33, 14);
    drawFieldFrame(p, 240, 91, 33, 14);
    drawLabel(p, QStringLiteral("/"), 233, 92, 10, Sky);
    drawFieldFrame(p, 277, 89, 162, 20);
    drawGroove(p, slider(w, "SLIDER_PLAY"), 0, 4, {0, 1, 2, 3, 4});
    // Speed and pitch.
    drawLabel(p, QStringLiteral("速度"), 94, 133, 12, Aqua);
    drawFieldFrame(p, 196, 132, 33, 14);
    drawGroove(p, slider(w, "SLIDER_SPEED"), 0, 4, {0, 1, 2, 3, 4});
    drawLabel(p, QStringLiteral("音程"), 88, 175, 12, Aqua);
    drawFieldFrame(p, 196, 174, 33, 14);
    drawGroove(p, slider(w, "SLIDER_PITCH"), -24, 24, {-24, -12, 0, 12, 24});
    // Spectrum and the logo's tag line.
    drawFieldFrame(p, 376, 130, 56, 18);
    drawLabelRight(p, QStringLiteral("Audio Player"), 432, 152, 10, Sky);
    // Play list, effects and volume.
    drawFieldFrame(p, 46, 214, 267, 116);
    drawGroupPanel(p, QRectF(318, 209, 108, 124));
    drawLabel(p, QStringLiteral("リバーブ"), 348, 215, 11, Aqua);
    drawGroove(p, slider(w, "SLIDER_REVERB"), 0, 20, {0, 10, 20});
    drawLabel(p, QStringLiteral("イコライザー"), 348, 252, 11, Aqua);
    p.fillRect(QRect(374, 267, 1, 58), QColor(0, 200, 255, 90)); // the 0 dB line
    const char *bands[] = {"250", "500", "1k", "2k", "4k", "8k"};
    for (int i = 0; i < 6; ++i) {
        const auto &eq = w.sliders[static_cast<size_t>(i)];
        drawGroove(p, eq, -10, 10, {});
        drawLabelRight(p, QString::fromLatin1(bands[i]), 334, eq.y - 4, 8, Sky);
    }
    drawLabel(p, QStringLiteral("Hz"), 412, 321, 8, Sky);
    drawLabel(p, QStringLiteral("音量"), 410, 212, 11, Aqua);
    drawGroove(p, slider(w, "SLIDER_VOLUME"), 0, 100, {0, 25, 50, 75, 100});
}

void drawCdDialog(QPainter &p, const SkinLayout::Window &w)
{
    drawGroupPanel(p, QRectF(3, 6, 272, 45));
    drawFieldFrame(p, 126, 19, 59, 20);
    drawLabel(p, QStringLiteral("CDドライブ"), 14, 50, 10, Sky);
    drawFieldFrame(p, 12, 62, 255, 20);
    drawLabel(p, QStringLiteral("音量"), 252, 85, 9, Aqua);
    drawFieldFrame(p, 45, 94, 202, 148);
    drawGroove(p, slider(w, "SLIDER_VOLUME"), 0, 100, {0, 25, 50, 75, 100});
    drawFieldFrame(p, 16, 260, 225, 12);
    drawLabel(p, QStringLiteral("再生位置"), 20, 277, 10, Aqua);
    drawGroove(p, slider(w, "SLIDER_POSITION"), 0, 4, {0, 1, 2, 3, 4});
}

void drawPropertyDialog(QPainter &p)
{
    drawLabel(p, QStringLiteral("ファイル"), 52, 2, 10, Sky);
    drawFieldFrame(p, 51, 16, 397, 16);
    p.fillRect(QRect(12, 43, 436, 1), QColor(0, 0, 40));
    p.fillRect(QRect(12, 44, 436, 1), QColor(80, 110, 210));
    drawLabel(p, QStringLiteral("情報"), 52, 46, 9, Sky);
    drawFieldFrame(p, 51, 58, 87, 16);
    drawFieldFrame(p, 167, 58, 88, 16);
    drawFieldFrame(p, 285, 58, 163, 16);
    p.fillRect(QRect(453, 6, 1, 70), QColor(0, 0, 40));
    p.fillRect(QRect(454, 6, 1, 70), QColor(80, 110, 210));
}

void drawCdNameDialog(QPainter &p)
{
    drawLabel(p, QStringLiteral("録音ファイル名"), 17, 2, 10, Sky);
    drawFieldFrame(p, 16, 16, 235, 16);
    drawLabel(p, QStringLiteral("長さ"), 17, 45, 9, Sky);
    drawFieldFrame(p, 16, 58, 86, 16);
    p.fillRect(QRect(253, 6, 1, 72), QColor(0, 0, 40));
    p.fillRect(QRect(254, 6, 1, 72), QColor(80, 110, 210));
}

} // namespace

QImage drawBackground(const SkinLayout::Window &w)
{
    QImage image(w.paintSize, QImage::Format_RGB32);
    QPainter p(&image);
    drawGround(p, w.paintSize, w.clientSize);
    if (w.id == QLatin1String("main"))
        drawMainWindow(p, w);
    else if (w.id == QLatin1String("cd"))
        drawCdDialog(p, w);
    else if (w.id == QLatin1String("property"))
        drawPropertyDialog(p);
    else
        drawCdNameDialog(p);
    return image;
}

} // namespace SkinArt
