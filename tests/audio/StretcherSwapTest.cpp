// The worker side of a speed or pitch change, with real stretchers: a slider dragged fast
// costs a preparation or two, not one per step, and the stretcher handed over runs at the
// newest setting; stretchers handed back are used again.
#include "audio/stretch/StretcherSwap.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

using namespace quillmere::audio;
using namespace std::chrono_literals;

// What a render thread would do: take what is ready, hand back what it replaces, until the
// worker has answered the newest request. Returns how many it took.
int settle(StretcherSwap &swap, PreparedStretcher &playing)
{
    int taken = 0;
    PreparedStretcher ready;
    for (const auto giveUp = std::chrono::steady_clock::now() + 20s;
         std::chrono::steady_clock::now() < giveUp;) {
        if (swap.takeReady(ready)) {
            ++taken;
            swap.retire(playing.stretcher);
            playing = ready;
        } else if (!swap.preparing()) {
            break;
        } else {
            std::this_thread::sleep_for(1ms);
        }
    }
    return taken;
}

class StretcherSwapTest : public ::testing::TestWithParam<Stretcher::Kind> {};

TEST_P(StretcherSwapTest, ADraggedSliderEndsOnTheNewestSettingAfterAFewPreparations)
{
    StretcherSwap swap(GetParam());
    PreparedStretcher playing = swap.start(1.0, 1.0);
    ASSERT_NE(playing.stretcher, nullptr);
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(testing::Message() << "round " << round);
        const double pitch = round == 0 ? 1.5 : 0.75;
        for (int step = 1; step <= 60; ++step)
            swap.request(1.0 + step * 0.01, pitch);
        const int taken = settle(swap, playing);
        EXPECT_GE(taken, 1);
        EXPECT_LE(taken, 3);
        EXPECT_DOUBLE_EQ(playing.speed, 1.6);
        EXPECT_DOUBLE_EQ(playing.pitch, pitch);
    }
    swap.request(1.6, 0.75); // what plays already: nothing to prepare
    EXPECT_FALSE(swap.preparing());
}

INSTANTIATE_TEST_SUITE_P(BothStretchers, StretcherSwapTest,
                         ::testing::Values(Stretcher::Kind::RubberBand,
                                           Stretcher::Kind::SoundTouch));

} // namespace
