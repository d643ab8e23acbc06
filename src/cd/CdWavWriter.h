#pragma once

// Threads: UI thread (the recording loop).

#include "common/StagedFile.h"

#include <QByteArray>
#include <QString>

namespace quillmere::cd {

// The fixed 44-byte header of a 44100 Hz, 16-bit stereo PCM WAV file holding `dataBytes`.
QByteArray cdWavHeader(quint32 dataBytes);

// Writes one recorded track through a staged file (see StagedFile): a half file never takes
// a track's name, and an old file of that name stays until the new one is complete.
class CdWavWriter {
public:
    // Creates the temporary file and writes the header with its start values.
    bool open(const QString &targetPath);
    // False on a failed or short write; the file is then unusable and must be discarded.
    bool write(const char *data, qint64 bytes) { return m_file.write(data, bytes); }
    // Writes the sizes of what was really written into the header, flushes, renames.
    bool finish();
    // Closes and deletes the temporary file.
    void discard() { m_file.discard(); }

    qint64 dataBytes() const { return m_file.appendedBytes() - 44; }

private:
    StagedFile m_file;
};

} // namespace quillmere::cd
