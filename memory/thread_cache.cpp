// The threads' caches of small blocks of the default pool: refilling and spilling under the
// pool's lock, and giving everything back when a thread ends (thread_cache.h).
#include "memory/thread_cache.h"

#include <chrono>

namespace bramble {

thread_local ThreadCache t_threadCache;
std::atomic<u64> g_cacheKey{0};

namespace {

// Its destructor runs when the thread ends; it is reached (and so registered) only when the
// thread's cache is armed.
struct CacheReleaser {
    ~CacheReleaser() {
        if (!armed) return;
        ThreadCache& cache = t_threadCache;
        MemPoolHeader* pool = cache.pool;
        const u32 fault = CacheRelease(cache);
        // Nothing freed from here on (the error handler's own blocks included) stays behind.
        cache.pool = nullptr;
        cache.state = kCacheEnded;
        if (fault) Report(pool, fault);
    }
    bool armed = false;
};
thread_local CacheReleaser t_releaser;

// Moves the first `n` blocks of a class from the cache onto the pool's list (lock held).
void giveBack(ThreadCache& cache, MemPoolHeader* pool, u32 cls, u32 n) {
    for (u32 i = 0; i < n; ++i) {
        u8* b = cache.heads[cls];
        if (!b) break;
        cache.heads[cls] = LoadPtr(b);
        --cache.counts[cls];
        SmallPushFree(pool, b);
    }
}

u16 mediumHeader(const u8* block) { return Load16(block - 2); }

// Gives the first `n` cached medium blocks of a size back to the pool, each checked in full
// first (lock held). Returns the code of a fault found, or 0; a faulty block is left as it is.
u32 giveBackMedium(ThreadCache& cache, u32 slot, u32 n) {
    u32 fault = 0;
    for (u32 i = 0; i < n; ++i) {
        u8* b = cache.mediumHeads[slot];
        if (!b) break;
        cache.mediumHeads[slot] = LoadPtr(b);
        --cache.mediumCounts[slot];
        std::memset(b + 8, 0, 8);  // no longer marked: an ordinary block in use again
        PageHeader* page = PageOf(b);
        u32 code = MediumCheck(page, b);
        if (!code) code = MediumFree(page, b);
        if (code && !fault) fault = code;
    }
    return fault;
}

// A medium block's own parts: its start bit, its header in use and not kept, and a size that
// ends at the page's end or at the start of another block. Its neighbours are not read: they may
// be changing under the pool's lock.
bool holdsTogether(PageHeader* page, u8* block, u32* size) {
    const uptr offset = static_cast<uptr>(block - PageBase(page));
    if ((offset & (kGrain - 1)) || offset < page->dataOffset || block >= page->limit) return false;
    if (!TestBit(PageBitmap(page), static_cast<u32>(offset >> 4))) return false;
    const u16 h = mediumHeader(block);
    if ((h & (kMediumInUse | kMediumKept)) != kMediumInUse) return false;
    const u32 bytes = h & kMediumSizeMask;
    u8* next = block + bytes;
    if (bytes < kMinMediumBlock || next > page->limit) return false;
    if (next != page->limit && !TestBit(PageBitmap(page), UnitIndex(page, next))) return false;
    *size = bytes;
    return !MediumCached(block);
}

} // namespace

bool CachePutMedium(ThreadCache& cache, PageHeader* page, u8* block) {
    u32 size;
    if (!holdsTogether(page, block, &size) || size > kCachedMediumLimit) return false;
    const u32 slot = size / kGrain;
    if (cache.mediumCounts[slot] >= kMediumCacheDepth) {
        MemPoolHeader* pool = cache.pool;
        LockOrdinaryPool(pool);
        const u32 fault = giveBackMedium(cache, slot, kMediumCacheDepth / 2);
        UnlockOrdinaryPool(pool);
        if (fault) Report(pool, fault);
    }
    StorePtr(block, cache.mediumHeads[slot]);
    const u64 mark = CacheMark(block, g_cacheKey.load(std::memory_order_relaxed));
    std::memcpy(block + 8, &mark, sizeof mark);
    cache.mediumHeads[slot] = block;
    ++cache.mediumCounts[slot];
    return true;
}

void CacheRefill(ThreadCache& cache, MemPoolHeader* pool, u32 size) {
    const u32 cls = size / kGrain;
    u32 room = CacheDepth(cls) / 2;
    while (room-- > 0) {
        u8* b = pool->smallFree[cls];
        if (!b) break;
        pool->smallFree[cls] = LoadPtr(b);
        b[-1] = static_cast<u8>(cls | kSmallFree | kSmallCached);
        StorePtr(b, cache.heads[cls]);
        cache.heads[cls] = b;
        ++cache.counts[cls];
    }
}

void CacheSpill(ThreadCache& cache, u32 cls) {
    MemPoolHeader* pool = cache.pool;
    LockOrdinaryPool(pool);
    giveBack(cache, pool, cls, CacheDepth(cls) / 2);
    UnlockOrdinaryPool(pool);
}

void ArmCache(ThreadCache& cache, MemPoolHeader* pool) {
    if (cache.state != kCacheUnarmed) return;
    if (!g_cacheKey.load(std::memory_order_relaxed)) {
        // Any value but 0 will do: the address of a local (placed at random by the system) and
        // the clock, mixed.
        const u64 seed = reinterpret_cast<uptr>(&cache) ^ static_cast<u64>(std::chrono::steady_clock::now().time_since_epoch().count());
        u64 key = (seed ^ (seed >> 29)) * 0x9E3779B97F4A7C15ull;
        if (!key) key = 1;
        u64 none = 0;
        g_cacheKey.compare_exchange_strong(none, key, std::memory_order_relaxed);
    }
    t_releaser.armed = true;  // its first use registers the release at thread exit
    cache.pool = pool;
    cache.state = kCacheArmed;
}

u32 CacheRelease(ThreadCache& cache) {
    MemPoolHeader* pool = cache.pool;
    if (!pool) return 0;
    LockOrdinaryPool(pool);
    for (u32 cls = 0; cls < kSmallClasses; ++cls) giveBack(cache, pool, cls, cache.counts[cls]);
    u32 fault = 0;
    for (u32 slot = 0; slot < kMediumCacheSlots; ++slot) {
        const u32 code = giveBackMedium(cache, slot, cache.mediumCounts[slot]);
        if (code && !fault) fault = code;
    }
    UnlockOrdinaryPool(pool);
    return fault;
}

} // namespace bramble
