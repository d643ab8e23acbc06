#pragma once

#include "skin/TLxSlider.h"

#include <QStringView>

#include <memory>
#include <vector>

// A window's skin sliders in the order added; forwards the window's mouse events to them.
// UI thread only.
class TLxSliderMng {
public:
    TLxSliderMng() = default;
    TLxSliderMng(const TLxSliderMng &) = delete;
    TLxSliderMng &operator=(const TLxSliderMng &) = delete;

    // Takes ownership; returns the 0-based list position.
    int AddSlider(std::unique_ptr<TLxSlider> slider);
    int Count() const { return static_cast<int>(m_sliders.size()); }
    TLxSlider *Slider(int i) const { return m_sliders.at(static_cast<size_t>(i)).get(); }

    // Redraws every thumb; with a clip rectangle only the sliders whose thumb area meets it.
    void DrawAll();
    void DrawAll(const QRect &clip);
    TLxSlider *SliderAt(int x, int y) const;
    // Every slider that accepts the press becomes pressed (overlapping press areas press more
    // than one); the 1-based position of the last one, 0 if none.
    int PressAt(int x, int y);
    // The first pressed slider follows the drag and is returned; nullptr if none is pressed.
    TLxSlider *DragTo(int x, int y, bool force);
    // The first pressed slider applies its value and is returned; nullptr if none was pressed.
    TLxSlider *Release();
    TLxSlider *Find(QStringView name) const;

private:
    std::vector<std::unique_ptr<TLxSlider>> m_sliders;
};
