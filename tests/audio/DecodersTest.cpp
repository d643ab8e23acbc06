#include "audio/AudioBackend.h"
#include "audio/decoders/ModuleDecoder.h"
#include "audio/decoders/SndfileDecoder.h"
#include "audio/decoders/StereoConverter.h"
#include "support/AudioFixtures.h"
#include "support/SignalAnalysis.h"
#include "support/TestFiles.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>

namespace {

using namespace quillmere::audio;

struct Decoded {
    SourceInfo info;
    std::vector<float> stereo; // 44100 Hz
};

// Opens a file through the built-in decoders and reads it whole as 44100 Hz stereo.
Decoded decodeAll(const QString &path)
{
    ErrorCode error = ErrorCode::Ok;
    DecoderPtr decoder = openSndfileDecoder(path, error);
    if (!decoder)
        decoder = openModuleDecoder(path, error);
    if (!decoder)
        return {};
    StereoConverter converter(std::move(decoder));
    Decoded result{converter.info(), {}};
    std::vector<float> chunk(4096 * 2);
    qint64 n = 0;
    while ((n = converter.read(chunk.data(), 4096)) > 0)
        result.stereo.insert(result.stereo.end(), chunk.begin(), chunk.begin() + 2 * n);
    return result;
}

class DecodersTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path(const char *name) { return dir.filePath(QString::fromLatin1(name)); }

    // Writes a 2 s, 440 Hz sine and checks what comes back: type code, source channels, the
    // length at 44100 Hz within `slack` frames, and the pitch.
    void checkRoundTrip(const char *name, int format, int rate, int channels, quint32 typeCode,
                        qint64 slack)
    {
        SCOPED_TRACE(name);
        ASSERT_TRUE(fixtures::writeSndfile(path(name), fixtures::sine(440, 2.0, rate, channels),
                                           rate, channels, format));
        checkDecoded(path(name), rate, channels, typeCode, slack);
    }

    void checkDecoded(const QString &file, int rate, int channels, quint32 typeCode, qint64 slack)
    {
        const Decoded d = decodeAll(file);
        ASSERT_GT(d.stereo.size(), 0u) << "did not decode";
        EXPECT_EQ(d.info.typeCode, typeCode);
        EXPECT_EQ(d.info.channels, channels);
        EXPECT_EQ(d.info.sampleRate, rate);
        const qint64 decodedFrames = qint64(d.stereo.size() / 2);
        EXPECT_NEAR(decodedFrames, 88200, slack);
        EXPECT_NEAR(d.info.frames, 88200, slack);
        const auto left = analysis::channel(d.stereo, 0);
        const auto right = analysis::channel(d.stereo, 1);
        EXPECT_NEAR(analysis::cents(analysis::frequencyHz(left, 4410, 84000), 440), 0, 2);
        EXPECT_NEAR(analysis::rms(left, 4410, 84000), analysis::rms(right, 4410, 84000), 0.01);
    }
};

TEST_F(DecodersTest, WaveAiffAndOggDecodeToTheirLengthAndTypeCode)
{
    checkRoundTrip("pcm16.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 2, TypeCode::WavPcm, 0);
    checkRoundTrip("pcm24.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_24, 44100, 2, TypeCode::WavPcm, 0);
    checkRoundTrip("float.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 44100, 2, TypeCode::WavFloat, 0);
    // ADPCM works in blocks (2041 frames here): the length is rounded up to a whole block.
    checkRoundTrip("ima.wav", SF_FORMAT_WAV | SF_FORMAT_IMA_ADPCM, 44100, 2,
                   TypeCode::WavCodecBase + 0x11, 2041);
    checkRoundTrip("ulaw.wav", SF_FORMAT_WAV | SF_FORMAT_ULAW, 44100, 2,
                   TypeCode::WavCodecBase + 0x07, 0);
    checkRoundTrip("song.aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_16, 44100, 2, TypeCode::Aiff, 0);
    checkRoundTrip("song.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 44100, 2, TypeCode::OggVorbis, 0);
}

TEST_F(DecodersTest, OtherRatesAndChannelCountsBecome44100HzStereo)
{
    // 48 kHz mono: resampled and duplicated; same duration within a frame.
    checkRoundTrip("mono48k.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 48000, 1, TypeCode::WavPcm, 1);
    checkRoundTrip("six22k.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 22050, 6, TypeCode::WavFloat, 1);
}

// Each channel a sine of its own frequency (amplitude 0.5), one second, written with an
// optional channel map (an extensible WAV then).
bool writeLayout(const QString &file, const std::vector<double> &hz, const std::vector<int> &map)
{
    const int channels = int(hz.size());
    std::vector<float> samples(size_t(44100 * channels));
    for (size_t f = 0; f < 44100; ++f) {
        for (int c = 0; c < channels; ++c)
            samples[f * size_t(channels) + size_t(c)] =
                float(0.5 * std::sin(2 * M_PI * hz[size_t(c)] * double(f) / 44100));
    }
    SF_INFO info{44100,    44100,
                 channels, SF_FORMAT_FLOAT | (map.empty() ? SF_FORMAT_WAV : SF_FORMAT_WAVEX),
                 0,        0};
    SNDFILE *out = sf_open(QFile::encodeName(file).constData(), SFM_WRITE, &info);
    if (!out)
        return false;
    // libsndfile takes the map but reports false for containers that write it at the end.
    std::vector<int> mapCopy = map;
    if (!map.empty())
        sf_command(out, SFC_SET_CHANNEL_MAP_INFO, mapCopy.data(), int(map.size() * sizeof(int)));
    const bool ok = sf_writef_float(out, samples.data(), 44100) == 44100;
    return sf_close(out) == 0 && ok;
}

// How much of a sine of this frequency (a whole number of cycles per second) a second holds.
double amplitudeAt(const std::vector<float> &mono, double hz)
{
    double s = 0, c = 0;
    for (size_t i = 0; i < 44100; ++i) {
        s += mono[i] * std::sin(2 * M_PI * hz * double(i) / 44100);
        c += mono[i] * std::cos(2 * M_PI * hz * double(i) / 44100);
    }
    return 2 * std::hypot(s, c) / 44100;
}

TEST_F(DecodersTest, SurroundLayoutsMixDownWithCentreAndSurroundsAtMinus3DbAndNoLfe)
{
    // 5.1 in the WAV order: front left, right, centre, LFE, back left, right. Each side gets
    // its front at 1, the centre and its surround at -3 dB, all scaled by -3 dB so that the
    // side keeps the power of one channel.
    const std::vector<double> hz = {300, 500, 700, 60, 900, 1100};
    ASSERT_TRUE(writeLayout(path("five1.wav"), hz, {}));
    Decoded d = decodeAll(path("five1.wav"));
    ASSERT_GE(d.stereo.size(), 2u * 44100);
    EXPECT_EQ(d.info.channels, 6);
    const std::vector<double> toLeft = {0.3536, 0, 0.25, 0, 0.25, 0};
    const std::vector<double> toRight = {0, 0.3536, 0.25, 0, 0, 0.25};
    const auto left = analysis::channel(d.stereo, 0), right = analysis::channel(d.stereo, 1);
    for (size_t c = 0; c < hz.size(); ++c) {
        EXPECT_NEAR(amplitudeAt(left, hz[c]), toLeft[c], 0.005) << "channel " << c;
        EXPECT_NEAR(amplitudeAt(right, hz[c]), toRight[c], 0.005) << "channel " << c;
    }

    // A quadraphonic file says where its channels are: the last two are back left and right,
    // not the centre and LFE the WAV order would make of them.
    ASSERT_TRUE(writeLayout(path("quad.wav"), {300, 500, 900, 1100},
                            {SF_CHANNEL_MAP_FRONT_LEFT, SF_CHANNEL_MAP_FRONT_RIGHT,
                             SF_CHANNEL_MAP_REAR_LEFT, SF_CHANNEL_MAP_REAR_RIGHT}));
    d = decodeAll(path("quad.wav"));
    ASSERT_GE(d.stereo.size(), 2u * 44100);
    const auto quadLeft = analysis::channel(d.stereo, 0);
    const auto quadRight = analysis::channel(d.stereo, 1);
    const double front = 0.5 / std::sqrt(1.5), back = front * std::sqrt(0.5);
    EXPECT_NEAR(amplitudeAt(quadLeft, 300), front, 0.005);
    EXPECT_NEAR(amplitudeAt(quadLeft, 900), back, 0.005);
    EXPECT_NEAR(amplitudeAt(quadRight, 900), 0, 0.005);
    EXPECT_NEAR(amplitudeAt(quadRight, 1100), back, 0.005);
}

TEST_F(DecodersTest, MpegLayersDecodeWithinOneFrame)
{
    // Layer III through libsndfile's own encoder; one MPEG frame is 1152 samples.
    checkRoundTrip("song.mp3", SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, 44100, 2, TypeCode::Mp3,
                   1152);

    // Layer II from ffmpeg.
    ASSERT_TRUE(fixtures::writeSndfile(path("src.wav"), fixtures::sine(440, 2.0, 44100, 2), 44100,
                                       2, SF_FORMAT_WAV | SF_FORMAT_PCM_16));
    ASSERT_TRUE(fixtures::run(QStringLiteral("ffmpeg"),
                              {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-i"),
                               path("src.wav"), QStringLiteral("-c:a"), QStringLiteral("mp2"),
                               QStringLiteral("-b:a"), QStringLiteral("192k"), path("song.mp2")}));
    checkDecoded(path("song.mp2"), 44100, 2, TypeCode::Mp2, 1152);
}

TEST_F(DecodersTest, MpegLayerOneDecodes)
{
    // No encoder writes Layer I, so the frames are built here: 32 kbps mono at 44100 Hz, every
    // subband unallocated (silence). Each frame is 32 bytes and holds 384 samples.
    QByteArray frame(32, '\0');
    frame[0] = char(0xFF);
    frame[1] = char(0xFF); // MPEG-1, Layer I, no CRC
    frame[2] = char(0x10); // 32 kbps, 44100 Hz, no padding
    frame[3] = char(0xC0); // mono
    testfiles::writeFile(path("song.mp1"), frame.repeated(230));
    const Decoded d = decodeAll(path("song.mp1"));
    ASSERT_GT(d.stereo.size(), 0u);
    EXPECT_EQ(d.info.typeCode, TypeCode::Mp1);
    EXPECT_NEAR(double(d.stereo.size() / 2), 230 * 384, 384);
}

TEST_F(DecodersTest, BadFilesFailToOpenWithAnErrorCode)
{
    AudioBackend backend;
    ASSERT_TRUE(fixtures::writeSndfile(path("good.wav"), fixtures::sine(440, 1.0, 44100, 2), 44100,
                                       2, SF_FORMAT_WAV | SF_FORMAT_PCM_16));
    const QByteArray good = testfiles::readAll(path("good.wav"));
    QByteArray noise(65536, '\0');
    for (char &c : noise)
        c = char(QRandomGenerator::global()->generate());

    for (const char *ext : {"wav", "aiff", "ogg", "mp3", "mp2", "mp1", "it", "xm", "mod", "s3m"}) {
        SCOPED_TRACE(ext);
        const QString e = QString::fromLatin1(ext);
        const QString empty = dir.filePath(QStringLiteral("empty.") + e);
        const QString truncated = dir.filePath(QStringLiteral("truncated.") + e);
        const QString random = dir.filePath(QStringLiteral("random.") + e);
        const QString text = dir.filePath(QStringLiteral("text.") + e);
        testfiles::writeFile(empty, {});
        testfiles::writeFile(truncated, good.left(30));
        testfiles::writeFile(random, noise);
        testfiles::writeFile(text, QByteArray("This is not audio.\n").repeated(200));
        for (const QString &file : {empty, truncated, random, text}) {
            EXPECT_EQ(backend.openFile(file), 0u) << file.toStdString();
            EXPECT_EQ(AudioBackend::lastError(), ErrorCode::UnsupportedFormat);
            EXPECT_EQ(backend.openModule(file), 0u) << file.toStdString();
            EXPECT_EQ(AudioBackend::lastError(), ErrorCode::UnsupportedFormat);
        }
    }
    EXPECT_EQ(backend.openFile(path("missing.wav")), 0u);
    EXPECT_EQ(AudioBackend::lastError(), ErrorCode::FileOpen);

    // A real WAV file with another extension is still a WAV file.
    testfiles::writeFile(path("wave.mp3"), good);
    EXPECT_NE(backend.openFile(path("wave.mp3")), 0u);
}

// A four-channel module built here: one looped 64-byte sample played once on row 0 of the
// only pattern. 64 rows at speed 6 and 125 BPM last 7.68 s.
QByteArray tinyModule()
{
    QByteArray mod(20, '\0');
    QByteArray sample(30, '\0');
    sample[22] = 0;
    sample[23] = 32; // length in words
    sample[25] = 64; // volume
    sample[29] = 32; // loop length in words
    mod += sample;
    mod += QByteArray(30, '\0').repeated(30);
    mod += char(1);   // song length
    mod += char(127); // restart
    mod += QByteArray(128, '\0');
    mod += "M.K.";
    QByteArray pattern(64 * 4 * 4, '\0');
    const int period = 428;
    pattern[0] = char(period >> 8);
    pattern[1] = char(period & 0xFF);
    pattern[2] = char(1 << 4); // sample 1
    mod += pattern;
    for (int i = 0; i < 64; ++i)
        mod += char(i < 32 ? 100 : -100);
    return mod;
}

TEST_F(DecodersTest, ModulesDecodeAt44100HzStereoWithTheirTypeCode)
{
    testfiles::writeFile(path("tune.mod"), tinyModule());
    AudioBackend backend;
    EXPECT_EQ(backend.openFile(path("tune.mod")), 0u); // not a sampled-audio file
    const Handle module = backend.openModule(path("tune.mod"));
    ASSERT_NE(module, 0u);
    ChannelInfo info;
    ASSERT_TRUE(backend.channelInfo(module, info));
    EXPECT_EQ(info.typeCode, TypeCode::ModMod);
    EXPECT_EQ(info.channels, 2);
    EXPECT_NEAR(double(backend.lengthBytes(module)), 7.68 * BytesPerSecond,
                0.01 * 7.68 * BytesPerSecond);

    const Decoded d = decodeAll(path("tune.mod"));
    EXPECT_NEAR(double(d.stereo.size() / 2), 7.68 * 44100, 0.01 * 7.68 * 44100);
    EXPECT_GT(analysis::rms(analysis::channel(d.stereo, 0), 0, 44100), 0.01);
}

} // namespace
