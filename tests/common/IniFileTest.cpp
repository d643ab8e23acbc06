#include "common/IniFile.h"

#include "support/TestFiles.h"

#include <gtest/gtest.h>

namespace {

using quillmere::IniFile;

TEST(IniFile, ReadsIntegersStringsAndBooleansWithDefaults)
{
    const IniFile ini = IniFile::parse(
        "[Player]\r\nSpeed=-25\r\nPitch = 3 \r\nBad=12a\r\nHuge=99999999999\r\n"
        "Empty=\r\n[Option]\r\nRecordingDir=/home/ユーザー/録音\r\nOn=7\r\nOff=0\r\n");
    EXPECT_EQ(ini.readInteger(u"Player", u"Speed", 1), -25);
    EXPECT_EQ(ini.readInteger(u"Player", u"Pitch", 1), 3);
    EXPECT_EQ(ini.readInteger(u"Player", u"Bad", 42), 42);
    EXPECT_EQ(ini.readInteger(u"Player", u"Huge", 42), 42);
    EXPECT_EQ(ini.readInteger(u"Player", u"Empty", 42), 42);
    EXPECT_EQ(ini.readInteger(u"Player", u"Missing", 42), 42);
    EXPECT_EQ(ini.readInteger(u"Option", u"Speed", 5), 5); // keys belong to their section
    EXPECT_EQ(ini.readString(u"Option", u"RecordingDir", {}),
              QStringLiteral("/home/ユーザー/録音"));
    EXPECT_EQ(ini.readString(u"player", u"SPEED", {}), QStringLiteral("-25"));
    EXPECT_TRUE(ini.readBool(u"Option", u"On", false));
    EXPECT_FALSE(ini.readBool(u"Option", u"Off", true));
    EXPECT_TRUE(ini.readBool(u"Option", u"Missing", true));
    EXPECT_FALSE(ini.readBool(u"Player", u"Bad", false));
}

TEST(IniFile, WritingKeepsOtherSectionsKeysAndComments)
{
    IniFile ini = IniFile::parse("; written by hand\n[Form]\nLeft=10\n\n[Player]\nSpeed=3\n");
    ini.writeInteger(u"Form", u"Top", 20);
    ini.writeInteger(u"Form", u"left", 11);
    ini.writeBool(u"Option", u"ShowOfPeaks", true);
    ini.writeString(u"Option", u"RecordingDir", QStringLiteral("/a\nb"));
    EXPECT_EQ(ini.toBytes(),
              QByteArray("; written by hand\n[Form]\nLeft=11\nTop=20\n\n[Player]\nSpeed=3\n"
                         "[Option]\nShowOfPeaks=1\nRecordingDir=/a b\n"));
}

TEST(IniFile, SaveAndLoadRoundTrip)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("quillmere.ini"));
    EXPECT_EQ(IniFile::load(path).readInteger(u"Form", u"Left", 100), 100); // no file yet
    IniFile ini;
    ini.writeInteger(u"Form", u"Left", -2147483647 - 1);
    ini.writeString(u"Option", u"RecordingDir", QStringLiteral("/音楽"));
    ASSERT_TRUE(ini.save(path).ok);
    const IniFile back = IniFile::load(path);
    EXPECT_EQ(back.readInteger(u"Form", u"Left", 0), -2147483647 - 1);
    EXPECT_EQ(back.readString(u"Option", u"RecordingDir", {}), QStringLiteral("/音楽"));
}

TEST(IniFile, ShiftJisFilesAreRead)
{
    const IniFile ini =
        IniFile::parse("[Option]\r\nRecordingDir=\x83\x89\x83\x43\x83\x75\x83\x89\x83\x8A\r\n");
    EXPECT_EQ(ini.readString(u"Option", u"RecordingDir", {}), QStringLiteral("ライブラリ"));
}

TEST(ParseDecimal, AcceptsOnlyASignAndDigitsInRange)
{
    qint64 v = 0;
    EXPECT_TRUE(quillmere::parseDecimal(u"-9223372036854775808", v));
    EXPECT_EQ(v, std::numeric_limits<qint64>::min());
    EXPECT_TRUE(quillmere::parseDecimal(u"+9223372036854775807", v));
    EXPECT_EQ(v, std::numeric_limits<qint64>::max());
    for (const char16_t *bad : {u"9223372036854775808", u"", u"-", u"1 ", u"0x10", u"１２", u"1e3"})
        EXPECT_FALSE(quillmere::parseDecimal(bad, v)) << QString::fromUtf16(bad).toStdString();
}

} // namespace
