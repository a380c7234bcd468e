#pragma once
// Each thread's cache of small blocks of the default pool. Once the process runs more than one
// thread, every thread reaches the default pool through operator new, and the pool's lock on
// every call would cost more than the block itself. So a thread keeps a few small blocks of each
// size class that it freed, and takes them back for its next requests of that class without the
// lock; a class whose cache is empty takes a batch from the pool's free list under one lock, and
// a class whose cache is full gives half of it back under one lock. Nothing else changes: the
// pages, the bytes held and the pool's settings are the pool's as before.
//
// A cached block is the pool's block in use as far as the pool knows (its lists do not hold it,
// and the pool check counts it with the blocks in use), but its class byte carries both the free
// bit and the cached bit: freeing, resizing or sizing it again is reported as the free block it
// is (MEM_BAD_FREE_BLOCK), exactly as for a block on the pool's lists. Cached blocks are linked
// through their first bytes, as the pool's free blocks are.
//
// Medium blocks of up to 1,040 bytes (1,024 usable, and their header) are kept the same way, by
// exact block size, a few of each. Their headers are not touched (a neighbour's free, under the
// pool's lock, may change their low bits at any time): a cached medium block is marked by a word
// after its link, the process's cache key mixed with the block's address, which the medium check
// reports as a free block. The word is cleared when the block leaves the cache, so no block in use
// carries it. A medium block goes into the cache only when its own header, start bit and size hold
// together; the full check against its neighbours is made under the lock when it goes back to the
// pool, and a fault found then is reported and the block left alone, as a free would have done.
//
// The cache is bounded by class (64 small blocks of the smallest classes down to 8 of the largest,
// about 4 KB a class, and 4 medium blocks of each size, about 125 KB in all), and goes back to
// the pool, whole, when its thread ends.
#include "memory/small_blocks.h"

#include <atomic>

namespace bramble {

constexpr u32 kCachedMediumLimit = 1040;  // the largest medium block size kept
constexpr u32 kMediumCacheSlots = kCachedMediumLimit / kGrain + 1;  // by block size / 16
constexpr u32 kMediumCacheDepth = 4;

struct ThreadCache {
    MemPoolHeader* pool;  // the default pool while this thread caches its blocks, else null
    u8* heads[kSmallClasses];
    u8 counts[kSmallClasses];
    u8 state;  // kCacheUnarmed, kCacheArmed or kCacheEnded
    u8 mediumCounts[kMediumCacheSlots];
    u8* mediumHeads[kMediumCacheSlots];
};
constexpr u8 kCacheUnarmed = 0;
constexpr u8 kCacheArmed = 1;
constexpr u8 kCacheEnded = 2;  // the thread is ending: its blocks went back and no more come

// Trivially built and destroyed, so that reaching it costs no call; the step that gives its blocks
// back at thread exit is registered when the cache is armed.
extern thread_local ThreadCache t_threadCache;

// False while some thread holds the pool through MemPoolLock: the cache then waits its turn on
// the locked path, so that such a pool holds every other thread back, cached blocks or not. The
// short holds of the pool's own calls leave the cache alone: were every thread sent to the lock
// whenever another holds it, threads that meet at the lock would keep meeting there.
inline bool PoolLockFree(const MemPoolHeader* pool) {
    return __atomic_load_n(&pool->callerLocks, __ATOMIC_RELAXED) == 0;
}

// How many blocks of a class a thread keeps: about 4 KB, at least 8 and at most 64 (a table: a
// division on every free costs more than the rest of it).
struct CacheDepths {
    u8 depth[kSmallClasses];
    constexpr CacheDepths() : depth() {
        for (u32 cls = 0; cls < kSmallClasses; ++cls) {
            const u32 d = 4096 / (kGrain * (cls + 1));
            depth[cls] = static_cast<u8>(d < 8 ? 8 : d > 64 ? 64 : d);
        }
    }
};
inline constexpr CacheDepths kCacheDepths{};
inline u32 CacheDepth(u32 cls) { return kCacheDepths.depth[cls]; }

// A cached block of `size` bytes (a small size), or null when the class has none.
inline u8* CacheTake(ThreadCache& cache, u32 size, u32 flags) {
    const u32 cls = size / kGrain;
    u8* b = cache.heads[cls];
    if (!b) return nullptr;
    cache.heads[cls] = LoadPtr(b);
    --cache.counts[cls];
    b[-1] = static_cast<u8>(cls);
    if (flags & MEM_ZEROINIT) std::memset(b, 0, SmallSlot(cls) - 1);
    return b;
}

// Moves up to half a cache's worth of the pool's free blocks of `size`'s class into the cache.
// The caller holds the pool's lock.
void CacheRefill(ThreadCache& cache, MemPoolHeader* pool, u32 size);

// Gives half of a full class back to the pool under its lock.
void CacheSpill(ThreadCache& cache, u32 cls);

// Keeps a live block of the cache's pool in the cache; false, with nothing changed, when the
// block does not pass the check (the caller's locked path then reports it).
inline bool CachePut(ThreadCache& cache, PageHeader* page, u8* block) {
    if (SmallCheck(page, block)) return false;
    const u32 cls = block[-1];
    if (cache.counts[cls] >= CacheDepth(cls)) CacheSpill(cache, cls);
    block[-1] = static_cast<u8>(cls | kSmallFree | kSmallCached);
    StorePtr(block, cache.heads[cls]);
    cache.heads[cls] = block;
    ++cache.counts[cls];
    return true;
}

// The block size a medium request of `size` bytes takes.
inline u32 MediumNeed(u32 size) {
    const u32 need = static_cast<u32>(RoundUp(static_cast<u64>(size) + 2, kGrain));
    return need < kMinMediumBlock ? kMinMediumBlock : need;
}

// The process's cache key: 0 until a thread first caches; never 0 after.
extern std::atomic<u64> g_cacheKey;
inline u64 CacheMark(const u8* block, u64 key) { return key ^ reinterpret_cast<uptr>(block); }
// True when a medium block in use is in some thread's cache.
inline bool MediumCached(const u8* block) {
    const u64 key = g_cacheKey.load(std::memory_order_relaxed);
    if (!key) return false;
    u64 word;
    std::memcpy(&word, block + 8, sizeof word);
    return word == CacheMark(block, key);
}

// A cached medium block of `need` bytes (at most kCachedMediumLimit), or null.
inline u8* CacheTakeMedium(ThreadCache& cache, u32 need, u32 flags) {
    const u32 slot = need / kGrain;
    u8* b = cache.mediumHeads[slot];
    if (!b) return nullptr;
    cache.mediumHeads[slot] = LoadPtr(b);
    --cache.mediumCounts[slot];
    if (flags & MEM_ZEROINIT) {
        std::memset(b, 0, need - 2);
    } else {
        std::memset(b + 8, 0, 8);  // the mark
    }
    return b;
}

// Keeps a medium block of the cache's pool in the cache; false, with nothing changed, when it is
// too big to keep or does not hold together (the caller's locked path then frees or reports it).
bool CachePutMedium(ThreadCache& cache, PageHeader* page, u8* block);

// Starts caching the default pool's blocks in this thread (called outside the pool's lock).
void ArmCache(ThreadCache& cache, MemPoolHeader* pool);

// Gives every block of this thread's cache back to its pool; the cache stays armed. Returns the
// code of a fault found in a medium block (left as it is), or 0; the caller reports it.
u32 CacheRelease(ThreadCache& cache);

} // namespace bramble
