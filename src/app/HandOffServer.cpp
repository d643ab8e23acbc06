#include "app/HandOffServer.h"

#include "app/HandOffRecord.h"

#include <QLocalSocket>
#include <QTimer>

#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <utility>

namespace {

// The whole of one record; a well-behaved sender never has more than that in flight, since it
// waits for each acknowledgement.
constexpr qsizetype BufferLimit = HandOffRecord::HeaderSize + HandOffRecord::MaxLength;

bool fromThisUser(const QLocalSocket &socket)
{
    struct ucred peer {};
    socklen_t size = sizeof peer;
    return ::getsockopt(int(socket.socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &peer, &size) ==
               0 &&
           peer.uid == ::geteuid();
}

} // namespace

// One sender. Owned by Qt's object tree under the server; deletes itself when the sender goes.
class HandOffServer::Connection : public QObject {
public:
    Connection(QLocalSocket *socket, std::shared_ptr<Handlers> handlers, QObject *parent)
        : QObject(parent), m_socket(socket), m_handlers(std::move(handlers))
    {
        m_socket->setParent(this);
        m_socket->setReadBufferSize(BufferLimit);
        m_idle.setSingleShot(true);
        m_idle.setInterval(m_handlers->idleTimeoutMs);
        QObject::connect(&m_idle, &QTimer::timeout, this, [this] { drop(); });
        QObject::connect(m_socket, &QLocalSocket::readyRead, this, [this] { readIncoming(); });
        QObject::connect(m_socket, &QLocalSocket::disconnected, this, [this] {
            m_idle.stop();
            deleteLater();
        });
    }

    void readIncoming()
    {
        m_buffer += m_socket->readAll();
        if (m_buffer.size() > BufferLimit && (m_busy || !m_handlers->started)) {
            drop(); // sent ahead of the acknowledgements: not one of ours
            return;
        }
        process();
    }

    // Handles what the buffer holds, up to the first path (which waits for its done).
    void process()
    {
        using Kind = HandOffRecord::Decoded::Kind;
        while (!m_busy && !m_dropped && m_handlers->started) {
            const HandOffRecord::Decoded record = HandOffRecord::decode(m_buffer);
            if (record.kind == Kind::NeedMore) {
                m_idle.start();
                return;
            }
            if (record.kind == Kind::Malformed) {
                drop();
                return;
            }
            m_buffer.remove(0, record.consumed);
            // A handler may run a nested event loop (a message box), in which the sender's
            // disconnection deletes this connection: nothing of it is touched afterwards.
            const QPointer<Connection> alive(this);
            if (record.kind == Kind::Token) {
                m_token = record.path;
            } else if (record.kind == Kind::Activate) {
                const QString token = std::exchange(m_token, QString());
                if (m_handlers->onActivate)
                    m_handlers->onActivate(token);
                if (!alive)
                    return;
                m_socket->putChar(HandOffRecord::Ack);
            } else if (record.kind == Kind::Path) {
                m_busy = true;
                m_idle.stop();
                m_handlers->onPath(record.path, doneCallback());
                if (!alive)
                    return;
            }
        }
    }

private:
    std::function<void()> doneCallback()
    {
        // The window may call it later or right away, and the sender may be gone by then.
        QPointer<Connection> self(this);
        auto called = std::make_shared<bool>(false);
        return [self, called] {
            if (*called || !self)
                return;
            *called = true;
            self->m_socket->putChar(HandOffRecord::Ack);
            self->m_busy = false;
            // Queued, so that a done() from inside the handler never re-enters process().
            QTimer::singleShot(0, self.data(), [self] {
                if (self)
                    self->process();
            });
        };
    }

    void drop()
    {
        m_dropped = true;
        m_idle.stop();
        m_buffer.clear();
        m_socket->abort();
        deleteLater();
    }

    QLocalSocket *m_socket;
    std::shared_ptr<Handlers> m_handlers;
    QByteArray m_buffer;
    QString m_token; // from a token record, for the activation that follows it
    QTimer m_idle;
    bool m_busy = false;
    bool m_dropped = false;
};

HandOffServer::HandOffServer() : m_handlers(std::make_shared<Handlers>())
{
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    QObject::connect(&m_server, &QLocalServer::newConnection, &m_server,
                     [this] { acceptPending(); });
}

HandOffServer::~HandOffServer() = default;

bool HandOffServer::listen(const QString &socketPath, bool replaceStale)
{
    if (socketPath.isEmpty())
        return false;
    if (replaceStale)
        QLocalServer::removeServer(socketPath);
    return m_server.listen(socketPath);
}

void HandOffServer::start(PathHandler onPath, ActivateHandler onActivate)
{
    m_handlers->onPath = std::move(onPath);
    m_handlers->onActivate = std::move(onActivate);
    m_handlers->started = true;
    // A copy: a handler's nested event loop may accept connections meanwhile.
    const auto connections = m_connections;
    for (const QPointer<Connection> &connection : connections) {
        if (connection)
            connection->process();
    }
}

void HandOffServer::close()
{
    m_server.close();
    m_handlers->started = false;
    for (const QPointer<Connection> &connection : std::exchange(m_connections, {})) {
        if (connection)
            connection->deleteLater();
    }
}

void HandOffServer::acceptPending()
{
    std::erase_if(m_connections, [](const QPointer<Connection> &c) { return c.isNull(); });
    while (QLocalSocket *socket = m_server.nextPendingConnection()) {
        if (!fromThisUser(*socket)) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        auto *connection = new Connection(socket, m_handlers, &m_server);
        m_connections.emplace_back(connection);
        connection->readIncoming(); // bytes may have come with the connection
    }
}
