#include "playlist/TLxMusicInfo.h"

#include "SectionPrinting.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Sections = std::vector<TLxABLoopInfo>;

TLxMusicInfo withSections(Sections sections)
{
    TLxMusicInfo info;
    info.Sections = std::move(sections);
    return info;
}

// One hour past the 32-bit limit of byte positions: songs longer than 3 h 22 min.
constexpr qint64 Long = (qint64(1) << 31) + 176400LL * 3600;

TEST(SetPointA, FirstPressCreatesAPendingSectionAtThePosition)
{
    TLxMusicInfo info;
    info.SetPointA(0, false);
    EXPECT_EQ(info.Sections, (Sections{{0, 0}}));
    EXPECT_EQ(info.CurrentSection, 0);
    EXPECT_TRUE(info.APending);
    EXPECT_TRUE(info.AMarkVisible);
    EXPECT_EQ(info.LastA, 0);
}

TEST(SetPointA, ShiftInsideASectionChangesNothingAtAll)
{
    TLxMusicInfo info = withSections({{100, 200}});
    info.LastA = 7;
    info.CurrentSection = 0;
    info.SetPointA(200, true); // the end belongs to the section
    EXPECT_EQ(info.Sections, (Sections{{100, 200}}));
    EXPECT_EQ(info.LastA, 7);
    EXPECT_FALSE(info.AMarkVisible);
    EXPECT_FALSE(info.APending);
}

TEST(SetPointA, ShiftOutsideEverySectionAppendsANewOne)
{
    TLxMusicInfo info = withSections({{100, 200}});
    info.SetPointA(300, true);
    EXPECT_EQ(info.Sections, (Sections{{100, 200}, {300, 300}}));
    EXPECT_EQ(info.CurrentSection, 1);
    EXPECT_TRUE(info.APending);
}

TEST(SetPointA, WithoutShiftMovesTheNearestFollowingStartAndDragsTheEnd)
{
    TLxMusicInfo info = withSections({{100, 200}, {400, 500}});
    info.SetPointA(300, false);
    EXPECT_EQ(info.Sections, (Sections{{100, 200}, {300, 500}}));
    EXPECT_EQ(info.CurrentSection, 1);
    EXPECT_FALSE(info.APending); // "Start moved", not "A pending"
    EXPECT_TRUE(info.AMarkVisible);

    info.SetPointA(600, false); // nothing starts after 600: the nearest start before it
    EXPECT_EQ(info.Sections, (Sections{{100, 200}, {600, 600}}));
}

TEST(SetPointA, WithoutShiftPrefersTheContainingSectionThenTheEarlierOnTies)
{
    TLxMusicInfo inside = withSections({{500, 600}, {0, 1000}});
    inside.SetPointA(700, false); // only the second contains 700
    EXPECT_EQ(inside.CurrentSection, 1);
    EXPECT_EQ(inside.Sections[1], (TLxABLoopInfo{700, 1000}));

    TLxMusicInfo tie = withSections({{10, 20}, {900, 950}, {900, 990}});
    tie.SetPointA(50, false);
    EXPECT_EQ(tie.CurrentSection, 1);

    TLxMusicInfo before = withSections({{10, 20}, {30, 40}, {25, 26}});
    before.SetPointA(100, false); // all start before: the nearest start before wins
    EXPECT_EQ(before.CurrentSection, 1);
}

TEST(SetPointA, APendingStartMovesWhicheverButtonIsPressed)
{
    TLxMusicInfo info = withSections({{100, 200}});
    info.SetPointA(1000, true);
    info.SetPointA(150, true); // inside [100,200], but an A is pending: the pending one moves
    EXPECT_EQ(info.Sections, (Sections{{100, 200}, {150, 1000}}));
    info.SetPointA(2000, false);
    EXPECT_EQ(info.Sections, (Sections{{100, 200}, {2000, 2000}}));
    EXPECT_TRUE(info.APending);
}

TEST(SetPointB, CompletesThePendingSectionOnlyAfterItsStart)
{
    TLxMusicInfo info;
    info.SetPointA(1000, false);
    EXPECT_EQ(info.SetPointB(1000), -1);
    EXPECT_EQ(info.SetPointB(900), -1);
    EXPECT_TRUE(info.APending);
    EXPECT_EQ(info.SetPointB(1500), 0);
    EXPECT_EQ(info.Sections, (Sections{{1000, 1500}}));
    EXPECT_FALSE(info.APending);
    EXPECT_FALSE(info.AMarkVisible);
}

TEST(SetPointB, WithoutPendingAMovesTheEndOfTheNearestSectionStartingBefore)
{
    TLxMusicInfo info = withSections({{100, 200}, {300, 400}});
    EXPECT_EQ(info.SetPointB(350), 1);
    EXPECT_EQ(info.Sections, (Sections{{100, 200}, {300, 350}}));
    EXPECT_EQ(info.SetPointB(50), -1);
    EXPECT_EQ(info.SetPointB(100), -1); // a start equal to the position does not count
    EXPECT_EQ(info.Sections, (Sections{{100, 200}, {300, 350}}));
}

TEST(SetPointB, MergeRemovesSectionsWithAnEndInsideAndKeepsTheOrderOfTheRest)
{
    TLxMusicInfo info =
        withSections({{200, 300}, {50, 150}, {100, 100}, {450, 600}, {0, 1000}, {600, 700}});
    info.CurrentSection = 2; // [100, 100] waits for its B
    info.APending = true;
    EXPECT_EQ(info.SetPointB(500), 0);
    EXPECT_EQ(info.Sections, (Sections{{100, 500}, {0, 1000}, {600, 700}}));
    EXPECT_EQ(info.CurrentSection, 0);
}

TEST(SetPointB, CurrentSectionFollowsTheCompletedSectionWhenEarlierOnesAreMerged)
{
    TLxMusicInfo info = withSections({{150, 160}, {900, 950}});
    info.SetPointA(100, true);
    EXPECT_EQ(info.SetPointB(200), 1);
    EXPECT_EQ(info.Sections, (Sections{{900, 950}, {100, 200}}));
    EXPECT_EQ(info.CurrentSection, 1);
}

TEST(SetPointB, WithoutPendingAChoosesByStartEvenWhenAnotherSectionHoldsTheAMark)
{
    TLxMusicInfo info = withSections({{120, 130}, {100, 110}});
    info.SetPointA(100, false);        // moves section 1, which contains 100
    EXPECT_EQ(info.SetPointB(200), 0); // B picks the start nearest before 200: 120
    EXPECT_EQ(info.Sections, (Sections{{120, 200}, {100, 110}}));
}

TEST(DeleteSection, RemovesTheSectionWithTheNearestEnd)
{
    TLxMusicInfo info = withSections({{0, 1000}, {600, 610}});
    info.DeleteSection(500);
    EXPECT_EQ(info.Sections, (Sections{{0, 1000}}));

    TLxMusicInfo tie = withSections({{0, 100}, {300, 400}});
    tie.DeleteSection(200);
    EXPECT_EQ(tie.Sections, (Sections{{300, 400}}));
}

TEST(DeleteSection, AllClearsThePendingAAndItsMark)
{
    TLxMusicInfo info = withSections({{10, 20}});
    info.SetPointA(500, true);
    info.DeleteSection(-1);
    EXPECT_TRUE(info.Sections.empty());
    EXPECT_FALSE(info.APending);
    EXPECT_FALSE(info.AMarkVisible);

    TLxMusicInfo none; // no sections: the state stays as it is
    none.AMarkVisible = true;
    none.DeleteSection(5);
    EXPECT_TRUE(none.AMarkVisible);
}

TEST(DeleteSection, NextAWithoutShiftChoosesAfreshAfterAStaleCurrentSection)
{
    TLxMusicInfo info = withSections({{10, 20}, {30, 40}, {50, 60}});
    info.CurrentSection = 2;
    info.DeleteSection(55);
    info.DeleteSection(35);
    info.SetPointA(15, false);
    EXPECT_EQ(info.Sections, (Sections{{15, 20}}));
}

TEST(SectionQueries, FollowListOrderNotPositionOrder)
{
    const TLxMusicInfo info = withSections({{300, 400}, {100, 200}});
    EXPECT_EQ(info.NextSectionStart(50), 300);
    EXPECT_EQ(info.NextSectionStart(300), -1);
    EXPECT_EQ(info.PrevSectionStart(450), 100);
    EXPECT_EQ(info.PrevSectionStart(200), -1);
    EXPECT_EQ(info.FindSection(150), 1);
    EXPECT_EQ(info.FindSection(400), 0);
    EXPECT_EQ(info.FindSection(250), -1);
    EXPECT_EQ(info.SectionRestartPos(0, 401), 300);
    EXPECT_EQ(info.SectionRestartPos(0, 400), -1);
    EXPECT_EQ(info.SectionRestartPos(2, 1000), -1);
}

TEST(LongSongs, PositionsBeyondThirtyTwoBitsStayExact)
{
    TLxMusicInfo info;
    info.SetPointA(Long, false);
    EXPECT_EQ(info.SetPointB(Long + 176400), 0);
    EXPECT_EQ(info.Sections, (Sections{{Long, Long + 176400}}));
    EXPECT_EQ(info.FindSection(Long + 1), 0);
    EXPECT_EQ(info.SectionRestartPos(0, Long + 176401), Long);
}

TEST(ExtremeValues, FromAFileNeverOverflow)
{
    // Values read from a playlist file may be anything; the distance arithmetic saturates.
    constexpr qint64 Max = std::numeric_limits<qint64>::max();
    constexpr qint64 Min = std::numeric_limits<qint64>::min();
    TLxMusicInfo info = withSections({{Min, Min}, {Max, Max}});
    info.SetPointA(0, false);
    EXPECT_EQ(info.CurrentSection, 1);
    info.DeleteSection(1);
    EXPECT_EQ(info.Sections.size(), 1u);
    info.Sections = {{Min, Min}};
    EXPECT_EQ(info.SetPointB(Max), 0);
}

} // namespace
