#pragma once
// Critical sections: recursive locks of one process. The storage is plain bytes so that a
// critical section can live inside memory the memory manager lays out itself.
#include "platform/wintypes.h"
#include <mutex>

struct CRITICAL_SECTION {
    alignas(std::recursive_mutex) unsigned char storage[sizeof(std::recursive_mutex)];
};

void InitializeCriticalSection(CRITICAL_SECTION* cs);
void DeleteCriticalSection(CRITICAL_SECTION* cs);
void EnterCriticalSection(CRITICAL_SECTION* cs);
BOOL TryEnterCriticalSection(CRITICAL_SECTION* cs);
void LeaveCriticalSection(CRITICAL_SECTION* cs);
