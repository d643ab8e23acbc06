#include "audio/cd/CdImageMaker.h"

#include <QFile>
#include <QTextStream>

#include <stdexcept>

namespace quillmere::test {
namespace {

constexpr qint64 SectorBytes = 2352;
constexpr qint64 SectorsPerSecond = 75;

QByteArray trackPattern(int track, qint64 sectors)
{
    QByteArray bytes(sectors * SectorBytes, Qt::Uninitialized);
    quint32 state = 0x9e3779b9u * quint32(track + 1);
    for (qint64 i = 0; i < bytes.size(); ++i) {
        state = state * 1664525u + 1013904223u; // a cheap generator is enough to tell bytes apart
        bytes[i] = char(state >> 24);
    }
    return bytes;
}

QString msf(qint64 sectors)
{
    const qint64 frames = sectors % SectorsPerSecond;
    const qint64 seconds = sectors / SectorsPerSecond;
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'))
        .arg(frames, 2, 10, QLatin1Char('0'));
}

std::vector<QByteArray> writeBin(const QString &binPath, const std::vector<ImageTrack> &tracks)
{
    QFile bin(binPath);
    if (!bin.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw std::runtime_error("cannot write the disc image");
    std::vector<QByteArray> pcm;
    for (size_t t = 0; t < tracks.size(); ++t) {
        const QByteArray bytes = trackPattern(int(t), tracks[t].sectors);
        bin.write(bytes);
        pcm.push_back(tracks[t].data ? QByteArray() : bytes);
    }
    return pcm;
}

void writeText(const QString &path, const QString &text)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(text.toUtf8()) < 0)
        throw std::runtime_error("cannot write the table of contents");
}

} // namespace

std::vector<ImageTrack> audioTracks(int count, int seconds)
{
    ImageTrack track;
    track.sectors = seconds * SectorsPerSecond;
    return std::vector<ImageTrack>(size_t(count), track);
}

MadeImage makeCueImage(const QString &folder, const QString &name,
                       const std::vector<ImageTrack> &tracks)
{
    // libcdio opens "<cue name>.bin" whatever the FILE line says.
    const QString base = folder + QLatin1Char('/') + name;
    MadeImage made{base + QStringLiteral(".cue"), writeBin(base + QStringLiteral(".bin"), tracks)};
    QString cue = QStringLiteral("FILE \"%1.bin\" BINARY\n").arg(name);
    qint64 start = 0;
    for (size_t t = 0; t < tracks.size(); ++t) {
        cue += QStringLiteral("  TRACK %1 %2\n    INDEX 01 %3\n")
                   .arg(t + 1, 2, 10, QLatin1Char('0'))
                   .arg(tracks[t].data ? QStringLiteral("MODE1/2352") : QStringLiteral("AUDIO"))
                   .arg(msf(start));
        start += tracks[t].sectors;
    }
    writeText(made.path, cue);
    return made;
}

MadeImage makeTocImage(const QString &folder, const QString &name,
                       const std::vector<ImageTrack> &tracks)
{
    // The TOC's file names are taken relative to the working folder: give them in full.
    const QString base = folder + QLatin1Char('/') + name;
    MadeImage made{base + QStringLiteral(".toc"), writeBin(base + QStringLiteral(".bin"), tracks)};
    QString toc = QStringLiteral("CD_DA\nCD_TEXT {\n  LANGUAGE_MAP { 0: EN }\n"
                                 "  LANGUAGE 0 {\n    TITLE \"Disc\"\n  }\n}\n");
    qint64 start = 0;
    for (const ImageTrack &track : tracks) {
        toc += track.data ? QStringLiteral("TRACK MODE1_RAW\n") : QStringLiteral("TRACK AUDIO\n");
        if (track.title) {
            toc += QStringLiteral("CD_TEXT {\n  LANGUAGE 0 {\n    TITLE \"%1\"\n  }\n}\n")
                       .arg(QString::fromUtf8(*track.title));
        }
        const QString length = msf(track.sectors + track.missingSectors);
        if (track.data) {
            toc += QStringLiteral("DATAFILE \"%1.bin\" #%2 %3\n")
                       .arg(base)
                       .arg(start * SectorBytes)
                       .arg(length);
        } else {
            toc += QStringLiteral("FILE \"%1.bin\" %2 %3\n").arg(base, msf(start), length);
        }
        start += track.sectors;
    }
    writeText(made.path, toc);
    return made;
}

} // namespace quillmere::test
