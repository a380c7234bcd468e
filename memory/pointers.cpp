// Pointer blocks: allocation by size class, and free, resize and size by address alone (the
// block's page, and so its pool, is found by masking the address).
#include "memory/fixed_blocks.h"
#include "memory/pool_internal.h"
#include "memory/small_blocks.h"
#include "memory/thread_cache.h"

#include <new>

using namespace bramble;

namespace bramble {

void* AllocBlock(MemPoolHeader* pool, u32 size, u32 flags) {
    if (size <= pool->smallBlockLimit) return SmallAlloc(pool, size, flags);
    flags &= ~MEM_MOVEABLE;
    if (size <= pool->mediumLimit) return MediumAlloc(pool, size, flags);
    return LargeAlloc(pool, size, flags);
}

// A block from the pages the pool has, without making one (and so without any report); null
// when that would be needed.
void* AllocBlockNoPage(MemPoolHeader* pool, u32 size, u32 flags) {
    if (size <= pool->smallBlockLimit) {
        if (u8* b = SmallTake(pool, size, flags)) return b;
        return SmallCarveNoPage(pool, size, flags);
    }
    if (size <= pool->mediumLimit) return MediumAlloc(pool, size, (flags & ~MEM_MOVEABLE) | kAllocNoNewPage | kAllocNoLarge);
    return nullptr;
}

u32 CheckBlock(PageHeader* page, u8* block) {
    switch (PageTypeOf(page)) {
    case kMediumPage:
    case kMediumPage2: return MediumCheck(page, block);
    case kFixedPage: return FixedCheck(page, block);
    case kLargePage: return LargeCheck(page, block);
    case kSmallPage: return SmallCheck(page, block);
    default: return MEM_BAD_POINTER;
    }
}

u32 FreeBlock(PageHeader* page, u8* block) {
    switch (PageTypeOf(page)) {
    case kMediumPage:
    case kMediumPage2: return MediumFree(page, block);
    case kFixedPage: FixedFree(page, block); return 0;
    case kLargePage: LargeFree(page); return 0;
    case kSmallPage: SmallFree(page, block); return 0;
    default: return MEM_BAD_POINTER;
    }
}

u32 UsableSize(PageHeader* page, u8* block) {
    switch (PageTypeOf(page)) {
    case kMediumPage:
    case kMediumPage2: return MediumUsable(block);
    case kFixedPage: return page->pool->fixedBlockSize;
    case kLargePage: {
        const u64 usable = page->bytes - kPageHeaderBytes;
        return usable > 0xFFFFFFFE ? 0xFFFFFFFE : static_cast<u32>(usable);
    }
    case kSmallPage: return SmallUsable(block);
    default: return 0xFFFFFFFF;
    }
}

namespace {

// Finds, locks and checks the page of a live block; reports and fails otherwise.
class BlockAccess {
public:
    explicit BlockAccess(void* block) : block_(static_cast<u8*>(block)) {
        if (!FindPage(block, &page_)) {
            Report(nullptr, MEM_BAD_POINTER);
            return;
        }
        if (!lock_.acquire(page_->pool)) return;
        // The page may have gone while the lock was awaited (a block freed twice at once).
        if (PageOfBlock(block) != page_) {
            Report(nullptr, MEM_BAD_POINTER);
            return;
        }
        if (const u32 code = CheckBlock(page_, block_)) {
            Report(page_->pool, code);
            return;
        }
        ok_ = true;
    }

    bool ok() const { return ok_; }
    PageHeader* page() const { return page_; }
    MemPoolHeader* pool() const { return page_->pool; }
    u8* block() const { return block_; }

private:
    u8* block_;
    PageHeader* page_ = nullptr;
    PoolLock lock_;
    bool ok_ = false;
};

// Checks and frees a block of a page of type `type`: 0, or the code to report. Always inline:
// the small and fixed-size cases are the common paths of a free.
[[gnu::always_inline]] inline u32 checkAndFree(PageHeader* page, u8* block, u32 type) {
    u32 code;
    switch (type) {
    case kSmallPage:
        code = SmallCheck(page, block);
        if (!code) SmallFree(page, block);
        break;
    case kFixedPage: code = FixedCheckAndFree(page, block); break;
    default:
        code = CheckBlock(page, block);
        if (!code) code = FreeBlock(page, block);
        break;
    }
    return code;
}

// Checks and frees a block of an unserialised pool (or of a locked one).
[[gnu::always_inline]] inline int freeChecked(PageHeader* page, u8* block, u32 type) {
    const u32 code = checkAndFree(page, block, type);
    if (!code) return 1;
    Report(page->pool, code);
    return 0;
}

inline bool checkPool(MemPoolHeader* pool) {
    if (IsValidPool(pool)) return true;
    Report(pool, MEM_BAD_MEM_POOL);
    return false;
}

// Outcome of a resize where the block lies: done (at `block`), or a move that keeps `keep`
// bytes, or a failure already reported.
struct InPlace {
    u8* block;
    u32 keep;
    bool failed;
};

InPlace resizeInPlace(PageHeader* page, u8* block, u32 size, u32 flags) {
    MemPoolHeader* pool = page->pool;
    switch (PageTypeOf(page)) {
    case kSmallPage: {
        const u32 cls = block[-1] & kSmallClassMask;
        const u32 usable = SmallUsable(block);
        const bool fits = (flags & MEM_RESIZE_IN_PLACE) ? size <= usable
                                                        : size <= pool->smallBlockLimit && size / kGrain == cls;
        if (fits) {
            if ((flags & MEM_ZEROINIT) && size < usable) std::memset(block + size, 0, usable - size);
            return {block, 0, false};
        }
        return {nullptr, size < usable ? size : usable, false};
    }
    case kMediumPage:
    case kMediumPage2: {
        u32 keep = 0;
        if (MediumResize(page, block, size, flags, &keep)) return {block, 0, false};
        return {nullptr, keep, false};
    }
    case kFixedPage: {
        const u32 fixed = pool->fixedBlockSize;
        if (size <= fixed) {
            if (flags & MEM_ZEROINIT) std::memset(block + size, 0, fixed - size);
            return {block, 0, false};
        }
        return {nullptr, fixed, false};
    }
    case kLargePage: {
        const u32 usable = UsableSize(page, block);
        if (size <= pool->mediumLimit && !(flags & MEM_RESIZE_IN_PLACE)) {
            return {nullptr, size < usable ? size : usable, false};
        }
        if (u8* done = LargeResize(page, block, size, flags)) return {done, 0, false};
        // Without leave to move, the caller reports; otherwise the page move has reported.
        return {nullptr, 0, !(flags & MEM_RESIZE_IN_PLACE)};
    }
    default: return {nullptr, 0, true};
    }
}

// The rare outcomes, kept out of the common paths so that those need no stack frame.
[[gnu::cold, gnu::noinline]] void* badPool(MemPoolHeader* pool) {
    Report(pool, MEM_BAD_MEM_POOL);
    return nullptr;
}

[[gnu::cold, gnu::noinline]] int badPointer(MemPoolHeader* pool) {
    Report(pool, MEM_BAD_POINTER);
    return 0;
}

[[gnu::cold, gnu::noinline]] int badBlock(MemPoolHeader* pool, u32 code) {
    Report(pool, code);
    return 0;
}

// Allocation and free with the pool's lock, and those that the common paths leave to the full
// checks; out of line, so that the common paths need no stack frame.
[[gnu::noinline]] void* allocLocked(MemPoolHeader* pool, u32 size, u32 flags) {
    PoolLock lock(pool);
    if (!lock) return nullptr;
    return AllocBlock(pool, size, flags);
}

[[gnu::noinline]] void* allocChecked(MemPoolHeader* pool, u32 size, u32 flags) {
    if (!checkPool(pool)) return nullptr;
    if (!IsSerialized(pool)) return AllocBlock(pool, size, flags);
    return allocLocked(pool, size, flags);
}

[[gnu::noinline]] int freeLocked(PageHeader* page, u8* block) {
    PoolLock lock(page->pool);
    if (!lock) return 0;
    // The page may have gone while the lock was awaited (a block freed twice at once).
    if (PageOfBlock(block) != page) return badPointer(nullptr);
    return freeChecked(page, block, PageTypeOf(page));
}

[[gnu::noinline]] int freeFound(void* block) {
    PageHeader* page = PageOfBlock(block);
    if (!page) return badPointer(nullptr);
    if (!IsSerialized(page->pool)) return freeChecked(page, static_cast<u8*>(block), PageTypeOf(page));
    return freeLocked(page, static_cast<u8*>(block));
}

// An ordinary serialised pool. A block from the pages the pool has takes no step that could
// report: with the lock held only for it, or with none while the process has a single thread (no
// such step can start another). Anything more is done with the pool's full lock.
// With more threads, the default pool's small and medium blocks come from the thread's cache
// first, and an empty small class of the cache takes a batch of the pool's free blocks under the
// same lock.
[[gnu::noinline]] void* allocSerialised(MemPoolHeader* pool, u32 size, u32 flags) {
    void* b;
    if (platform::OnlyThread()) {
        b = AllocBlockNoPage(pool, size, flags);
    } else {
        ThreadCache& cache = t_threadCache;
        const bool mine = cache.pool == pool && PoolLockFree(pool);
        const bool cached = mine && size <= pool->smallBlockLimit;
        if (cached) {
            if (u8* c = CacheTake(cache, size, flags)) return c;
        } else if (mine && size <= pool->mediumLimit) {
            const u32 need = MediumNeed(size);
            if (need <= kCachedMediumLimit) {
                if (u8* c = CacheTakeMedium(cache, need, flags)) return c;
            }
        }
        LockOrdinaryPool(pool);
        if (cached) CacheRefill(cache, pool, size);
        b = cached ? CacheTake(cache, size, flags) : nullptr;
        if (!b) b = AllocBlockNoPage(pool, size, flags);
        UnlockOrdinaryPool(pool);
        if (cache.state == kCacheUnarmed && pool == DefaultPoolIfMade()) ArmCache(cache, pool);
    }
    return b ? b : allocLocked(pool, size, flags);
}

// A block of an ordinary serialised pool's page of kind `kind`, with more than one thread: the
// lock is held for the check and the free, and a failure is reported after.
// A small or medium block of the default pool goes to the thread's cache when it passes the
// check.
[[gnu::noinline]] int freeSerialised(PageHeader* page, u8* block, u8 kind) {
    MemPoolHeader* pool = page->pool;
    const u32 type = kind & 7;
    if (type == kSmallPage || type == kMediumPage) {
        ThreadCache& cache = t_threadCache;
        if (cache.pool == pool) {
            if (PoolLockFree(pool) &&
                (type == kSmallPage ? CachePut(cache, page, block) : CachePutMedium(cache, page, block))) {
                return 1;
            }
        } else if (cache.state == kCacheUnarmed && pool == DefaultPoolIfMade()) {
            ArmCache(cache, pool);
        }
    }
    LockOrdinaryPool(pool);
    // The page may have gone while the lock was awaited (a block freed twice at once).
    const bool present = UnitKindOf(reinterpret_cast<uptr>(page)) == kind;
    const u32 code = present ? checkAndFree(page, block, kind & 7) : MEM_BAD_POINTER;
    UnlockOrdinaryPool(pool);
    if (!code) return 1;
    return present ? badBlock(pool, code) : badPointer(nullptr);
}

[[gnu::noinline]] void* fixedAllocLocked(MemPoolHeader* pool) {
    PoolLock lock(pool);
    if (!lock) return nullptr;
    return FixedAlloc(pool);
}

[[gnu::noinline]] int fixedFreeLocked(PageHeader* page, u8* block) {
    PoolLock lock(page->pool);
    if (!lock) return 0;
    // The page may have gone while the lock was awaited (a block freed twice at once).
    if (PageOfBlock(block) != page) return badPointer(nullptr);
    if (const u32 code = FixedCheckAndFree(page, block)) return badBlock(page->pool, code);
    return 1;
}

// Resizes a live block of an unserialised or locked pool.
void* resize(PageHeader* page, u8* block, u32 size, u32 flags) {
    MemPoolHeader* pool = page->pool;
    if (size == 0) {
        Report(pool, MEM_ALLOC_ZERO);
        return nullptr;
    }
    const InPlace r = resizeInPlace(page, block, size, flags);
    if (r.block) return r.block;
    if (r.failed) return nullptr;
    if (flags & MEM_RESIZE_IN_PLACE) {
        Report(pool, MEM_RESIZE_FAILED);
        return nullptr;
    }
    // A block that grows and moves is cut from the low end of its new place, so that the free
    // rest lies after it and the next growth is done where it lies.
    void* moved = AllocBlock(pool, size, size > r.keep ? flags | kAllocLowEnd : flags);
    if (!moved) return nullptr;
    std::memcpy(moved, block, r.keep);
    if (const u32 code = FreeBlock(page, block)) Report(pool, code);
    return moved;
}

[[gnu::cold, gnu::noinline]] void* badBlockPtr(MemPoolHeader* pool, u32 code) {
    Report(pool, code);
    return nullptr;
}

} // namespace
} // namespace bramble

namespace {

// The bodies of MemAllocPtr and MemFreePtr, inline here so that the default pool's entry points
// below take no extra call.
inline void* allocPtr(MemPoolHeader* pool, u32 size, u32 flags) {
    // Decided here: an ordinary pool, known by the kind of its unit.
    const auto a = reinterpret_cast<uptr>(pool);
    const u8 kind = (a & ~kPageMask) ? 0 : UnitKindOf(a);
    if ((kind & ~kKindSerialised) == kKindPoolHeader && HasSignature(pool)) [[likely]] {
        if (!(kind & kKindSerialised)) return AllocBlock(pool, size, flags);
        return allocSerialised(pool, size, flags);
    }
    return allocChecked(pool, size, flags);
}

inline int freePtr(void* block) {
    // Decided here: a block in a page of an ordinary pool, known by the kind of its unit.
    const uptr base = reinterpret_cast<uptr>(block) & kPageMask;
    const u8 kind = UnitKindOf(base);
    auto* page = reinterpret_cast<PageHeader*>(base);
    const u32 type = kind & 7;
    if ((kind & kKindPage) && HasSignature(page, kPageSignature + type)) [[likely]] {
        auto* b = static_cast<u8*>(block);
        // A single thread leaves the lock alone: freeing starts nothing, and a report is the last
        // step of a free that fails.
        if (!(kind & kKindSerialised) || platform::OnlyThread()) return freeChecked(page, b, type);
        return freeSerialised(page, b, kind);
    }
    return freeFound(block);
}

} // namespace

void* MemAllocPtr(MEMPOOL pool, std::uint32_t size, std::uint32_t flags) { return allocPtr(pool, size, flags); }

int MemFreePtr(void* block) { return freePtr(block); }

void* PoolOperatorNew(std::uint32_t size, std::uint32_t flags, MEMPOOL pool) {
    if (size == 0) size = 1;
    flags |= DefaultZeroFill();
    if (!pool) pool = DefaultPool();
    for (;;) {
        if (pool) {
            if (void* p = allocPtr(pool, size, flags)) return p;
        }
        std::new_handler handler = std::get_new_handler();
        if (!handler) return nullptr;
        handler();
    }
}

void* MemMalloc(std::size_t size) {
    MemPoolHeader* pool = DefaultPool();
    if (!pool || size > 0xFFFFFFFF) return nullptr;
    if (size == 0) size = 1;
    return allocPtr(pool, static_cast<u32>(size), DefaultZeroFill());
}

void MemFree(void* block) {
    if (block) freePtr(block);
}

void* MemReAllocPtr(void* block, std::uint32_t size, std::uint32_t flags) {
    // Decided here: a block in a page of an ordinary unserialised pool; the rest finds, locks
    // and checks its page first.
    const uptr base = reinterpret_cast<uptr>(block) & kPageMask;
    const u8 kind = UnitKindOf(base);
    auto* page = reinterpret_cast<PageHeader*>(base);
    const u32 type = kind & 7;
    if ((kind & (kKindPage | kKindSerialised)) == kKindPage && HasSignature(page, kPageSignature + type)) [[likely]] {
        if (const u32 code = CheckBlock(page, static_cast<u8*>(block))) return badBlockPtr(page->pool, code);
        return resize(page, static_cast<u8*>(block), size, flags);
    }
    BlockAccess access(block);
    if (!access.ok()) return nullptr;
    return resize(access.page(), access.block(), size, flags);
}

std::uint32_t MemSizePtr(void* block) {
    BlockAccess access(block);
    if (!access.ok()) return 0xFFFFFFFF;
    return UsableSize(access.page(), access.block());
}

namespace bramble {

void* AllocFixedBlock(MemPoolHeader* pool) {
    if (!IsValidPool(pool)) return badPool(pool);
    if (IsSerialized(pool)) return fixedAllocLocked(pool);
    return FixedAlloc(pool);
}

int FreeFixedBlock(void* block) {
    PageHeader* page = PageOfBlock(block);
    if (!page) return badPointer(nullptr);
    if (page->signature != kPageSignature + kFixedPage) return badPointer(page->pool);
    if (IsSerialized(page->pool)) return fixedFreeLocked(page, static_cast<u8*>(block));
    if (const u32 code = FixedCheckAndFree(page, static_cast<u8*>(block))) return badBlock(page->pool, code);
    return 1;
}

} // namespace bramble
