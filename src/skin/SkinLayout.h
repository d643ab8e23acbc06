#pragma once

#include <QSize>
#include <QString>

#include <vector>

// Where every skin button and slider track lies in each skinned window. The windows build
// their controls from these tables and the skin generator draws the images from them, so the
// artwork and the hit areas cannot drift apart.
namespace SkinLayout {

enum class Kind { Push, Toggle, Repeat };

struct Button {
    QString name;
    Kind kind = Kind::Push;
    int left = 0, top = 0, width = 0, height = 0; // image rectangle (SetImageRect)
    int centerX = 0, centerY = 0, radius = 0;     // hit circle (SetHitCircle)
};

struct Slider {
    QString name;
    int x = 0, y = 0, length = 0;
    bool vertical = false;
};

struct Window {
    QString id;       // short name for tools and tests: "main", "cd", "property", "cdname"
    QSize paintSize;  // the paint box, and so the size of every state image
    QSize clientSize; // the part of the paint box the window shows
    QString upFile;   // also the background
    QString downFile;
    QString onUpFile; // same as upFile for windows without two-state buttons
    QString onDownFile;
    std::vector<Button> buttons; // in the order they are added to the manager
    std::vector<Slider> sliders; // likewise
};

const Window &mainWindow();
const Window &cdDialog();
const Window &propertyDialog();
const Window &cdNameDialog();
std::vector<const Window *> allWindows();

inline const QString ThumbFile = QStringLiteral("MSL.DAT");
inline const QString SelectedLineFile = QStringLiteral("MLBSEL.DAT");
inline const QString NormalLineFile = QStringLiteral("MLBNSEL.DAT");
inline constexpr QSize ThumbSize{9, 9};
inline constexpr QSize LineMarkSize{16, 17}; // one play-list line high; the text starts 18 px in

} // namespace SkinLayout
