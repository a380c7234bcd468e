#include "platform/named_mutex.h"

#include "platform/named_object.h"
#include "platform/process.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <new>
#include <pthread.h>

namespace platform {

struct NamedMutex {
    detail::NamedObject object;
    pthread_mutex_t* mutex;
    std::atomic<std::uint32_t> owner;  // thread id of the holder, 0 when free (as seen by this handle)
    int depth;
};

namespace {

constexpr std::size_t kControlBytes = 4096;

pthread_mutex_t* mutexIn(void* control) {
    return reinterpret_cast<pthread_mutex_t*>(static_cast<char*>(control) + detail::kControlHeaderBytes);
}

void initMutex(void* control) {
    pthread_mutexattr_t attr;
    pthread_mutexattr_init(&attr);
    pthread_mutexattr_setpshared(&attr, PTHREAD_PROCESS_SHARED);
    pthread_mutexattr_setrobust(&attr, PTHREAD_MUTEX_ROBUST);
    pthread_mutexattr_settype(&attr, PTHREAD_MUTEX_RECURSIVE);
    pthread_mutex_init(mutexIn(control), &attr);
    pthread_mutexattr_destroy(&attr);
}

// Handles are made with the C library so that opening one never re-enters the program's pools.
NamedMutex* open(const char* name, detail::OpenMode mode, bool* existed) {
    void* mem = std::malloc(sizeof(NamedMutex));
    if (!mem) return nullptr;
    auto* m = new (mem) NamedMutex{};
    bool created = false;
    if (!detail::OpenNamedObject("mutex", name, mode, kControlBytes, kControlBytes, initMutex, &m->object, &created)) {
        std::free(mem);
        return nullptr;
    }
    m->mutex = mutexIn(m->object.control);
    if (existed) *existed = !created;
    return m;
}

} // namespace

NamedMutex* CreateNamedMutex(const char* name, bool* existed) {
    return open(name, detail::OpenMode::OpenOrCreate, existed);
}

NamedMutex* OpenNamedMutex(const char* name) { return open(name, detail::OpenMode::OpenExisting, nullptr); }

bool WaitNamedMutex(NamedMutex* m) {
    if (!m) return false;
    const std::uint32_t me = GetCurrentThreadId();
    int r = pthread_mutex_lock(m->mutex);
    if (r == EOWNERDEAD) {
        // The holder's process ended; like an abandoned mutex, it passes to us.
        pthread_mutex_consistent(m->mutex);
        r = 0;
    }
    if (r != 0) return false;
    if (m->owner.load(std::memory_order_relaxed) == me) {
        ++m->depth;
    } else {
        m->owner.store(me, std::memory_order_relaxed);
        m->depth = 1;
    }
    return true;
}

bool ReleaseNamedMutex(NamedMutex* m) {
    if (!m || m->owner.load(std::memory_order_relaxed) != GetCurrentThreadId() || m->depth <= 0) return false;
    if (--m->depth == 0) m->owner.store(0, std::memory_order_relaxed);
    return pthread_mutex_unlock(m->mutex) == 0;
}

int NamedMutexHoldCount(NamedMutex* m) {
    if (!m || m->owner.load(std::memory_order_relaxed) != GetCurrentThreadId()) return 0;
    return m->depth;
}

void CloseNamedMutex(NamedMutex* m) {
    if (!m) return;
    while (NamedMutexHoldCount(m) > 0) ReleaseNamedMutex(m);
    detail::CloseNamedObject(&m->object);
    m->~NamedMutex();
    std::free(m);
}

} // namespace platform
