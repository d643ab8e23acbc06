#include "audio/output/OutputDevice.h"

#include "audio/output/ClockedOutput.h"
#include "audio/output/PortAudioOutput.h"

namespace quillmere::audio {

std::unique_ptr<OutputDevice> makeOutputDevice(const QString &spec)
{
    if (spec.isEmpty() || spec == u"default")
        return std::make_unique<PortAudioOutput>();
    if (spec == u"offline")
        return std::make_unique<OfflineOutput>();
    if (spec == u"null")
        return std::make_unique<ClockedOutput>();
    if (spec.startsWith(u"file:") && spec.size() > 5)
        return std::make_unique<ClockedOutput>(spec.mid(5));
    return nullptr;
}

} // namespace quillmere::audio
