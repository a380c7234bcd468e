// Blocks of the library are aligned on 4 bytes; the C family promises 16. Each block is asked
// for with room to spare, the caller's address is rounded up inside it, and the distance back to
// the block's start sits in the 4 bytes before the caller's address.
// Each thread allocates from a serialised pool of its own, as the C library gives each thread an
// arena: a block may be freed or resized from any thread, since the library finds a block's pool
// from its address and every pool takes its own lock. A pool whose thread has ended is handed to
// the next thread that starts. One pool for every thread can be chosen instead, for comparison.
// A pool is made on first use. Whatever the library itself asks for while a pool is being made
// comes from a small static area that is never freed.
#include "bench/memlib/brm_malloc.h"

#include "memlib/brm22w32.h"

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <pthread.h>

namespace {

constexpr std::size_t kAlign = 16;
constexpr std::size_t kMaxRequest = 0xF0000000u;

std::atomic<MEMPOOL> g_pool{nullptr};
std::atomic<int> g_state{0}; // 0 not made, 1 being made, 2 ready
__thread int t_inside __attribute__((tls_model("initial-exec"))) = 0;

alignas(64) unsigned char g_boot[1 << 16];
std::atomic<std::size_t> g_bootUsed{0};

bool inBoot(const void* p) {
    const auto* c = static_cast<const unsigned char*>(p);
    return c >= g_boot && c < g_boot + sizeof g_boot;
}

void* bootAlloc(std::size_t size, std::size_t alignment) {
    std::size_t used = g_bootUsed.load();
    for (;;) {
        const std::size_t start = (used + alignment - 1) / alignment * alignment;
        if (start + size + kAlign > sizeof g_boot) return nullptr;
        if (g_bootUsed.compare_exchange_weak(used, start + size + kAlign)) {
            // A size word in front, so that realloc can copy from it.
            unsigned char* q = g_boot + start + kAlign;
            std::memcpy(q - 8, &size, sizeof size);
            return q;
        }
    }
}

// Requests up to 64 bytes (80 with the room for alignment) go to the pool's fixed-size pages,
// whose free blocks are a list taken from the front, the library's fastest path.
constexpr std::uint32_t kFixedBlock = 64 + kAlign;

MEMPOOL makePool() {
    MEMPOOL p = MemPoolInit(POOL_SERIALIZED);
    if (p) MemPoolSetBlockSizeFS(p, kFixedBlock);
    return p;
}

MEMPOOL sharedPool() {
    MEMPOOL p = g_pool.load(std::memory_order_acquire);
    if (p) return p;
    int expected = 0;
    if (g_state.compare_exchange_strong(expected, 1)) {
        t_inside = 1;
        MemSetErrorHandler(nullptr); // failures return null; no message boxes
        MEMPOOL made = makePool();
        t_inside = 0;
        g_pool.store(made, std::memory_order_release);
        g_state.store(2);
        return made;
    }
    while (g_state.load() != 2) {
    }
    return g_pool.load(std::memory_order_acquire);
}

std::atomic<bool> g_onePool{false};
__thread MEMPOOL t_pool __attribute__((tls_model("initial-exec"))) = nullptr;

// Pools of threads that have ended, for the next threads to take. Past the bound, a pool is
// left as it is (its blocks stay valid).
constexpr int kSpareLimit = 256;
std::mutex g_spareLock;
MEMPOOL g_spare[kSpareLimit];
int g_spareCount = 0;
pthread_key_t g_exitKey;

void threadEnded(void* p) {
    std::lock_guard<std::mutex> hold(g_spareLock);
    if (g_spareCount < kSpareLimit) g_spare[g_spareCount++] = static_cast<MEMPOOL>(p);
}

MEMPOOL threadPool() {
    if (t_pool) return t_pool;
    // The first pool is the shared one: a single-thread program has one pool either way.
    static const bool keyMade = [] {
        MEMPOOL first = sharedPool();
        t_inside = 1;
        const bool ok = pthread_key_create(&g_exitKey, threadEnded) == 0;
        t_inside = 0;
        t_pool = first;
        return ok;
    }();
    if (t_pool) return t_pool;
    MEMPOOL p = nullptr;
    {
        std::lock_guard<std::mutex> hold(g_spareLock);
        if (g_spareCount) p = g_spare[--g_spareCount];
    }
    t_inside = 1;
    if (!p) p = makePool();
    if (p && keyMade) pthread_setspecific(g_exitKey, p);
    t_inside = 0;
    if (!p) return sharedPool();
    t_pool = p;
    return p;
}

MEMPOOL pool() { return g_onePool.load(std::memory_order_relaxed) ? sharedPool() : threadPool(); }

std::uint32_t offsetOf(const void* q) {
    std::uint32_t off;
    std::memcpy(&off, static_cast<const unsigned char*>(q) - 4, 4);
    return off;
}

void* place(void* block, std::size_t alignment) {
    if (!block) return nullptr;
    auto* b = static_cast<unsigned char*>(block);
    const auto a = reinterpret_cast<std::uintptr_t>(b + 4);
    auto* q = reinterpret_cast<unsigned char*>((a + alignment - 1) & ~(std::uintptr_t{alignment} - 1));
    const auto off = static_cast<std::uint32_t>(q - b);
    std::memcpy(q - 4, &off, 4);
    return q;
}

void* allocate(std::size_t size, std::size_t alignment, std::uint32_t flags) {
    if (t_inside) return bootAlloc(size, alignment);
    if (size > kMaxRequest || alignment > (1u << 20)) {
        errno = ENOMEM;
        return nullptr;
    }
    MEMPOOL p = pool();
    if (!p) return bootAlloc(size, alignment);
    void* q = place(MemAllocPtr(p, static_cast<std::uint32_t>(size + alignment), flags), alignment);
    if (!q) errno = ENOMEM;
    return q;
}

std::size_t usable(void* q) {
    if (inBoot(q)) {
        std::size_t n;
        std::memcpy(&n, static_cast<unsigned char*>(q) - 8, sizeof n);
        return n;
    }
    const std::uint32_t off = offsetOf(q);
    return MemSizePtr(static_cast<unsigned char*>(q) - off) - off;
}

} // namespace

extern "C" {

void* brm_malloc(std::size_t size) { return allocate(size, kAlign, 0); }

void brm_free(void* q) {
    if (!q || inBoot(q)) return;
    MemFreePtr(static_cast<unsigned char*>(q) - offsetOf(q));
}

void* brm_calloc(std::size_t count, std::size_t size) {
    if (size && count > kMaxRequest / size) {
        errno = ENOMEM;
        return nullptr;
    }
    void* q = allocate(count * size, kAlign, ALLOC_ZERO_FILL);
    if (q && inBoot(q)) std::memset(q, 0, count * size);
    return q;
}

void* brm_realloc(void* q, std::size_t size) {
    if (!q) return brm_malloc(size);
    if (size == 0) {
        brm_free(q);
        return nullptr;
    }
    if (inBoot(q) || t_inside) {
        void* fresh = brm_malloc(size);
        if (fresh) {
            const std::size_t old = usable(q);
            std::memcpy(fresh, q, old < size ? old : size);
            brm_free(q);
        }
        return fresh;
    }
    if (size > kMaxRequest) {
        errno = ENOMEM;
        return nullptr;
    }
    const std::uint32_t off = offsetOf(q);
    auto* block = static_cast<unsigned char*>(q) - off;
    const std::size_t old = MemSizePtr(block) - off;
    auto* moved = static_cast<unsigned char*>(MemReAllocPtr(block, static_cast<std::uint32_t>(size + kAlign), 0));
    if (!moved) {
        errno = ENOMEM;
        return nullptr;
    }
    if (moved == block) return q;
    // The block moved: the rounding inside it may differ, so the data may have to slide before
    // the distance is written in front of it.
    const auto a = reinterpret_cast<std::uintptr_t>(moved + 4);
    auto* placed = reinterpret_cast<unsigned char*>((a + kAlign - 1) & ~(std::uintptr_t{kAlign} - 1));
    if (placed != moved + off) std::memmove(placed, moved + off, old < size ? old : size);
    const auto distance = static_cast<std::uint32_t>(placed - moved);
    std::memcpy(placed - 4, &distance, 4);
    return placed;
}

void* brm_memalign(std::size_t alignment, std::size_t size) {
    if (alignment < kAlign) alignment = kAlign;
    if (alignment & (alignment - 1)) {
        errno = EINVAL;
        return nullptr;
    }
    return allocate(size, alignment, 0);
}

int brm_posix_memalign(void** out, std::size_t alignment, std::size_t size) {
    if (alignment % sizeof(void*) || (alignment & (alignment - 1))) return EINVAL;
    void* q = brm_memalign(alignment, size);
    if (!q) return ENOMEM;
    *out = q;
    return 0;
}

std::size_t brm_usable_size(void* q) { return q ? usable(q) : 0; }

void brm_one_pool(int on) { g_onePool.store(on != 0); }

} // extern "C"
