#pragma once

#include <QImage>
#include <QRect>
#include <QString>

// A button's area in the skin images and on the window. Right = Left + width and
// Bottom = Top + height, and both the Right column and the Bottom row belong to the area.
struct TLxImageRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;

    QRect area() const { return QRect(QPoint(Left, Top), QPoint(Right, Bottom)); }
};

// A skin button: a circular hit area and a rectangular area of the skin images that shows it.
// A new button is disabled and nameless; its creator sets name, hint and areas before adding
// it to the window's TLxButtonMng. UI thread only.
class TLxButton {
public:
    TLxButton() = default;
    virtual ~TLxButton() = default;
    TLxButton(const TLxButton &) = delete;
    TLxButton &operator=(const TLxButton &) = delete;

    virtual bool IsToggle() const { return false; }
    // Draws the button where it lies in the skin, from offImage (a push button always).
    virtual void Draw(QImage &canvas, const QImage &offImage, const QImage &onImage) const;

    void SetHitCircle(int cx, int cy, int radius);
    void SetImageRect(int left, int top, int width, int height);
    TLxImageRect GetImageRect() const { return m_imageRect; }
    void SetEnabled(bool b) { m_enabled = b; }
    bool Enabled() const { return m_enabled; }

    bool InCircle(int x, int y) const;
    bool HitTest(int x, int y) const { return m_enabled && InCircle(x, y); }
    // Copies the ImageRect of image to canvas with its top-left corner at (x, y).
    void CopyImage(QImage &canvas, const QImage &image, int x, int y) const;

    QString Name;
    QString Hint; // for a two-state button: the hint while off
    bool AutoRepeat = false;

    int CenterX() const { return m_centerX; }
    int CenterY() const { return m_centerY; }
    int Radius() const { return m_radius; }

private:
    int m_centerX = 0;
    int m_centerY = 0;
    int m_radius = 0;
    TLxImageRect m_imageRect;
    bool m_enabled = false;
};
