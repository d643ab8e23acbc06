#include "app/HandOffRecord.h"

#include <QList>
#include <QStringList>

#include <gtest/gtest.h>

namespace {

using HandOffRecord::Decoded;
using Kind = HandOffRecord::Decoded::Kind;

QByteArray header(quint32 tag, quint32 length)
{
    QByteArray bytes;
    for (const quint32 value : {tag, length}) {
        for (int shift = 0; shift < 32; shift += 8)
            bytes.append(char((value >> shift) & 0xff));
    }
    return bytes;
}

TEST(HandOffRecord, PathsRoundTripWithTheirNulCountedInALittleEndianHeader)
{
    const QString longPath = u'/' + QString(258, u'a');
    const QByteArray encoded = HandOffRecord::encodePath(longPath);
    ASSERT_EQ(encoded.size(), 8 + 260);
    EXPECT_EQ(encoded.first(8), header(0x00010101, 260));
    EXPECT_EQ(encoded.back(), '\0');

    for (const QString &path : {longPath, QStringLiteral("/曲/練習 01.wav"), QString(),
                                QStringLiteral("\uFEFF/with a mark")}) {
        const QByteArray record = HandOffRecord::encodePath(path);
        const Decoded decoded = HandOffRecord::decode(record + QByteArray("trailing"));
        EXPECT_EQ(decoded.kind, Kind::Path);
        EXPECT_EQ(decoded.path, path);
        EXPECT_EQ(decoded.consumed, record.size());
    }
    const QByteArray activate = HandOffRecord::encodeActivate();
    EXPECT_EQ(activate, header(0x00010101, 0));
    EXPECT_EQ(HandOffRecord::decode(activate).kind, Kind::Activate);
    EXPECT_EQ(HandOffRecord::decode(activate).consumed, 8);
}

TEST(HandOffRecord, ActivationTokensRoundTripUnderTheirOwnTag)
{
    const QByteArray record = HandOffRecord::encodeActivationToken(QStringLiteral("kwin-42_x"));
    EXPECT_EQ(record.first(8), header(0x00010111, 10));
    const Decoded decoded = HandOffRecord::decode(record);
    EXPECT_EQ(decoded.kind, Kind::Token);
    EXPECT_EQ(decoded.path, QStringLiteral("kwin-42_x"));
    EXPECT_EQ(decoded.consumed, record.size());
    // A token record without its NUL is no token at all.
    EXPECT_EQ(HandOffRecord::decode(header(0x00010111, 0)).kind, Kind::Malformed);
}

TEST(HandOffRecord, EveryTruncationNeedsMoreAndRecordsFollowOneAnother)
{
    const QByteArray stream = HandOffRecord::encodePath(QStringLiteral("/a/ü.mp3")) +
                              HandOffRecord::encode(0xdeadbeef, "foreign payload") +
                              HandOffRecord::encodePath(QStringLiteral("/b"));
    QByteArrayView rest(stream);
    QStringList paths;
    int foreign = 0;
    while (!rest.isEmpty()) {
        const Decoded whole = HandOffRecord::decode(rest);
        ASSERT_GT(whole.consumed, 0);
        for (qsizetype cut = 0; cut < whole.consumed; ++cut)
            ASSERT_EQ(HandOffRecord::decode(rest.first(cut)).kind, Kind::NeedMore) << cut;
        if (whole.kind == Kind::Path)
            paths << whole.path;
        if (whole.kind == Kind::Foreign) {
            EXPECT_EQ(whole.tag, 0xdeadbeefu);
            EXPECT_EQ(whole.consumed, 8 + 15);
            ++foreign;
        }
        rest = rest.sliced(whole.consumed);
    }
    EXPECT_EQ(paths, (QStringList{QStringLiteral("/a/ü.mp3"), QStringLiteral("/b")}));
    EXPECT_EQ(foreign, 1);
}

TEST(HandOffRecord, LengthsOver64KiBAreRefusedFromTheHeaderAlone)
{
    EXPECT_EQ(HandOffRecord::decode(header(0x00010101, 65537)).kind, Kind::Malformed);
    EXPECT_EQ(HandOffRecord::decode(header(0x12345678, 65537)).kind, Kind::Malformed);
    EXPECT_EQ(HandOffRecord::decode(header(0x00010101, 0xffffffff)).kind, Kind::Malformed);

    const QString longest(65535, u'x');
    const Decoded decoded = HandOffRecord::decode(HandOffRecord::encodePath(longest));
    EXPECT_EQ(decoded.kind, Kind::Path);
    EXPECT_EQ(decoded.path, longest);
    EXPECT_EQ(HandOffRecord::decode(header(0x00010101, 65536)).kind, Kind::NeedMore);
}

TEST(HandOffRecord, MissingOrMisplacedNulAndBrokenUtf8AreMalformed)
{
    const auto withNul = [](const char *text) { return QByteArray(text) + '\0'; };
    const auto decode = [](const QByteArray &data) {
        return HandOffRecord::decode(HandOffRecord::encode(0x00010101, data));
    };
    const QList<QByteArray> malformed = {
        QByteArray("/no/terminator"),
        QByteArray("/early\0nul", 10) + '\0',
        QByteArray("\0\0", 2),
        withNul("/bad/\xff"),
        withNul("/overlong/\xc0\xaf"),
        withNul("/cut/\xe3\x81"),
        withNul("/surrogate/\xed\xa0\x80"),
    };
    for (const QByteArray &data : malformed)
        EXPECT_EQ(decode(data).kind, Kind::Malformed) << data.toHex().toStdString();
    const Decoded fine = decode(withNul("/fine/\xe3\x81\x82"));
    EXPECT_EQ(fine.kind, Kind::Path);
    EXPECT_EQ(fine.path, QStringLiteral("/fine/あ"));
}

} // namespace
