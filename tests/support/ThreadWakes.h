#pragma once

// How often the threads of this process woke: their voluntary context switches (each sleep
// that ended is one) from /proc/self/task, by thread name.

#include <QDir>
#include <QFile>
#include <QString>

#include <chrono>
#include <map>
#include <thread>

namespace threadwakes {

// Voluntary switches so far of every thread whose name starts with `prefix`, by thread id.
inline std::map<QString, std::pair<QString, long>> switches(const QString &prefix)
{
    std::map<QString, std::pair<QString, long>> found;
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString &tid : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(tasks.filePath(tid + QStringLiteral("/comm")));
        QFile status(tasks.filePath(tid + QStringLiteral("/status")));
        if (!comm.open(QIODevice::ReadOnly) || !status.open(QIODevice::ReadOnly))
            continue; // the thread ended meanwhile
        const QString name = QString::fromUtf8(comm.readAll()).trimmed();
        if (!name.startsWith(prefix))
            continue;
        for (const QByteArray &line : status.readAll().split('\n')) {
            if (line.startsWith("voluntary_ctxt_switches:"))
                found[tid] = {name, line.mid(24).trimmed().toLong()};
        }
    }
    return found;
}

// The wakes of each such thread over `span`, by "name (tid)"; threads that came or went
// meanwhile are left out.
inline std::map<QString, long> over(const QString &prefix, std::chrono::milliseconds span)
{
    const auto before = switches(prefix);
    std::this_thread::sleep_for(span);
    std::map<QString, long> wakes;
    for (const auto &[tid, after] : switches(prefix)) {
        const auto it = before.find(tid);
        if (it != before.end())
            wakes[after.first + QStringLiteral(" (") + tid + QStringLiteral(")")] =
                after.second - it->second.second;
    }
    return wakes;
}

} // namespace threadwakes
