// Error reporting: every failure goes through MemSignalError to the installed handler, which
// decides whether the failing step is tried again. The handler runs with none of the library's
// locks held by the reporting thread, and a report made from inside a handler cannot recurse.
#include "memory/pool_internal.h"
#include "platform/msgbox.h"
#include "platform/named_mutex.h"
#include "platform/process.h"

#include <cstdlib>

using namespace bramble;

namespace {

struct ErrorName {
    std::uint32_t code;
    char name[21];
};

constexpr ErrorName kErrorNames[] = {
    {0, ""},
    {MEM_INTERNAL_ERROR, "MEM_INTERNAL_ERROR"},
    {MEM_OUT_OF_MEMORY, ""},
    {MEM_BLOCK_TOO_BIG, "MEM_BLOCK_TOO_BIG"},
    {MEM_ALLOC_ZERO, "MEM_ALLOC_ZERO"},
    {MEM_RESIZE_FAILED, "MEM_RESIZE_FAILED"},
    {MEM_LOCK_ERROR, "MEM_LOCK_ERROR"},
    {MEM_EXCEEDED_CEILING, "MEM_EXCEEDED_CEILING"},
    {MEM_TOO_MANY_PAGES, "MEM_TOO_MANY_PAGES"},
    {MEM_TOO_MANY_TASKS, "MEM_TOO_MANY_TASKS"},
    {MEM_BAD_MEM_POOL, "MEM_BAD_MEM_POOL"},
    {MEM_BAD_BLOCK, "MEM_BAD_BLOCK"},
    {MEM_BAD_FREE_BLOCK, "MEM_BAD_FREE_BLOCK"},
    {MEM_BAD_HANDLE, "MEM_BAD_HANDLE"},
    {MEM_BAD_POINTER, "MEM_BAD_POINTER"},
    {MEM_WRONG_TASK, "MEM_WRONG_TASK"},
};

constexpr const char* kOutOfMemoryText = "Out of memory.  Please free some memory, then choose retry.";
constexpr const char* kTooManyThreadsText = "\n\rMemory errors in too many threads concurrently.\n\r";
constexpr const char* kReenteredText = "\n\rBramble error handler recursively re-entered.\n\r";

bool isCodeAddress(MemErrorHandler h) {
    const auto a = reinterpret_cast<uptr>(h);
    return a >= 0x10000 && platform::IsExecutableAddress(reinterpret_cast<const void*>(a));
}

enum class Entry { Handler, Nested, Reentered, TooMany };

// Finds or adds the calling thread's entry and raises its depth.
Entry enterReport() {
    LibraryLock lib;
    GlobalRecord& g = Global();
    const u32 me = GetCurrentThreadId();
    ReentryEntry* entry = nullptr;
    for (u32 i = 0; i < g.reentryCount; ++i) {
        if (g.reentry[i].threadId == me) entry = &g.reentry[i];
    }
    if (!entry) {
        if (g.reentryCount == kReentrySlots) return Entry::TooMany;
        entry = &g.reentry[g.reentryCount++];
        *entry = {me, 0};
    }
    const std::int32_t before = entry->depth++;
    if (before == 0) return Entry::Handler;
    return before == 1 ? Entry::Reentered : Entry::Nested;
}

} // namespace

namespace bramble {

u32 Report(MemPoolHeader* pool, u32 code) { return MemSignalError(pool, code); }

} // namespace bramble

std::uint32_t MemSignalError(MEMPOOL pool, std::uint32_t code) {
    MemErrorHandler handler;
    {
        LibraryLock lib;
        handler = Global().handler;
        if (handler && !isCodeAddress(handler)) handler = Global().handler = &MemDefaultErrorHandler;
    }
    if (!handler) return 0;

    // Give up this thread's hold of the pool (and of the move mutex) for the handler's time, so
    // that it may free memory or use the pool itself.
    int poolLevels = 0;
    if (pool && IsValidPool(pool) && IsSerialized(pool) && LockPool(pool)) {
        poolLevels = static_cast<int>(pool->lockDepth);
    }
    platform::NamedMutex* move = MoveMutex();
    int moveHolds = 0;
    if (move && platform::WaitNamedMutex(move)) {
        moveHolds = platform::NamedMutexHoldCount(move) - 1;
        for (int i = 0; i <= moveHolds; ++i) platform::ReleaseNamedMutex(move);
    }
    for (int i = 0; i < poolLevels; ++i) UnlockPool(pool);

    // The handler and the boxes are foreign code that may allocate and throw: an exception must
    // not unwind through the allocator, whose caller is between two halves of an operation.
    std::uint32_t answer = 0;
    try {
        switch (enterReport()) {
        case Entry::TooMany: MemErrorMessageBox(kTooManyThreadsText, 0); break;
        case Entry::Reentered: MemErrorMessageBox(kReenteredText, 0); break;
        case Entry::Nested: break;
        case Entry::Handler: {
            MemErrorInfo info{code, pool};
            answer = handler(&info);
            break;
        }
        }
    } catch (...) {
        answer = 0;
    }
    MemErrorUnwind();

    for (int i = 0; i + 1 < poolLevels; ++i) {
        if (!IsValidPool(pool) || !LockPool(pool)) break;
    }
    for (int i = 0; i < moveHolds; ++i) {
        if (!platform::WaitNamedMutex(move)) return 0;
    }
    return answer;
}

MemErrorHandler MemSetErrorHandler(MemErrorHandler handler) {
    LibraryLock lib;
    if (handler && !isCodeAddress(handler)) return nullptr;
    MemErrorHandler previous = Global().handler;
    Global().handler = handler;
    return previous;
}

std::uint32_t MemDefaultErrorHandler(MemErrorInfo* info) {
    const std::uint32_t code = info ? info->errorCode : MEM_INTERNAL_ERROR;
    if (code == MEM_OUT_OF_MEMORY) return MemErrorMessageBox(kOutOfMemoryText, 1);
    if (code >= MEM_BLOCK_TOO_BIG && code <= MEM_BAD_POINTER) return MemErrorMessageBox(kErrorNames[code].name, 0);
    return MemErrorMessageBox(kErrorNames[MEM_INTERNAL_ERROR].name, 0);
}

void MemErrorUnwind() {
    LibraryLock lib;
    GlobalRecord& g = Global();
    const u32 me = GetCurrentThreadId();
    for (u32 i = 0; i < g.reentryCount; ++i) {
        if (g.reentry[i].threadId != me) continue;
        if (--g.reentry[i].depth <= 0) g.reentry[i] = g.reentry[--g.reentryCount];
        return;
    }
}

std::uint32_t MemErrorMessageBox(const char* text, std::uint32_t retryAllowed) {
    MessageBeep(MB_OK);
    const UINT buttons = retryAllowed ? MB_ABORTRETRYIGNORE : MB_OKCANCEL;
    const UINT style = MB_ICONSTOP | MB_DEFBUTTON2 | buttons;
    int answer = MessageBox(nullptr, text, "Bramble Library", style | MB_TASKMODAL);
    if (answer == 0) answer = MessageBox(nullptr, text, "Bramble Library", style | MB_SYSTEMMODAL);
    switch (answer) {
    case IDRETRY: return 1;
    case IDCANCEL:
    case IDABORT: std::abort();
    default: return 0;
    }
}
