#include "audio/output/OutputDevice.h"

#include "audio/output/ClockedOutput.h"
#include "audio/output/PortAudioOutput.h"

namespace quillmere::audio {
namespace {

// Splits "name@48000" into the name and the rate; no "@" with a plausible rate after it leaves
// the name whole at 44100 Hz.
std::pair<QString, int> withRate(const QString &spec)
{
    const qsizetype at = spec.lastIndexOf(u'@');
    if (at < 0)
        return {spec, OutputRate};
    bool ok = false;
    const int rate = spec.mid(at + 1).toInt(&ok);
    if (!ok || rate < MinDeviceRate || rate > MaxDeviceRate)
        return {spec, OutputRate};
    return {spec.left(at), rate};
}

} // namespace

std::unique_ptr<OutputDevice> makeOutputDevice(const QString &fullSpec)
{
    if (fullSpec.isEmpty() || fullSpec == u"default")
        return std::make_unique<PortAudioOutput>();
    if (fullSpec == u"offline")
        return std::make_unique<OfflineOutput>();
    const auto [spec, rate] = withRate(fullSpec);
    if (spec == u"null")
        return std::make_unique<ClockedOutput>(QString(), rate);
    if (spec.startsWith(u"file:") && spec.size() > 5)
        return std::make_unique<ClockedOutput>(spec.mid(5), rate);
    return nullptr;
}

} // namespace quillmere::audio
