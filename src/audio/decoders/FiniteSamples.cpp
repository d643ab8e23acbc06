#include "audio/decoders/FiniteSamples.h"

#include <cmath>

namespace quillmere::audio {

FiniteSamples::FiniteSamples(DecoderPtr source, std::shared_ptr<std::atomic<qint64>> replacedCount)
    : m_source(std::move(source)), m_replaced(std::move(replacedCount))
{
}

qint64 FiniteSamples::read(float *samples, qint64 frames)
{
    const qint64 got = m_source->read(samples, frames);
    if (got <= 0)
        return got;
    const qint64 count = got * m_source->info().channels;
    qint64 replaced = 0;
    for (qint64 i = 0; i < count; ++i) {
        if (!std::isfinite(samples[i])) {
            samples[i] = 0.0f;
            ++replaced;
        }
    }
    if (replaced > 0)
        m_replaced->fetch_add(replaced, std::memory_order_relaxed);
    return got;
}

} // namespace quillmere::audio
