#include "skin/SkinImage.h"
#include "skin/SkinLayout.h"

#include <QDir>
#include <QFile>
#include <QImageReader>

#include <gtest/gtest.h>

// Checks the skin the build generated (QUILLMERE_SKIN_DIR): every file is a BMP of the right
// size, and the state images of a window differ exactly where its buttons lie.
namespace {

QString skinFile(const QString &name)
{
    return QDir(QStringLiteral(QUILLMERE_SKIN_DIR)).filePath(name);
}

QImage loadBmp(const QString &name)
{
    QImageReader reader(skinFile(name), "BMP");
    reader.setDecideFormatFromContent(false);
    QFile file(skinFile(name));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
    EXPECT_EQ(file.read(2), QByteArray("BM")) << name.toStdString();
    QImage image = reader.read();
    EXPECT_FALSE(image.isNull()) << name.toStdString() << ": "
                                 << reader.errorString().toStdString();
    return image.convertToFormat(QImage::Format_RGB32);
}

// Pixels that differ between a and b but lie outside every given rectangle, and rectangles
// in which nothing differs.
void expectDifferencesOnlyInside(const QImage &a, const QImage &b,
                                 const std::vector<SkinLayout::Button> &buttons,
                                 const std::string &what)
{
    std::vector<QRect> areas;
    for (const auto &button : buttons)
        areas.emplace_back(button.left, button.top, button.width + 1, button.height + 1);
    int outside = 0;
    std::vector<int> inside(areas.size(), 0);
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            if (a.pixel(x, y) == b.pixel(x, y))
                continue;
            bool found = false;
            for (size_t i = 0; i < areas.size(); ++i)
                if (areas[i].contains(x, y)) {
                    ++inside[i];
                    found = true;
                }
            outside += !found;
        }
    EXPECT_EQ(outside, 0) << what;
    for (size_t i = 0; i < areas.size(); ++i)
        EXPECT_GT(inside[i], 20) << what << " " << buttons[i].name.toStdString();
}

TEST(SkinGen, EveryWindowHasItsFourStateImagesAtThePaintAreaSize)
{
    for (const SkinLayout::Window *w : SkinLayout::allWindows()) {
        SCOPED_TRACE(w->id.toStdString());
        const QImage up = loadBmp(w->upFile);
        const QImage down = loadBmp(w->downFile);
        const QImage onUp = loadBmp(w->onUpFile);
        const QImage onDown = loadBmp(w->onDownFile);
        for (const QImage *image : {&up, &down, &onUp, &onDown})
            EXPECT_EQ(image->size(), w->paintSize);
        expectDifferencesOnlyInside(up, down, w->buttons, "up/down");
        std::vector<SkinLayout::Button> toggles;
        for (const auto &b : w->buttons)
            if (b.kind == SkinLayout::Kind::Toggle)
                toggles.push_back(b);
        expectDifferencesOnlyInside(up, onUp, toggles, "up/on-up");
        expectDifferencesOnlyInside(onUp, onDown, w->buttons, "on-up/on-down");
        // The program's own reader takes them too.
        EXPECT_NO_THROW(SkinImage::load(skinFile(w->upFile)));
    }
}

TEST(SkinGen, KnobHasNoHolesAndLineMarksKeepWhiteOutside)
{
    const QImage knob = loadBmp(SkinLayout::ThumbFile);
    ASSERT_EQ(knob.size(), SkinLayout::ThumbSize);
    EXPECT_EQ(knob.pixel(0, 0), qRgb(0, 0, 0)); // transparent corner
    for (int y = 1; y < 8; ++y) {
        for (int x = 1; x < 8; ++x) {
            if ((x - 4) * (x - 4) + (y - 4) * (y - 4) <= 9) {
                EXPECT_NE(knob.pixel(x, y), qRgb(0, 0, 0)) << x << "," << y;
            }
        }
    }
    for (const QString &name : {SkinLayout::SelectedLineFile, SkinLayout::NormalLineFile}) {
        const QImage mark = loadBmp(name);
        ASSERT_EQ(mark.size(), SkinLayout::LineMarkSize);
        EXPECT_EQ(mark.pixel(0, 0), qRgb(255, 255, 255));
        EXPECT_NE(mark.pixel(7, 8), qRgb(255, 255, 255));
    }
}

TEST(SkinGen, SliderGroovesRunUnderEveryTrack)
{
    for (const SkinLayout::Window *w : SkinLayout::allWindows()) {
        const QImage up = loadBmp(w->upFile);
        for (const auto &s : w->sliders) {
            const QPoint ends[] = {
                {s.x, s.y}, s.vertical ? QPoint(s.x, s.y + s.length) : QPoint(s.x + s.length, s.y)};
            for (QPoint p : ends) {
                // The groove is darker than the navy ground at both ends of the track.
                EXPECT_LT(qBlue(up.pixel(p)), 100)
                    << s.name.toStdString() << " " << p.x() << "," << p.y();
            }
        }
    }
}

} // namespace
