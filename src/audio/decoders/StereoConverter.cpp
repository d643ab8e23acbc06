#include "audio/decoders/StereoConverter.h"

#include "audio/AudioTypes.h"
#include "audio/decoders/Downmix.h"

#include <soxr.h>

#include <algorithm>
#include <cmath>

namespace quillmere::audio {
namespace {

constexpr qint64 ChunkFrames = 4096;

} // namespace

StereoConverter::StereoConverter(DecoderPtr source, int rate)
    : m_source(std::move(source)), m_rate(rate)
{
    const SourceInfo &src = m_source->info();
    m_info = src;
    if (src.frames >= 0)
        m_info.frames = std::llround(double(src.frames) * m_rate / src.sampleRate);
    m_raw.resize(static_cast<size_t>(ChunkFrames * src.channels));
    if (src.channels > 2)
        m_downmix = stereoDownmix(src.channels, src.speakers);
    m_stereo.resize(static_cast<size_t>(ChunkFrames * 2));
    if (src.sampleRate != m_rate) {
        const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
        const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
        const soxr_runtime_spec_t runtime = soxr_runtime_spec(1);
        soxr_error_t error = nullptr;
        m_resampler = soxr_create(src.sampleRate, m_rate, 2, &error, &io, &quality, &runtime);
    }
}

StereoConverter::~StereoConverter()
{
    soxr_delete(m_resampler);
}

qint64 StereoConverter::readStereoAtSourceRate(float *stereo, qint64 frames)
{
    const int channels = m_source->info().channels;
    if (channels == 2)
        return m_source->read(stereo, frames);
    const qint64 n = m_source->read(m_raw.data(), std::min(frames, ChunkFrames));
    if (n > 0)
        toStereo(m_raw.data(), channels, n, stereo);
    return n;
}

void StereoConverter::toStereo(const float *in, int channels, qint64 frames, float *out) const
{
    for (qint64 f = 0; f < frames; ++f) {
        const float *frame = in + f * channels;
        if (channels == 1) {
            out[2 * f] = out[2 * f + 1] = frame[0];
            continue;
        }
        float left = 0, right = 0;
        for (int c = 0; c < channels; ++c) {
            left += m_downmix.left[size_t(c)] * frame[c];
            right += m_downmix.right[size_t(c)] * frame[c];
        }
        out[2 * f] = left;
        out[2 * f + 1] = right;
    }
}

qint64 StereoConverter::read(float *stereo, qint64 frames)
{
    if (!m_resampler)
        return readStereoAtSourceRate(stereo, frames);
    return readResampled(stereo, frames);
}

qint64 StereoConverter::readResampled(float *stereo, qint64 frames)
{
    qint64 produced = 0;
    while (produced < frames) {
        if (m_stereoOffset == m_stereoFrames && !m_sourceEnded) {
            const qint64 n = readStereoAtSourceRate(m_stereo.data(), ChunkFrames);
            if (n < 0)
                return produced > 0 ? produced : -1;
            m_sourceEnded = n == 0;
            m_stereoFrames = std::max<qint64>(n, 0);
            m_stereoOffset = 0;
        }
        size_t used = 0, done = 0;
        const qint64 waiting = m_stereoFrames - m_stereoOffset;
        // Past the source's end a null input tells the resampler to flush its tail.
        const float *input = m_sourceEnded ? nullptr : m_stereo.data() + 2 * m_stereoOffset;
        soxr_process(m_resampler, input, size_t(waiting), &used, stereo + 2 * produced,
                     size_t(frames - produced), &done);
        m_stereoOffset += qint64(used);
        produced += qint64(done);
        if (m_sourceEnded && done == 0)
            break;
    }
    return produced;
}

bool StereoConverter::seek(qint64 frame)
{
    const SourceInfo &src = m_source->info();
    const qint64 sourceFrame = std::llround(double(frame) * src.sampleRate / m_rate);
    if (!m_source->seek(sourceFrame))
        return false;
    if (m_resampler)
        soxr_clear(m_resampler);
    m_stereoFrames = m_stereoOffset = 0;
    m_sourceEnded = false;
    return true;
}

} // namespace quillmere::audio
