// The spectrum's tap: the window read is the one being heard, the device's queue behind what
// the callback last wrote.
#include "audio/core/TapRing.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using quillmere::audio::TapRing;

TEST(TapRingTest, TheWindowEndsTheQueuedFramesBehindTheNewest)
{
    auto tap = std::make_unique<TapRing>();
    std::vector<float> stereo;
    for (int i = 0; i < 10000; ++i) // a ramp, frame i holding i in both channels
        stereo.insert(stereo.end(), {float(i), float(i)});
    tap->write(stereo.data(), 3000);
    std::vector<float> window(1024);
    ASSERT_TRUE(tap->readNewest(window.data(), 1024, 500));
    EXPECT_EQ(window.front(), 3000 - 500 - 1024);
    EXPECT_EQ(window.back(), 3000 - 500 - 1);
    EXPECT_FALSE(tap->readNewest(window.data(), 1024, 2500)); // not that much played yet

    // Past the ring's wrap, and a queue longer than it keeps: the oldest safe window.
    tap->write(stereo.data() + 2 * 3000, 7000);
    ASSERT_TRUE(tap->readNewest(window.data(), 1024, 1e9));
    EXPECT_EQ(window.back(), 10000 - (TapRing::Size / 2 - 1024) - 1);
    ASSERT_TRUE(tap->readNewest(window.data(), 1024));
    EXPECT_EQ(window.back(), 9999);
}

} // namespace
