#pragma once

#include "skin/TLxButton.h"

#include <QImage>
#include <QString>

#include <memory>
#include <vector>

class PaintSurface;

// A window's skin buttons and the four state images they are drawn from: Up (every button
// released and every two-state button off), Down (every button pressed), OnUp and OnDown (every
// two-state button on, released and pressed). The list order decides overlaps: the first
// button added wins. The window passes its mouse presses and releases here and acts on the
// name of the button that Release hands back. UI thread only.
class TLxButtonMng {
public:
    TLxButtonMng() = default;
    TLxButtonMng(const TLxButtonMng &) = delete;
    TLxButtonMng &operator=(const TLxButtonMng &) = delete;

    // Loads the images in the order background, up, down, on-up, on-down, and remembers the
    // paint box (not owned). Throws SkinFileError naming the first file that is missing or not a
    // BMP; the images loaded before it stay loaded. An empty onUpFile leaves both on images empty.
    void LoadImages(PaintSurface *paintBox, const QString &backgroundFile, const QString &upFile,
                    const QString &downFile, const QString &onUpFile, const QString &onDownFile);
    const QImage &GetBackground() const { return m_background; }

    // Takes ownership; returns the 0-based list position.
    int AddButton(std::unique_ptr<TLxButton> button);
    int Count() const { return static_cast<int>(m_buttons.size()); }
    TLxButton *Button(int i) const { return m_buttons.at(static_cast<size_t>(i)).get(); }

    // Every button in its current state, released.
    void DrawAll();
    // Draws the first enabled button hit at (x, y) pressed; its list position + 1, or 0.
    int PressAt(int x, int y);
    // The button of the last successful PressAt, drawn released (a two-state button flipped
    // first), wherever the mouse now is; nullptr when nothing was pressed.
    TLxButton *Release();
    // The first button whose circle holds (x, y), enabled or not (for hints).
    TLxButton *ButtonAt(int x, int y) const;
    int PressedIndex() const { return m_pressedIndex; }

    TLxButton *Find(QStringView name) const;
    bool IsOn(QStringView name) const;
    void Toggle(QStringView name);
    void Disable(QStringView name);
    void SetAllEnabled(bool b);

    // The main window's enabling rules after a change of the playlist or the playback state:
    // playState 1 = stopped; count = number of playlist entries; keepAB false disables the A-B
    // buttons. Nothing changes on screen.
    void UpdateButtonStates(int playState, int count, bool keepAB);

private:
    void draw(const TLxButton &button, const QImage &offImage, const QImage &onImage);

    PaintSurface *m_paintBox = nullptr;
    QImage m_up;
    QImage m_down;
    QImage m_onUp;
    QImage m_onDown;
    int m_pressedIndex = 0;
    std::vector<std::unique_ptr<TLxButton>> m_buttons;
    QImage m_background;
};
