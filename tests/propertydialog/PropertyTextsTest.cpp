#include "propertydialog/PropertyTexts.h"

#include "common/Units.h"

#include <gtest/gtest.h>

namespace {

using quillmere::BytesPerSecond;

TEST(PropertyTextsTest, LengthCountsWholeSecondsAndMinutesPastAnHour)
{
    EXPECT_EQ(PropertyTexts::lengthText(0), QStringLiteral(" 時間: 00:00"));
    EXPECT_EQ(PropertyTexts::lengthText(BytesPerSecond * 125), QStringLiteral(" 時間: 02:05"));
    // A byte short of a second is still the second before: cut off, never rounded.
    EXPECT_EQ(PropertyTexts::lengthText(BytesPerSecond * 60 - 1), QStringLiteral(" 時間: 00:59"));
    EXPECT_EQ(PropertyTexts::lengthText(BytesPerSecond * (95 * 60 + 7)),
              QStringLiteral(" 時間: 95:07"));
    EXPECT_EQ(PropertyTexts::lengthText(BytesPerSecond * 6000 * 60),
              QStringLiteral(" 時間: 6000:00"));
    EXPECT_EQ(PropertyTexts::lengthText(-5), QStringLiteral(" 時間: 00:00"));
}

TEST(PropertyTextsTest, SectionCountAndFormat)
{
    EXPECT_EQ(PropertyTexts::sectionCountText(0), QStringLiteral(" AB区間数: 0"));
    EXPECT_EQ(PropertyTexts::sectionCountText(12), QStringLiteral(" AB区間数: 12"));
    EXPECT_EQ(PropertyTexts::formatText(QStringLiteral("MPEG layer 3 [2ch]")),
              QStringLiteral(" MPEG layer 3 [2ch]"));
    EXPECT_EQ(PropertyTexts::formatText(QString()), QStringLiteral(" "));
}

} // namespace
