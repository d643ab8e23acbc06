// Ripping speed: a 10-minute disc image read through the ripping stream into a WAV file,
// against cd-paranoia reading the same image in the same run, with the audio bytes compared.
// Run: build/default/bench/bench_cd_rip [cd-paranoia path]
#include "audio/cd/CdRipStream.h"
#include "cd/CdWavWriter.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtEndian>

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
    const qint64 frames = qint64(Seconds) * 44100;
    std::vector<char> block(44100 * 4);
    quint32 noise = 1;
    for (qint64 f0 = 0; f0 < frames; f0 += 44100) {
        for (int i = 0; i < 44100; ++i) {
            const double t = double(f0 + i) / 44100.0;
            noise = noise * 1664525u + 1013904223u;
            const double v = 0.4 * std::sin(2 * M_PI * 440 * t) +
                             0.2 * std::sin(2 * M_PI * 97 * t) +
                             double(int(noise >> 20) - 2048) / 2048.0 * 0.01;
            const auto left = qint16(std::lround(v * 32000));
            const auto right = qint16(std::lround(v * 30000));
            qToLittleEndian(left, block.data() + i * 4);
            qToLittleEndian(right, block.data() + i * 4 + 2);
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

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString paranoia =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("cd-paranoia");
    QTemporaryDir dir;
    writeImage(dir.path());
    const QString image = dir.filePath(QStringLiteral("disc.cue"));

    QElapsedTimer timer;
    timer.start();
    auto stream = quillmere::audio::CdRipStream::open(image, 0);
    quillmere::cd::CdWavWriter writer;
    const QString ours = dir.filePath(QStringLiteral("ours.wav"));
    if (!stream || !writer.open(ours))
        return 1;
    std::vector<char> block(20000);
    qint64 n = 0;
    while ((n = stream->read(block.data(), qint64(block.size()))) > 0)
        writer.write(block.data(), n);
    const double beforeFinish = timer.nsecsElapsed() / 1e9;
    if (n < 0 || !writer.finish())
        return 1;
    const double oursSeconds = timer.nsecsElapsed() / 1e9;

    timer.restart();
    const QString theirs = dir.filePath(QStringLiteral("theirs.wav"));
    const int rc = QProcess::execute(paranoia, {QStringLiteral("-q"), QStringLiteral("-d"), image,
                                                QStringLiteral("-w"), QStringLiteral("1"), theirs});
    const double theirsSeconds = timer.nsecsElapsed() / 1e9;

    std::printf("image: %d s of audio, %lld bytes\n", Seconds, qint64(Seconds) * 176400);
    std::printf("quillmere ripping stream + WAV writer: %.2f s, %.0fx real time, %d repaired, %d "
                "unreadable\n",
                oursSeconds, Seconds / oursSeconds, stream->repairedSectors(),
                stream->unreadableSectors());
    std::printf("  of which the final fsync and rename: %.2f s\n", oursSeconds - beforeFinish);
    if (rc != 0) {
        std::printf("cd-paranoia: not run (exit %d)\n", rc);
        return 0;
    }
    std::printf("cd-paranoia -w: %.2f s, %.0fx real time\n", theirsSeconds,
                Seconds / theirsSeconds);
    const QByteArray a = pcmOf(ours), b = pcmOf(theirs);
    std::printf("audio bytes identical: %s (%lld and %lld bytes)\n", a == b ? "yes" : "NO",
                qint64(a.size()), qint64(b.size()));
    return a == b ? 0 : 2;
}
