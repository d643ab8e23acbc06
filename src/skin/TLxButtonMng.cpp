#include "skin/TLxButtonMng.h"

#include "common/PaintSurface.h"
#include "skin/SkinImage.h"
#include "skin/TLxToggleButton.h"

void TLxButtonMng::LoadImages(PaintSurface *paintBox, const QString &backgroundFile,
                              const QString &upFile, const QString &downFile,
                              const QString &onUpFile, const QString &onDownFile)
{
    m_paintBox = paintBox;
    m_background = SkinImage::load(backgroundFile);
    m_up = SkinImage::load(upFile);
    m_down = SkinImage::load(downFile);
    if (!onUpFile.isEmpty()) {
        m_onUp = SkinImage::load(onUpFile);
        m_onDown = SkinImage::load(onDownFile);
    }
}

int TLxButtonMng::AddButton(std::unique_ptr<TLxButton> button)
{
    m_buttons.push_back(std::move(button));
    return Count() - 1;
}

void TLxButtonMng::draw(const TLxButton &button, const QImage &offImage, const QImage &onImage)
{
    if (!m_paintBox)
        return;
    button.Draw(m_paintBox->canvas(), offImage, onImage);
    m_paintBox->canvasChanged();
}

void TLxButtonMng::DrawAll()
{
    for (const auto &button : m_buttons)
        draw(*button, m_up, m_onUp);
}

int TLxButtonMng::PressAt(int x, int y)
{
    m_pressedIndex = 0;
    for (int i = 0; i < Count(); ++i) {
        if (m_buttons[static_cast<size_t>(i)]->HitTest(x, y)) {
            draw(*m_buttons[static_cast<size_t>(i)], m_down, m_onDown);
            m_pressedIndex = i + 1;
            break;
        }
    }
    return m_pressedIndex;
}

TLxButton *TLxButtonMng::Release()
{
    if (m_pressedIndex == 0)
        return nullptr;
    TLxButton *button = Button(m_pressedIndex - 1);
    if (button->IsToggle())
        static_cast<TLxToggleButton *>(button)->Toggle();
    draw(*button, m_up, m_onUp);
    m_pressedIndex = 0;
    return button;
}

TLxButton *TLxButtonMng::ButtonAt(int x, int y) const
{
    for (const auto &button : m_buttons) {
        if (button->InCircle(x, y))
            return button.get();
    }
    return nullptr;
}

TLxButton *TLxButtonMng::Find(QStringView name) const
{
    for (const auto &button : m_buttons) {
        if (button->Name == name)
            return button.get();
    }
    return nullptr;
}

bool TLxButtonMng::IsOn(QStringView name) const
{
    const TLxButton *button = Find(name);
    return button && button->IsToggle() && static_cast<const TLxToggleButton *>(button)->IsOn();
}

void TLxButtonMng::Toggle(QStringView name)
{
    TLxButton *button = Find(name);
    if (!button || !button->IsToggle())
        return;
    static_cast<TLxToggleButton *>(button)->Toggle();
    draw(*button, m_up, m_onUp);
}

void TLxButtonMng::Disable(QStringView name)
{
    if (TLxButton *button = Find(name))
        button->SetEnabled(false);
}

void TLxButtonMng::SetAllEnabled(bool b)
{
    for (const auto &button : m_buttons)
        button->SetEnabled(b);
}

void TLxButtonMng::UpdateButtonStates(int playState, int count, bool keepAB)
{
    SetAllEnabled(true);
    if (playState == 1)
        Disable(u"BUTTON_STOP");
    if (count <= 0) {
        for (const char16_t *name : {u"BUTTON_PLAY", u"BUTTON_STOP", u"BUTTON_PLAY_NEXT",
                                     u"BUTTON_PLAY_BACK", u"BUTTON_WRITE", u"BUTTON_DEL_FILE"})
            Disable(name);
    }
    if (count <= 1) {
        Disable(u"BUTTON_LISTUP");
        Disable(u"BUTTON_LISTDOWN");
    }
    if (!keepAB) {
        for (const char16_t *name : {u"BUTTON_A", u"BUTTON_B", u"BUTTON_DEL_AB"})
            Disable(name);
    }
}
