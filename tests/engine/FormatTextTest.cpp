#include "engine/FormatText.h"

#include <gtest/gtest.h>

namespace {

using namespace quillmere::audio;

TEST(FormatText, BuiltInTypesPluginFormatsAndUnknownOnes)
{
    const std::vector<PluginFormat> formats = {
        {0x10102, QStringLiteral("FLAC"), QStringLiteral("*.flac"), 1},
        {0x10102, QStringLiteral("FLAC audio"), QStringLiteral("*.fla"), 1},
        {0x10100, QStringLiteral("M4A"), QStringLiteral("*.m4a"), 2}};
    auto describe = [&](quint32 type, int channels, Handle plugin = 0) {
        return FormatText::describe(ChannelInfo{channels, 44100, type, plugin}, formats);
    };
    EXPECT_EQ(describe(TypeCode::Mp3, 2), QStringLiteral("MPEG layer 3 [2ch]"));
    EXPECT_EQ(describe(TypeCode::Mp2, 1), QStringLiteral("MPEG layer 2 [1ch]"));
    EXPECT_EQ(describe(TypeCode::Mp1, 2), QStringLiteral("MPEG layer 1 [2ch]"));
    EXPECT_EQ(describe(TypeCode::OggVorbis, 2), QStringLiteral("Ogg Vorbis [2ch]"));
    EXPECT_EQ(describe(TypeCode::Aiff, 2), QStringLiteral("Audio IFF [2ch]"));
    EXPECT_EQ(describe(TypeCode::WavPcm, 1), QStringLiteral("PCM WAVE [1ch]"));
    EXPECT_EQ(describe(TypeCode::WavFloat, 6), QStringLiteral("Floating-point Wave [6ch]"));
    EXPECT_EQ(describe(TypeCode::WavCodecBase, 2), QStringLiteral("Wave [2ch]"));
    EXPECT_EQ(describe(TypeCode::WavCodecBase + 0x11, 2), QStringLiteral("不明 [2ch]"));
    EXPECT_EQ(describe(TypeCode::ModIt, 2), QStringLiteral("不明 [2ch]"));
    // A plug-in's format: the last matching name of that plug-in.
    EXPECT_EQ(describe(0x10102, 1, 1), QStringLiteral("FLAC audio [1ch]"));
    EXPECT_EQ(describe(0x10100, 2, 1), QStringLiteral("不明 [2ch]")); // another plug-in's code
}

TEST(FormatText, TimeRoundsHalvesToEven)
{
    auto at = [](double seconds) { return FormatText::time(qint64(seconds * 176400)); };
    EXPECT_EQ(at(65.4), QStringLiteral("01:05"));
    EXPECT_EQ(at(187.5), QStringLiteral("03:08"));
    EXPECT_EQ(at(186.5), QStringLiteral("03:06"));
    EXPECT_EQ(at(6000), QStringLiteral("100:00"));
    EXPECT_EQ(at(0.5), QStringLiteral("00:00"));
    EXPECT_EQ(at(4 * 3600 + 0.6), QStringLiteral("240:01")); // beyond 32-bit byte counts
}

TEST(FormatText, ReverbMixFollowsTheCubicCurve)
{
    EXPECT_FLOAT_EQ(FormatText::reverbMixDb(0), -96.0f);
    EXPECT_FLOAT_EQ(FormatText::reverbMixDb(5), -40.5f);
    EXPECT_FLOAT_EQ(FormatText::reverbMixDb(10), -12.0f);
    EXPECT_FLOAT_EQ(FormatText::reverbMixDb(15), -1.5f);
    EXPECT_FLOAT_EQ(FormatText::reverbMixDb(20), 0.0f);
    EXPECT_FLOAT_EQ(FormatText::reverbMixDb(25), 1.5f); // not clamped here
}

} // namespace
