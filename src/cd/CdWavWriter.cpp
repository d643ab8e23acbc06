#include "cd/CdWavWriter.h"

#include "audio/WavEncoding.h"

namespace quillmere::cd {

QByteArray cdWavHeader(quint32 dataBytes)
{
    return audio::wavHeader16(dataBytes);
}

bool CdWavWriter::open(const QString &targetPath)
{
    if (!m_file.open(targetPath, QStringLiteral(".quillmere-rip-")))
        return false;
    const QByteArray header = cdWavHeader(0);
    if (!m_file.write(header.constData(), header.size())) {
        m_file.discard();
        return false;
    }
    return true;
}

bool CdWavWriter::finish()
{
    if (!m_file.isOpen())
        return false;
    const QByteArray header = cdWavHeader(quint32(dataBytes()));
    if (!m_file.writeAt(4, header.constData() + 4, 4) ||
        !m_file.writeAt(40, header.constData() + 40, 4)) {
        m_file.discard();
        return false;
    }
    return m_file.commit();
}

} // namespace quillmere::cd
