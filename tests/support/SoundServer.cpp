#include "support/SoundServer.h"

#include <QFile>
#include <QStandardPaths>

#include <chrono>
#include <thread>

SoundServer::SoundServer(int sinkRate) : m_sinkRate(sinkRate)
{
    m_ready = start();
}

bool SoundServer::start()
{
    using namespace std::chrono_literals;
    const QString runtime = m_runtime.path();
    QFile::setPermissions(runtime,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    qputenv("PULSE_SERVER",
            QFile::encodeName(QStringLiteral("unix:") + runtime + QStringLiteral("/pulse/native")));
    qputenv("PULSE_COOKIE", QFile::encodeName(runtime + QStringLiteral("/cookie")));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), runtime);
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    m_daemon.setProcessEnvironment(env);
    m_daemon.start(
        QStringLiteral("pulseaudio"),
        {QStringLiteral("--daemonize=no"), QStringLiteral("-n"),
         QStringLiteral("--exit-idle-time=-1"),
         QStringLiteral("--log-target=file:") + runtime + QStringLiteral("/pulse.log"),
         QStringLiteral("-L"),
         QStringLiteral("module-native-protocol-unix auth-anonymous=1 socket=") + runtime +
             QStringLiteral("/pulse/native"),
         QStringLiteral("-L"),
         QStringLiteral("module-null-sink sink_name=testsink norewinds=1 rate=%1 channels=2")
             .arg(m_sinkRate),
         QStringLiteral("-L"), QStringLiteral("module-always-sink")});
    bool answering = false;
    for (int i = 0; i < 200 && !answering; ++i) {
        answering = pactl({QStringLiteral("info")}).has_value();
        if (!answering)
            std::this_thread::sleep_for(50ms);
    }
    return answering &&
           pactl({QStringLiteral("set-default-sink"), QStringLiteral("testsink")}).has_value();
}

bool SoundServer::restart()
{
    m_daemon.kill();
    m_daemon.waitForFinished(5000);
    // A killed daemon leaves its pid file, which would keep the next one from starting.
    QFile::remove(m_runtime.filePath(QStringLiteral("pulse/pid")));
    m_ready = start();
    return m_ready;
}

SoundServer::~SoundServer()
{
    m_daemon.terminate();
    m_daemon.waitForFinished(5000);
    qunsetenv("PULSE_SERVER");
    qunsetenv("PULSE_COOKIE");
}

bool SoundServer::installed()
{
    return !QStandardPaths::findExecutable(QStringLiteral("pulseaudio")).isEmpty() &&
           !QStandardPaths::findExecutable(QStringLiteral("pactl")).isEmpty();
}

std::optional<QString> SoundServer::pactl(const QStringList &arguments) const
{
    QProcess process;
    process.start(QStringLiteral("pactl"), arguments);
    if (!process.waitForFinished(10000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0)
        return std::nullopt;
    return QString::fromUtf8(process.readAllStandardOutput());
}
