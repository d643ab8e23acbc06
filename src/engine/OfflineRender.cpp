#include "engine/OfflineRender.h"

#include "audio/AudioBackend.h"
#include "engine/EffectChain.h"
#include "engine/RenderFileWriter.h"

#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <vector>

using namespace quillmere::audio;

namespace {

RenderResult failure(RenderResult::Status status, const QString &message)
{
    return RenderResult{status, message, 0};
}

// The same rounding as the back end's, so that the frames expected are the frames made.
qint64 pauseFrames(const LoopBreath &breath)
{
    return qint64(breath.pauseMs) * OutputRate / 1000;
}

// The number of output frames that [from, to) of the source becomes at this speed, or a
// section repeated with its pauses.
qint64 outputFrames(const RenderRequest &request, qint64 sourceFrames)
{
    const double speed = 1.0 + request.settings.speed / 100.0;
    if (request.loopToSeconds >= 0) {
        const double from = std::round(request.loopFromSeconds * OutputRate);
        const double to =
            std::min(double(sourceFrames), std::round(request.loopToSeconds * OutputRate));
        const qint64 pauses = qint64(request.repeats - 1) * pauseFrames(request.breath);
        return std::max<qint64>(0, std::llround(request.repeats * (to - from) / speed)) + pauses;
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
                                    bytesAt(request.loopToSeconds)) &&
               backend.setLoopBreath(channel, request.breath.pauseMs, request.breath.clicks,
                                     request.breath.beatMs);
    return request.fromSeconds <= 0 ||
           backend.setPositionBytes(channel, bytesAt(request.fromSeconds));
}

// Output frames pulled per call: large, as nothing waits for them offline, so the per-call
// cost of the mixer and the writer is spread over many frames.
constexpr int BlockFrames = 16384;

RenderResult cannotWrite(const RenderRequest &request, const QString &reason)
{
    return failure(RenderResult::Status::CannotWrite,
                   QStringLiteral("cannot write %1: %2").arg(request.output, reason));
}

// Pulls the playing channel block by block into the writer until `wanted` frames (or the
// end of the song when wanted is -1).
RenderResult pullInto(AudioBackend &backend, RenderFileWriter &writer, qint64 wanted,
                      const RenderRequest &request, const RenderProgress &progress)
{
    std::vector<float> block(size_t(BlockFrames) * OutputChannels);
    while (wanted < 0 || writer.framesWritten() < wanted) {
        const qint64 left = wanted < 0 ? BlockFrames : wanted - writer.framesWritten();
        const int n = backend.renderOffline(block.data(), int(std::min<qint64>(left, BlockFrames)));
        if (n < 0)
            return failure(RenderResult::Status::CannotDecode,
                           QStringLiteral("the render stopped delivering audio at %1 s")
                               .arg(double(writer.framesWritten()) / OutputRate, 0, 'f', 3));
        if (n == 0)
            break;
        if (!writer.write(block.data(), n))
            return cannotWrite(request, writer.errorText());
        if (progress && !progress(writer.framesWritten(), wanted))
            return failure(RenderResult::Status::Cancelled, QStringLiteral("cancelled"));
    }
    if (!writer.finish())
        return cannotWrite(request, writer.errorText());
    return RenderResult{RenderResult::Status::Ok, {}, writer.framesWritten()};
}

bool sameFile(const QString &a, const QString &b)
{
    const QFileInfo first(a), second(b);
    return first.absoluteFilePath() == second.absoluteFilePath() ||
           (second.exists() && first.canonicalFilePath() == second.canonicalFilePath());
}

} // namespace

RenderResult renderToFile(const RenderRequest &request, const RenderProgress &progress)
{
    if (sameFile(request.input, request.output))
        return cannotWrite(request, QStringLiteral("it is the song itself"));
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
    backend.holdTempo(channel); // the settings are fixed: at speed and pitch 0 nothing stretches
    const qint64 length = bytesToFrames(backend.lengthBytes(channel));
    if (!startRange(backend, channel, request))
        return failure(RenderResult::Status::CannotDecode,
                       request.loopToSeconds >= 0
                           ? QStringLiteral("%1 has no such section (--loop)").arg(request.input)
                           : QStringLiteral("%1 is shorter than --from").arg(request.input));

    RenderFileWriter writer;
    if (!writer.open(request.output))
        return cannotWrite(request, writer.errorText());
    backend.play(channel, false);
    return pullInto(backend, writer, length > 0 ? outputFrames(request, length) : -1, request,
                    progress);
}
