// Ripping speed: a 10-minute disc image read through the ripping stream into a WAV file,
// against cd-paranoia reading the same image in the same run, with the audio bytes compared.
// Run: build/default/bench/bench_cd_rip [cd-paranoia path]
#include "audio/cd/CdRipStream.h"
#include "cd/CdWavWriter.h"
#include "common/Units.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtEndian>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

constexpr int Seconds = 600;
constexpr qint64 SectorBytes = 2352;

// Music-like content (two tones and a little noise), so that cd-paranoia's guess of the byte
// order from the samples comes out right, as it does on real discs.
void writeImage(const QString &folder)
{
    QFile bin(folder + QStringLiteral("/disc.bin"));
    if (!bin.open(QIODevice::WriteOnly))
        std::exit(1);
    using quillmere::BytesPerFrame;
    using quillmere::PositionRate; // a CD's own rate
    const qint64 frames = qint64(Seconds) * PositionRate;
    std::vector<char> block(quillmere::BytesPerSecond);
    quint32 noise = 1;
    for (qint64 f0 = 0; f0 < frames; f0 += PositionRate) {
        for (int i = 0; i < PositionRate; ++i) {
            const double t = double(f0 + i) / PositionRate;
            noise = noise * 1664525u + 1013904223u;
            const double v = 0.4 * std::sin(2 * M_PI * 440 * t) +
                             0.2 * std::sin(2 * M_PI * 97 * t) +
                             double(int(noise >> 20) - 2048) / 2048.0 * 0.01;
            const auto left = qint16(std::lround(v * 32000));
            const auto right = qint16(std::lround(v * 30000));
            qToLittleEndian(left, block.data() + i * BytesPerFrame);
            qToLittleEndian(right, block.data() + i * BytesPerFrame + 2);
        }
        bin.write(block.data(), qint64(block.size()));
    }
    bin.close();
    QFile cue(folder + QStringLiteral("/disc.cue"));
    if (!cue.open(QIODevice::WriteOnly))
        std::exit(1);
    cue.write("FILE \"disc.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n");
}

QByteArray pcmOf(const QString &wav)
{
    QFile f(wav);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll().mid(44);
}

struct OurRun {
    double seconds = -1; // -1: the rip failed
    double finishSeconds = 0;
    int repaired = 0;
    int unreadable = 0;
};

OurRun ripOurs(const QString &image, const QString &wav)
{
    OurRun run;
    QElapsedTimer timer;
    timer.start();
    auto stream = quillmere::audio::CdRipStream::open(image, 0);
    quillmere::cd::CdWavWriter writer;
    if (!stream || !writer.open(wav))
        return run;
    std::vector<char> block(20000);
    qint64 n = 0;
    while ((n = stream->read(block.data(), qint64(block.size()))) > 0)
        if (!writer.write(block.data(), n))
            return run;
    const double beforeFinish = timer.nsecsElapsed() / 1e9;
    if (n < 0 || !writer.finish())
        return run;
    run.seconds = timer.nsecsElapsed() / 1e9;
    run.finishSeconds = run.seconds - beforeFinish;
    run.repaired = stream->repairedSectors();
    run.unreadable = stream->unreadableSectors();
    return run;
}

// Seconds, or -1 when cd-paranoia could not be run.
double ripTheirs(const QString &paranoia, const QString &image, const QString &wav)
{
    QElapsedTimer timer;
    timer.start();
    const int rc = QProcess::execute(paranoia, {QStringLiteral("-q"), QStringLiteral("-d"), image,
                                                QStringLiteral("-w"), QStringLiteral("1"), wav});
    return rc == 0 ? timer.nsecsElapsed() / 1e9 : -1;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

// Rounds alternate which rip goes first, so that neither always finds the disc busy with the
// other's write-back; the image itself is on the disc before the first round.
int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString paranoia =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("cd-paranoia");
    constexpr int Rounds = 5;
    QTemporaryDir dir;
    writeImage(dir.path());
    ::sync();
    const QString image = dir.filePath(QStringLiteral("disc.cue"));
    const QString ours = dir.filePath(QStringLiteral("ours.wav"));
    const QString theirs = dir.filePath(QStringLiteral("theirs.wav"));

    std::printf("image: %d s of audio, %lld bytes; %d rounds\n", Seconds,
                quillmere::secondsToBytes(Seconds), Rounds);
    std::vector<double> oursSeconds, finishSeconds, theirsSeconds;
    bool identical = true;
    for (int round = 0; round < Rounds; ++round) {
        QFile::remove(ours);
        QFile::remove(theirs);
        OurRun a;
        double b = 0;
        if (round % 2 == 0) {
            a = ripOurs(image, ours);
            b = ripTheirs(paranoia, image, theirs);
        } else {
            b = ripTheirs(paranoia, image, theirs);
            a = ripOurs(image, ours);
        }
        if (a.seconds < 0)
            return 1;
        oursSeconds.push_back(a.seconds);
        finishSeconds.push_back(a.finishSeconds);
        std::printf("round %d: quillmere %.2f s (%.0fx; final fsync and rename %.2f s; %d "
                    "repaired, %d unreadable)",
                    round + 1, a.seconds, Seconds / a.seconds, a.finishSeconds, a.repaired,
                    a.unreadable);
        if (b < 0) {
            std::printf(", cd-paranoia not run\n");
            continue;
        }
        theirsSeconds.push_back(b);
        const bool same = pcmOf(ours) == pcmOf(theirs);
        identical = identical && same;
        std::printf(", cd-paranoia -w %.2f s (%.0fx), bytes identical: %s\n", b, Seconds / b,
                    same ? "yes" : "NO");
        std::fflush(stdout);
    }
    std::printf("median: quillmere %.2f s (%.0fx, fsync and rename %.2f s)", median(oursSeconds),
                Seconds / median(oursSeconds), median(finishSeconds));
    if (!theirsSeconds.empty())
        std::printf(", cd-paranoia -w %.2f s (%.0fx)", median(theirsSeconds),
                    Seconds / median(theirsSeconds));
    std::printf("\n");
    return identical ? 0 : 2;
}
