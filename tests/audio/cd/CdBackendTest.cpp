// CD streams over generated disc images: table of contents, CD-TEXT, drives and their
// state, the ripping stream's exact bytes and read failures, and the re-aimable play stream.
#include "audio/AudioBackend.h"
#include "audio/cd/CdDisc.h"
#include "audio/cd/CdDrives.h"
#include "audio/cd/CdImageMaker.h"
#include "audio/cd/CdPlayStream.h"
#include "audio/cd/CdRipStream.h"
#include "audio/cd/CdTrackDecoder.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>

namespace {

using namespace quillmere::audio;
using namespace quillmere::test;
using namespace std::chrono_literals;

class CdBackendTest : public ::testing::Test {
protected:
    QTemporaryDir dir;

    static QByteArray ripAll(CdRipStream &stream, qint64 &lastResult)
    {
        QByteArray all;
        char buffer[20000];
        while ((lastResult = stream.read(buffer, sizeof buffer)) > 0)
            all.append(buffer, lastResult);
        return all;
    }
};

TEST_F(CdBackendTest, TableOfContentsGivesTracksLengthsAndDataTracks)
{
    const MadeImage twelve = makeCueImage(dir.path(), QStringLiteral("twelve"), audioTracks(12));
    const auto disc = CdDisc::open(twelve.path);
    ASSERT_TRUE(disc);
    ASSERT_EQ(disc->trackCount(), 12);
    for (int t = 0; t < 12; ++t)
        EXPECT_EQ(disc->trackLengthBytes(t), twelve.pcm[size_t(t)].size());
    EXPECT_EQ(disc->trackLengthBytes(12), -1);

    for (int dataAt : {0, 1}) {
        std::vector<ImageTrack> tracks = audioTracks(3);
        tracks[size_t(dataAt)].data = true;
        const MadeImage mixed =
            makeCueImage(dir.path(), QStringLiteral("data%1").arg(dataAt), tracks);
        const auto withData = CdDisc::open(mixed.path);
        ASSERT_TRUE(withData);
        EXPECT_EQ(withData->trackLengthBytes(dataAt), -1);
        EXPECT_EQ(withData->trackLengthBytes(2), mixed.pcm[2].size());
        EXPECT_FALSE(CdRipStream::open(mixed.path, dataAt));
        EXPECT_FALSE(openCdTrackDecoder(mixed.path, dataAt));
    }
    EXPECT_FALSE(CdDisc::open(dir.filePath(QStringLiteral("missing.cue"))));
}

TEST_F(CdBackendTest, CdTextTitlesAreNumberedByTrack)
{
    std::vector<ImageTrack> tracks = audioTracks(12);
    tracks[1].title = QByteArray("../up");
    tracks[9].title = QByteArray("Tenth");
    const auto disc = CdDisc::open(makeTocImage(dir.path(), QStringLiteral("text"), tracks).path);
    ASSERT_TRUE(disc);
    EXPECT_EQ(disc->cdTextTitles(),
              QStringList({QStringLiteral("TITLE2=../up"), QStringLiteral("TITLE10=Tenth")}));
    const auto plain =
        CdDisc::open(makeCueImage(dir.path(), QStringLiteral("plain"), audioTracks(1)).path);
    ASSERT_TRUE(plain);
    EXPECT_TRUE(plain->cdTextTitles().isEmpty());
}

TEST_F(CdBackendTest, ImagesAreDrivesAndAGoneImageIsAnOpenDoor)
{
    const MadeImage a = makeCueImage(dir.path(), QStringLiteral("a"), audioTracks(1));
    const MadeImage b = makeTocImage(dir.path(), QStringLiteral("b"), audioTracks(1));
    qputenv("QUILLMERE_CD_IMAGES", (a.path + QLatin1Char(':') + b.path).toUtf8());
    const std::vector<CdDrive> drives = listCdDrives();
    qunsetenv("QUILLMERE_CD_IMAGES");
    ASSERT_GE(drives.size(), 2u);
    const CdDrive &last = drives.back();
    EXPECT_EQ(last.letter, QStringLiteral("image"));
    EXPECT_EQ(last.description, QStringLiteral("b.toc"));
    EXPECT_EQ(drives[drives.size() - 2].path, a.path);
    EXPECT_EQ(cdDriveState(last), CdDriveState::Ready);

    ASSERT_TRUE(QFile::rename(b.path, b.path + QStringLiteral(".moved")));
    EXPECT_EQ(cdDriveState(last), CdDriveState::DoorOpen);
    ASSERT_TRUE(QFile::rename(b.path + QStringLiteral(".moved"), b.path));
    EXPECT_EQ(cdDriveState(last), CdDriveState::Ready);
}

TEST_F(CdBackendTest, RippingGivesTheStoredBytesExactly)
{
    const MadeImage image = makeCueImage(dir.path(), QStringLiteral("rip"), audioTracks(3));
    for (int t = 0; t < 3; ++t) {
        const auto stream = CdRipStream::open(image.path, t);
        ASSERT_TRUE(stream);
        EXPECT_EQ(stream->lengthBytes(), image.pcm[size_t(t)].size());
        qint64 last = 0;
        EXPECT_EQ(ripAll(*stream, last), image.pcm[size_t(t)]) << "track " << t;
        EXPECT_EQ(last, 0);
        EXPECT_TRUE(stream->atEnd());
        EXPECT_EQ(stream->positionBytes(), stream->lengthBytes());
        EXPECT_EQ(stream->unreadableSectors(), 0);
    }
}

TEST_F(CdBackendTest, ATrackBeyondTheEndOfItsFileFailsInsteadOfEndingEarly)
{
    // A few missing sectors are what paranoia alone reads back as if they were there.
    for (int missing : {5, 40}) {
        std::vector<ImageTrack> tracks = audioTracks(2);
        tracks[1].missingSectors = missing;
        const MadeImage image =
            makeTocImage(dir.path(), QStringLiteral("short%1").arg(missing), tracks);
        const auto stream = CdRipStream::open(image.path, 1);
        ASSERT_TRUE(stream);
        EXPECT_EQ(stream->lengthBytes(), (300 + missing) * CdSectorBytes);
        qint64 last = 0;
        const QByteArray got = ripAll(*stream, last);
        EXPECT_EQ(last, -1) << missing;
        EXPECT_FALSE(stream->atEnd());
        EXPECT_GE(stream->unreadableSectors(), 1);
        EXPECT_LE(got.size(), image.pcm[1].size());
        EXPECT_EQ(got, image.pcm[1].left(got.size())); // what was delivered is the disc's
        char buffer[CdSectorBytes];
        EXPECT_EQ(stream->read(buffer, sizeof buffer), -1); // stays failed
    }
}

TEST_F(CdBackendTest, PlayDecoderDeliversTheTrackAndSeeksInsideSectors)
{
    const MadeImage image = makeCueImage(dir.path(), QStringLiteral("play"), audioTracks(2));
    const DecoderPtr decoder = openCdTrackDecoder(image.path, 1);
    ASSERT_TRUE(decoder);
    const QByteArray &pcm = image.pcm[1];
    ASSERT_EQ(decoder->info().frames * 4, pcm.size());
    EXPECT_EQ(decoder->info().typeCode, TypeCode::CdAudio);
    const qint64 start = 1000; // not on a sector boundary (588 frames each)
    ASSERT_TRUE(decoder->seek(start));
    std::vector<float> samples(size_t(decoder->info().frames) * 2);
    const qint64 got = decoder->read(samples.data(), decoder->info().frames);
    ASSERT_EQ(got, decoder->info().frames - start);
    for (qint64 i = 0; i < got * 2; i += 997) {
        const qint16 expected =
            qint16(quint8(pcm[(start * 2 + i) * 2]) | (quint8(pcm[(start * 2 + i) * 2 + 1]) << 8));
        ASSERT_EQ(std::lround(samples[size_t(i)] * 32768.0f), expected) << i;
    }
    EXPECT_EQ(decoder->read(samples.data(), 10), 0);
}

TEST_F(CdBackendTest, PlayStreamIsReaimedAndReportsTheEndOfItsTrack)
{
    const MadeImage image = makeCueImage(dir.path(), QStringLiteral("aim"), audioTracks(3));
    AudioBackend backend;
    ASSERT_TRUE(backend.init(QStringLiteral("null")));
    std::atomic<quint32> ended{0xffffffffu};
    std::atomic<bool> onEventThread{false};
    const auto uiThread = std::this_thread::get_id();
    {
        CdPlayStream stream(backend, 3, image.path, [&](int drive, int track) {
            onEventThread = std::this_thread::get_id() != uiThread;
            ended = quint32(drive) << 16 | quint32(track);
        });
        EXPECT_FALSE(stream.setTrack(7));
        EXPECT_EQ(stream.track(), -1);
        ASSERT_TRUE(stream.setTrack(2));
        EXPECT_EQ(stream.driveAndTrack(), (3u << 16) | 2u);
        EXPECT_EQ(backend.lengthBytes(stream.channel()), image.pcm[2].size());
        // Start just before the end, so the test waits a fraction of a second.
        ASSERT_TRUE(backend.setPositionBytes(stream.channel(), image.pcm[2].size() - 17640));
        ASSERT_TRUE(backend.play(stream.channel(), false));
        const auto limit = std::chrono::steady_clock::now() + 20s; // sanitizers under load
        while (ended == 0xffffffffu && std::chrono::steady_clock::now() < limit)
            std::this_thread::sleep_for(5ms);
        EXPECT_EQ(ended.load(), (3u << 16) | 2u);
        EXPECT_TRUE(onEventThread.load());

        const Handle before = stream.channel();
        ASSERT_TRUE(stream.setTrack(0));
        EXPECT_EQ(stream.driveAndTrack(), 3u << 16);
        EXPECT_EQ(backend.activeState(before), ActiveState::Stopped); // the old one is gone
        ASSERT_TRUE(backend.play(stream.channel(), false));
        EXPECT_EQ(backend.activeState(stream.channel()), ActiveState::Playing);
    }
    backend.free();
}

} // namespace
