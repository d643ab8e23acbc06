#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <optional>

// A PulseAudio daemon of the test's own, with one null sink "testsink" (at sinkRate) as the
// default sink, on a private runtime folder. PULSE_SERVER and PULSE_COOKIE point this process
// (and the pactl it starts) at it while it lives; it is stopped by its PID.
class SoundServer {
public:
    explicit SoundServer(int sinkRate = 44100);
    ~SoundServer();
    SoundServer(const SoundServer &) = delete;
    SoundServer &operator=(const SoundServer &) = delete;

    // Whether pulseaudio and pactl are installed at all; tests skip when not.
    static bool installed();
    bool ready() const { return m_ready; }
    QString runtimeDir() const { return m_runtime.path(); }
    qint64 pid() const { return m_daemon.processId(); }
    // Kills the daemon as a crash would and starts a fresh one on the same socket.
    bool restart();

    // Runs pactl against this server; its standard output, or nothing if it failed.
    std::optional<QString> pactl(const QStringList &arguments) const;

private:
    bool start();

    int m_sinkRate;
    QTemporaryDir m_runtime;
    QProcess m_daemon;
    bool m_ready = false;
};
