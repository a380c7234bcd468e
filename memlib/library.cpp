// Library-wide state: the library record, its lock and the handle lock.
// Invariants: the pool list, the handler, the task count and the nesting table change only under
// the library lock; the handle lock's depth is the number of times its owner holds it.
// The locks live in static storage for the whole process, so no thread ever waits on a lock that
// another thread has just deleted.
#include "memlib/locks.h"

#include <atomic>
#include <climits>
#include <linux/futex.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace brm {
namespace {

LibraryRecord g_library{MemDefaultErrorHandler, nullptr, 0, {}, 0};
RecursiveLock g_libraryLock;
RecursiveLock g_handleLock;
int g_handleDepth = 0;

} // namespace

LibraryRecord& library() { return g_library; }

// The state says 2 while anyone may be asleep on it, so that leaving knows to wake one.
void RecursiveLock::wait() {
    auto* word = reinterpret_cast<std::uint32_t*>(&state_);
    std::uint32_t c = state_.exchange(2, std::memory_order_acquire);
    while (c != 0) {
        syscall(SYS_futex, word, FUTEX_WAIT | FUTEX_PRIVATE_FLAG, 2u, nullptr, nullptr, 0);
        c = state_.exchange(2, std::memory_order_acquire);
    }
}

void RecursiveLock::wake() {
    syscall(SYS_futex, reinterpret_cast<std::uint32_t*>(&state_), FUTEX_WAKE | FUTEX_PRIVATE_FLAG, 1, nullptr, nullptr,
            0);
}

LibraryGuard::LibraryGuard() { g_libraryLock.enter(); }
LibraryGuard::~LibraryGuard() { g_libraryLock.leave(); }

void enterHandleLock() {
    g_handleLock.enter();
    ++g_handleDepth;
}

void leaveHandleLock() {
    --g_handleDepth;
    g_handleLock.leave();
}

int handleLockDepth() { return g_handleDepth; }

std::uint32_t currentThreadId() { return static_cast<std::uint32_t>(::gettid()); }

} // namespace brm

using namespace brm;

namespace {

// The export lock is a service for the library's clients; nothing inside the library takes it.
// Leaving it from a thread that does not hold it does nothing.
RecursiveLock g_exportLock;
std::atomic<std::uint32_t> g_exportOwner{0};
std::atomic<int> g_exportDepth{0};

} // namespace

extern "C" {

BRM_API std::int32_t _bri_enterCriticalSection(void) {
    g_exportLock.enter();
    g_exportOwner = currentThreadId();
    ++g_exportDepth;
    return 1;
}

BRM_API void _bri_leaveCriticalSection(void) {
    if (g_exportDepth == 0 || g_exportOwner != currentThreadId()) return;
    if (--g_exportDepth == 0) g_exportOwner = 0;
    g_exportLock.leave();
}

} // extern "C"
