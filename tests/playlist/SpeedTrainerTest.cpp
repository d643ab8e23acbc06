#include "playlist/SpeedTrainer.h"

#include <gtest/gtest.h>

namespace {

TEST(SpeedTrainerTest, SpeedStepsAfterEveryNRepeatsTowardsTheTargetAndHolds)
{
    const SpeedTrainer up{-30, 10, 2, 0};
    EXPECT_EQ(up.speedAfter(0), -30);
    EXPECT_EQ(up.speedAfter(1), -30);
    EXPECT_EQ(up.speedAfter(2), -20);
    EXPECT_EQ(up.speedAfter(5), -10);
    EXPECT_EQ(up.speedAfter(6), 0);
    EXPECT_EQ(up.speedAfter(1000), 0);

    // A step that overshoots stops at the target; a target below the start slows down.
    EXPECT_EQ((SpeedTrainer{-30, 25, 1, 0}).speedAfter(2), 0);
    EXPECT_EQ((SpeedTrainer{20, 15, 1, -5}).speedAfter(1), 5);
    EXPECT_EQ((SpeedTrainer{20, 15, 1, -5}).speedAfter(3), -5);
    EXPECT_EQ((SpeedTrainer{0, 5, 3, 0}).speedAfter(9), 0);
}

} // namespace
