#include "SkinTestImages.h"
#include "common/PaintSurface.h"
#include "skin/SkinImage.h"
#include "skin/TLxSliderMng.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QRgb Knob = qRgb(250, 120, 0);
const QRgb Repainted = qRgb(255, 0, 255);

// A background whose every pixel is different, so an erase can be checked pixel by pixel.
QImage patternedBackground(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, qRgb(x % 256, y % 256, 60 + (x / 256) * 60));
    return image;
}

class SliderTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    ImagePaintSurface box{QSize(456, 345)};
    QImage background = patternedBackground({456, 345});
    TLxSliderMng mng;
    QString thumbFile;

    void SetUp() override
    {
        // A 9 x 9 knob whose four corners are black, and so transparent.
        QImage thumb = skintest::filled({9, 9}, QColor::fromRgb(Knob));
        for (QPoint corner : {QPoint(0, 0), QPoint(8, 0), QPoint(0, 8), QPoint(8, 8)})
            thumb.setPixel(corner, qRgb(0, 0, 0));
        thumbFile = dir.filePath(QStringLiteral("MSL.DAT"));
        skintest::writeBmp(thumbFile, thumb);
        box.canvas() = background.copy();
    }

    TLxSlider *add(const char *name, int x, int y, int length, bool vertical, int min, int max,
                   int value)
    {
        auto slider = std::make_unique<TLxSlider>();
        TLxSlider *raw = slider.get();
        slider->Init(QString::fromLatin1(name), &box, x, y, length, vertical, &background,
                     thumbFile);
        slider->SetRange(min, max);
        slider->SetValue(value);
        mng.AddSlider(std::move(slider));
        return raw;
    }
    TLxSlider *pitch() { return add("SLIDER_PITCH", 18, 202, 416, false, -24, 24, 0); }

    // The thumb's centre as last drawn.
    static QPoint centre(const TLxSlider *s) { return s->ThumbPos() + QPoint(4, 4); }
    QRgb pixel(QPoint p) { return box.canvas().pixel(p); }
    // Every pixel of the 9 x 9 square at topLeft equals the background.
    bool erased(QPoint topLeft)
    {
        for (int y = 0; y < 9; ++y)
            for (int x = 0; x < 9; ++x)
                if (pixel(topLeft + QPoint(x, y)) != background.pixel(topLeft + QPoint(x, y)))
                    return false;
        return true;
    }
};

TEST_F(SliderTest, PressAndReleaseWithoutMovingSetsTheValueOfThePressedPoint)
{
    TLxSlider *s = pitch();
    s->SetValue(-10);
    EXPECT_EQ(mng.PressAt(226, 202), 1);
    EXPECT_EQ(s->GetValue(), -10); // pressing alone changes nothing
    EXPECT_EQ(mng.Release(), s);
    EXPECT_EQ(s->GetValue(), 0);
    EXPECT_FALSE(s->IsPressed());
    EXPECT_EQ(mng.PressAt(22, 200), 1);
    EXPECT_EQ(mng.Release(), s);
    EXPECT_EQ(s->GetValue(), -24);
    EXPECT_EQ(mng.Release(), nullptr);
}

TEST_F(SliderTest, SetValueDrawsTheKnobWithBlackLeftOutAndErasesTheOldOne)
{
    TLxSlider *s = pitch();
    const QPoint old = s->ThumbPos();
    EXPECT_EQ(centre(s), QPoint(226, 202));
    s->SetValue(25); // outside the range: nothing at all
    EXPECT_EQ(s->GetValue(), 0);
    EXPECT_EQ(s->ThumbPos(), old);
    s->SetValue(24);
    EXPECT_EQ(centre(s), QPoint(434, 202));
    EXPECT_TRUE(erased(old));
    EXPECT_EQ(pixel(QPoint(434, 202)), Knob);
    EXPECT_EQ(pixel(QPoint(438, 205)), Knob);                       // last column and row
    EXPECT_EQ(pixel(QPoint(430, 198)), background.pixel(430, 198)); // black corner
    EXPECT_EQ(s->GetThumbArea(), QRect(QPoint(14, 198), QPoint(438, 206)));
}

TEST_F(SliderTest, VerticalVolumeHasItsMaximumAtTheTop)
{
    TLxSlider *v = add("SLIDER_VOLUME", 437, 218, 107, true, 0, 100, 100);
    EXPECT_EQ(centre(v), QPoint(437, 218));
    v->SetValue(0);
    EXPECT_EQ(centre(v), QPoint(437, 325));
    EXPECT_EQ(mng.PressAt(433, 271), 1); // 4 pixels left of the track
    EXPECT_EQ(mng.Release(), v);
    EXPECT_EQ(v->GetValue(), 50);
}

TEST_F(SliderTest, TrackCatchesPressesFourPixelsAwayButNotFive)
{
    TLxSlider *s = pitch();
    // On the knob (its hit area reaches one past its last row) a press 5 pixels below counts.
    EXPECT_TRUE(s->InThumb(226, 207));
    EXPECT_EQ(mng.SliderAt(226, 207), s);
    EXPECT_EQ(mng.SliderAt(100, 202), nullptr);
    EXPECT_EQ(mng.PressAt(226, 207), 1);
    mng.Release();
    EXPECT_EQ(mng.PressAt(100, 198), 1);
    EXPECT_TRUE(s->IsPressed());
    mng.Release();
    EXPECT_EQ(mng.PressAt(150, 197), 0);
    EXPECT_FALSE(s->IsPressed());
    EXPECT_EQ(mng.PressAt(150, 206), 1);
}

TEST_F(SliderTest, DraggingPastTheEndKeepsTheLastPositionInsideTheTrack)
{
    TLxSlider *s = pitch();
    ASSERT_EQ(mng.PressAt(226, 202), 1);
    EXPECT_EQ(mng.DragTo(400, 230, false), s); // y is free once pressed
    EXPECT_EQ(s->GetValue(), 20);              // 48 * 382 / 416 = 44.08
    const QPoint thumb = s->ThumbPos();
    EXPECT_EQ(mng.DragTo(435, 202, false), s);
    EXPECT_EQ(mng.DragTo(600, 202, true), s);
    EXPECT_EQ(s->GetValue(), 20);
    EXPECT_EQ(s->ThumbPos(), thumb);
    EXPECT_EQ(mng.Release(), s);
    EXPECT_EQ(s->GetValue(), 20); // released at the last accepted point
    EXPECT_EQ(mng.DragTo(100, 202, false), nullptr);
}

TEST_F(SliderTest, LockedSliderRefusesPressesButFollowsSetValue)
{
    TLxSlider *s = pitch();
    s->Locked = true;
    EXPECT_EQ(mng.PressAt(226, 202), 0);
    EXPECT_EQ(mng.Release(), nullptr);
    s->SetValue(-24);
    EXPECT_EQ(centre(s), QPoint(18, 202));
}

TEST_F(SliderTest, RedrawDrawsTheKnobAgainWithoutErasingAnything)
{
    TLxSlider *s = pitch();
    const QPoint at = s->ThumbPos();
    box.canvas().fill(Repainted); // the window painted something else meanwhile
    mng.DrawAll();
    EXPECT_EQ(s->ThumbPos(), at);
    EXPECT_EQ(pixel(at + QPoint(4, 4)), Knob);
    EXPECT_EQ(pixel(at), Repainted); // black corner: nothing copied back from the background
    EXPECT_EQ(pixel(at + QPoint(9, 0)), Repainted);
    // Redrawing only where a clip rectangle needs it.
    box.canvas().fill(Repainted);
    mng.DrawAll(QRect(0, 0, 100, 100));
    EXPECT_EQ(pixel(at + QPoint(4, 4)), Repainted);
}

TEST_F(SliderTest, OverlappingPressAreasPressBothAndTheFirstIsDraggedAndReleased)
{
    TLxSlider *a = add("SLIDER_A", 20, 100, 100, false, 0, 100, 0);
    TLxSlider *b = add("SLIDER_B", 20, 106, 100, false, 0, 100, 0);
    EXPECT_EQ(mng.PressAt(70, 103), 2);
    EXPECT_TRUE(a->IsPressed());
    EXPECT_TRUE(b->IsPressed());
    EXPECT_EQ(mng.DragTo(80, 103, false), a);
    EXPECT_EQ(a->GetValue(), 60);
    EXPECT_EQ(b->GetValue(), 0);
    EXPECT_EQ(mng.Release(), a);
    EXPECT_EQ(mng.Find(u"SLIDER_B"), b);
    EXPECT_EQ(mng.Find(u"slider_b"), nullptr);
}

TEST_F(SliderTest, EmptyRangeStoresTheValueButDrawsNothing)
{
    TLxSlider *s = add("SLIDER_PLAY", 18, 119, 416, false, 0, 0, 0);
    EXPECT_FALSE(s->ThumbDrawn());
    EXPECT_TRUE(erased(QPoint(14, 115)));
    EXPECT_EQ(box.changeCount(), 0);
}

TEST(SliderInit, MissingThumbFileFailsNamingIt)
{
    QTemporaryDir dir;
    ImagePaintSurface box{QSize(10, 10)};
    QImage background(10, 10, QImage::Format_RGB32);
    TLxSlider s;
    const QString missing = dir.filePath(QStringLiteral("MSL.DAT"));
    try {
        s.Init(QStringLiteral("SLIDER_PAN"), &box, 0, 0, 5, false, &background, missing);
        FAIL() << "no error";
    } catch (const SkinFileError &e) {
        EXPECT_EQ(e.fileName(), missing);
    }
}

} // namespace
