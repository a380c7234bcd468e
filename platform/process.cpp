#include "platform/process.h"

#include <cstdio>
#include <fcntl.h>
#include <pthread.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

// The id is asked for on every report and every lock of a shared pool; the system call is cached
// per thread, and forgotten in a forked child, whose thread has a new id.
thread_local DWORD t_threadId = 0;

void forgetThreadId() { t_threadId = 0; }

} // namespace

DWORD GetCurrentThreadId() {
    static const int registered = pthread_atfork(nullptr, nullptr, forgetThreadId);
    (void)registered;
    if (t_threadId == 0) t_threadId = static_cast<DWORD>(syscall(SYS_gettid));
    return t_threadId;
}

DWORD GetCurrentProcessId() { return static_cast<DWORD>(getpid()); }

namespace platform {
namespace {

// Walks the mappings of a process in address order without allocating: the memory manager asks
// these questions while it may hold its own locks.
class MapsReader {
public:
    explicit MapsReader(DWORD pid) {
        char path[64];
        if (pid == 0) {
            std::snprintf(path, sizeof path, "/proc/self/maps");
        } else {
            std::snprintf(path, sizeof path, "/proc/%u/maps", static_cast<unsigned>(pid));
        }
        fd_ = open(path, O_RDONLY | O_CLOEXEC);
    }
    ~MapsReader() {
        if (fd_ >= 0) close(fd_);
    }
    MapsReader(const MapsReader&) = delete;
    MapsReader& operator=(const MapsReader&) = delete;

    bool ok() const { return fd_ >= 0; }

    // Next region: start, end and whether it is executable. False at the end.
    bool next(std::uintptr_t* start, std::uintptr_t* end, bool* executable) {
        // A line starts "start-end perms ..."; only that prefix is needed.
        char line[128];
        std::size_t n = 0;
        bool sawAny = false;
        for (;;) {
            int c = get();
            if (c < 0) {
                if (!sawAny) return false;
                break;
            }
            sawAny = true;
            if (c == '\n') break;
            if (n + 1 < sizeof line) line[n++] = static_cast<char>(c);
        }
        line[n] = 0;
        unsigned long long s = 0, e = 0;
        char perms[8] = {};
        if (std::sscanf(line, "%llx-%llx %7s", &s, &e, perms) != 3) return false;
        *start = static_cast<std::uintptr_t>(s);
        *end = static_cast<std::uintptr_t>(e);
        *executable = perms[2] == 'x';
        return true;
    }

private:
    int get() {
        if (pos_ == len_) {
            ssize_t r = read(fd_, buf_, sizeof buf_);
            if (r <= 0) return -1;
            len_ = static_cast<std::size_t>(r);
            pos_ = 0;
        }
        return static_cast<unsigned char>(buf_[pos_++]);
    }

    int fd_ = -1;
    char buf_[4096];
    std::size_t pos_ = 0, len_ = 0;
};

} // namespace

bool IsExecutableAddress(const void* address) {
    const auto a = reinterpret_cast<std::uintptr_t>(address);
    MapsReader maps(0);
    if (!maps.ok()) return false;
    std::uintptr_t s, e;
    bool x;
    while (maps.next(&s, &e, &x)) {
        if (a >= s && a < e) return x;
        if (s > a) break;
    }
    return false;
}

bool FindFreeAddressRange(DWORD pid, std::uintptr_t from, std::size_t bytes, std::uintptr_t limit,
                          std::uintptr_t* found) {
    constexpr std::uintptr_t kUnit = 0x10000;
    MapsReader maps(pid == GetCurrentProcessId() ? 0 : pid);
    if (!maps.ok()) return false;
    std::uintptr_t candidate = (from + kUnit - 1) & ~(kUnit - 1);
    std::uintptr_t s, e;
    bool x;
    while (maps.next(&s, &e, &x)) {
        if (e <= candidate) continue;
        if (s >= candidate + bytes) break;
        // The region overlaps: move past it, to the next whole unit.
        candidate = (e + kUnit - 1) & ~(kUnit - 1);
    }
    *found = (candidate + bytes > limit || candidate + bytes < candidate) ? 0 : candidate;
    return true;
}

} // namespace platform
