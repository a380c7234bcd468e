// The library's locks, taken in this order: the pool-list mutex (named, shared by every process),
// a pool's own lock, the library critical section. The move mutex is only released and taken
// back around the error handler.
#include "memory/pool_internal.h"
#include "platform/named_mutex.h"
#include "platform/process.h"

#include <pthread.h>

namespace bramble {
namespace {

CRITICAL_SECTION g_libraryStorage;
CRITICAL_SECTION* g_library = nullptr;

void prepareFork();
void afterForkParent();
void afterForkChild();

// Locks are made on first use and live as long as the process: allocation goes on while static
// objects are destroyed at exit.
CRITICAL_SECTION* library() {
    static CRITICAL_SECTION* cs = [] {
        InitializeCriticalSection(&g_libraryStorage);
        g_library = &g_libraryStorage;
        pthread_atfork(prepareFork, afterForkParent, afterForkChild);
        return &g_libraryStorage;
    }();
    return cs;
}

// A process without a place for named objects still gets a working (process-wide) lock.
struct LibraryMutex {
    platform::NamedMutex* named;
    CRITICAL_SECTION local;
};

LibraryMutex* openLibraryMutex(LibraryMutex* m, const char* name) {
    m->named = platform::CreateNamedMutex(name, nullptr);
    InitializeCriticalSection(&m->local);
    return m;
}

LibraryMutex& poolListMutex() {
    static LibraryMutex storage;
    static LibraryMutex* m = openLibraryMutex(&storage, "Bramble310MutexPoolName");
    return *m;
}

LibraryMutex& moveMutex() {
    static LibraryMutex storage;
    static LibraryMutex* m = openLibraryMutex(&storage, "Bramble310MutexMovName");
    return *m;
}

u64 selfId(const MemPoolHeader* pool) {
    return IsShared(pool) ? GetCurrentThreadId() : platform::detail::ThreadToken();
}

// The default pool is reached from every thread; a fork must not leave its lock (or the
// library's) held by a thread that does not exist in the child.
void prepareFork() {
    if (MemPoolHeader* d = DefaultPoolIfMade()) LockPool(d);
    EnterCriticalSection(g_library);
}

void afterForkParent() {
    LeaveCriticalSection(g_library);
    if (MemPoolHeader* d = DefaultPoolIfMade()) UnlockPool(d);
}

void afterForkChild() {
    InitializeCriticalSection(g_library);
    if (MemPoolHeader* d = DefaultPoolIfMade()) {
        InitializeCriticalSection(&d->lock);
        d->lockDepth = 0;
        d->lockOwner = 0;
        d->callerLocks = 0;
    }
}

} // namespace

GlobalRecord& Global() {
    static constinit GlobalRecord record{&MemDefaultErrorHandler, nullptr, {}, 0};
    return record;
}

bool LockPool(MemPoolHeader* pool) {
    if (!IsSerialized(pool)) return true;
    if (IsShared(pool)) {
        platform::NamedMutex* m = SharedPoolMutex(pool);
        if (!m || !platform::WaitNamedMutex(m)) return false;
        if (pool->lockDepth++ == 0) pool->lockOwner = GetCurrentThreadId();
        return true;
    }
    EnterCriticalSection(&pool->lock);
    if (pool->lockDepth++ == 0) pool->lockOwner = pool->lock.owner;
    return true;
}

void UnlockPool(MemPoolHeader* pool) {
    if (!IsSerialized(pool)) return;
    if (--pool->lockDepth == 0) pool->lockOwner = 0;
    if (IsShared(pool)) {
        platform::ReleaseNamedMutex(SharedPoolMutex(pool));
    } else {
        LeaveCriticalSection(&pool->lock);
    }
}

bool HoldsPoolLock(const MemPoolHeader* pool) {
    return IsSerialized(pool) && pool->lockDepth > 0 && pool->lockOwner == selfId(pool);
}

void EnterLibrary() { EnterCriticalSection(library()); }
void LeaveLibrary() { LeaveCriticalSection(library()); }

bool TakePoolListMutex() {
    library();
    LibraryMutex& m = poolListMutex();
    if (m.named) return platform::WaitNamedMutex(m.named);
    EnterCriticalSection(&m.local);
    return true;
}

void ReleasePoolListMutex() {
    LibraryMutex& m = poolListMutex();
    if (m.named) {
        platform::ReleaseNamedMutex(m.named);
    } else {
        LeaveCriticalSection(&m.local);
    }
}

platform::NamedMutex* MoveMutex() { return moveMutex().named; }

} // namespace bramble
