#include "common/TLxMutex.h"

#include "common/AppPaths.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <map>
#include <thread>

// One per name and process, shared by every TLxMutex of that name in the process.
struct TLxMutex::Shared {
    QString stem;
    int lockFd = -1;
    int markerFd = -1;
    int depth = 0;
    ~Shared();
};

namespace {

// GUI thread only, as the class. Weak entries: the last TLxMutex of a name closes its files.
// Never destroyed, so that a TLxMutex with static storage may still end after it.
std::map<QString, std::weak_ptr<TLxMutex::Shared>> &registry()
{
    static auto *entries = new std::map<QString, std::weak_ptr<TLxMutex::Shared>>;
    return *entries;
}

QString filePath(const QString &dir, const QString &stem, const char *suffix)
{
    return QDir(dir).filePath(QStringLiteral("mutex-") + stem + QLatin1String(suffix));
}

int openPrivate(const QString &path, int flags)
{
    int fd;
    do {
        fd = ::open(QFile::encodeName(path).constData(), flags | O_CLOEXEC | O_NOFOLLOW, 0600);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

int flockRetrying(int fd, int operation)
{
    int result;
    do {
        result = ::flock(fd, operation);
    } while (result != 0 && errno == EINTR);
    return result;
}

void closeIfOpen(int fd)
{
    if (fd >= 0)
        ::close(fd);
}

std::shared_ptr<TLxMutex::Shared> openShared(const QString &stem)
{
    const QString dir = quillmere::AppPaths::runtimeDir();
    if (dir.isEmpty())
        return nullptr;
    auto shared = std::make_shared<TLxMutex::Shared>();
    shared->stem = stem;
    shared->lockFd = openPrivate(filePath(dir, stem, ".lock"), O_RDWR | O_CREAT);
    shared->markerFd = openPrivate(filePath(dir, stem, ".marker"), O_RDWR | O_CREAT);
    // A blocking shared lock: MutexExists holds its exclusive probe only for an instant.
    if (shared->lockFd < 0 || shared->markerFd < 0 || flockRetrying(shared->markerFd, LOCK_SH))
        return nullptr;
    return shared;
}

} // namespace

TLxMutex::Shared::~Shared()
{
    closeIfOpen(lockFd);
    closeIfOpen(markerFd);
    auto &entries = registry();
    const auto it = entries.find(stem);
    if (it != entries.end() && it->second.expired())
        entries.erase(it);
}

QString mutexFileStem(const QString &name)
{
    QString stem;
    bool changed = name.isEmpty() || name.size() > 64;
    for (const QChar c : name.left(64)) {
        const bool safe = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') ||
                          (c >= u'0' && c <= u'9') || c == u'-' || c == u'_';
        stem += safe ? c : u'_';
        changed = changed || !safe;
    }
    if (changed) {
        const QByteArray hash =
            QCryptographicHash::hash(name.toUtf8(), QCryptographicHash::Sha256).toHex().left(16);
        stem += u'-' + QString::fromLatin1(hash);
    }
    return stem;
}

TLxMutex::TLxMutex() = default;
TLxMutex::~TLxMutex() = default;

void TLxMutex::CreateNamed(const QString &name)
{
    const QString stem = mutexFileStem(name);
    auto &entries = registry();
    const auto found = entries.find(stem);
    std::shared_ptr<Shared> shared = found == entries.end() ? nullptr : found->second.lock();
    if (!shared) {
        shared = openShared(stem);
        if (!shared)
            throw Error("Mutex Create Error");
        entries[stem] = shared;
    }
    m_shared = std::move(shared);
}

void TLxMutex::Lock()
{
    if (!m_shared)
        return;
    if (m_shared->depth > 0) {
        ++m_shared->depth;
        return;
    }
    // flock has no timed wait: poll, as the GUI thread waits at most a few seconds here.
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(TimeoutMs);
    while (flockRetrying(m_shared->lockFd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
        if (Clock::now() >= deadline)
            throw Error("Mutex Synchronize Timeout");
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    m_shared->depth = 1;
}

void TLxMutex::Unlock()
{
    if (!m_shared || m_shared->depth == 0)
        return;
    if (--m_shared->depth == 0)
        flockRetrying(m_shared->lockFd, LOCK_UN);
}

bool MutexExists(const QString &name)
{
    const QString dir = quillmere::AppPaths::runtimeDir();
    if (dir.isEmpty())
        return false;
    const int fd = openPrivate(filePath(dir, mutexFileStem(name), ".marker"), O_RDONLY);
    if (fd < 0)
        return false;
    const bool held = flockRetrying(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd); // also drops the probe's lock when it was granted
    return held;
}
