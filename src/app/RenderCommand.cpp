#include "app/RenderCommand.h"

#include "common/AppPaths.h"
#include "common/IniFile.h"

#include <QFileInfo>

#include <cmath>
#include <cstdio>

namespace RenderCommand {
namespace {

struct Range {
    int low;
    int high;
};

bool toInt(const QString &text, Range range, int &value)
{
    bool ok = false;
    value = text.toInt(&ok);
    return ok && value >= range.low && value <= range.high;
}

bool toSeconds(const QString &text, double &value)
{
    bool ok = false;
    value = text.toDouble(&ok);
    return ok && value >= 0 && std::isfinite(value);
}

// Seconds as "12.5" or "m:ss.mmm" ("1:02.250").
bool toTime(const QString &text, double &value)
{
    const qsizetype colon = text.indexOf(u':');
    if (colon < 0)
        return toSeconds(text, value);
    bool ok = false;
    const int minutes = text.left(colon).toInt(&ok);
    double seconds = 0;
    if (!ok || minutes < 0 || !toSeconds(text.mid(colon + 1), seconds) || seconds >= 60)
        return false;
    value = minutes * 60.0 + seconds;
    return true;
}

QString parseLoop(const QString &text, RenderRequest &r)
{
    const QStringList ends = text.split(u',');
    if (ends.size() != 2 || !toTime(ends[0], r.loopFromSeconds) ||
        !toTime(ends[1], r.loopToSeconds) || r.loopToSeconds <= r.loopFromSeconds)
        return QStringLiteral("--loop %1: expected A,B in seconds or m:ss.mmm, A before B")
            .arg(text);
    return {};
}

// "N,BEAT_MS": N clicks (1-8) a beat of BEAT_MS (100-5000) apart.
QString parseCountIn(const QString &text, LoopBreath &breath)
{
    const QStringList parts = text.split(u',');
    if (parts.size() != 2 || !toInt(parts[0], {1, 8}, breath.clicks) ||
        !toInt(parts[1], {100, 5000}, breath.beatMs))
        return QStringLiteral("--count-in %1: expected N,BEAT_MS with N from 1 to 8 and the beat "
                              "from 100 to 5000 ms")
            .arg(text);
    return {};
}

QString outOfRange(const QString &option, const QString &value, Range range)
{
    return QStringLiteral("%1 %2: expected an integer from %3 to %4")
        .arg(option, value)
        .arg(range.low)
        .arg(range.high);
}

bool parseEq(const QString &text, PlayerSettings &settings)
{
    const QStringList gains = text.split(u',');
    if (gains.size() != PlayerSettings::Bands)
        return false;
    for (int i = 0; i < PlayerSettings::Bands; ++i) {
        if (!toInt(gains[i], {-10, 10}, settings.eq[size_t(i)]))
            return false;
    }
    return true;
}

// Applies one "--option value" pair; returns an error line, or nothing.
QString applyOption(const QString &option, const QString &value, RenderRequest &r, Range speed)
{
    PlayerSettings &s = r.settings;
    if (option == u"--render")
        r.input = value;
    else if (option == u"--output")
        r.output = value;
    else if (option == u"--speed")
        return toInt(value, speed, s.speed) ? QString() : outOfRange(option, value, speed);
    else if (option == u"--pitch")
        return toInt(value, {-24, 24}, s.pitch) ? QString() : outOfRange(option, value, {-24, 24});
    else if (option == u"--reverb")
        return toInt(value, {0, 20}, s.reverb) ? QString() : outOfRange(option, value, {0, 20});
    else if (option == u"--pan")
        return toInt(value, {-100, 100}, s.pan) ? QString()
                                                : outOfRange(option, value, {-100, 100});
    else if (option == u"--eq")
        return parseEq(value, s)
                   ? QString()
                   : QStringLiteral(
                         "--eq %1: expected six integers from -10 to 10, separated by commas")
                         .arg(value);
    else if (option == u"--from" || option == u"--to") {
        double seconds = 0;
        if (!toSeconds(value, seconds))
            return QStringLiteral("%1 %2: expected seconds, 0 or more").arg(option, value);
        (option == u"--from" ? r.fromSeconds : r.toSeconds) = seconds;
    } else if (option == u"--loop") {
        return parseLoop(value, r);
    } else if (option == u"--repeat") {
        return toInt(value, {1, 10000}, r.repeats) ? QString()
                                                   : outOfRange(option, value, {1, 10000});
    } else if (option == u"--pause") {
        double seconds = 0;
        if (!toSeconds(value, seconds) || seconds > 5)
            return QStringLiteral("--pause %1: expected seconds from 0 to 5").arg(value);
        r.breath.pauseMs = int(std::lround(seconds * 1000));
    } else if (option == u"--count-in") {
        return parseCountIn(value, r.breath);
    } else if (option == u"--stretcher") {
        if (value != u"soundtouch" && value != u"rubberband")
            return QStringLiteral("--stretcher %1: expected soundtouch or rubberband").arg(value);
        s.stretcher = value;
    } else {
        return QStringLiteral("unknown option %1 (see quillmere --help)").arg(option);
    }
    return {};
}

QString checkWhole(const RenderRequest &r)
{
    if (r.input.isEmpty())
        return QStringLiteral("--render needs an input file");
    if (r.output.isEmpty())
        return QStringLiteral("--output needs a file name");
    if (r.toSeconds >= 0 && r.fromSeconds >= r.toSeconds)
        return QStringLiteral("--from must be before --to");
    if (r.loopToSeconds >= 0 && (r.fromSeconds > 0 || r.toSeconds >= 0))
        return QStringLiteral("--loop cannot go with --from or --to");
    if (r.loopToSeconds < 0 && r.repeats != 1)
        return QStringLiteral("--repeat needs --loop");
    if (r.loopToSeconds < 0 && (r.breath.pauseMs > 0 || r.breath.clicks > 0))
        return QStringLiteral("--pause and --count-in need --loop");
    if (r.breath.clicks > 0 && r.breath.pauseMs == 0)
        return QStringLiteral("--count-in needs a --pause to sound in");
    const QFileInfo in(r.input), out(r.output);
    if (in.absoluteFilePath() == out.absoluteFilePath() ||
        (out.exists() && in.canonicalFilePath() == out.canonicalFilePath()))
        return QStringLiteral("the output would overwrite the input");
    return {};
}

} // namespace

Parsed parse(const QStringList &arguments, int minSpeed, int maxSpeed)
{
    RenderRequest request;
    for (int i = 0; i < arguments.size(); i += 2) {
        const QString &option = arguments[i];
        if (i + 1 >= arguments.size())
            return {std::nullopt, option.startsWith(u"--")
                                      ? QStringLiteral("%1 needs a value").arg(option)
                                      : QStringLiteral("unexpected argument %1").arg(option)};
        const QString error = applyOption(option, arguments[i + 1], request, {minSpeed, maxSpeed});
        if (!error.isEmpty())
            return {std::nullopt, error};
    }
    const QString error = checkWhole(request);
    if (!error.isEmpty())
        return {std::nullopt, error};
    return {request, {}};
}

QString usage()
{
    return QStringLiteral(
        "Usage: quillmere [FILE...]\n"
        "       quillmere --render INPUT --output OUT.wav [options]\n"
        "\n"
        "Renders INPUT through the player's practice chain to a 44100 Hz 16-bit stereo file,\n"
        "dithered: FLAC when OUT ends in .flac, WAV otherwise.\n"
        "  --speed PERCENT        tempo change, 0 = as recorded, -50 = half speed (-75..300)\n"
        "  --pitch SEMITONES      transposition without changing the tempo (-24..24)\n"
        "  --eq G250,G500,G1000,G2000,G4000,G8000\n"
        "                         equaliser gains in dB (-10..10 each)\n"
        "  --reverb LEVEL         reverb level (0..20, 0 = off)\n"
        "  --pan VALUE            balance (-100 = left only .. 100 = right only)\n"
        "  --from SECONDS         start at this point of the song\n"
        "  --to SECONDS           stop at this point of the song\n"
        "  --loop A,B             repeat the section from A to B (seconds or m:ss.mmm) "
        "seamlessly,\n"
        "                         as the player's A-B repeat does\n"
        "  --repeat N             how many times the --loop section plays (1..10000, default 1)\n"
        "  --pause SECONDS        silence before each repeat of the --loop section (0..5)\n"
        "  --count-in N,BEAT_MS   N clicks (1..8) a beat apart in that pause, the last a beat\n"
        "                         before the section comes back\n"
        "  --stretcher NAME       rubberband (best quality, the default) or soundtouch (fastest)\n"
        "  --help, --version      this text; the version\n"
        "\n"
        "Exit status: 0 done, 1 the input cannot be decoded or the output cannot be written,\n"
        "2 bad arguments. Nothing partial is left behind.\n");
}

int run(const QStringList &arguments)
{
    const quillmere::IniFile ini = quillmere::IniFile::load(quillmere::AppPaths::settingsFile());
    const int minSpeed = ini.readInteger(u"Option", u"MinOfSpeed", -75);
    const int maxSpeed = ini.readInteger(u"Option", u"MaxOfSpeed", 300);
    Parsed parsed = parse(arguments, minSpeed, maxSpeed);
    if (!parsed.request) {
        std::fprintf(stderr, "quillmere: %s\n", qPrintable(parsed.error));
        return 2;
    }
    parsed.request->pluginFolder = quillmere::AppPaths::pluginDir();
    const RenderResult result = renderToFile(*parsed.request);
    if (result.status != RenderResult::Status::Ok) {
        std::fprintf(stderr, "quillmere: %s\n", qPrintable(result.message));
        return 1;
    }
    return 0;
}

} // namespace RenderCommand
