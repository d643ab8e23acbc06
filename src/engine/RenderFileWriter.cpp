#include "engine/RenderFileWriter.h"

#include "audio/AudioTypes.h"

#include <QFileInfo>
#include <QtEndian>

#include <sndfile.h>

using namespace quillmere::audio;

RenderFileWriter::Format RenderFileWriter::formatFor(const QString &targetPath)
{
    return QFileInfo(targetPath).suffix().compare(u"flac", Qt::CaseInsensitive) == 0
               ? Format::Flac16
               : Format::Wav16;
}

RenderFileWriter::~RenderFileWriter()
{
    discard();
}

bool RenderFileWriter::open(const QString &targetPath)
{
    discard();
    m_error.clear();
    m_frames = 0;
    m_format = formatFor(targetPath);
    if (!m_file.open(targetPath, QStringLiteral(".quillmere-render-")))
        return false;
    if (m_format == Format::Wav16) {
        const QByteArray header = wavHeader16(0);
        if (m_file.write(header.constData(), header.size()))
            return true;
    } else {
        SF_INFO info{};
        info.samplerate = OutputRate;
        info.channels = OutputChannels;
        info.format = SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
        m_flac = sf_open_fd(m_file.descriptor(), SFM_WRITE, &info, SF_FALSE);
        if (m_flac)
            return true;
        m_error = QString::fromUtf8(sf_strerror(nullptr));
    }
    discard();
    return false;
}

bool RenderFileWriter::write(const float *stereo, int frames)
{
    if (!m_file.isOpen())
        return false;
    constexpr qint64 WavDataLimit = 0xFFFFFFFFLL - 36; // the header's sizes are 32 bits
    if (m_format == Format::Wav16 && (m_frames + frames) * BytesPerFrame > WavDataLimit) {
        m_error = QStringLiteral("the render is too long for a WAV file (choose FLAC)");
        return false;
    }
    const size_t samples = size_t(frames) * OutputChannels;
    if (m_pcm.size() < samples)
        m_pcm.resize(samples); // once per block size, not per block
    m_dither.convert(stereo, m_pcm.data(), samples);
    bool ok = false;
    if (m_flac) {
        ok = sf_writef_short(m_flac, m_pcm.data(), frames) == frames;
        if (!ok)
            m_error = QString::fromUtf8(sf_strerror(m_flac));
    } else {
        if constexpr (Q_BYTE_ORDER != Q_LITTLE_ENDIAN)
            qToLittleEndian<qint16>(m_pcm.data(), qsizetype(samples), m_pcm.data());
        ok = m_file.write(reinterpret_cast<const char *>(m_pcm.data()),
                          qint64(samples * sizeof(qint16)));
    }
    if (ok)
        m_frames += frames;
    return ok;
}

bool RenderFileWriter::finish()
{
    if (!m_file.isOpen())
        return false;
    bool ok = true;
    if (m_flac) {
        // The encoder writes its last frames and the stream info on close.
        ok = sf_close(m_flac) == 0;
        m_flac = nullptr;
        if (!ok)
            m_error = QStringLiteral("the FLAC encoder could not write the end of the file");
    } else {
        const QByteArray header = wavHeader16(quint32(m_frames * BytesPerFrame));
        ok = m_file.writeAt(4, header.constData() + 4, 4) &&
             m_file.writeAt(40, header.constData() + 40, 4);
    }
    if (!ok || !m_file.commit()) {
        discard();
        return false;
    }
    return true;
}

void RenderFileWriter::discard()
{
    if (m_flac)
        sf_close(m_flac);
    m_flac = nullptr;
    m_file.discard();
}

QString RenderFileWriter::errorText() const
{
    return m_error.isEmpty() ? m_file.errorText() : m_error;
}
