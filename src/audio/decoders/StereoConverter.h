#pragma once

#include "audio/AudioTypes.h"
#include "audio/decoders/Decoder.h"
#include "audio/decoders/Downmix.h"

#include <vector>

typedef struct soxr *soxr_t;

namespace quillmere::audio {

// Presents any decoder as stereo at one rate (44100 Hz, or the device's when it plays live):
// mono is duplicated, more channels are mixed down with the standard coefficients (see
// stereoDownmix), other rates are resampled with libsoxr at high quality, so the sound is
// resampled once, here. Frames and positions are counted at that rate.
// Decoder thread only, after construction.
class StereoConverter final : public Decoder {
public:
    explicit StereoConverter(DecoderPtr source, int rate = OutputRate);
    int rate() const { return m_rate; }
    ~StereoConverter() override;

    // info() keeps the source's channel count, rate and type code; frames are at rate().
    const SourceInfo &info() const override { return m_info; }
    qint64 read(float *stereo, qint64 frames) override;
    bool seek(qint64 frame) override;

private:
    qint64 readStereoAtSourceRate(float *stereo, qint64 frames);
    qint64 readResampled(float *stereo, qint64 frames);
    void toStereo(const float *in, int channels, qint64 frames, float *out) const;

    DecoderPtr m_source;
    int m_rate;
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
