#pragma once

#include <QString>
#include <QStringList>

#include <memory>

class QLocalSocket;
class QLockFile;

// One running copy per user. A starting copy takes the start-up lock, then tries the running
// copy's socket: if it answers, this copy hands its paths over and ends; if not, it becomes the
// running copy and keeps the lock until its own server listens. So of two copies started at
// the same moment one listens and the other connects to it, and a copy that was killed (its
// socket file left behind, nobody listening) is replaced at once. A copy that cannot get the
// lock (another one is slow to start) goes on trying the lock and the socket; it never starts
// a window without the lock.
// The start-up lock is a QLockFile, not a TLxMutex (the windows' named locks): it is tried in
// slices between attempts on the socket, it is never recursive, so two gates exclude each
// other even in one process, and a copy that dies holding it is seen as gone (by the kernel's
// flock on it, and by its process id).
namespace SingleInstance {

QString socketPath();      // "instance.sock" in the runtime folder; empty without one
QString startupLockPath(); // "instance.lock" beside it

// The name whose TLxMutex marks the running copy for MutexExists. The election does not look
// at it: only the socket can take the paths, and the marker is taken after the listening.
inline const QString MarkerName = QStringLiteral("QuillmerePlayer_Record");

// How long a later copy waits for one that is slow to start (a slow disc, a loaded machine)
// before it gives up with a message.
constexpr int StartupWaitMs = 30000;
constexpr int ConnectTimeoutMs = 1000;
// Per acknowledgement: the running copy may take a while over a large folder.
constexpr int AckTimeoutMs = 60000;

class StartupGate {
public:
    // NoAnswer: another copy held the lock all along and never answered on the socket.
    enum class Role { FirstCopy, SecondCopy, NoAnswer };

    StartupGate();
    ~StartupGate(); // releases the lock if still held
    StartupGate(const StartupGate &) = delete;
    StartupGate &operator=(const StartupGate &) = delete;

    // SecondCopy: socket is connected to the running copy and the lock is released.
    // FirstCopy: the lock stays held (when there is a runtime folder for it) until release().
    Role decide(QLocalSocket &socket, int waitMs = StartupWaitMs);
    // Whether this copy holds the lock, and so may clear a stale socket and listen.
    bool holdsLock() const;
    void release();

private:
    std::unique_ptr<QLockFile> m_lock;
};

// The second copy's hand-off on a connected socket: the activation (with this process's
// XDG_ACTIVATION_TOKEN, when the desktop gave one), then each path (already absolute) in order,
// each sent only once the previous one is acknowledged. False when the running copy stopped
// answering.
bool handOff(QLocalSocket &socket, const QStringList &paths, int ackTimeoutMs = AckTimeoutMs);

} // namespace SingleInstance
