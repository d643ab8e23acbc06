// The seam of an A-B repeat, measured offline through the real back end: a tone with one
// click inside a 0.6 s section, the section repeated 20 times, at -50, 0 and +100 % with both
// stretchers. Two ways of repeating are compared on the same file:
//   stream: the back end's loop range (the decoder wraps at B with a crossfade)
//   timer:  the old way, modelled at its best: the position is polled every 50 ms of output
//           and, once past B, a seek to A is made (no UI jitter; offline, the refill after a
//           seek costs no silence, which on a sound card it does)
// Columns:
//   repeat error: the largest difference between a repeat's length (click to click) and
//                 (B - A) / speed, in ms. A stretcher moves a click by part of its own hop
//                 whatever the loop does, so "stretcher alone" gives the same figure for
//                 clicks 0.6 s apart played straight through: the seam adds what exceeds it.
//   clicks:       clicks found of the 20 (SoundTouch at double speed skips part of its input
//                 by design, and a one-sample click with it)
//   seam / inside: the largest sample-to-sample step within 10 ms of the seams against the
//                 largest step of the tone inside the loop, away from seams and click; above
//                 1 is a step the music does not have (equal-power gains can reach 1.41 on a
//                 tone that meets itself in phase)
// Prints one table; not a timing benchmark.
#include "audio/AudioBackend.h"
#include "audio/stretch/Stretcher.h"

#include <QTemporaryDir>

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <vector>

using namespace quillmere::audio;

namespace {

constexpr double Rate = 44100;
constexpr qint64 A = 44100;                 // 1.0 s
constexpr qint64 B = A + 27065;             // 1.614 s: not a whole number of timer ticks
constexpr double ClickOffset = 0.2 * 44100; // into the section
constexpr int Repeats = 20;

bool writeFile(const QString &path, double seconds, const std::vector<double> &clicksAt)
{
    const size_t frames = size_t(seconds * Rate);
    std::vector<float> samples(frames * 2);
    for (size_t i = 0; i < frames; ++i)
        samples[2 * i] = samples[2 * i + 1] =
            float(0.05 * std::sin(2 * std::numbers::pi * 221.5 * double(i) / Rate));
    for (double at : clicksAt)
        samples[2 * size_t(at)] = samples[2 * size_t(at) + 1] = 0.9f;
    SF_INFO info{};
    info.samplerate = int(Rate);
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE *file = sf_open(path.toLocal8Bit().constData(), SFM_WRITE, &info);
    if (!file)
        return false;
    sf_writef_float(file, samples.data(), sf_count_t(frames));
    sf_close(file);
    return true;
}

enum class Method { Stream, Timer, Straight };

struct Rendered {
    std::vector<float> mono;   // the left channel
    std::vector<size_t> seams; // output frames where the audio of A follows the audio of B
};

// Renders the section repeated (or, Straight, the file from A) in 10 ms buffers, as a sound
// card asks for them; the timer looks at the position every fifth buffer.
Rendered render(const QString &path, Stretcher::Kind kind, int percent, Method method)
{
    AudioBackend backend;
    backend.init(QStringLiteral("offline"));
    backend.setStretcherKind(kind);
    const Handle channel = backend.createTempoChannel(backend.openFile(path));
    backend.setTempo(channel, float(percent), -100);
    if (method == Method::Stream)
        backend.setLoopRange(channel, framesToBytes(A), framesToBytes(B));
    backend.setPositionBytes(channel, framesToBytes(A));
    backend.play(channel, false);
    const double speed = 1 + percent / 100.0;
    const double period = double(B - A) / speed;
    const size_t wanted = size_t((Repeats + 0.5) * period);
    Rendered r;
    std::vector<float> buffer(2 * 441);
    for (int tick = 1; r.mono.size() < wanted; ++tick) {
        const int n = backend.renderOffline(buffer.data(), 441);
        if (n <= 0)
            break;
        for (int i = 0; i < n; ++i)
            r.mono.push_back(buffer[size_t(2 * i)]);
        if (method == Method::Timer && tick % 5 == 0 &&
            bytesToFrames(backend.positionBytes(channel)) + qint64(441 * speed) > B) {
            backend.setPositionBytes(channel, framesToBytes(A));
            r.seams.push_back(r.mono.size());
        }
    }
    // In the stream the output is tied to the source frame by frame: repeat k starts at
    // k periods.
    for (int k = 1; method == Method::Stream && k <= Repeats; ++k)
        r.seams.push_back(size_t(std::llround(k * period)));
    return r;
}

std::vector<size_t> onsets(const std::vector<float> &mono)
{
    std::vector<size_t> found;
    size_t quiet = 4410;
    for (size_t i = 0; i < mono.size(); ++i) {
        if (std::abs(mono[i]) > 0.09f) {
            if (quiet >= 4410)
                found.push_back(i);
            quiet = 0;
        } else {
            ++quiet;
        }
    }
    return found;
}

double largestStep(const std::vector<float> &mono, size_t from, size_t to)
{
    double most = 0;
    for (size_t i = std::max<size_t>(from, 1); i < std::min(to, mono.size()); ++i)
        most = std::max(most, double(std::abs(mono[i] - mono[i - 1])));
    return most;
}

struct Figures {
    double repeatErrorMs = 0;
    size_t clicks = 0;
    double seamStep = 0;
    double insideStep = 0;
};

Figures measure(const Rendered &r, double speed)
{
    Figures f;
    const auto clicks = onsets(r.mono);
    f.clicks = std::min<size_t>(clicks.size(), Repeats);
    const double period = double(B - A) / speed;
    for (size_t i = 1; i < f.clicks; ++i) {
        const double spacing = double(clicks[i] - clicks[i - 1]);
        // A skipped click makes a spacing of two periods; it is a count, not a timing error.
        const double error = std::fmod(std::abs(spacing - period), period);
        f.repeatErrorMs = std::max(f.repeatErrorMs, std::min(error, period - error) / Rate * 1000);
    }
    // Steps within 10 ms of each seam; the tone's own from 20 ms after the seam to 50 ms
    // (in source time) before the click.
    const size_t near = size_t(0.01 * Rate);
    const size_t quietEnd = size_t((ClickOffset - 0.05 * Rate) / speed);
    for (size_t seam : r.seams) {
        f.seamStep = std::max(f.seamStep, largestStep(r.mono, seam - near, seam + near));
        f.insideStep =
            std::max(f.insideStep, largestStep(r.mono, seam + 2 * near, seam + quietEnd));
    }
    return f;
}

} // namespace

int main()
{
    QTemporaryDir dir;
    const QString looped = dir.filePath(QStringLiteral("section.wav"));
    const QString straight = dir.filePath(QStringLiteral("straight.wav"));
    std::vector<double> every;
    for (int k = 0; k <= Repeats + 1; ++k)
        every.push_back(double(A) + ClickOffset + k * double(B - A));
    if (!writeFile(looped, 4.0, {double(A) + ClickOffset}) ||
        !writeFile(straight, 1.0 + (Repeats + 3) * double(B - A) / Rate, every)) {
        std::fprintf(stderr, "cannot write the test files\n");
        return 1;
    }
    std::printf("| Stretcher | speed | method | repeat error ms | stretcher alone ms | clicks "
                "| seam / inside step |\n|---|---|---|---|---|---|---|\n");
    for (Stretcher::Kind kind : {Stretcher::Kind::RubberBand, Stretcher::Kind::SoundTouch}) {
        const char *name = kind == Stretcher::Kind::RubberBand ? "Rubber Band" : "SoundTouch";
        for (int percent : {-50, 0, 100}) {
            const double speed = 1 + percent / 100.0;
            const Figures alone = measure(render(straight, kind, percent, Method::Straight), speed);
            for (Method method : {Method::Stream, Method::Timer}) {
                const Figures f = measure(render(looped, kind, percent, method), speed);
                std::printf("| %s | %+d %% | %s | %.2f | %.2f | %zu | %.2f |\n", name, percent,
                            method == Method::Stream ? "stream" : "timer", f.repeatErrorMs,
                            alone.repeatErrorMs, f.clicks,
                            f.insideStep > 0 ? f.seamStep / f.insideStep : 0.0);
                std::fflush(stdout);
            }
        }
    }
    return 0;
}
