// Blocks of the library are aligned on 4 bytes; the C family promises 16. Each block is asked
// for with room to spare, the caller's address is rounded up inside it, and the distance back to
// the block's start sits in the 4 bytes before the caller's address.
// Each thread allocates from serialised pools of its own (a main pool and one for each small size
// class), as the C library gives each thread an arena: a block may be freed or resized from any
// thread, since the library finds a block's pool from its address and every pool takes its own
// lock. The pools of a thread that has ended are handed to the next thread that starts. One set
// of pools for every thread can be chosen instead, for comparison. A pool is made on first use. Whatever the library itself asks for while a pool is being made
// comes from a small static area that is never freed.
#include "bench/memlib/brm_malloc.h"

#include "memlib/brm22w32.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <mutex>
#include <pthread.h>

namespace {

constexpr std::size_t kAlign = 16;
constexpr std::size_t kMaxRequest = 0xF0000000u;

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

// Requests up to 64 bytes (80 with the room for alignment) go to the main pool's fixed-size pages,
// whose free blocks are a list taken from the front, the library's fastest path. A pool has one
// fixed block size, so the requests above it up to 528 bytes go to pools of their own, one for
// each size class, made when a class is first asked for. The variable blocks of the main pool,
// found by a walk of their page's free list, serve what is left up to the medium limit.
constexpr std::uint32_t kFixedBlock = 64 + kAlign;
constexpr std::uint32_t kClassBlocks[] = {96, 112, 128, 160, 192, 224, 256, 320, 384, 448, 528};
constexpr int kClassCount = static_cast<int>(std::size(kClassBlocks));
constexpr std::uint32_t kClassLimit = kClassBlocks[kClassCount - 1];

// The class of each request size (with the room for alignment) in steps of 16 bytes.
constexpr auto kClassOfStep = [] {
    std::array<std::int8_t, kClassLimit / 16 + 1> table{};
    int c = 0;
    for (std::uint32_t step = 0; step < table.size(); ++step) {
        while (c < kClassCount && kClassBlocks[c] < step * 16) ++c;
        table[step] = static_cast<std::int8_t>(c);
    }
    return table;
}();

// The pools one thread allocates from.
struct PoolSet {
    std::atomic<MEMPOOL> main{nullptr};
    std::atomic<MEMPOOL> classes[kClassCount]{};
};

MEMPOOL makePool() {
    MEMPOOL p = MemPoolInit(POOL_SERIALIZED);
    if (p) MemPoolSetBlockSizeFS(p, kFixedBlock);
    return p;
}

// Every set ever used is kept: a set is either a live thread's or waiting for the next thread.
// Past the bound, threads share the first set.
constexpr int kSetLimit = 512;
PoolSet g_sets[kSetLimit];
std::atomic<int> g_setsUsed{1};

PoolSet* sharedSet() {
    PoolSet* s = &g_sets[0];
    if (MEMPOOL p = s->main.load(std::memory_order_acquire)) return s;
    int expected = 0;
    if (g_state.compare_exchange_strong(expected, 1)) {
        t_inside = 1;
        MemSetErrorHandler(nullptr); // failures return null; no message boxes
        MEMPOOL made = makePool();
        t_inside = 0;
        s->main.store(made, std::memory_order_release);
        g_state.store(2);
        return s;
    }
    while (g_state.load() != 2) {
    }
    return s;
}

std::atomic<bool> g_onePool{false};
__thread PoolSet* t_set __attribute__((tls_model("initial-exec"))) = nullptr;

// Sets of threads that have ended, for the next threads to take.
std::mutex g_spareLock;
PoolSet* g_spare[kSetLimit];
int g_spareCount = 0;
pthread_key_t g_exitKey;

void threadEnded(void* p) {
    std::lock_guard<std::mutex> hold(g_spareLock);
    if (g_spareCount < kSetLimit) g_spare[g_spareCount++] = static_cast<PoolSet*>(p);
}

PoolSet* threadSet() {
    if (t_set) return t_set;
    // The first set is the shared one: a single-thread program has one set either way.
    static const bool keyMade = [] {
        PoolSet* first = sharedSet();
        t_inside = 1;
        const bool ok = pthread_key_create(&g_exitKey, threadEnded) == 0;
        t_inside = 0;
        t_set = first;
        return ok;
    }();
    if (t_set) return t_set;
    PoolSet* s = nullptr;
    {
        std::lock_guard<std::mutex> hold(g_spareLock);
        if (g_spareCount) s = g_spare[--g_spareCount];
    }
    if (!s) {
        const int i = g_setsUsed.fetch_add(1);
        if (i >= kSetLimit || !keyMade) return sharedSet();
        s = &g_sets[i];
        t_inside = 1;
        MEMPOOL made = makePool();
        t_inside = 0;
        if (!made) return sharedSet();
        s->main.store(made, std::memory_order_release);
    }
    t_inside = 1;
    pthread_setspecific(g_exitKey, s);
    t_inside = 0;
    t_set = s;
    return s;
}

PoolSet* poolSet() { return g_onePool.load(std::memory_order_relaxed) ? sharedSet() : threadSet(); }

// The pool for a request of n bytes (with the room for alignment).
MEMPOOL poolFor(PoolSet* s, std::size_t n) {
    MEMPOOL main = s->main.load(std::memory_order_acquire);
    if (n <= kFixedBlock || n > kClassLimit || !main) return main;
    const int c = kClassOfStep[(n + 15) / 16];
    std::atomic<MEMPOOL>& slot = s->classes[c];
    if (MEMPOOL p = slot.load(std::memory_order_acquire)) return p;
    t_inside = 1;
    MEMPOOL made = MemPoolInitFS(static_cast<std::uint16_t>(kClassBlocks[c]), 0, POOL_SERIALIZED);
    t_inside = 0;
    if (!made) return main;
    // The shared set may be reached by several threads at once.
    MEMPOOL none = nullptr;
    if (!slot.compare_exchange_strong(none, made, std::memory_order_acq_rel)) {
        t_inside = 1;
        MemPoolFree(made);
        t_inside = 0;
        return none;
    }
    return made;
}

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
    MEMPOOL p = poolFor(poolSet(), size + alignment);
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
    const std::size_t whole = MemSizePtr(block);
    const std::size_t old = whole - off;
    // A block of a size class stays in its class: it is kept while the new size fits, and moved
    // by hand to the pool of its new size otherwise, as is a larger block that shrinks into one.
    if (whole <= kClassLimit || size + kAlign <= kClassLimit) {
        if (size <= old && whole <= kClassLimit) return q;
        void* fresh = brm_malloc(size);
        if (!fresh) return nullptr;
        std::memcpy(fresh, q, old < size ? old : size);
        brm_free(q);
        return fresh;
    }
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
