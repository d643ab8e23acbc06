#pragma once

#include "skin/SkinGeometry.h"

#include <QImage>
#include <QRect>
#include <QString>

class PaintSurface;

// A skin slider: a thumb image moving along a straight track drawn in the window's skin
// background. The value range maps linearly onto the track; the thumb is drawn straight onto
// the paint box with black as its transparent colour and erased by copying back the
// background. Idle -> pressed (a press accepted) -> dragged -> released (value applied).
// UI thread only.
class TLxSlider {
public:
    TLxSlider() = default;
    virtual ~TLxSlider() = default;
    TLxSlider(const TLxSlider &) = delete;
    TLxSlider &operator=(const TLxSlider &) = delete;

    // Neither paintBox nor background is owned; both must outlive the slider. Throws
    // SkinFileError when the thumb file is missing or not a BMP.
    void Init(const QString &name, PaintSurface *paintBox, int x, int y, int length, bool vertical,
              const QImage *background, const QString &thumbFile);
    // 64-bit throughout: the position slider's range is a song's length in bytes.
    void SetRange(qint64 min, qint64 max);
    // Ignores values outside the range; an empty range stores the value but draws nothing.
    virtual void SetValue(qint64 v);
    qint64 GetValue() const { return m_value; }
    // Draws the thumb at its value without erasing, after the window repainted its background.
    virtual void Redraw();
    // Puts the thumb's centre at (cx, cy), erasing it where it was.
    virtual void DrawThumb(int cx, int cy);

    QRect GetThumbArea() const;
    bool InThumb(int x, int y) const;
    bool IsPressed() const { return m_pressed; }
    bool ThumbDrawn() const { return m_thumbDrawn; }
    QPoint ThumbPos() const { return {m_thumbX, m_thumbY}; }
    const SkinGeometry::SliderTrack &Track() const { return m_track; }
    qint64 Min() const { return m_min; }
    qint64 Max() const { return m_max; }

    // Accepts a press on the thumb or near the track unless locked; does not move the thumb.
    bool TryPress(int x, int y);
    // Follows a drag while pressed; force repeats a horizontal drag to the same x.
    void DragTo(int x, int y, bool force);
    // Applies the value at the last accepted point; true when the slider was pressed.
    bool ReleasePress();

    QString Name;
    QString Hint;
    bool Locked = false; // presses are refused; SetValue still moves the thumb

private:
    void applyValueAt(int x, int y);

    SkinGeometry::SliderTrack m_track;
    const QImage *m_background = nullptr;
    QImage m_thumb;
    PaintSurface *m_paintBox = nullptr;
    qint64 m_min = 0;
    qint64 m_max = 0;
    bool m_thumbDrawn = false;
    int m_thumbX = 0;
    int m_thumbY = 0;
    bool m_pressed = false;
    int m_dragX = 0;
    int m_dragY = 0;
    qint64 m_value = 0;
};
