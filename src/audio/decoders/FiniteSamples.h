#pragma once

#include "audio/decoders/Decoder.h"

#include <atomic>
#include <memory>

namespace quillmere::audio {

// Passes a decoder's sound on with every NaN or infinite sample replaced by silence, and counts
// the samples it replaced. A broken file or plug-in must not reach the resampler, the stretcher,
// the effects, the spectrum or the sound card with them: one NaN in a filter's state silences
// the rest of the song, and an infinite sample is a full-scale click.
// Decoder thread only, after construction; the count may be read from any thread.
class FiniteSamples final : public Decoder {
public:
    FiniteSamples(DecoderPtr source, std::shared_ptr<std::atomic<qint64>> replacedCount);

    const SourceInfo &info() const override { return m_source->info(); }
    qint64 read(float *samples, qint64 frames) override;
    bool seek(qint64 frame) override { return m_source->seek(frame); }

private:
    DecoderPtr m_source;
    std::shared_ptr<std::atomic<qint64>> m_replaced;
};

} // namespace quillmere::audio
