// The running copy's server in this process, with real local sockets as senders.
#include "app/HandOffServer.h"

#include "app/HandOffRecord.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QLocalSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <memory>

namespace {

using HandOffRecord::encodeActivate;
using HandOffRecord::encodePath;

class HandOffServerTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString socketPath;
    HandOffServer server;
    QStringList received;
    std::vector<std::function<void()>> pendingDone;
    int activations = 0;
    QStringList tokens; // one per activation

    void SetUp() override
    {
        socketPath = dir.filePath(QStringLiteral("s"));
        ASSERT_TRUE(server.listen(socketPath, true)) << server.errorString().toStdString();
    }

    // Paths are recorded and their done() kept, to be called by the test.
    void startHolding()
    {
        server.start(
            [this](const QString &path, std::function<void()> done) {
                received << path;
                pendingDone.push_back(std::move(done));
            },
            [this](const QString &token) {
                ++activations;
                tokens << token;
            });
    }

    std::unique_ptr<QLocalSocket> connectSender(const QByteArray &bytes = {})
    {
        auto socket = std::make_unique<QLocalSocket>();
        socket->connectToServer(socketPath);
        EXPECT_TRUE(socket->waitForConnected(2000));
        if (!bytes.isEmpty())
            socket->write(bytes);
        socket->flush();
        return socket;
    }

    // Acknowledgements that have arrived so far, after letting the server run for a while.
    static int acksAfter(QLocalSocket &socket, int ms)
    {
        QTest::qWait(ms);
        const QByteArray bytes = socket.readAll();
        return int(bytes.count(HandOffRecord::Ack));
    }
};

TEST_F(HandOffServerTest, ASendersRecordsWaitForThePreviousDoneWhileOtherSendersGoOn)
{
    startHolding();
    auto first = connectSender(encodeActivate() + encodePath(QStringLiteral("/1")) +
                               encodePath(QStringLiteral("/2")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return received.size() == 1; }, 2000));
    EXPECT_EQ(activations, 1);
    EXPECT_EQ(acksAfter(*first, 100), 1) << "the activation only";

    auto second = connectSender(encodePath(QStringLiteral("/3")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return received.size() == 2; }, 2000));
    EXPECT_EQ(received, (QStringList{QStringLiteral("/1"), QStringLiteral("/3")}));

    pendingDone[0]();
    pendingDone[0](); // a second call is ignored
    EXPECT_EQ(acksAfter(*first, 100), 1);
    ASSERT_EQ(received.size(), 3);
    EXPECT_EQ(received[2], QStringLiteral("/2"));
    pendingDone[2]();
    pendingDone[1]();
    EXPECT_EQ(acksAfter(*first, 100), 1);
    EXPECT_EQ(acksAfter(*second, 0), 1);
}

// The desktop's activation token travels ahead of the activation it belongs to, unanswered.
TEST_F(HandOffServerTest, AnActivationTokenGoesWithTheNextActivationOnly)
{
    startHolding();
    auto sender = connectSender(HandOffRecord::encodeActivationToken(QStringLiteral("tok-1")) +
                                encodeActivate() + encodeActivate());
    EXPECT_EQ(acksAfter(*sender, 200), 2);
    EXPECT_EQ(tokens, (QStringList{QStringLiteral("tok-1"), QString()}));
}

TEST_F(HandOffServerTest, RecordsWaitForStartAndDoneMayComeFromInsideTheHandler)
{
    auto sender = connectSender(encodeActivate() + encodePath(QStringLiteral("/早い")));
    EXPECT_EQ(acksAfter(*sender, 100), 0);
    server.start(
        [this](const QString &path, std::function<void()> done) {
            received << path;
            done();
        },
        [this](const QString &token) {
            ++activations;
            tokens << token;
        });
    EXPECT_EQ(received, QStringList{QStringLiteral("/早い")});
    EXPECT_EQ(activations, 1);
    EXPECT_EQ(acksAfter(*sender, 100), 2);
}

TEST_F(HandOffServerTest, SilentMalformedAndOverfullSendersAreDroppedButNotOnesBeingServed)
{
    server.setIdleTimeout(300);
    startHolding();
    const auto gone = [](const std::unique_ptr<QLocalSocket> &s, int ms = 3000) {
        return QTest::qWaitFor([&] { return s->state() == QLocalSocket::UnconnectedState; }, ms);
    };
    auto served = connectSender(encodePath(QStringLiteral("/slow")));
    auto silent = connectSender();
    auto badText =
        connectSender(HandOffRecord::encode(HandOffRecord::PathTag, QByteArray("/\xff\0", 3)));
    EXPECT_TRUE(gone(badText));
    EXPECT_TRUE(gone(silent));
    EXPECT_EQ(served->state(), QLocalSocket::ConnectedState) << "busy, not idle";
    ASSERT_EQ(received, QStringList{QStringLiteral("/slow")});

    // The header promises three bytes; the record is judged once they are all there.
    auto unended = connectSender(HandOffRecord::encode(HandOffRecord::PathTag, "/xy").chopped(1));
    EXPECT_FALSE(gone(unended, 100));
    unended->write("y");
    EXPECT_TRUE(gone(unended));

    // Sending ahead of the acknowledgements, more than a record can hold.
    served->write(QByteArray(HandOffRecord::HeaderSize + HandOffRecord::MaxLength + 1, 'x'));
    EXPECT_TRUE(gone(served));
    pendingDone[0](); // too late: the sender is gone
    EXPECT_EQ(received.size(), 1);
}

// Another user cannot reach the socket through its folder; opening that up shows the server's
// own check of the peer's user id. Needs root to become another user.
TEST_F(HandOffServerTest, ConnectionsOfAnotherUserAreClosedUnanswered)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to connect as another user";
    startHolding();
    const QByteArray native = QFile::encodeName(socketPath);
    ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), 0755), 0);
    ASSERT_EQ(::chmod(native.constData(), 0777), 0);
    const QByteArray request = encodeActivate();
    const pid_t child = ::fork();
    if (child == 0) { // system calls only: this process has other threads
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(3);
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        ::memcpy(address.sun_path, native.constData(), size_t(native.size()));
        if (::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0)
            ::_exit(4);
        if (::write(fd, request.constData(), size_t(request.size())) != request.size())
            ::_exit(0); // already closed by the server
        char answer = 0;
        ::_exit(::read(fd, &answer, 1) == 1 ? 1 : 0);
    }
    ASSERT_GT(child, 0);
    int status = -1;
    ASSERT_TRUE(QTest::qWaitFor([&] { return ::waitpid(child, &status, WNOHANG) == child; }, 5000));
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: answered, 3: no user switch, 4: no connection";
    EXPECT_EQ(activations, 0);

    auto ours = connectSender(request);
    EXPECT_EQ(acksAfter(*ours, 100), 1);
    EXPECT_EQ(activations, 1);
}

TEST_F(HandOffServerTest, ASenderLeavingDuringAHandlersMessageBoxIsForgottenSafely)
{
    // A handler that shows a message box runs a nested event loop; the sender gives up
    // meanwhile and its connection is deleted inside that loop.
    std::unique_ptr<QLocalSocket> sender;
    std::function<void()> later;
    server.start(
        [&](const QString &, std::function<void()> done) {
            sender->abort();
            QEventLoop box;
            QTimer::singleShot(200, &box, &QEventLoop::quit);
            box.exec();
            later = std::move(done);
        },
        [](const QString &) {});
    sender = connectSender(encodePath(QStringLiteral("/gone")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return bool(later); }, 3000));
    later();                           // its sender is gone: nothing to answer, nothing to crash
    const auto next = connectSender(); // and the server still takes senders
    EXPECT_EQ(next->state(), QLocalSocket::ConnectedState);
}

} // namespace
