#include "audio/cd/CdImageMaker.h"

#include <QFile>
#include <QTextStream>

#include <iconv.h>

#include <algorithm>
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

QByteArray toShiftJis(const QByteArray &utf8)
{
    iconv_t convert = iconv_open("SHIFT_JIS", "UTF-8");
    if (convert == iconv_t(-1))
        throw std::runtime_error("no Shift-JIS converter");
    QByteArray in = utf8;
    QByteArray out(utf8.size() * 2 + 4, '\0');
    char *from = in.data();
    char *to = out.data();
    size_t left = size_t(in.size());
    size_t room = size_t(out.size());
    const size_t result = iconv(convert, &from, &left, &to, &room);
    iconv_close(convert);
    if (result == size_t(-1))
        throw std::runtime_error("a title has no Shift-JIS form");
    out.truncate(out.size() - qsizetype(room));
    return out;
}

// CRC-16 (CCITT, inverted) over a pack's 16 bytes, as a disc's lead-in carries it.
quint16 packCrc(const char *pack)
{
    quint16 crc = 0;
    for (int i = 0; i < 16; ++i) {
        crc ^= quint16(quint8(pack[i]) << 8);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x8000) ? quint16((crc << 1) ^ 0x1021) : quint16(crc << 1);
    }
    return quint16(~crc);
}

void appendPack(QByteArray &packs, quint8 type, quint8 track, quint8 flags, const char *text)
{
    const quint8 sequence = quint8(packs.size() / 18);
    QByteArray pack;
    pack.append(char(type)).append(char(track)).append(char(sequence)).append(char(flags));
    pack.append(text, 12);
    const quint16 crc = packCrc(pack.constData());
    packs.append(pack).append(char(crc >> 8)).append(char(crc & 0xff));
}

// The binary CD-TEXT of a Japanese disc: one block in MS-JIS (two bytes a character, a
// double NUL after each title), the disc's title "Disc" and the tracks' titles, then the three
// size-information packs. A track without a title has an empty one, which libcdio reports as
// none.
QByteArray japaneseCdText(const std::vector<ImageTrack> &tracks)
{
    QByteArray text = toShiftJis("Disc") + QByteArray(2, '\0');
    std::vector<qsizetype> starts{0};
    for (const ImageTrack &track : tracks) {
        starts.push_back(text.size());
        text += toShiftJis(track.title.value_or(QByteArray())) + QByteArray(2, '\0');
    }
    text.append(QByteArray((12 - text.size() % 12) % 12, '\0'));
    QByteArray packs;
    for (qsizetype at = 0; at < text.size(); at += 12) {
        const size_t track =
            size_t(std::upper_bound(starts.begin(), starts.end(), at) - starts.begin() - 1);
        const auto position = quint8(std::min<qsizetype>((at - starts[track]) / 2, 15));
        appendPack(packs, 0x80, quint8(track), quint8(0x80 | position), text.constData() + at);
    }
    const auto titlePacks = char(packs.size() / 18);
    QByteArray info(36, '\0');
    info[0] = char(0x80); // MS-JIS
    info[1] = 1;
    info[2] = char(tracks.size());
    info[4] = titlePacks;            // packs of type 0x80
    info[19] = 3;                    // and of 0x8f, these
    info[20] = char(titlePacks + 2); // the last sequence number of block 0
    info[28] = 0x69;                 // Japanese
    for (int i = 0; i < 3; ++i)
        appendPack(packs, 0x8f, quint8(i), 0, info.constData() + 12 * i);
    return packs;
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
    if (std::any_of(tracks.begin(), tracks.end(), [](const ImageTrack &t) { return t.title; })) {
        QFile text(base + QStringLiteral(".cdt"));
        if (!text.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            text.write(japaneseCdText(tracks)) < 0)
            throw std::runtime_error("cannot write the CD-TEXT file");
        cue.prepend(QStringLiteral("CDTEXTFILE \"%1.cdt\"\n").arg(name));
    }
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
