#pragma once
// Locks of the library: re-entrant mutexes that can live in static storage (no constructor runs)
// or inside a pool header, and the library-wide state they guard.
#include "memlib/brm22w32.h"

#include <cstdint>
#include <pthread.h>

namespace brm {

class RecursiveLock {
public:
    void enter() { pthread_mutex_lock(&m_); }
    void leave() { pthread_mutex_unlock(&m_); }
    // For a lock placed in memory that no constructor ran over.
    void initialise() {
        pthread_mutexattr_t a;
        pthread_mutexattr_init(&a);
        pthread_mutexattr_settype(&a, PTHREAD_MUTEX_RECURSIVE);
        pthread_mutex_init(&m_, &a);
        pthread_mutexattr_destroy(&a);
    }
    void destroy() { pthread_mutex_destroy(&m_); }

private:
    pthread_mutex_t m_ = PTHREAD_RECURSIVE_MUTEX_INITIALIZER_NP;
};

constexpr int kNestingEntries = 25;

struct ThreadNesting {
    std::uint32_t thread;
    std::int32_t depth;
};

struct LibraryRecord {
    MemErrorHandler handler;
    MemPoolHeader* pools; // newest first
    std::int32_t taskCount;
    ThreadNesting nesting[kNestingEntries];
    std::int32_t nestingCount;
};

LibraryRecord& library();

// Guards the pool list, the handler, the task count and the nesting table.
class LibraryGuard {
public:
    LibraryGuard();
    ~LibraryGuard();
    LibraryGuard(const LibraryGuard&) = delete;
    LibraryGuard& operator=(const LibraryGuard&) = delete;
};

// The handle lock guards handle slots and every movement of blocks. Its depth counts how often
// its current owner holds it, so that the error report can release and retake it.
void enterHandleLock();
void leaveHandleLock();
int handleLockDepth();

class HandleGuard {
public:
    HandleGuard() { enterHandleLock(); }
    ~HandleGuard() { leaveHandleLock(); }
    HandleGuard(const HandleGuard&) = delete;
    HandleGuard& operator=(const HandleGuard&) = delete;
};

std::uint32_t currentThreadId();

} // namespace brm
