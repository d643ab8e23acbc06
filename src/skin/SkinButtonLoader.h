#pragma once

#include "skin/SkinLayout.h"

#include <QString>

#include <cstddef>
#include <functional>

class PaintSurface;
class TLxButtonMng;

// The hints of one skin button: `off` for every button, `on` for a toggle switched on.
struct SkinButtonHint {
    QString off;
    QString on;
};

// Loads a window's skin images into its button manager and adds one enabled button per button
// of the layout, in layout order: toggles for toggle buttons, auto-repeat for repeat buttons.
// `hintOf` gives the hints of the button at each index. UI thread.
void loadSkinButtons(TLxButtonMng &buttons, PaintSurface *paintBox,
                     const SkinLayout::Window &layout,
                     const std::function<SkinButtonHint(std::size_t index,
                                                        const SkinLayout::Button &button)> &hintOf);
