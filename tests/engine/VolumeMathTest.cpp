#include "engine/VolumeMath.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

using namespace quillmere::engine;

constexpr VolumeRange Usual{0, 65535};

TEST(VolumeMath, UsualControlReadsTheNearestPercentHalvesUp)
{
    EXPECT_EQ(volumePercentFromRaw(Usual, 0), 0);
    EXPECT_EQ(volumePercentFromRaw(Usual, 32768), 50);
    EXPECT_EQ(volumePercentFromRaw(Usual, 65535), 100);
    EXPECT_EQ(volumePercentFromRaw(Usual, 327), 0);  // 0.499 %
    EXPECT_EQ(volumePercentFromRaw(Usual, 328), 1);  // 0.5005 %
    EXPECT_EQ(volumePercentFromRaw({0, 200}, 1), 1); // exactly 0.5 %
    EXPECT_EQ(volumePercentFromRaw({0, 200}, 3), 2); // exactly 1.5 %
}

TEST(VolumeMath, EveryPercentSurvivesASetThenAGet)
{
    EXPECT_EQ(volumeRawFromPercent(Usual, 50), 32767u);
    EXPECT_EQ(volumeRawFromPercent(Usual, 100), 65535u);
    for (int p = 0; p <= 100; ++p)
        EXPECT_EQ(volumePercentFromRaw(Usual, volumeRawFromPercent(Usual, p)), p) << p << " %";
}

TEST(VolumeMath, ControlsThatDoNotStartAtZero)
{
    const VolumeRange range{1000, 2000};
    EXPECT_EQ(volumeRawFromPercent(range, 0), 1000u);
    EXPECT_EQ(volumeRawFromPercent(range, 33), 1330u);
    EXPECT_EQ(volumePercentFromRaw(range, 1330), 33);
    EXPECT_EQ(volumePercentFromRaw(range, 1005), 1); // 0.5 % rounds up
    EXPECT_EQ(volumePercentFromRaw(range, 999), 0);  // below the range: its bottom
    EXPECT_EQ(volumePercentFromRaw(range, 2500), 100);
}

TEST(VolumeMath, WideControlsDoNotOverflow)
{
    const VolumeRange wide{0, std::numeric_limits<quint32>::max()};
    EXPECT_EQ(volumeRawFromPercent(wide, 100), wide.maximum);
    EXPECT_EQ(volumeRawFromPercent(wide, 50), wide.maximum / 2);
    EXPECT_EQ(volumePercentFromRaw(wide, wide.maximum), 100);
    EXPECT_EQ(volumePercentFromRaw(wide, wide.maximum / 2 + 1), 50);
}

TEST(VolumeMath, PercentsBeyondTheSliderStayInsideTheControl)
{
    EXPECT_EQ(volumeRawFromPercent(Usual, 150), 65535u);
    EXPECT_EQ(volumeRawFromPercent(Usual, -10), 0u);
    EXPECT_EQ(volumeRawFromPercent({100, 200}, -1), 100u);
}

TEST(VolumeMath, AControlWithoutStepsIsNoControl)
{
    EXPECT_FALSE((VolumeRange{7, 7}).usable());
    EXPECT_FALSE((VolumeRange{8, 7}).usable());
    EXPECT_EQ(volumePercentFromRaw({7, 7}, 7), -1);
    EXPECT_EQ(volumePercentFromRaw({8, 7}, 7), -1);
}

} // namespace
