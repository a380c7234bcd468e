// The error report, the handlers and the message box.
// Invariants: the handler runs with none of the library's locks held by the reporting thread,
// and every hold it released is taken back before the report returns, also when the handler
// throws; a thread's nesting entry exists exactly while an error of that thread is being handled.
#include "memlib/pool.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <unistd.h>

namespace brm {
namespace {

constexpr const char* kCaption = "Bramble Library";
constexpr const char* kOutOfMemory = "Out of memory.  Please free some memory, then choose retry.";
constexpr const char* kTooManyThreads = "\n\rMemory errors in too many threads concurrently.\n\r";
constexpr const char* kReentered = "\n\rBramble error handler recursively re-entered.\n\r";

struct ErrorName {
    std::uint32_t code;
    char name[21];
};

constexpr ErrorName kErrorNames[16] = {
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

constexpr std::uint32_t kStyleRetry = 0x2112;   // abort/retry/ignore, stop icon, second default, task-modal
constexpr std::uint32_t kStyleNoRetry = 0x2111; // OK/Cancel, stop icon, second default, task-modal
constexpr std::uint32_t kTaskModal = 0x2000;
constexpr std::uint32_t kSystemModal = 0x1000;

enum Answer { kOk = 1, kCancel = 2, kAbort = 3, kRetry = 4, kIgnore = 5 };

std::atomic<BriMessageBoxPresenter> g_presenter{nullptr};

// The scripted answers of the stderr box, read once from BRM22W32_MSGBOX.
std::mutex g_scriptMutex;
bool g_scriptRead = false;
int g_script[64];
int g_scriptCount = 0;
int g_scriptNext = 0;

int parseAnswer(const char* word, std::size_t n) {
    static constexpr struct {
        const char* name;
        int answer;
    } names[] = {{"ok", kOk}, {"cancel", kCancel}, {"abort", kAbort}, {"retry", kRetry}, {"ignore", kIgnore}};
    for (const auto& e : names)
        if (std::strlen(e.name) == n && strncasecmp(word, e.name, n) == 0) return e.answer;
    if (n == 1 && word[0] >= '0' && word[0] <= '5') return word[0] - '0';
    return -1;
}

void readScript() {
    g_scriptRead = true;
    const char* s = std::getenv("BRM22W32_MSGBOX");
    if (!s) return;
    while (*s && g_scriptCount < 64) {
        const char* end = std::strchr(s, ',');
        const std::size_t n = end ? static_cast<std::size_t>(end - s) : std::strlen(s);
        const int a = parseAnswer(s, n);
        if (a >= 0) g_script[g_scriptCount++] = a;
        if (!end) break;
        s = end + 1;
    }
}

// Without a presenter the box is a line on stderr and its answer comes from the script; with
// the script used up it gives up without ending the program.
int headlessBox(const char* text, const char* caption, std::uint32_t style) {
    std::fprintf(stderr, "[%s] %s\n", caption, text);
    std::lock_guard<std::mutex> g(g_scriptMutex);
    if (!g_scriptRead) readScript();
    if (g_scriptNext < g_scriptCount) return g_script[g_scriptNext++];
    return (style & 0xF) == 0x2 ? kIgnore : kOk;
}

int present(const char* text, std::uint32_t style) {
    BriMessageBoxPresenter p = g_presenter.load();
    return p ? p(text, kCaption, style) : headlessBox(text, kCaption, style);
}

[[noreturn]] void endProgram() {
    static constexpr char kText[] = "\nabnormal program termination\n";
    (void)!::write(2, kText, sizeof kText - 1);
    std::_Exit(3);
}

// 1 for retry, 0 otherwise; Cancel and Abort end the program.
int messageBox(const char* text, bool retryOffered) {
    std::uint32_t style = retryOffered ? kStyleRetry : kStyleNoRetry;
    int answer = present(text, style);
    if (answer < 1 || answer > 5) {
        style = (style & ~kTaskModal) | kSystemModal;
        answer = present(text, style);
        if (answer < 1 || answer > 5) return 0;
    }
    switch (answer) {
    case kRetry: return 1;
    case kCancel:
    case kAbort: endProgram();
    default: return 0;
    }
}

// Whether the address lies in an executable mapping of this process.
bool isCodeAddress(const void* address) {
    const auto a = reinterpret_cast<std::uintptr_t>(address);
    if (a == 0) return false;
    const int fd = ::open("/proc/self/maps", O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    char buf[4096];
    char line[512];
    std::size_t len = 0;
    bool found = false;
    auto examine = [&](const char* l) {
        unsigned long lo = 0, hi = 0;
        char perms[5] = {};
        if (std::sscanf(l, "%lx-%lx %4s", &lo, &hi, perms) == 3 && a >= lo && a < hi && perms[2] == 'x') found = true;
    };
    ssize_t n;
    while (!found && (n = ::read(fd, buf, sizeof buf)) > 0) {
        for (ssize_t i = 0; i < n && !found; ++i) {
            if (buf[i] == '\n') {
                line[len] = 0;
                examine(line);
                len = 0;
            } else if (len + 1 < sizeof line) {
                line[len++] = buf[i];
            }
        }
    }
    ::close(fd);
    return found;
}

ThreadNesting* findNesting(LibraryRecord& lib, std::uint32_t thread) {
    for (int i = 0; i < lib.nestingCount; ++i)
        if (lib.nesting[i].thread == thread) return &lib.nesting[i];
    return nullptr;
}

// True when the handler is to be skipped for this error.
bool reentryGuardSkips() {
    const char* box = nullptr;
    bool skip = false;
    {
        LibraryGuard g;
        LibraryRecord& lib = library();
        const std::uint32_t self = currentThreadId();
        ThreadNesting* e = findNesting(lib, self);
        if (!e) {
            if (lib.nestingCount >= kNestingEntries) {
                box = kTooManyThreads;
                skip = true;
            } else {
                e = &lib.nesting[lib.nestingCount++];
                *e = {self, 0};
            }
        }
        if (e) {
            const int before = e->depth++;
            if (before == 1) box = kReentered;
            skip = before >= 1;
        }
    }
    if (box) messageBox(box, false);
    return skip;
}

} // namespace

std::int32_t report(Pool* pool, std::uint32_t code) {
    MemErrorHandler handler;
    {
        LibraryGuard g;
        LibraryRecord& lib = library();
        if (lib.handler && lib.handler != MemDefaultErrorHandler &&
            !isCodeAddress(reinterpret_cast<const void*>(lib.handler)))
            lib.handler = MemDefaultErrorHandler;
        handler = lib.handler;
    }
    if (!handler) return 0;

    Pool* locked = (pool && validPool(pool) && (pool->flags & POOL_SERIALIZED)) ? pool : nullptr;
    int p = 0;
    if (locked) {
        locked->lock.enter();
        p = ++locked->lockDepth;
    }
    enterHandleLock();
    const int h = handleLockDepth();
    for (int i = 0; i < h; ++i) leaveHandleLock();
    for (int i = 0; i < p; ++i) {
        --locked->lockDepth;
        locked->lock.leave();
    }

    // Gives the caller its holds back, however the handler leaves.
    struct Restore {
        Pool* pool;
        int p, h;
        ~Restore() {
            if (pool && validPool(pool))
                for (int i = 0; i < p - 1; ++i) {
                    pool->lock.enter();
                    ++pool->lockDepth;
                }
            for (int i = 0; i < h - 1; ++i) enterHandleLock();
        }
    } restore{locked, p, h};

    struct Unwind {
        ~Unwind() { MemErrorUnwind(); }
    };
    std::int32_t verdict = 0;
    {
        Unwind unwind;
        if (!reentryGuardSkips()) {
            MemErrorRecord record{code, pool};
            verdict = handler(&record);
        }
    }
    return verdict;
}

} // namespace brm

using namespace brm;

extern "C" {

BRM_API MemErrorHandler MemSetErrorHandler(MemErrorHandler handler) {
    if (handler && handler != MemDefaultErrorHandler && !isCodeAddress(reinterpret_cast<const void*>(handler)))
        return nullptr;
    LibraryGuard g;
    MemErrorHandler previous = library().handler;
    library().handler = handler;
    return previous;
}

BRM_API std::int32_t MemDefaultErrorHandler(MemErrorRecord* record) {
    if (!record) return 0;
    if (record->code == MEM_OUT_OF_MEMORY) return messageBox(kOutOfMemory, true);
    const std::uint32_t code = (record->code >= 3 && record->code <= 14) ? record->code : MEM_INTERNAL_ERROR;
    return messageBox(kErrorNames[code].name, false);
}

BRM_API void MemErrorUnwind(void) {
    LibraryGuard g;
    LibraryRecord& lib = library();
    ThreadNesting* e = findNesting(lib, currentThreadId());
    if (!e) return;
    if (--e->depth <= 0) *e = lib.nesting[--lib.nestingCount];
}

BRM_API BriMessageBoxPresenter _bri_setMessageBoxPresenter(BriMessageBoxPresenter presenter) {
    return g_presenter.exchange(presenter);
}

} // extern "C"
