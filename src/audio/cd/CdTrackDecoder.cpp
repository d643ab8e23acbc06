#include "audio/cd/CdTrackDecoder.h"

#include "audio/AudioTypes.h"
#include "audio/cd/CdDisc.h"

#include <QtEndian>

#include <cdio/cdio.h>

#include <algorithm>
#include <vector>

namespace quillmere::audio {
namespace {

constexpr qint64 FramesPerSector = CdSectorBytes / BytesPerFrame;
constexpr int SectorsPerRead = 16;

// Created on the UI thread, then read and sought by the stream's decoder thread only.
class CdTrackDecoder final : public Decoder {
public:
    CdTrackDecoder(std::unique_ptr<CdDisc> disc, int track)
        : m_disc(std::move(disc)), m_firstSector(m_disc->firstSector(track)),
          m_sectors(m_disc->sectorCount(track)), m_buffer(SectorsPerRead * CdSectorBytes)
    {
        m_info = SourceInfo{2, OutputRate, TypeCode::CdAudio, m_sectors * FramesPerSector, 0, {}};
    }

    const SourceInfo &info() const override { return m_info; }

    qint64 read(float *samples, qint64 frames) override
    {
        qint64 done = 0;
        while (done < frames && m_frame < m_info.frames) {
            if (m_bufferFrames == m_bufferUsed && !fill())
                return done > 0 ? done : -1;
            const qint64 n = std::min(frames - done, m_bufferFrames - m_bufferUsed);
            const char *in = m_buffer.data() + m_bufferUsed * BytesPerFrame;
            for (qint64 i = 0; i < n * 2; ++i)
                samples[done * 2 + i] = qFromLittleEndian<qint16>(in + i * 2) / 32768.0f;
            done += n;
            m_bufferUsed += n;
            m_frame += n;
        }
        return done;
    }

    bool seek(qint64 frame) override
    {
        if (frame < 0 || frame > m_info.frames)
            return false;
        m_frame = frame;
        m_bufferFrames = m_bufferUsed = 0;
        return true;
    }

private:
    // Reads the sectors from the current frame on; a seek into the middle of a sector skips
    // the frames before it.
    bool fill()
    {
        const qint64 sector = m_frame / FramesPerSector;
        const int count = int(std::min<qint64>(SectorsPerRead, m_sectors - sector));
        if (cdio_read_audio_sectors(m_disc->handle(), m_buffer.data(),
                                    lsn_t(m_firstSector + sector),
                                    unsigned(count)) != DRIVER_OP_SUCCESS)
            return false;
        m_bufferFrames = count * FramesPerSector;
        m_bufferUsed = m_frame - sector * FramesPerSector;
        return true;
    }

    std::unique_ptr<CdDisc> m_disc;
    SourceInfo m_info;
    qint64 m_firstSector;
    qint64 m_sectors;
    std::vector<char> m_buffer;
    qint64 m_bufferFrames = 0;
    qint64 m_bufferUsed = 0;
    qint64 m_frame = 0;
};

} // namespace

DecoderPtr openCdTrackDecoder(const QString &drivePath, int track)
{
    std::unique_ptr<CdDisc> disc = CdDisc::open(drivePath);
    if (!disc || !disc->isAudioTrack(track))
        return nullptr;
    return std::make_unique<CdTrackDecoder>(std::move(disc), track);
}

} // namespace quillmere::audio
