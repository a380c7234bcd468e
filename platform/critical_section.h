#pragma once
// Critical sections: locks of one process that the holding thread may take again. They live in
// plain memory (the memory manager keeps one inside each serialised pool's header), start as
// zero bytes after InitializeCriticalSection, and take one atomic operation each way when nobody
// else wants them; a waiter sleeps in the system until the holder leaves.
#include "platform/wintypes.h"

#include <cstdint>
#include <sys/single_threaded.h>

struct CRITICAL_SECTION {
    std::uint32_t state;   // 0 free, 1 held, 2 held with waiters
    std::uint32_t depth;   // how many times the holder has entered
    std::uintptr_t owner;  // the holding thread, 0 when free; read unlocked only to compare with oneself
};

void InitializeCriticalSection(CRITICAL_SECTION* cs);
void DeleteCriticalSection(CRITICAL_SECTION* cs);
BOOL TryEnterCriticalSection(CRITICAL_SECTION* cs);

namespace platform {
// True while the process runs a single thread (the C library lowers its flag when a second one
// starts): no other thread can then hold or want a lock, so a step that cannot start a thread
// may leave its lock alone.
inline bool OnlyThread() { return __libc_single_threaded != 0; }
} // namespace platform

namespace platform::detail {
void WaitForCriticalSection(CRITICAL_SECTION* cs);
void WakeCriticalSectionWaiter(CRITICAL_SECTION* cs);

// Unique per live thread, without a call.
inline std::uintptr_t ThreadToken() { return reinterpret_cast<std::uintptr_t>(__builtin_thread_pointer()); }
} // namespace platform::detail

inline void EnterCriticalSection(CRITICAL_SECTION* cs) {
    const std::uintptr_t me = platform::detail::ThreadToken();
    if (__atomic_load_n(&cs->owner, __ATOMIC_RELAXED) == me) {
        ++cs->depth;
        return;
    }
    std::uint32_t expected = 0;
    if (!__atomic_compare_exchange_n(&cs->state, &expected, 1u, false, __ATOMIC_ACQUIRE, __ATOMIC_RELAXED)) {
        platform::detail::WaitForCriticalSection(cs);
    }
    __atomic_store_n(&cs->owner, me, __ATOMIC_RELAXED);
    cs->depth = 1;
}

inline void LeaveCriticalSection(CRITICAL_SECTION* cs) {
    if (--cs->depth != 0) return;
    __atomic_store_n(&cs->owner, std::uintptr_t{0}, __ATOMIC_RELAXED);
    if (__atomic_fetch_sub(&cs->state, 1u, __ATOMIC_RELEASE) != 1) platform::detail::WakeCriticalSectionWaiter(cs);
}
