#pragma once

#include <QObject>

#include <functional>

class QSocketNotifier;

// SIGTERM, SIGINT and SIGHUP (the session ending, a kill, Ctrl+C in a terminal) become a call
// on the GUI thread, so the window can close the normal way and save the settings and the
// default playlist. The handler only writes one byte into a socket pair; a QSocketNotifier
// reads it in the event loop. One object per process; it restores the default handlers when
// destroyed.
class QuitSignals : public QObject {
public:
    explicit QuitSignals(std::function<void()> onQuit);
    ~QuitSignals() override;
    bool installed() const { return m_notifier != nullptr; }

private:
    std::function<void()> m_onQuit;
    QSocketNotifier *m_notifier = nullptr;
};
