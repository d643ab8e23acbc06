#include "session/TapTempo.h"

#include <gtest/gtest.h>

namespace {

TEST(TapTempoTest, TheBeatIsTheMeanOfTheLastFourIntervalsAndALongPauseStartsAfresh)
{
    TapTempo tempo;
    EXPECT_FALSE(tempo.tap(1000)); // one tap is no interval yet
    EXPECT_TRUE(tempo.tap(1500));
    EXPECT_EQ(tempo.beatMs(), 500);
    for (qint64 at : {2100, 2700, 3300, 3900}) // four intervals of 600: the 500 drops out
        EXPECT_TRUE(tempo.tap(at));
    EXPECT_EQ(tempo.beatMs(), 600);
    EXPECT_TRUE(tempo.tap(4200));
    EXPECT_EQ(tempo.beatMs(), 525);

    EXPECT_FALSE(tempo.tap(4200 + TapTempo::ResetMs + 1)); // a new count; the beat is kept
    EXPECT_EQ(tempo.beatMs(), 525);
    EXPECT_TRUE(tempo.tap(4200 + TapTempo::ResetMs + 301));
    EXPECT_EQ(tempo.beatMs(), 300); // nothing of the old count
}

} // namespace
