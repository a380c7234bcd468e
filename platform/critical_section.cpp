#include "platform/critical_section.h"

#include <climits>
#include <linux/futex.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

void futex(std::uint32_t* word, int op, std::uint32_t value) {
    syscall(SYS_futex, word, op | FUTEX_PRIVATE_FLAG, value, nullptr, nullptr, 0);
}

} // namespace

void InitializeCriticalSection(CRITICAL_SECTION* cs) {
    cs->state = 0;
    cs->depth = 0;
    cs->owner = 0;
}

void DeleteCriticalSection(CRITICAL_SECTION* cs) { InitializeCriticalSection(cs); }

BOOL TryEnterCriticalSection(CRITICAL_SECTION* cs) {
    const std::uintptr_t me = platform::detail::ThreadToken();
    if (__atomic_load_n(&cs->owner, __ATOMIC_RELAXED) == me) {
        ++cs->depth;
        return TRUE;
    }
    std::uint32_t expected = 0;
    if (!__atomic_compare_exchange_n(&cs->state, &expected, 1u, false, __ATOMIC_ACQUIRE, __ATOMIC_RELAXED)) {
        return FALSE;
    }
    __atomic_store_n(&cs->owner, me, __ATOMIC_RELAXED);
    cs->depth = 1;
    return TRUE;
}

namespace platform::detail {

// The state says 2 while anyone may be asleep on it, so that leaving knows to wake one.
// The sections guarded are short (a pool's lists): a waiter first watches the word for a while,
// since the holder is most often about to leave, and a sleep and a wake cost two system calls
// and a trip through the scheduler.
void WaitForCriticalSection(CRITICAL_SECTION* cs) {
    for (int spin = 0; spin < 200; ++spin) {
        if (__atomic_load_n(&cs->state, __ATOMIC_RELAXED) == 0) {
            std::uint32_t expected = 0;
            if (__atomic_compare_exchange_n(&cs->state, &expected, 1u, false, __ATOMIC_ACQUIRE, __ATOMIC_RELAXED))
                return;
        }
#if defined(__x86_64__) || defined(__i386__)
        __builtin_ia32_pause();
#endif
    }
    std::uint32_t c = __atomic_exchange_n(&cs->state, 2u, __ATOMIC_ACQUIRE);
    while (c != 0) {
        futex(&cs->state, FUTEX_WAIT, 2);
        c = __atomic_exchange_n(&cs->state, 2u, __ATOMIC_ACQUIRE);
    }
}

void WakeCriticalSectionWaiter(CRITICAL_SECTION* cs) {
    __atomic_store_n(&cs->state, 0u, __ATOMIC_RELEASE);
    futex(&cs->state, FUTEX_WAKE, 1);
}

} // namespace platform::detail
