#pragma once
// Locks of the library: re-entrant mutexes that can live in static storage (no constructor runs)
// or inside a pool header, and the library-wide state they guard.
#include "memlib/brm22w32.h"

#include <sys/single_threaded.h>

#include <atomic>
#include <cstdint>

namespace brm {

// A lock that its holder may take again. Free, it is zero bytes; taking and leaving it when nobody
// else wants it is one atomic operation each way, inline, and a thread that must wait sleeps in
// the system (a futex) until the holder leaves. While the process runs a single thread (the C
// library lowers its flag before a second one starts), nobody else can want it, and it is taken
// and left by plain stores: a thread started while it is held finds it taken and waits, and the
// holder, seeing the flag lowered by then, leaves it the atomic way and wakes the waiter.
class RecursiveLock {
public:
    void enter() {
        const std::uintptr_t me = self();
        if (owner_.load(std::memory_order_relaxed) == me) {
            ++depth_;
            return;
        }
        if (__libc_single_threaded && state_.load(std::memory_order_relaxed) == 0) {
            state_.store(1, std::memory_order_relaxed);
        } else {
            std::uint32_t expected = 0;
            if (!state_.compare_exchange_strong(expected, 1, std::memory_order_acquire, std::memory_order_relaxed)) {
                wait();
            }
        }
        owner_.store(me, std::memory_order_relaxed);
        depth_ = 1;
    }
    void leave() {
        if (--depth_ != 0) return;
        owner_.store(0, std::memory_order_relaxed);
        if (__libc_single_threaded) {
            state_.store(0, std::memory_order_release);
            return;
        }
        if (state_.exchange(0, std::memory_order_release) == 2) wake();
    }
    // For a lock placed in memory that no constructor ran over.
    void initialise() {
        state_.store(0, std::memory_order_relaxed);
        depth_ = 0;
        owner_.store(0, std::memory_order_relaxed);
    }
    void destroy() { initialise(); }

private:
    // Unique to each live thread, read without a call.
    static std::uintptr_t self() { return reinterpret_cast<std::uintptr_t>(__builtin_thread_pointer()); }
    void wait();
    void wake();

    std::atomic<std::uint32_t> state_{0}; // 0 free, 1 held, 2 held and someone may be asleep on it
    std::uint32_t depth_ = 0;             // how often the holder has taken it
    std::atomic<std::uintptr_t> owner_{0}; // the holder, 0 when free; read unlocked only to compare with oneself
};
static_assert(sizeof(RecursiveLock) <= 40, "the lock lives inside the pool header");

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
