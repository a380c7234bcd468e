#include "platform/critical_section.h"

#include <new>

namespace {
std::recursive_mutex& mutexOf(CRITICAL_SECTION* cs) {
    return *std::launder(reinterpret_cast<std::recursive_mutex*>(cs->storage));
}
} // namespace

void InitializeCriticalSection(CRITICAL_SECTION* cs) { new (cs->storage) std::recursive_mutex(); }

void DeleteCriticalSection(CRITICAL_SECTION* cs) {
    using M = std::recursive_mutex;
    mutexOf(cs).~M();
}

void EnterCriticalSection(CRITICAL_SECTION* cs) { mutexOf(cs).lock(); }

BOOL TryEnterCriticalSection(CRITICAL_SECTION* cs) { return mutexOf(cs).try_lock() ? TRUE : FALSE; }

void LeaveCriticalSection(CRITICAL_SECTION* cs) { mutexOf(cs).unlock(); }
