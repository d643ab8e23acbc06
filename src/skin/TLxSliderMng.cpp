#include "skin/TLxSliderMng.h"

int TLxSliderMng::AddSlider(std::unique_ptr<TLxSlider> slider)
{
    m_sliders.push_back(std::move(slider));
    return Count() - 1;
}

void TLxSliderMng::DrawAll()
{
    for (const auto &slider : m_sliders)
        slider->Redraw();
}

void TLxSliderMng::DrawAll(const QRect &clip)
{
    for (const auto &slider : m_sliders) {
        if (slider->GetThumbArea().intersects(clip))
            slider->Redraw();
    }
}

TLxSlider *TLxSliderMng::SliderAt(int x, int y) const
{
    for (const auto &slider : m_sliders) {
        if (slider->InThumb(x, y))
            return slider.get();
    }
    return nullptr;
}

int TLxSliderMng::PressAt(int x, int y)
{
    int last = 0;
    for (int i = 0; i < Count(); ++i) {
        if (Slider(i)->TryPress(x, y))
            last = i + 1;
    }
    return last;
}

TLxSlider *TLxSliderMng::DragTo(int x, int y, bool force)
{
    for (const auto &slider : m_sliders) {
        if (slider->IsPressed()) {
            slider->DragTo(x, y, force);
            return slider.get();
        }
    }
    return nullptr;
}

TLxSlider *TLxSliderMng::Release()
{
    for (const auto &slider : m_sliders) {
        if (slider->ReleasePress())
            return slider.get();
    }
    return nullptr;
}

TLxSlider *TLxSliderMng::Find(QStringView name) const
{
    for (const auto &slider : m_sliders) {
        if (slider->Name == name)
            return slider.get();
    }
    return nullptr;
}
