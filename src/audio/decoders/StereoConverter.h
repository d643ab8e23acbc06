#pragma once

#include "audio/decoders/Decoder.h"
#include "audio/decoders/Downmix.h"

#include <vector>

typedef struct soxr *soxr_t;

namespace quillmere::audio {

// Presents any decoder as 44100 Hz stereo: mono is duplicated, more channels are mixed down
// with the standard coefficients (see stereoDownmix), other rates are resampled with libsoxr
// at high quality. Frames and positions are counted at 44100 Hz.
// Decoder thread only, after construction.
class StereoConverter final : public Decoder {
public:
    explicit StereoConverter(DecoderPtr source);
    ~StereoConverter() override;

    // info() keeps the source's channel count, rate and type code; frames are at 44100 Hz.
    const SourceInfo &info() const override { return m_info; }
    qint64 read(float *stereo, qint64 frames) override;
    bool seek(qint64 frame) override;

private:
    qint64 readStereoAtSourceRate(float *stereo, qint64 frames);
    qint64 readResampled(float *stereo, qint64 frames);
    void toStereo(const float *in, int channels, qint64 frames, float *out) const;

    DecoderPtr m_source;
    SourceInfo m_info;
    StereoDownmix m_downmix; // three channels or more
    soxr_t m_resampler = nullptr;
    std::vector<float> m_raw;    // source frames as decoded
    std::vector<float> m_stereo; // source frames folded to stereo, waiting for the resampler
    qint64 m_stereoFrames = 0;
    qint64 m_stereoOffset = 0;
    bool m_sourceEnded = false;
};

} // namespace quillmere::audio
