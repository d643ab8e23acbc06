// The ripping stream's reading of paranoia's callback, driven with the callback's own codes:
// no disc image can make paranoia repair, since an image reads the same every time.
#include "audio/cd/ParanoiaEvents.h"

#include <gtest/gtest.h>

namespace {

using quillmere::audio::ParanoiaEvents;

constexpr long Words = 1176; // 16-bit samples in a sector
constexpr qint64 First = 150;

TEST(ParanoiaEventsTest, RepairsCountForTheirOwnSectorWhenEverTheyAreReported)
{
    ParanoiaEvents events(First, 10);
    events.startSector(First);
    // Reported while the first sector is read, about sectors read ahead: the last word of
    // one sector and the first of the next belong to different sectors.
    events.note((First + 3) * Words - 1, PARANOIA_CB_FIXUP_EDGE);
    events.note((First + 5) * Words, PARANOIA_CB_FIXUP_DROPPED);
    events.note((First + 6) * Words + 7, PARANOIA_CB_FIXUP_ATOM);
    events.note((First + 7) * Words + 7, PARANOIA_CB_FIXUP_DUPED);
    // What changes nothing in the data, and what lies outside the track.
    for (paranoia_cb_mode_t mode : {PARANOIA_CB_READ, PARANOIA_CB_VERIFY, PARANOIA_CB_OVERLAP,
                                    PARANOIA_CB_DRIFT, PARANOIA_CB_WROTE, PARANOIA_CB_FINISHED})
        events.note((First + 1) * Words, mode);
    events.note((First - 1) * Words, PARANOIA_CB_FIXUP_EDGE);
    events.note((First + 10) * Words, PARANOIA_CB_FIXUP_EDGE);

    std::vector<qint64> repaired;
    for (qint64 s = First - 1; s <= First + 10; ++s)
        if (events.repaired(s))
            repaired.push_back(s);
    EXPECT_EQ(repaired, (std::vector<qint64>{First + 2, First + 5, First + 6, First + 7}));
    EXPECT_FALSE(events.currentFailed());
}

TEST(ParanoiaEventsTest, AFailureCountsOnlyForTheSectorBeingRead)
{
    ParanoiaEvents events(First, 10);
    events.startSector(First + 1);
    events.note((First + 4) * Words, PARANOIA_CB_READERR); // read ahead: retried when asked
    EXPECT_FALSE(events.currentFailed());
    events.note((First + 1) * Words + 100, PARANOIA_CB_SKIP);
    EXPECT_TRUE(events.currentFailed());
    EXPECT_FALSE(events.repaired(First + 1));

    events.startSector(First + 4);
    EXPECT_FALSE(events.currentFailed());
    events.note((First + 4) * Words, PARANOIA_CB_READERR);
    EXPECT_TRUE(events.currentFailed());
}

} // namespace
