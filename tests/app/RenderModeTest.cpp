// "quillmere --render" as a user runs it: the real program on generated files.
#include "support/AudioFixtures.h"
#include "support/SignalAnalysis.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sndfile.h>

namespace {

struct Outcome {
    int exitCode = -1;
    QString errors;
};

Outcome quillmere(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral(QUILLMERE_EXECUTABLE), arguments);
    if (!process.waitForFinished(120000))
        return {};
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardError())};
}

class RenderModeTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString input;
    void SetUp() override
    {
        input = dir.filePath(QStringLiteral("sine.wav"));
        ASSERT_TRUE(fixtures::writeSndfile(input, fixtures::sine(440, 2.0, 44100, 2), 44100, 2,
                                           SF_FORMAT_WAV | SF_FORMAT_PCM_16));
    }

    // Renders and checks the output's format, length in frames (within one) and pitch.
    void expectRender(const QStringList &options, double frames, double hz)
    {
        SCOPED_TRACE(options.join(u' ').toStdString());
        const QString out = dir.filePath(QStringLiteral("out.wav"));
        const Outcome run = quillmere(
            QStringList{QStringLiteral("--render"), input, QStringLiteral("--output"), out}
            << options);
        ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();
        SF_INFO info;
        const auto samples = fixtures::readSndfile(out, info);
        EXPECT_EQ(info.samplerate, 44100);
        EXPECT_EQ(info.channels, 2);
        EXPECT_EQ(info.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
        EXPECT_NEAR(double(info.frames), frames, 1);
        const auto left = analysis::channel(samples, 0);
        EXPECT_NEAR(analysis::cents(
                        analysis::frequencyHz(left, left.size() / 10, left.size() * 9 / 10), hz),
                    0, 5);
    }
};

TEST_F(RenderModeTest, RendersTempoPitchAndRanges)
{
    expectRender({QStringLiteral("--speed"), QStringLiteral("-50")}, 4 * 44100, 440);
    expectRender({QStringLiteral("--pitch"), QStringLiteral("12"), QStringLiteral("--stretcher"),
                  QStringLiteral("soundtouch")},
                 2 * 44100, 880);
    expectRender({QStringLiteral("--speed"), QStringLiteral("100"), QStringLiteral("--from"),
                  QStringLiteral("0.5"), QStringLiteral("--to"), QStringLiteral("1.5"),
                  QStringLiteral("--eq"), QStringLiteral("0,0,-3,0,0,0"),
                  QStringLiteral("--reverb"), QStringLiteral("10"), QStringLiteral("--pan"),
                  QStringLiteral("30")},
                 0.5 * 44100, 440);
}

// The section through the player's loop: every repeat exactly B - A long, each with its click.
TEST_F(RenderModeTest, LoopRendersTheSectionRepeated)
{
    const QString clicks = dir.filePath(QStringLiteral("clicks.wav"));
    ASSERT_TRUE(fixtures::writeSndfile(clicks, fixtures::clicks({0.25, 0.75, 1.25}, 2.0, 44100, 2),
                                       44100, 2, SF_FORMAT_WAV | SF_FORMAT_FLOAT));
    const QString out = dir.filePath(QStringLiteral("loop.wav"));
    for (const QString &section : {QStringLiteral("0.5,1"), QStringLiteral("0:00.500,0:01.000")}) {
        const Outcome run = quillmere({QStringLiteral("--render"), clicks,
                                       QStringLiteral("--output"), out, QStringLiteral("--loop"),
                                       section, QStringLiteral("--repeat"), QStringLiteral("4")});
        ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();
        SF_INFO info;
        const auto left = analysis::channel(fixtures::readSndfile(out, info), 0);
        EXPECT_EQ(info.frames, 4 * 22050);
        const auto found = analysis::onsets(left, 0.2f, 4410);
        ASSERT_EQ(found.size(), 4u) << section.toStdString();
        for (size_t i = 0; i < found.size(); ++i)
            EXPECT_NEAR(double(found[i]), 11025 + 22050.0 * double(i), 44) << "repeat " << i;
    }

    // With a pause of 0.2 s before each repeat and two count-in clicks 100 ms apart in
    // it: the pauses add exactly their length, and each repeat comes a pause later.
    const Outcome run =
        quillmere({QStringLiteral("--render"), clicks, QStringLiteral("--output"), out,
                   QStringLiteral("--loop"), QStringLiteral("0.5,1"), QStringLiteral("--repeat"),
                   QStringLiteral("3"), QStringLiteral("--pause"), QStringLiteral("0.2"),
                   QStringLiteral("--count-in"), QStringLiteral("2,100")});
    ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();
    SF_INFO info;
    const auto left = analysis::channel(fixtures::readSndfile(out, info), 0);
    EXPECT_EQ(info.frames, 3 * 22050 + 2 * 8820);
    const auto found = analysis::onsets(left, 0.2f, 2205);
    // Per repeat after the first: two clicks in the pause, then the section's own click.
    ASSERT_EQ(found.size(), 7u);
    for (int repeat = 1; repeat < 3; ++repeat) {
        const double pauseStart = 22050.0 * repeat + 8820.0 * (repeat - 1);
        const double sectionStart = pauseStart + 8820;
        EXPECT_NEAR(double(found[size_t(3 * repeat)]), sectionStart + 11025, 44);
        EXPECT_NEAR(double(found[size_t(3 * repeat - 1)]), sectionStart - 4410, 44);
        EXPECT_NEAR(double(found[size_t(3 * repeat - 2)]), sectionStart - 8820, 44);
    }
}

TEST_F(RenderModeTest, BadArgumentsExitTwoAndFailuresExitOneLeavingNothing)
{
    const QString out = dir.filePath(QStringLiteral("x.wav"));
    const QStringList base{QStringLiteral("--render"), input, QStringLiteral("--output"), out};
    const QList<QStringList> bad = {
        base + QStringList{QStringLiteral("--tempo"), QStringLiteral("5")},
        base + QStringList{QStringLiteral("--speed"), QStringLiteral("301")},
        base + QStringList{QStringLiteral("--pitch"), QStringLiteral("1.5")},
        base + QStringList{QStringLiteral("--eq"), QStringLiteral("1,2,3,4,5")},
        base + QStringList{QStringLiteral("--from"), QStringLiteral("1"), QStringLiteral("--to"),
                           QStringLiteral("1")},
        base + QStringList{QStringLiteral("--stretcher"), QStringLiteral("fast")},
        base + QStringList{QStringLiteral("--pan")},
        base + QStringList{QStringLiteral("--loop"), QStringLiteral("1,0.5")},
        base + QStringList{QStringLiteral("--loop"), QStringLiteral("0:61,1:30")},
        base + QStringList{QStringLiteral("--repeat"), QStringLiteral("2")},
        base + QStringList{QStringLiteral("--pause"), QStringLiteral("1")},
        base + QStringList{QStringLiteral("--loop"), QStringLiteral("0.5,1"),
                           QStringLiteral("--pause"), QStringLiteral("6")},
        base + QStringList{QStringLiteral("--loop"), QStringLiteral("0.5,1"),
                           QStringLiteral("--pause"), QStringLiteral("1"),
                           QStringLiteral("--count-in"), QStringLiteral("9,500")},
        base + QStringList{QStringLiteral("--loop"), QStringLiteral("0.5,1"),
                           QStringLiteral("--from"), QStringLiteral("0.2")},
        {QStringLiteral("--render"), input, QStringLiteral("--output"), input},
        {QStringLiteral("--render"), input},
    };
    for (const QStringList &arguments : bad) {
        const Outcome run = quillmere(arguments);
        EXPECT_EQ(run.exitCode, 2) << arguments.join(u' ').toStdString();
        EXPECT_EQ(run.errors.count(u'\n'), 1) << run.errors.toStdString();
    }
    EXPECT_FALSE(QFile::exists(out));

    QFile text(dir.filePath(QStringLiteral("notes.mp3")));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write(QByteArray("not a song\n").repeated(100));
    text.close();
    EXPECT_EQ(
        quillmere({QStringLiteral("--render"), text.fileName(), QStringLiteral("--output"), out})
            .exitCode,
        1);
    EXPECT_EQ(quillmere({QStringLiteral("--render"), input, QStringLiteral("--output"),
                         dir.filePath(QStringLiteral("no/such/x.wav"))})
                  .exitCode,
              1);
    EXPECT_FALSE(QFile::exists(out));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 2)
        << "a temporary file was left behind";

    const Outcome help = quillmere({QStringLiteral("--help")});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(quillmere({QStringLiteral("--version")}).exitCode, 0);
}

} // namespace
