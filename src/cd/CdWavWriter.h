#pragma once

// Threads: UI thread (the recording loop).

#include <QByteArray>
#include <QString>

namespace quillmere::cd {

// The fixed 44-byte header of a 44100 Hz, 16-bit stereo PCM WAV file holding `dataBytes`.
QByteArray cdWavHeader(quint32 dataBytes);

// Writes one recorded track. The bytes go into a hidden temporary file beside the target,
// which takes the target's name only once every write succeeded in full and the data is on
// the disc (fsync): a crash, a power cut or a full disc never leaves a half file under a
// track's name, and an old file of that name stays until the new one is complete.
class CdWavWriter {
public:
    CdWavWriter() = default;
    ~CdWavWriter(); // discards an unfinished file
    CdWavWriter(const CdWavWriter &) = delete;
    CdWavWriter &operator=(const CdWavWriter &) = delete;

    // Creates the temporary file and writes the header with its start values.
    bool open(const QString &targetPath);
    // False on a failed or short write; the file is then unusable and must be discarded.
    bool write(const char *data, qint64 bytes);
    // Writes the sizes of what was really written into the header, flushes, renames.
    bool finish();
    // Closes and deletes the temporary file.
    void discard();

    qint64 dataBytes() const { return m_total - 44; }

private:
    bool writeAt(qint64 offset, const QByteArray &bytes);
    int m_fd = -1;
    QString m_target;
    QString m_temp;
    qint64 m_total = 0; // bytes written, header included
};

} // namespace quillmere::cd
