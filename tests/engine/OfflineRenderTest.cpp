// Offline renders as the window and the command line start them: streamed to a staged file,
// cancelled, refused by a full disc, and dithered to 16 bits.
#include "engine/OfflineRender.h"

#include "audio/WavEncoding.h"
#include "support/AudioFixtures.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

namespace {

// Runs a program and returns its exit status (-1 if it could not run). Through fork and exec
// rather than QProcess: QProcess starts programs vfork-style, its child borrowing this
// process's memory before exec, which leaves ThreadSanitizer's records of the mutexes wrong
// (it then reports races on data every access of which holds the lock).
int run(const std::vector<std::string> &command)
{
    std::vector<char *> argv;
    for (const std::string &word : command)
        argv.push_back(const_cast<char *>(word.c_str()));
    argv.push_back(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        execvp(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class OfflineRenderTest : public ::testing::Test {
protected:
    QTemporaryDir dir;

    QString floatSong(const QString &name, double hz, double seconds, double amplitude)
    {
        const QString path = dir.filePath(name);
        EXPECT_TRUE(fixtures::writeSndfile(path, fixtures::sine(hz, seconds, 44100, 2, amplitude),
                                           44100, 2, SF_FORMAT_WAV | SF_FORMAT_FLOAT));
        return path;
    }

    RenderResult render(const QString &input, const QString &output,
                        const RenderProgress &progress = {})
    {
        RenderRequest request;
        request.input = input;
        request.output = output;
        request.settings.stretcher = QStringLiteral("soundtouch");
        return renderToFile(request, progress);
    }

    // The left channel in steps of the 16-bit output.
    static std::vector<long> leftSteps(const QString &path)
    {
        SF_INFO info;
        const std::vector<float> samples = fixtures::readSndfile(path, info);
        std::vector<long> steps;
        for (size_t i = 0; i < samples.size(); i += 2)
            steps.push_back(std::lrint(samples[i] * 32768.0f));
        return steps;
    }
};

TEST_F(OfflineRenderTest, StreamsWavAndFlacWithTheFramesReallyWrittenAndReportsProgress)
{
    const QString input = floatSong(QStringLiteral("in.wav"), 440, 3.0, 0.5);
    std::vector<std::pair<qint64, qint64>> calls;
    const RenderResult wav =
        render(input, dir.filePath(QStringLiteral("out.wav")), [&](qint64 done, qint64 total) {
            calls.emplace_back(done, total);
            return true;
        });
    ASSERT_EQ(wav.status, RenderResult::Status::Ok) << wav.message.toStdString();
    EXPECT_EQ(wav.frames, 3 * 44100);
    const QByteArray bytes = testfiles::readAll(dir.filePath(QStringLiteral("out.wav")));
    ASSERT_EQ(bytes.size(), 44 + wav.frames * 4);
    EXPECT_EQ(qFromLittleEndian<quint32>(bytes.constData() + 40), quint32(wav.frames * 4));
    EXPECT_EQ(qFromLittleEndian<quint32>(bytes.constData() + 4), quint32(36 + wav.frames * 4));
    ASSERT_GT(calls.size(), 2u) << "progress comes block by block, not once at the end";
    for (size_t i = 1; i < calls.size(); ++i)
        EXPECT_GT(calls[i].first, calls[i - 1].first);
    EXPECT_EQ(calls.back(), std::make_pair(wav.frames, wav.frames));

    const QString flacPath = dir.filePath(QStringLiteral("out.FLAC"));
    ASSERT_EQ(render(input, flacPath).status, RenderResult::Status::Ok);
    SF_INFO info;
    const auto flac = fixtures::readSndfile(flacPath, info);
    EXPECT_EQ(info.format, SF_FORMAT_FLAC | SF_FORMAT_PCM_16);
    EXPECT_EQ(info.frames, 3 * 44100);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 3);

    // A link keeps pointing at the file it names, which holds the new render.
    const QString link = dir.filePath(QStringLiteral("link.wav"));
    ASSERT_TRUE(QFile::link(dir.filePath(QStringLiteral("out.wav")), link));
    testfiles::writeFile(dir.filePath(QStringLiteral("out.wav")), "old");
    ASSERT_EQ(render(input, link).status, RenderResult::Status::Ok);
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(QFileInfo(dir.filePath(QStringLiteral("out.wav"))).size(), bytes.size());
}

TEST_F(OfflineRenderTest, CancelOrAFailureKeepsTheOldFileAndLeavesNoTemporaryOne)
{
    const QString input = floatSong(QStringLiteral("in.wav"), 440, 3.0, 0.5);
    const QString target = dir.filePath(QStringLiteral("old.wav"));
    testfiles::writeFile(target, "an older render");
    int blocks = 0;
    const RenderResult cancelled =
        render(input, target, [&](qint64, qint64) { return ++blocks < 2; });
    EXPECT_EQ(cancelled.status, RenderResult::Status::Cancelled);
    EXPECT_EQ(blocks, 2);
    EXPECT_EQ(render(input, input).status, RenderResult::Status::CannotWrite);
    EXPECT_EQ(render(input, dir.filePath(QStringLiteral("no/such/x.wav"))).status,
              RenderResult::Status::CannotWrite);
    EXPECT_EQ(testfiles::readAll(target), "an older render");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList({QStringLiteral("in.wav"), QStringLiteral("old.wav")}));
}

TEST_F(OfflineRenderTest, AFullDiscIsAClearFailureAndLeavesNothing)
{
    const QString input = floatSong(QStringLiteral("in.wav"), 440, 10.0, 0.5);
    const QString small = dir.filePath(QStringLiteral("small"));
    ASSERT_TRUE(QDir().mkpath(small));
    const std::string folder = small.toStdString();
    if (run({"mount", "-t", "tmpfs", "-o", "size=128k", "tmpfs", folder}) != 0)
        GTEST_SKIP() << "cannot mount a small tmpfs here (needs root): full-disc case not tested";
    const RenderResult wav = render(input, small + QStringLiteral("/full.wav"));
    const RenderResult flac = render(input, small + QStringLiteral("/full.flac"));
    const QStringList left = QDir(small).entryList(QDir::Files | QDir::Hidden);
    run({"umount", folder});
    EXPECT_EQ(wav.status, RenderResult::Status::CannotWrite);
    EXPECT_TRUE(wav.message.contains(QStringLiteral("No space left"))) << wav.message.toStdString();
    EXPECT_EQ(flac.status, RenderResult::Status::CannotWrite);
    EXPECT_EQ(left, QStringList());
}

// A sine at -100 dBFS is a third of one step: rounded without dither it would vanish, and a
// little louder it would turn into a square wave. Dithered, it stays in the noise, on average
// exactly itself.
TEST_F(OfflineRenderTest, SixteenBitOutputIsDitheredReproduciblyAndFullScaleDoesNotWrap)
{
    const double amplitude = std::pow(10.0, -100.0 / 20.0);
    const QString quiet = floatSong(QStringLiteral("quiet.wav"), 441, 2.0, amplitude);
    ASSERT_EQ(render(quiet, dir.filePath(QStringLiteral("a.wav"))).status,
              RenderResult::Status::Ok);
    const std::vector<long> steps = leftSteps(dir.filePath(QStringLiteral("a.wav")));
    ASSERT_EQ(steps.size(), 2u * 44100);
    size_t nonZero = 0, changes = 0;
    double inPhase = 0, quadrature = 0;
    for (size_t i = 0; i < steps.size(); ++i) {
        EXPECT_LE(std::abs(steps[i]), 2) << "at " << i;
        nonZero += steps[i] != 0;
        changes += i > 0 && steps[i] != steps[i - 1];
        const double phase = 2 * std::numbers::pi * 441 * double(i) / 44100;
        inPhase += double(steps[i]) * std::sin(phase);
        quadrature += double(steps[i]) * std::cos(phase);
    }
    // Triangular noise of +-1 step moves a quarter of the samples off zero.
    EXPECT_GT(nonZero, steps.size() / 6) << "the quiet sine was rounded away";
    EXPECT_GT(changes, steps.size() / 6) << "a square wave changes only twice a period";
    const double found = 2 * std::hypot(inPhase, quadrature) / double(steps.size());
    EXPECT_NEAR(found, amplitude * 32767, 0.1) << "the sine must survive under the noise";

    ASSERT_EQ(render(quiet, dir.filePath(QStringLiteral("b.wav"))).status,
              RenderResult::Status::Ok);
    EXPECT_EQ(testfiles::readAll(dir.filePath(QStringLiteral("a.wav"))),
              testfiles::readAll(dir.filePath(QStringLiteral("b.wav"))));

    const QString loud = floatSong(QStringLiteral("loud.wav"), 100, 1.0, 1.0);
    ASSERT_EQ(render(loud, dir.filePath(QStringLiteral("loud-out.wav"))).status,
              RenderResult::Status::Ok);
    const std::vector<long> full = leftSteps(dir.filePath(QStringLiteral("loud-out.wav")));
    ASSERT_FALSE(full.empty());
    EXPECT_GE(*std::max_element(full.begin(), full.end()), 32700);
    EXPECT_LE(*std::min_element(full.begin(), full.end()), -32700);
    for (size_t i = 1; i < full.size(); ++i)
        ASSERT_LT(std::abs(full[i] - full[i - 1]), 2000) << "wrapped at " << i;
}

// At the song's own speed and pitch, with flat bands, no reverb and the balance centred, every
// stage is left out or passes exactly: a 16-bit song comes back as itself, whichever stretcher
// is chosen, full scale and digital silence included.
TEST_F(OfflineRenderTest, ANeutralRenderIsTheSixteenBitSourceSampleForSample)
{
    QRandomGenerator random(7);
    QByteArray pcm;
    for (int i = 0; i < 3 * 44100; ++i) {
        for (int channel = 0; channel < 2; ++channel) {
            const double tone = 20000 * std::sin(2 * std::numbers::pi * 440 * i / 44100.0);
            qint16 sample = qint16(std::lrint(tone) + int(random.bounded(-500, 501)));
            if (i % 10000 < 4)
                sample = i % 2 ? qint16(32767) : qint16(-32768); // full scale both ways
            if (i > 2 * 44100 && i < 2 * 44100 + 2000)
                sample = 0; // digital silence
            char bytes[2];
            qToLittleEndian(sample, bytes);
            pcm.append(bytes, 2);
        }
    }
    const QString input = dir.filePath(QStringLiteral("in16.wav"));
    testfiles::writeFile(input, quillmere::audio::wavHeader16(quint32(pcm.size())) + pcm);
    for (const char *name : {"soundtouch", "rubberband"}) {
        const QString stretcher = QString::fromLatin1(name);
        RenderRequest request;
        request.input = input;
        request.output = dir.filePath(stretcher + QStringLiteral(".wav"));
        request.settings.stretcher = stretcher;
        ASSERT_EQ(renderToFile(request).status, RenderResult::Status::Ok);
        const QByteArray out = testfiles::readAll(request.output);
        ASSERT_EQ(out.size(), 44 + pcm.size()) << stretcher.toStdString();
        EXPECT_TRUE(out.mid(44) == pcm) << stretcher.toStdString();
    }
}

} // namespace
