#include "common/TextLines.h"

#include <gtest/gtest.h>

namespace {

using namespace quillmere;

TEST(SplitLines, AcceptsEveryLineEndAndNoPhantomLastLine)
{
    EXPECT_EQ(splitLines(QStringLiteral("a\r\nb\rc\nd")),
              (QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"),
                           QStringLiteral("d")}));
    EXPECT_EQ(splitLines(QStringLiteral("a\r\n")), QStringList{QStringLiteral("a")});
    EXPECT_EQ(splitLines(QStringLiteral("\n\r\n")), (QStringList{QString(), QString()}));
    EXPECT_EQ(splitLines(QStringLiteral("a\n\rb")),
              (QStringList{QStringLiteral("a"), QString(), QStringLiteral("b")}));
    EXPECT_TRUE(splitLines(QString()).isEmpty());
}

TEST(Decode, PrefersUtf8AndFallsBackToShiftJisForWholeFiles)
{
    EXPECT_EQ(decodeUtf8OrShiftJis("\xEF\xBB\xBF"
                                   "caf\xC3\xA9"),
              QStringLiteral("café"));
    // "ソ" in Shift-JIS is 0x83 0x5C: its second byte is a backslash and must not be split off.
    EXPECT_EQ(decodeUtf8OrShiftJis("C:\\\x83\x5C\x83\x8D.wav"), QStringLiteral("C:\\ソロ.wav"));
    EXPECT_EQ(decodeUtf8OrShiftJis("\xFF\xFE"),
              QString::fromUtf8("\xFF\xFE")); // neither: kept readable
}

TEST(JoinLines, EndsEveryLineIncludingTheLast)
{
    EXPECT_EQ(joinLinesUtf8({QStringLiteral("a"), QStringLiteral("é")}, u"\r\n"),
              QByteArray("a\r\n\xC3\xA9\r\n"));
    EXPECT_TRUE(joinLinesUtf8({}, u"\r\n").isEmpty());
}

} // namespace
