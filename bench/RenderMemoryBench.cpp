// Peak memory of an offline render of a long song: a 3-hour (or HOURS-hour) 16-bit WAV of
// silence, made instantly as a sparse file, rendered with SoundTouch at speed 0 into a WAV
// beside it, then the peak resident set of the whole process from getrusage.
// Run: build/default/bench/bench_render_memory [HOURS] [FOLDER]
#include "audio/WavEncoding.h"
#include "common/Units.h"
#include "engine/OfflineRender.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <chrono>
#include <cstdio>

namespace {

bool sparseWav(const QString &path, double hours)
{
    const auto dataBytes = quint32(hours * 3600 * double(quillmere::BytesPerSecond));
    QFile file(path);
    return file.open(QIODevice::WriteOnly) &&
           file.write(quillmere::audio::wavHeader16(dataBytes)) == 44 &&
           file.resize(44 + qint64(dataBytes));
}

double seconds(const timeval &t)
{
    return double(t.tv_sec) + double(t.tv_usec) / 1e6;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const double hours = argc > 1 ? std::atof(argv[1]) : 3.0;
    QTemporaryDir dir(argc > 2 ? QString::fromLocal8Bit(argv[2]) + QStringLiteral("/render-XXXXXX")
                               : QDir::tempPath() + QStringLiteral("/render-XXXXXX"));
    RenderRequest request;
    request.input = dir.filePath(QStringLiteral("long.wav"));
    request.output = dir.filePath(QStringLiteral("out.wav"));
    request.settings.stretcher = QStringLiteral("soundtouch");
    if (!dir.isValid() || !sparseWav(request.input, hours)) {
        std::fprintf(stderr, "cannot make the input in %s\n", qPrintable(dir.path()));
        return 1;
    }
    const auto start = std::chrono::steady_clock::now();
    const RenderResult result = renderToFile(request);
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    if (result.status != RenderResult::Status::Ok) {
        std::fprintf(stderr, "render failed: %s\n", qPrintable(result.message));
        return 1;
    }
    std::printf("input %.2f h of 16-bit stereo WAV; output %lld frames (%.2f h), %.0f MB\n", hours,
                static_cast<long long>(result.frames),
                quillmere::bytesToSeconds(quillmere::framesToBytes(result.frames)) / 3600,
                double(QFile(request.output).size()) / 1e6);
    std::printf("wall %.1f s, CPU %.1f s (user %.1f + system %.1f)\n", wall,
                seconds(usage.ru_utime) + seconds(usage.ru_stime), seconds(usage.ru_utime),
                seconds(usage.ru_stime));
    std::printf("peak resident set: %.1f MB (target 150 MB or less)\n",
                double(usage.ru_maxrss) / 1024.0);
    return 0;
}
