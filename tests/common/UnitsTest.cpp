#include "common/Units.h"

#include <gtest/gtest.h>

namespace {

using namespace quillmere;

// The byte position is written into every playlist: its size must never drift.
TEST(Units, ASecondIs176400BytesOfWholeFrames)
{
    static_assert(BytesPerSecond == 176400);
    EXPECT_EQ(framesToBytes(44100), 176400);
    EXPECT_EQ(bytesToFrames(176403), 44100);
    EXPECT_DOUBLE_EQ(bytesToSeconds(88200), 0.5);
    EXPECT_EQ(secondsToBytes(3600), 635040000);
}

TEST(Units, WholeSecondsRoundDownAndIgnoreNegativeLengths)
{
    EXPECT_EQ(bytesToWholeSeconds(176399), 0);
    EXPECT_EQ(bytesToWholeSeconds(176400 * 125 + 176399), 125);
    EXPECT_EQ(bytesToWholeSeconds(-176400 * 3), 0);
    // Past what 32 bits hold (over 3 h 22 min).
    EXPECT_EQ(bytesToWholeSeconds(secondsToBytes(5 * 3600)), 5 * 3600);
}

TEST(Units, MillisecondsAndMicrosecondsLandOnFrameBoundaries)
{
    EXPECT_EQ(bytesToMilliseconds(176400), 1000);
    EXPECT_EQ(bytesToMilliseconds(176), 0);
    EXPECT_EQ(millisecondsToBytes(1000), 176400);
    EXPECT_EQ(millisecondsToBytes(1), 176); // 176.4 bytes: down to 44 whole frames
    EXPECT_EQ(bytesToMicroseconds(176400), 1000000);
    EXPECT_EQ(microsecondsToBytes(1500000), 264600);
    EXPECT_EQ(microsecondsToBytes(100), 16); // 17.64 bytes: four whole frames
    // A long song in microseconds does not overflow.
    EXPECT_EQ(microsecondsToBytes(bytesToMicroseconds(secondsToBytes(4 * 3600))),
              secondsToBytes(4 * 3600));
}

} // namespace
