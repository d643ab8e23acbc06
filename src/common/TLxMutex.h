#pragma once

#include <QString>

#include <memory>
#include <stdexcept>

// A named, recursive lock shared by every copy of the player of one user, and the marker by
// which a starting copy sees that another one runs. GUI thread only: the per-process state
// below is not guarded against other threads.
//
// Two files per name live in the runtime folder (AppPaths::runtimeDir):
// - "mutex-NAME.lock": Lock() takes an exclusive flock on it. flock belongs to the open file
//   description, so every TLxMutex of one name in this process shares one descriptor and one
//   depth counter (a per-process registry): a second object of the same name is the same
//   recursive mutex of this process and never waits for the first.
// - "mutex-NAME.marker": every process that has created the name holds a shared flock on it
//   for as long as one of its TLxMutex objects of that name lives. MutexExists probes it with a
//   non-blocking exclusive flock, which fails exactly while some process holds the shared one.
//   The kernel drops flocks with the process, so a crashed or killed copy leaves no marker
//   behind, although the files stay on disk. Descriptors are close-on-exec, so a child
//   process never keeps a marker alive.
// The single-instance election (SingleInstance::StartupGate) keeps its own QLockFile: it must
// try the lock in short slices between attempts on the socket for up to 30 s, and exclude a
// second holder even in the same process, where this lock is recursive and waits its fixed
// 3 s before it throws.
class TLxMutex {
public:
    struct Error : std::runtime_error {
        using std::runtime_error::runtime_error;
    };
    static constexpr int TimeoutMs = 3000;

    TLxMutex();
    ~TLxMutex(); // closes the descriptors once no object of this name is left in the process
    TLxMutex(const TLxMutex &) = delete;
    TLxMutex &operator=(const TLxMutex &) = delete;

    // Opens or creates the files of the name (0600); the name may hold any character, it is
    // made into a safe file name. Throws Error("Mutex Create Error") when that fails.
    void CreateNamed(const QString &name);
    // The first level waits up to TimeoutMs for another process and then throws
    // Error("Mutex Synchronize Timeout"); deeper levels only count. Without CreateNamed, or
    // when flock fails for another reason than the wait, it counts as taken.
    void Lock();
    // Releases one level; the last one releases the flock. Extra calls are ignored.
    void Unlock();

    struct Shared;

private:
    std::shared_ptr<Shared> m_shared;
};

// Holds a TLxMutex for a scope. The constructor throws what Lock() throws.
class TLxMutexLocker {
public:
    explicit TLxMutexLocker(TLxMutex &mutex) : m_mutex(mutex) { m_mutex.Lock(); }
    ~TLxMutexLocker() { m_mutex.Unlock(); }
    TLxMutexLocker(const TLxMutexLocker &) = delete;
    TLxMutexLocker &operator=(const TLxMutexLocker &) = delete;

private:
    TLxMutex &m_mutex;
};

// True while some process (this one included) holds a TLxMutex created with that name.
bool MutexExists(const QString &name);

// The file-name form of a mutex name: letters, digits, '-' and '_' are kept, anything else
// becomes '_' and a hash of the whole name is appended so that different names stay apart.
QString mutexFileStem(const QString &name);
