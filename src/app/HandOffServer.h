#pragma once

#include <QLocalServer>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

// The running copy's end of the hand-off: a local socket that only this user can reach, on
// which later copies send HandOffRecord messages. Everything runs on the GUI thread from
// signals; nothing ever waits for a sender, so a silent or slow one blocks nobody.
//
// Each connection keeps its own buffer and handles its records strictly one after another:
// the next record is decoded only once the previous path's done() has run, and only then is
// the path acknowledged. A malformed or oversized record, or 10 s without a byte while the
// connection waits for one, ends the connection. Connections of another user are closed at
// once (SO_PEERCRED).
class HandOffServer {
public:
    // done must be called once, on the GUI thread, when the path has been taken in; it may be
    // called from inside the handler or any time later.
    using PathHandler = std::function<void(const QString &path, std::function<void()> done)>;
    // The token is the one the sender passed for this activation, or empty.
    using ActivateHandler = std::function<void(const QString &activationToken)>;
    static constexpr int IdleTimeoutMs = 10000;

    HandOffServer();
    ~HandOffServer();
    HandOffServer(const HandOffServer &) = delete;
    HandOffServer &operator=(const HandOffServer &) = delete;

    // Listens at the socket path (a full path). replaceStale removes a socket file left by a
    // killed copy first; only a caller that knows no copy answers there may ask for it.
    bool listen(const QString &socketPath, bool replaceStale);
    // Until start, connections are accepted and their bytes kept but no record is handled:
    // the window the handlers reach does not exist yet.
    void start(PathHandler onPath, ActivateHandler onActivate);
    // Stops listening and drops every connection; their senders see no acknowledgement.
    void close();
    // For connections accepted from now on.
    void setIdleTimeout(int ms) { m_handlers->idleTimeoutMs = ms; }
    QString errorString() const { return m_server.errorString(); }

    struct Handlers {
        PathHandler onPath;
        ActivateHandler onActivate;
        bool started = false;
        int idleTimeoutMs = IdleTimeoutMs;
    };
    class Connection;

private:
    void acceptPending();

    QLocalServer m_server;
    std::shared_ptr<Handlers> m_handlers;
    std::vector<QPointer<Connection>> m_connections;
};
