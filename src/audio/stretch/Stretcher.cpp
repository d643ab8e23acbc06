#include "audio/stretch/Stretcher.h"

#include "audio/stretch/RubberBandStretcher.h"
#include "audio/stretch/SoundTouchStretcher.h"

namespace quillmere::audio {

std::unique_ptr<Stretcher> makeStretcher(Stretcher::Kind kind, int rate)
{
    if (kind == Stretcher::Kind::SoundTouch)
        return std::make_unique<SoundTouchStretcher>(rate);
    return std::make_unique<RubberBandStretcher>(rate);
}

Stretcher::Kind stretcherKindFromName(const QString &name)
{
    return name == u"soundtouch" ? Stretcher::Kind::SoundTouch : Stretcher::Kind::RubberBand;
}

} // namespace quillmere::audio
