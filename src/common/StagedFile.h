#pragma once

// Threads: one object belongs to one thread at a time (the UI thread for CD rips, the render
// worker for offline renders).

#include <QString>

namespace quillmere {

// A file written in steps under a hidden temporary name beside its target, which takes the
// target's name only when commit() has seen every write succeed in full and the data on the
// disc (fsync): a crash, a power cut, a cancel or a full disc never leaves a half file under
// the target's name, and an old file of that name stays until the new one is complete.
class StagedFile {
public:
    StagedFile() = default;
    ~StagedFile(); // discards an uncommitted file
    StagedFile(const StagedFile &) = delete;
    StagedFile &operator=(const StagedFile &) = delete;

    // Creates the temporary file "<prefix>XXXXXX" in the target's folder, or without a prefix
    // "<target's name>.tmp-XXXXXX". A symbolic link at targetPath is followed: the link stays
    // and the file it points to is replaced. The file is made 0644.
    bool open(const QString &targetPath, const QString &prefix = {});
    // Gives the file the permissions of the file it will replace, or for a new one the usual
    // permissions (0666 less the umask), as an edited settings file or playlist should keep.
    bool keepTargetPermissions();
    // Appends; false on a failed or short write (the file must then be discarded).
    bool write(const char *data, qint64 bytes);
    // Overwrites bytes already written (a header whose sizes are known only at the end).
    bool writeAt(qint64 offset, const char *data, qint64 bytes);
    // Flushes to the disc, closes and renames over the target; on failure discards.
    bool commit();
    // Closes and deletes the temporary file.
    void discard();

    bool isOpen() const { return m_fd >= 0; }
    int descriptor() const { return m_fd; }
    qint64 appendedBytes() const { return m_appended; }
    // The system's reason for the last failure, for the user ("No space left on device").
    QString errorText() const { return m_error; }

private:
    // Appended bytes between two starts of write-back.
    static constexpr qint64 WriteBackChunk = 4 << 20;
    bool fail();
    void startWriteBack();
    int m_fd = -1;
    QString m_target;
    QString m_temp;
    qint64 m_appended = 0;
    qint64 m_writeBackFrom = 0; // appended bytes before this have been handed to the disc
    QString m_error;
};

} // namespace quillmere
