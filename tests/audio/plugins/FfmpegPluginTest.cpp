#include "AudioFixtures.h"
#include "audio/plugins/PluginHost.h"
#include "support/TestFiles.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

namespace {

using namespace audiofixtures;
using quillmere::audio::DecoderPtr;
using quillmere::audio::PluginHost;

struct Case {
    const char *file;
    quint32 typeCode;
    int rate;
    // How far the reported length may be from the 3 s that were encoded. MP4 and FLAC store the
    // exact length; Ogg's counts Opus's 312 priming samples too (less than its 960-sample
    // frame); ASF's header duration is rounded and includes the last frame's padding.
    qint64 lengthTolerance;
    // How far the decoded frame count may be from it: the WMA decoder loses the partial last
    // frame (up to 2048 samples); the others deliver exactly what was encoded.
    qint64 decodeTolerance;
    QStringList codec;
};

std::vector<Case> cases()
{
    const auto args = [](const char *text) { return QString::fromLatin1(text).split(u' '); };
    return {
        {"sine.m4a", 0x10100, 44100, 0, 0, args("-c:a aac -b:a 128k")},
        {"sine.opus", 0x10101, 48000, 960, 0, args("-c:a libopus -b:a 96k")},
        {"sine.flac", 0x10102, 44100, 0, 0, args("-c:a flac")},
        {"sine.wma", 0x10103, 44100, 2048, 2048, args("-c:a wmav2 -b:a 128k")},
    };
}

// The files are made once for the whole program: encoding takes a few seconds.
class FfmpegPluginTest : public ::testing::TestWithParam<Case> {
protected:
    static void SetUpTestSuite()
    {
        folder = std::make_unique<QTemporaryDir>();
        for (const Case &c : cases())
            makeSine(folder->filePath(QString::fromLatin1(c.file)), c.rate, c.codec);
        host = std::make_unique<PluginHost>();
        host->loadFolder(QStringLiteral(QUILLMERE_BUILD_PLUGIN_DIR));
    }
    static void TearDownTestSuite()
    {
        host.reset();
        folder.reset();
    }
    static QString path(const char *file) { return folder->filePath(QString::fromLatin1(file)); }
    DecoderPtr openCase() const { return host->open(path(GetParam().file)); }

    static std::unique_ptr<QTemporaryDir> folder;
    static std::unique_ptr<PluginHost> host;
};

std::unique_ptr<QTemporaryDir> FfmpegPluginTest::folder;
std::unique_ptr<PluginHost> FfmpegPluginTest::host;

TEST_P(FfmpegPluginTest, OpensWithItsFormatAndDecodesTheWholeSine)
{
    const Case &c = GetParam();
    DecoderPtr decoder = openCase();
    ASSERT_TRUE(decoder) << c.file;
    const auto &info = decoder->info();
    EXPECT_EQ(info.typeCode, c.typeCode);
    EXPECT_EQ(info.channels, 2);
    EXPECT_EQ(info.sampleRate, c.rate);
    EXPECT_EQ(host->pluginName(info.plugin), QStringLiteral("FFmpeg"));
    const qint64 expected = 3 * qint64(c.rate);
    EXPECT_LE(std::abs(info.frames - expected), c.lengthTolerance) << "length " << info.frames;

    bool failed = false;
    const std::vector<float> samples = readToEnd(*decoder, &failed);
    EXPECT_FALSE(failed);
    const auto frames = static_cast<qint64>(samples.size() / 2);
    EXPECT_LE(std::abs(frames - expected), c.decodeTolerance) << "decoded " << frames;
    EXPECT_EQ(decoder->read(nullptr, 0), 0);

    // The middle second: away from the encoder's fade-in and padding.
    EXPECT_NEAR(zeroCrossingFrequency(samples, 2, 0, c.rate, c.rate, c.rate), 440.0, 1.0);
    EXPECT_NEAR(zeroCrossingFrequency(samples, 2, 1, c.rate, c.rate, c.rate), 440.0, 1.0);
    // lavfi's sine is 1/8 full scale; spreading mono to stereo lowers each side by 3 dB.
    EXPECT_NEAR(rms(samples), 0.125 / 2, 0.005);
}

TEST_P(FfmpegPluginTest, SeekingLandsOnTheSameSamplesAsAFullDecode)
{
    const Case &c = GetParam();
    DecoderPtr full = openCase();
    ASSERT_TRUE(full);
    const std::vector<float> all = readToEnd(*full);

    DecoderPtr decoder = openCase();
    ASSERT_TRUE(decoder);
    readFrames(*decoder, 5000); // seek from somewhere in the middle of a decoded frame
    const qint64 oneMs = c.rate / 1000;
    for (const qint64 target : {qint64(c.rate) * 3 / 2, qint64(0), qint64(c.rate) / 2 + 17}) {
        ASSERT_TRUE(decoder->seek(target)) << target;
        const std::vector<float> part = readFrames(*decoder, 4096);
        ASSERT_EQ(part.size(), 4096u * 2);
        const Match match = bestMatch(all, part, 2, target, 2 * oneMs);
        EXPECT_LE(std::abs(match.lag), oneMs) << c.file << " seek to " << target;
        EXPECT_LT(match.maxDifference, 1e-3f) << c.file << " seek to " << target;
    }
}

TEST_P(FfmpegPluginTest, SeekingToTheEndEndsAndBeyondFails)
{
    DecoderPtr decoder = openCase();
    ASSERT_TRUE(decoder);
    const qint64 length = decoder->info().frames;
    EXPECT_FALSE(decoder->seek(length + 100000));
    EXPECT_FALSE(decoder->seek(-1));
    if (decoder->seek(length - 10)) {
        const std::vector<float> tail = readToEnd(*decoder);
        EXPECT_LE(tail.size(), 10u * 2 + 2 * GetParam().lengthTolerance);
    }
    ASSERT_TRUE(decoder->seek(1000)); // still usable after that
    EXPECT_EQ(readFrames(*decoder, 100).size(), 200u);
}

TEST_P(FfmpegPluginTest, DamagedFilesOfTheFormatFailToOpen)
{
    const QString name = QString::fromLatin1(GetParam().file);
    QTemporaryDir bad;
    const QByteArray good = testfiles::readAll(path(GetParam().file));
    ASSERT_GT(good.size(), 1000);

    testfiles::writeFile(bad.filePath(QStringLiteral("empty-") + name), {});
    testfiles::writeFile(bad.filePath(QStringLiteral("truncated-") + name), good.left(300));
    QByteArray noise(64 * 1024, '\0');
    QRandomGenerator random(4711);
    for (char &byte : noise)
        byte = static_cast<char>(random.bounded(256));
    testfiles::writeFile(bad.filePath(QStringLiteral("random-") + name), noise);
    for (const QString &file : QDir(bad.path()).entryList(QDir::Files))
        EXPECT_FALSE(host->open(bad.filePath(file))) << file.toStdString();
    EXPECT_FALSE(host->open(bad.filePath(QStringLiteral("missing-") + name)));
}

INSTANTIATE_TEST_SUITE_P(Formats, FfmpegPluginTest, ::testing::ValuesIn(cases()),
                         [](const auto &param) {
                             std::string name = param.param.file;
                             return name.substr(name.find('.') + 1);
                         });

TEST(FfmpegPluginContent, TheContentDecidesNotTheName)
{
    QTemporaryDir dir;
    // Audio the plug-in does not offer (PCM in WAV), named as one of its formats.
    const QString wav = dir.filePath(QStringLiteral("pcm.m4a"));
    ASSERT_TRUE(makeSine(wav, 44100,
                         {QStringLiteral("-c:a"), QStringLiteral("pcm_s16le"), QStringLiteral("-f"),
                          QStringLiteral("wav")}));
    // A FLAC file named as WMA still plays, as FLAC.
    const QString flac = dir.filePath(QStringLiteral("flac.wma"));
    ASSERT_TRUE(makeSine(flac, 44100,
                         {QStringLiteral("-c:a"), QStringLiteral("flac"), QStringLiteral("-f"),
                          QStringLiteral("flac")}));
    PluginHost host;
    ASSERT_GE(host.loadFolder(QStringLiteral(QUILLMERE_BUILD_PLUGIN_DIR)), 1);
    EXPECT_FALSE(host.open(wav));
    DecoderPtr decoder = host.open(flac);
    ASSERT_TRUE(decoder);
    EXPECT_EQ(decoder->info().typeCode, 0x10102u);
}

} // namespace
