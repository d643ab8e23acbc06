#include "skin/SkinButtonLoader.h"

#include "skin/SkinImage.h"
#include "skin/TLxButtonMng.h"
#include "skin/TLxToggleButton.h"

#include <memory>

void loadSkinButtons(TLxButtonMng &buttons, PaintSurface *paintBox,
                     const SkinLayout::Window &layout,
                     const std::function<SkinButtonHint(std::size_t index,
                                                        const SkinLayout::Button &button)> &hintOf)
{
    const auto skin = [](const QString &name) { return SkinImage::skinFilePath(name); };
    buttons.LoadImages(paintBox, skin(layout.upFile), skin(layout.upFile), skin(layout.downFile),
                       skin(layout.onUpFile), skin(layout.onDownFile));
    for (std::size_t i = 0; i < layout.buttons.size(); ++i) {
        const SkinLayout::Button &b = layout.buttons[i];
        const SkinButtonHint hint = hintOf(i, b);
        std::unique_ptr<TLxButton> button;
        if (b.kind == SkinLayout::Kind::Toggle) {
            auto toggle = std::make_unique<TLxToggleButton>();
            toggle->OnHint = hint.on;
            button = std::move(toggle);
        } else {
            button = std::make_unique<TLxButton>();
        }
        button->Name = b.name;
        button->Hint = hint.off;
        button->AutoRepeat = b.kind == SkinLayout::Kind::Repeat;
        button->SetImageRect(b.left, b.top, b.width, b.height);
        button->SetHitCircle(b.centerX, b.centerY, b.radius);
        button->SetEnabled(true);
        buttons.AddButton(std::move(button));
    }
}
