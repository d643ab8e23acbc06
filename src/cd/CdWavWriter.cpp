#include "cd/CdWavWriter.h"

#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace quillmere::cd {
namespace {

void putU32(QByteArray &out, qsizetype at, quint32 value)
{
    qToLittleEndian(value, out.data() + at);
}

void putU16(QByteArray &out, qsizetype at, quint16 value)
{
    qToLittleEndian(value, out.data() + at);
}

bool writeAll(int fd, const char *data, qint64 bytes)
{
    while (bytes > 0) {
        const ssize_t n = ::write(fd, data, size_t(bytes));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        bytes -= n;
    }
    return true;
}

} // namespace

QByteArray cdWavHeader(quint32 dataBytes)
{
    QByteArray h(44, '\0');
    h.replace(0, 4, "RIFF");
    putU32(h, 4, 36 + dataBytes);
    h.replace(8, 8, "WAVEfmt ");
    putU32(h, 16, 16);
    putU16(h, 20, 1); // PCM
    putU16(h, 22, 2);
    putU32(h, 24, 44100);
    putU32(h, 28, 176400);
    putU16(h, 32, 4);
    putU16(h, 34, 16);
    h.replace(36, 4, "data");
    putU32(h, 40, dataBytes);
    return h;
}

CdWavWriter::~CdWavWriter()
{
    discard();
}

bool CdWavWriter::open(const QString &targetPath)
{
    discard();
    const QFileInfo target(targetPath);
    if (target.fileName().isEmpty() || target.isDir())
        return false;
    QByteArray pattern =
        QFile::encodeName(target.absolutePath() + QStringLiteral("/.quillmere-rip-XXXXXX"));
    m_fd = ::mkstemp(pattern.data());
    if (m_fd < 0)
        return false;
    m_temp = QFile::decodeName(pattern);
    m_target = targetPath;
    (void)::fchmod(m_fd, 0644); // mkstemp makes it private; a recording is an ordinary file
    m_total = 0;
    const QByteArray header = cdWavHeader(0);
    if (!write(header.constData(), header.size())) {
        discard();
        return false;
    }
    return true;
}

bool CdWavWriter::write(const char *data, qint64 bytes)
{
    if (m_fd < 0 || !writeAll(m_fd, data, bytes))
        return false;
    m_total += bytes;
    return true;
}

bool CdWavWriter::writeAt(qint64 offset, const QByteArray &bytes)
{
    return ::lseek(m_fd, off_t(offset), SEEK_SET) == off_t(offset) &&
           writeAll(m_fd, bytes.constData(), bytes.size());
}

bool CdWavWriter::finish()
{
    if (m_fd < 0)
        return false;
    const QByteArray header = cdWavHeader(quint32(m_total - 44));
    const bool ok =
        writeAt(4, header.mid(4, 4)) && writeAt(40, header.mid(40, 4)) && ::fsync(m_fd) == 0;
    const bool closed = ::close(m_fd) == 0;
    m_fd = -1;
    if (!ok || !closed ||
        std::rename(QFile::encodeName(m_temp).constData(),
                    QFile::encodeName(m_target).constData()) != 0) {
        discard();
        return false;
    }
    m_temp.clear();
    return true;
}

void CdWavWriter::discard()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    if (!m_temp.isEmpty())
        ::unlink(QFile::encodeName(m_temp).constData());
    m_temp.clear();
}

} // namespace quillmere::cd
