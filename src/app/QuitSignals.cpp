#include "app/QuitSignals.h"

#include <QSocketNotifier>

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

namespace {

constexpr int Signals[] = {SIGTERM, SIGINT, SIGHUP};
int pipeFds[2] = {-1, -1}; // [0] read on the GUI thread, [1] written by the handler

void onSignal(int)
{
    const int savedErrno = errno;
    const char byte = 1;
    const ssize_t written = ::write(pipeFds[1], &byte, 1); // async-signal-safe
    static_cast<void>(written); // a full pipe already holds a pending request
    errno = savedErrno;
}

} // namespace

QuitSignals::QuitSignals(std::function<void()> onQuit) : m_onQuit(std::move(onQuit))
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, pipeFds) != 0)
        return;
    m_notifier = new QSocketNotifier(pipeFds[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] {
        char bytes[16];
        while (::read(pipeFds[0], bytes, sizeof bytes) > 0) {
        }
        if (m_onQuit)
            m_onQuit();
    });
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int number : Signals)
        ::sigaction(number, &action, nullptr);
}

QuitSignals::~QuitSignals()
{
    if (!m_notifier)
        return;
    for (const int number : Signals)
        std::signal(number, SIG_DFL);
    delete m_notifier;
    m_notifier = nullptr;
    ::close(pipeFds[0]);
    ::close(pipeFds[1]);
    pipeFds[0] = pipeFds[1] = -1;
}
