#include "engine/OfflineRender.h"

#include "audio/AudioBackend.h"
#include "audio/WavEncoding.h"
#include "common/AtomicWrite.h"
#include "engine/EffectChain.h"

#include <cmath>
#include <vector>

using namespace quillmere::audio;

namespace {

RenderResult failure(RenderResult::Status status, const QString &message)
{
    return RenderResult{status, message, 0};
}

// The number of output frames that [from, to) of the source becomes at this speed, or a
// section repeated.
qint64 outputFrames(const RenderRequest &request, qint64 sourceFrames)
{
    const double speed = 1.0 + request.settings.speed / 100.0;
    if (request.loopToSeconds >= 0) {
        const double from = std::round(request.loopFromSeconds * OutputRate);
        const double to =
            std::min(double(sourceFrames), std::round(request.loopToSeconds * OutputRate));
        return std::max<qint64>(0, std::llround(request.repeats * (to - from) / speed));
    }
    const double from = request.fromSeconds * OutputRate;
    const double to = request.toSeconds < 0
                          ? double(sourceFrames)
                          : std::min(double(sourceFrames), request.toSeconds * OutputRate);
    return std::max<qint64>(0, std::llround((to - std::round(from)) / speed));
}

// Moves to the start of the range (or section) and sets the section's loop; false when the
// song is too short for it.
bool startRange(AudioBackend &backend, Handle channel, const RenderRequest &request)
{
    const auto bytesAt = [](double seconds) {
        return framesToBytes(std::llround(seconds * OutputRate));
    };
    if (request.loopToSeconds >= 0)
        return backend.setPositionBytes(channel, bytesAt(request.loopFromSeconds)) &&
               backend.setLoopRange(channel, bytesAt(request.loopFromSeconds),
                                    bytesAt(request.loopToSeconds));
    return request.fromSeconds <= 0 ||
           backend.setPositionBytes(channel, bytesAt(request.fromSeconds));
}

} // namespace

RenderResult renderToFile(const RenderRequest &request)
{
    AudioBackend backend;
    if (!backend.init(QStringLiteral("offline")))
        return failure(RenderResult::Status::CannotDecode,
                       QStringLiteral("the audio back end did not start"));
    backend.setStretcherKind(stretcherKindFromName(request.settings.stretcher));
    if (!request.pluginFolder.isEmpty())
        backend.loadPlugins(request.pluginFolder);

    Handle source = backend.openFile(request.input);
    if (!source)
        source = backend.openModule(request.input);
    const Handle channel = source ? backend.createTempoChannel(source) : 0;
    if (!channel)
        return failure(RenderResult::Status::CannotDecode,
                       QStringLiteral("cannot decode %1 (error %2)")
                           .arg(request.input)
                           .arg(int(AudioBackend::lastError())));

    EffectChain effects;
    effects.create(backend, channel);
    effects.apply(backend, channel, request.settings);
    const qint64 length = bytesToFrames(backend.lengthBytes(channel));
    if (!startRange(backend, channel, request))
        return failure(RenderResult::Status::CannotDecode,
                       request.loopToSeconds >= 0
                           ? QStringLiteral("%1 has no such section (--loop)").arg(request.input)
                           : QStringLiteral("%1 is shorter than --from").arg(request.input));

    const qint64 wanted = length > 0 ? outputFrames(request, length) : -1;
    std::vector<float> out;
    out.reserve(size_t(std::max<qint64>(wanted, 0)) * 2);
    std::vector<float> chunk(4096 * 2);
    backend.play(channel, false);
    while (wanted < 0 || qint64(out.size() / 2) < wanted) {
        const int n = backend.renderOffline(chunk.data(), 4096);
        if (n < 0)
            return failure(RenderResult::Status::CannotDecode,
                           QStringLiteral("the render stopped delivering audio at %1 s")
                               .arg(double(out.size() / 2) / OutputRate, 0, 'f', 3));
        if (n == 0)
            break;
        out.insert(out.end(), chunk.begin(), chunk.begin() + 2 * n);
    }
    if (wanted >= 0 && qint64(out.size() / 2) > wanted)
        out.resize(size_t(wanted) * 2);

    const auto written = quillmere::atomicWrite(request.output, encodeWav16(out));
    if (!written)
        return failure(RenderResult::Status::CannotWrite,
                       QStringLiteral("cannot write %1: %2").arg(request.output, written.error));
    return RenderResult{RenderResult::Status::Ok, {}, qint64(out.size() / 2)};
}
