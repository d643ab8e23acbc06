#include "app/SingleInstance.h"

#include "app/HandOffRecord.h"
#include "common/AppPaths.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QLocalSocket>
#include <QLockFile>

namespace SingleInstance {
namespace {

QString runtimeFile(const QString &name)
{
    const QString dir = quillmere::AppPaths::runtimeDir();
    return dir.isEmpty() ? QString() : QDir(dir).filePath(name);
}

constexpr int LockPollMs = 250;

bool connectTo(QLocalSocket &socket, const QString &path, int timeoutMs)
{
    socket.connectToServer(path);
    if (socket.waitForConnected(timeoutMs))
        return true;
    socket.abort();
    return false;
}

bool sendAndAwaitAck(QLocalSocket &socket, const QByteArray &record, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    if (socket.write(record) != record.size())
        return false;
    while (socket.bytesToWrite() > 0) {
        if (!socket.waitForBytesWritten(int(deadline.remainingTime())))
            return false;
    }
    while (socket.bytesAvailable() < 1) {
        if (!socket.waitForReadyRead(int(deadline.remainingTime())))
            return false;
    }
    char ack = 0;
    return socket.getChar(&ack) && ack == HandOffRecord::Ack;
}

} // namespace

QString socketPath()
{
    return runtimeFile(QStringLiteral("instance.sock"));
}

QString startupLockPath()
{
    return runtimeFile(QStringLiteral("instance.lock"));
}

StartupGate::StartupGate() = default;

StartupGate::~StartupGate()
{
    release();
}

StartupGate::Role StartupGate::decide(QLocalSocket &socket, int waitMs)
{
    const QString lockPath = startupLockPath();
    const QString path = socketPath();
    if (lockPath.isEmpty() || path.isEmpty())
        return Role::FirstCopy;
    m_lock = std::make_unique<QLockFile>(lockPath);
    // A copy that died holding the lock is detected by its process id and does not hold us up.
    // A live one holds it only until its server listens, so between the attempts the socket is
    // tried: a slow copy may have started listening meanwhile.
    const QDeadlineTimer deadline(waitMs);
    while (!m_lock->tryLock(LockPollMs)) {
        if (connectTo(socket, path, LockPollMs)) {
            m_lock.reset();
            return Role::SecondCopy;
        }
        if (deadline.hasExpired()) {
            m_lock.reset();
            return Role::NoAnswer;
        }
    }
    if (!connectTo(socket, path, ConnectTimeoutMs))
        return Role::FirstCopy;
    release();
    return Role::SecondCopy;
}

bool StartupGate::holdsLock() const
{
    return m_lock != nullptr;
}

void StartupGate::release()
{
    if (m_lock)
        m_lock->unlock();
    m_lock.reset();
}

bool handOff(QLocalSocket &socket, const QStringList &paths, int ackTimeoutMs)
{
    // The desktop gave this copy the right to take the focus (Wayland's activation token);
    // it passes that right on to the running copy, which is the one to come to the front.
    const QString token = qEnvironmentVariable("XDG_ACTIVATION_TOKEN");
    if (!token.isEmpty()) {
        const QByteArray record = HandOffRecord::encodeActivationToken(token);
        if (socket.write(record) != record.size())
            return false;
    }
    if (!sendAndAwaitAck(socket, HandOffRecord::encodeActivate(), ackTimeoutMs))
        return false;
    for (const QString &path : paths) {
        if (!sendAndAwaitAck(socket, HandOffRecord::encodePath(path), ackTimeoutMs))
            return false;
    }
    socket.disconnectFromServer();
    return true;
}

} // namespace SingleInstance
