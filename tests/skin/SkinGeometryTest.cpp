#include "skin/SkinGeometry.h"

#include "skin/SkinScale.h"

#include <QPainter>

#include <gtest/gtest.h>

namespace {

using namespace SkinGeometry;

TEST(InCircle, RoundsTheDistanceInsteadOfTruncatingIt)
{
    EXPECT_TRUE(inCircle(100, 100, 15, 115, 103));  // sqrt 234 = 15.3 -> 15
    EXPECT_FALSE(inCircle(100, 100, 15, 115, 106)); // sqrt 261 = 16.2 -> 16
    EXPECT_FALSE(inCircle(100, 100, 15, 89, 89));   // sqrt 242 = 15.56 -> 16, truncated 15
    EXPECT_TRUE(inCircle(100, 100, 15, 85, 100));   // on the rim, to the left
    EXPECT_FALSE(inCircle(100, 100, 15, 100, 116));
}

TEST(RoundHalfEven, RoundsHalvesToTheEvenNeighbour)
{
    EXPECT_EQ(roundHalfEven(0.5), 0);
    EXPECT_EQ(roundHalfEven(1.5), 2);
    EXPECT_EQ(roundHalfEven(2.5), 2);
    EXPECT_EQ(roundHalfEven(-0.5), 0);
    EXPECT_EQ(roundHalfEven(-1.5), -2);
    EXPECT_EQ(roundHalfEven(2.51), 3);
}

TEST(SliderTrack, HorizontalValuesAndPixelsOfThePitchTrack)
{
    const SliderTrack pitch{18, 202, 416, false};
    EXPECT_EQ(pitch.x1(), 434);
    EXPECT_EQ(pitch.y1(), 202);
    EXPECT_EQ(pitch.valueAt({226, 202}, -24, 24), 0);
    EXPECT_EQ(pitch.valueAt({22, 202}, -24, 24), -24); // 48 * 4 / 416 = 0.46
    EXPECT_EQ(pitch.valueAt({18, 202}, -24, 24), -24);
    EXPECT_EQ(pitch.valueAt({434, 202}, -24, 24), 24);
    EXPECT_EQ(pitch.thumbCentre(24, -24, 24), QPoint(434, 202));
    EXPECT_EQ(pitch.thumbCentre(-24, -24, 24), QPoint(18, 202));
    EXPECT_EQ(pitch.thumbCentre(1, -24, 24), QPoint(235, 202)); // 8.67 -> 9
    // Half pixels go to the even neighbour: 416 * 1 / 832 = 0.5, 416 * 3 / 832 = 1.5.
    EXPECT_EQ(pitch.thumbCentre(1, 0, 832).x(), 18);
    EXPECT_EQ(pitch.thumbCentre(3, 0, 832).x(), 20);
    EXPECT_EQ(SliderTrack({0, 0, 0, false}).valueAt({50, 0}, 5, 9), 5);
    // The position slider of a song of hours counts past 32 bits.
    EXPECT_EQ(pitch.valueAt({434, 202}, 0, 5'000'000'000), 5'000'000'000);
    EXPECT_EQ(pitch.thumbCentre(2'500'000'000, 0, 5'000'000'000), QPoint(226, 202));
}

TEST(SliderTrack, VerticalTrackHasItsMinimumAtTheBottom)
{
    const SliderTrack volume{437, 218, 107, true};
    EXPECT_EQ(volume.x1(), 437);
    EXPECT_EQ(volume.y1(), 325);
    EXPECT_EQ(volume.thumbCentre(100, 0, 100), QPoint(437, 218));
    EXPECT_EQ(volume.thumbCentre(0, 0, 100), QPoint(437, 325));
    EXPECT_EQ(volume.valueAt({437, 325}, 0, 100), 0);
    EXPECT_EQ(volume.valueAt({437, 218}, 0, 100), 100);
    EXPECT_EQ(volume.valueAt({0, 271}, 0, 100), 50); // 53 / 107 * 100 = 49.5 -> 50 (x ignored)
}

TEST(SliderTrack, PressAreaReachesFourPixelsBesideTheTrackAndNoFurther)
{
    const SliderTrack h{18, 78, 416, false};
    EXPECT_TRUE(h.inPressArea({100, 74}));
    EXPECT_FALSE(h.inPressArea({100, 73}));
    EXPECT_TRUE(h.inPressArea({100, 82}));
    EXPECT_FALSE(h.inPressArea({100, 83}));
    EXPECT_TRUE(h.inPressArea({18, 78}));
    EXPECT_TRUE(h.inPressArea({434, 78}));
    EXPECT_FALSE(h.inPressArea({17, 78}));
    EXPECT_FALSE(h.inPressArea({435, 78}));

    const SliderTrack v{263, 100, 134, true};
    EXPECT_TRUE(v.inPressArea({259, 100}));
    EXPECT_TRUE(v.inPressArea({267, 234}));
    EXPECT_FALSE(v.inPressArea({258, 150}));
    EXPECT_FALSE(v.inPressArea({263, 99}));
    EXPECT_FALSE(v.inPressArea({263, 235}));
}

TEST(SliderTrack, ThumbAreaAndThumbHitTestIncludeTheFarEdges)
{
    const SliderTrack h{340, 271, 67, false};
    EXPECT_EQ(h.thumbArea({9, 9}), QRect(QPoint(336, 267), QPoint(411, 275)));
    EXPECT_EQ(thumbTopLeft({100, 50}, {9, 8}), QPoint(96, 46));
    EXPECT_TRUE(inThumb({96, 46}, {9, 8}, {105, 54}));
    EXPECT_FALSE(inThumb({96, 46}, {9, 8}, {106, 54}));
    EXPECT_FALSE(inThumb({96, 46}, {9, 8}, {95, 50}));
}

TEST(SkinScale, UsesWholeScalesAndMapsTheMouseBackToSkinPixels)
{
    EXPECT_EQ(SkinScale::scaleFor(1.0), 1);
    EXPECT_EQ(SkinScale::scaleFor(1.25), 1);
    EXPECT_EQ(SkinScale::scaleFor(1.75), 2);
    EXPECT_EQ(SkinScale::scaleFor(3.0), 3);
    EXPECT_EQ(SkinScale::scaleFor(0.5), 1);
    EXPECT_EQ(SkinScale::logicalSize({456, 345}, 2.0), QSize(456, 345));
    EXPECT_EQ(SkinScale::logicalSize({456, 345}, 1.25), QSize(365, 276));
    EXPECT_EQ(SkinScale::toSkinPixel({10.7, 3.2}, 2.0), QPoint(10, 3));
    // 1.75: scale 2, so a logical pixel is 0.875 skin pixels.
    EXPECT_EQ(SkinScale::toSkinPixel({8.0, 16.0}, 1.75), QPoint(7, 14));
    EXPECT_EQ(SkinScale::toSkinPixel({456 / 0.875 - 0.01, 0}, 1.75), QPoint(455, 0));
}

TEST(SkinScale, PaintsEverySkinPixelAsASharpBlock)
{
    QImage skin(4, 3, QImage::Format_RGB32);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            skin.setPixel(x, y, (x + y) % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 128));
    QImage device(8, 6, QImage::Format_RGB32);
    device.setDevicePixelRatio(2.0);
    device.fill(Qt::red);
    {
        QPainter painter(&device);
        painter.setRenderHint(QPainter::SmoothPixmapTransform, true); // must be overridden
        SkinScale::paint(painter, skin, 2.0, QRect(0, 0, 4, 3));
    }
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 8; ++x)
            ASSERT_EQ(device.pixel(x, y), skin.pixel(x / 2, y / 2)) << x << "," << y;

    // A repaint of one logical pixel draws the one skin pixel under it, and nothing else.
    device.fill(Qt::red);
    {
        QPainter painter(&device);
        SkinScale::paint(painter, skin, 2.0, QRect(2, 1, 1, 1));
    }
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 8; ++x) {
            const bool inside = x / 2 == 2 && y / 2 == 1;
            ASSERT_EQ(device.pixel(x, y), inside ? skin.pixel(2, 1) : qRgb(255, 0, 0))
                << x << "," << y;
        }
}

} // namespace
