#include "skin/SkinLayout.h"

namespace SkinLayout {
namespace {

QString s(const char *text)
{
    return QString::fromLatin1(text);
}

// A button whose hit circle has the given radius and centre.
Button button(const char *name, Kind kind, int left, int top, int size, int cx, int cy, int radius)
{
    return {s(name), kind, left, top, size, size, cx, cy, radius};
}

Slider slider(const char *name, int x, int y, int length, bool vertical = false)
{
    return {s(name), x, y, length, vertical};
}

Window makeMainWindow()
{
    constexpr Kind P = Kind::Push, T = Kind::Toggle, R = Kind::Repeat;
    Window w{
        s("main"),       {481, 353}, {456, 345}, s("MMPOF1.DAT"), s("MMPON1.DAT"), s("MMPOF2.DAT"),
        s("MMPON2.DAT"), {},         {}};
    w.buttons = {
        button("BUTTON_RECORD", T, 6, 11, 36, 23, 28, 16),
        button("BUTTON_OPENFILE", P, 41, 11, 36, 58, 28, 16),
        button("BUTTON_SAVEFILE", P, 76, 11, 36, 93, 28, 16),
        button("BUTTON_LOOP", T, 121, 11, 36, 138, 28, 16),
        button("BUTTON_PLAY", T, 156, 11, 36, 173, 28, 16),
        button("BUTTON_STOP", P, 191, 11, 36, 208, 28, 16),
        button("BUTTON_PLAY_NEXT", P, 261, 11, 36, 278, 28, 16),
        button("BUTTON_PLAY_BACK", P, 226, 11, 36, 243, 28, 16),
        button("BUTTON_RANDOM", T, 303, 11, 36, 320, 28, 16),
        button("BUTTON_TOOL", P, 346, 11, 36, 363, 28, 16),
        button("BUTTON_HELP", P, 381, 11, 36, 398, 28, 16),
        button("BUTTON_POWER", P, 416, 11, 36, 433, 28, 16),
        button("BUTTON_A", P, 29, 83, 30, 45, 99, 13),
        button("BUTTON_B", P, 64, 83, 30, 80, 99, 13),
        button("BUTTON_DEL_AB", P, 99, 83, 30, 115, 99, 13),
        button("BUTTON_SPEEDUP", R, 54, 124, 30, 70, 140, 13),
        button("BUTTON_SPEEDDOWN", R, 19, 124, 30, 35, 140, 13),
        button("BUTTON_SPEED_0", P, 138, 131, 16, 145, 138, 7),
        button("BUTTON_PITCHUP", R, 45, 165, 30, 61, 181, 13),
        button("BUTTON_PITCHDOWN", R, 11, 165, 30, 27, 181, 13),
        button("BUTTON_PAN_0", P, 18, 57, 16, 25, 64, 7),
        button("BUTTON_DEL_AB_ALL", P, 138, 90, 16, 145, 97, 7),
        button("BUTTON_PITCH_0", P, 138, 173, 16, 145, 180, 7),
        button("BUTTON_REVERB_0", P, 328, 213, 16, 335, 220, 7),
        button("BUTTON_EQ_0", P, 329, 250, 16, 336, 257, 7),
        button("BUTTON_WRITE", P, 15, 214, 27, 28, 228, 12),
        button("BUTTON_DEL_FILE", P, 15, 242, 27, 28, 256, 12),
        button("BUTTON_LISTUP", R, 15, 270, 27, 28, 284, 12),
        button("BUTTON_LISTDOWN", R, 15, 298, 27, 28, 312, 12),
    };
    // The equaliser and reverb tracks really are 67 and 68 pixels long.
    w.sliders = {
        slider("SLIDER_EQ_250", 340, 271, 67),
        slider("SLIDER_EQ_500", 340, 281, 67),
        slider("SLIDER_EQ_1000", 340, 291, 67),
        slider("SLIDER_EQ_2000", 340, 301, 67),
        slider("SLIDER_EQ_4000", 340, 311, 67),
        slider("SLIDER_EQ_8000", 340, 321, 67),
        slider("SLIDER_VOLUME", 437, 218, 107, true),
        slider("SLIDER_PITCH", 18, 202, 416),
        slider("SLIDER_SPEED", 18, 160, 416),
        slider("SLIDER_PLAY", 18, 119, 416),
        slider("SLIDER_PAN", 18, 78, 416),
        slider("SLIDER_REVERB", 340, 236, 68),
    };
    return w;
}

Window makeCdDialog()
{
    constexpr Kind P = Kind::Push, T = Kind::Toggle;
    Window w{s("cd"),
             {281, 313},
             {278, 312},
             s("MMPROF1.DAT"),
             s("MMPRON1.DAT"),
             s("MMPROF2.DAT"),
             s("MMPRON2.DAT"),
             {},
             {}};
    w.buttons = {
        button("BUTTON_CD", P, 12, 11, 35, 30, 30, 15),
        button("BUTTON_RECORD", T, 47, 11, 35, 65, 30, 15),
        button("BUTTON_PLAY_CD", T, 82, 11, 35, 100, 30, 15),
        button("BUTTON_CD_HELP", P, 190, 11, 35, 208, 30, 15),
        button("BUTTON_RETURN", P, 225, 11, 35, 243, 30, 15),
        button("BUTTON_CHECK_ON", P, 12, 100, 27, 24, 112, 15),
        button("BUTTON_CHECK_OFF", P, 12, 128, 27, 24, 140, 15),
        button("BUTTON_EDIT_FILENAME", P, 12, 156, 27, 24, 168, 15),
    };
    w.sliders = {slider("SLIDER_VOLUME", 263, 100, 134, true),
                 slider("SLIDER_POSITION", 20, 293, 220)};
    return w;
}

Window makePropertyDialog()
{
    constexpr Kind P = Kind::Push;
    Window w{s("property"),
             {505, 97},
             {500, 89},
             s("PDLGOF1.DAT"),
             s("PDLGON1.DAT"),
             s("PDLGOF1.DAT"),
             s("PDLGON1.DAT"),
             {},
             {}};
    w.buttons = {
        button("BUTTON_CANCEL", P, 459, 3, 37, 478, 23, 15),
        button("BUTTON_OK", P, 459, 42, 37, 478, 62, 15),
        button("BUTTON_SAVE", P, 8, 1, 37, 27, 21, 15),
    };
    return w;
}

Window makeCdNameDialog()
{
    constexpr Kind P = Kind::Push;
    Window w{s("cdname"),
             {361, 97},
             {307, 88},
             s("CDPDLGOF1.DAT"),
             s("CDPDLGON1.DAT"),
             s("CDPDLGOF1.DAT"),
             s("CDPDLGON1.DAT"),
             {},
             {}};
    w.buttons = {
        button("BUTTON_CANCEL", P, 259, 3, 37, 278, 23, 15),
        button("BUTTON_OK", P, 259, 43, 37, 278, 63, 15),
    };
    return w;
}

} // namespace

const Window &mainWindow()
{
    static const Window w = makeMainWindow();
    return w;
}

const Window &cdDialog()
{
    static const Window w = makeCdDialog();
    return w;
}

const Window &propertyDialog()
{
    static const Window w = makePropertyDialog();
    return w;
}

const Window &cdNameDialog()
{
    static const Window w = makeCdNameDialog();
    return w;
}

std::vector<const Window *> allWindows()
{
    return {&mainWindow(), &cdDialog(), &propertyDialog(), &cdNameDialog()};
}

} // namespace SkinLayout
