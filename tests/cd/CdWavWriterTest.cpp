// Recording files: the exact WAV layout over bytes ripped from an image, the temporary file
// that only becomes the track's file when complete, a full disc, and safe names.
#include "cd/CdWavWriter.h"

#include "audio/cd/CdImageMaker.h"
#include "audio/cd/CdRipStream.h"
#include "cd/CdTrackNames.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

namespace {

using namespace quillmere;
using quillmere::cd::CdWavWriter;

quint32 u32At(const QByteArray &b, int at)
{
    return qFromLittleEndian<quint32>(b.constData() + at);
}
quint16 u16At(const QByteArray &b, int at)
{
    return qFromLittleEndian<quint16>(b.constData() + at);
}

QStringList entriesOf(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
}

TEST(CdWavWriterTest, RippedTrackIsTheHeaderAndTheDiscBytesExactly)
{
    QTemporaryDir dir;
    const test::MadeImage image =
        test::makeCueImage(dir.path(), QStringLiteral("d"), test::audioTracks(3));
    const auto stream = audio::CdRipStream::open(image.path, 1);
    ASSERT_TRUE(stream);
    const QString target = dir.filePath(QStringLiteral("Track 02.wav"));
    CdWavWriter writer;
    ASSERT_TRUE(writer.open(target));
    char block[20000];
    qint64 n = 0;
    while ((n = stream->read(block, sizeof block)) > 0)
        ASSERT_TRUE(writer.write(block, n));
    EXPECT_FALSE(QFile::exists(target)); // not under its name before it is complete
    ASSERT_TRUE(writer.finish());

    const QByteArray file = testfiles::readAll(target);
    const QByteArray &pcm = image.pcm[1];
    const auto length = quint32(pcm.size());
    ASSERT_EQ(file.size(), 44 + pcm.size());
    EXPECT_EQ(file.left(4), "RIFF");
    EXPECT_EQ(u32At(file, 4), 36 + length);
    EXPECT_EQ(file.mid(8, 8), "WAVEfmt ");
    EXPECT_EQ(u32At(file, 16), 16u);
    EXPECT_EQ(u16At(file, 20), 1);
    EXPECT_EQ(u16At(file, 22), 2);
    EXPECT_EQ(u32At(file, 24), 44100u);
    EXPECT_EQ(u32At(file, 28), 176400u);
    EXPECT_EQ(u16At(file, 32), 4);
    EXPECT_EQ(u16At(file, 34), 16);
    EXPECT_EQ(file.mid(36, 4), "data");
    EXPECT_EQ(u32At(file, 40), length);
    EXPECT_TRUE(file.mid(44) == pcm);
    EXPECT_EQ(entriesOf(dir.path()).filter(QStringLiteral("quillmere")), QStringList());
}

TEST(CdWavWriterTest, AnOldFileStaysUntilTheNewOneIsCompleteAndADiscardLeavesNothing)
{
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("song.wav"));
    testfiles::writeFile(target, "old");
    {
        CdWavWriter writer;
        ASSERT_TRUE(writer.open(target));
        ASSERT_TRUE(writer.write("abcd", 4));
        writer.discard();
    }
    {
        CdWavWriter dropped; // destroyed unfinished, as when the program stops a run
        ASSERT_TRUE(dropped.open(target));
    }
    EXPECT_EQ(testfiles::readAll(target), "old");
    EXPECT_EQ(entriesOf(dir.path()), QStringList{QStringLiteral("song.wav")});

    CdWavWriter writer;
    ASSERT_TRUE(writer.open(target));
    ASSERT_TRUE(writer.write("abcd", 4));
    ASSERT_TRUE(writer.finish());
    EXPECT_EQ(testfiles::readAll(target), cd::cdWavHeader(4) + "abcd");
    EXPECT_FALSE(writer.open(dir.filePath(QStringLiteral("no/such/folder.wav"))));
}

TEST(CdWavWriterTest, AFullDiscIsAFailedWriteAndLeavesNoFile)
{
    QTemporaryDir dir;
    const QString mountPoint = dir.filePath(QStringLiteral("small"));
    ASSERT_TRUE(QDir().mkpath(mountPoint));
    if (QProcess::execute(QStringLiteral("mount"),
                          {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                           QStringLiteral("size=64k"), QStringLiteral("tmpfs"), mountPoint}) != 0)
        GTEST_SKIP() << "cannot mount a small tmpfs here (needs root): full-disc case not tested";
    const QByteArray block(20000, 'x');
    bool failed = false;
    {
        CdWavWriter writer;
        ASSERT_TRUE(writer.open(mountPoint + QStringLiteral("/full.wav")));
        for (int i = 0; i < 10 && !failed; ++i)
            failed = !writer.write(block.constData(), block.size());
        if (failed)
            writer.discard();
    }
    const QStringList left = entriesOf(mountPoint);
    QProcess::execute(QStringLiteral("umount"), {mountPoint});
    EXPECT_TRUE(failed);
    EXPECT_EQ(left, QStringList());
}

TEST(CdWavWriterTest, NamesFromTheDiscStayInsideTheFolder)
{
    using cd::safeTitleFileName;
    EXPECT_EQ(safeTitleFileName(QStringLiteral("Blue Moon")), QStringLiteral("Blue Moon.wav"));
    EXPECT_EQ(safeTitleFileName(QStringLiteral("../../etc/x")), QStringLiteral("_.._.._etc_x.wav"));
    EXPECT_EQ(safeTitleFileName(QStringLiteral("..")), QStringLiteral("_...wav"));
    EXPECT_EQ(safeTitleFileName(QStringLiteral("a\tb") + QChar(0) + QStringLiteral("c")),
              QStringLiteral("a_b_c.wav"));
    EXPECT_EQ(safeTitleFileName(QString()), QStringLiteral(".wav"));
    const QString longTitle = QString(200, QChar(0x3042)); // 3 bytes each in UTF-8
    const QString cut = safeTitleFileName(longTitle);
    EXPECT_LE(cut.toUtf8().size(), 255);
    EXPECT_GE(cut.toUtf8().size(), 253);
    EXPECT_TRUE(cut.endsWith(QStringLiteral(".wav")));

    const QStringList entries{QStringLiteral("TITLE10=Ten"), QStringLiteral("TITLE2="), QString(),
                              QStringLiteral("TITLE3=after the end")};
    EXPECT_EQ(cd::cdTextTrackFileName(entries, 0), QString()); // TITLE1= is not TITLE10=
    EXPECT_EQ(cd::cdTextTrackFileName(entries, 9), QStringLiteral("Ten.wav"));
    EXPECT_EQ(cd::cdTextTrackFileName(entries, 1), QStringLiteral(".wav"));
    EXPECT_EQ(cd::cdTextTrackFileName(entries, 2), QString());
    EXPECT_EQ(cd::defaultTrackFileName(0), QStringLiteral("Track 01.wav"));
    EXPECT_FALSE(cd::isPlainFileName(QStringLiteral("../x.wav")));
    EXPECT_TRUE(cd::isPlainFileName(QStringLiteral("x")));
}

} // namespace
