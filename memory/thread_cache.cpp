// The threads' caches of small blocks of the default pool: refilling and spilling under the
// pool's lock, and giving everything back when a thread ends (thread_cache.h).
#include "memory/thread_cache.h"

namespace bramble {

thread_local ThreadCache t_threadCache;

namespace {

// Its destructor runs when the thread ends; it is reached (and so registered) only when the
// thread's cache is armed.
struct CacheReleaser {
    ~CacheReleaser() {
        if (!armed) return;
        ThreadCache& cache = t_threadCache;
        CacheRelease(cache);
        cache.pool = nullptr;
        cache.state = kCacheEnded;
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

} // namespace

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
    t_releaser.armed = true;  // its first use registers the release at thread exit
    cache.pool = pool;
    cache.state = kCacheArmed;
}

void CacheRelease(ThreadCache& cache) {
    MemPoolHeader* pool = cache.pool;
    if (!pool) return;
    LockOrdinaryPool(pool);
    for (u32 cls = 0; cls < kSmallClasses; ++cls) giveBack(cache, pool, cls, cache.counts[cls]);
    UnlockOrdinaryPool(pool);
}

} // namespace bramble
