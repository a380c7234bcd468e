// Medium blocks: boundary-tagged blocks inside pages of the pool's page size, found through the
// pool's lists of free blocks by size. A walk along one page's free blocks meets every small
// fragment that cannot serve before it meets one that can; the lists go straight to the
// smallest free block of a size that fits, whichever page it lies in.
//
// Size classes: one per 16 bytes up to 1024 bytes, then eight per power of two. A request whose
// class holds only blocks of its own size takes the head of the first non-empty class at or
// above its own; a larger request first looks along its own class for a block that is big
// enough, then takes the head of the next non-empty class above it, whose blocks all are.
//
// A freed block of an exact size whose neighbours are both in use is first kept whole on a short
// quick list of its size, so that the next request of that size takes it back without splitting
// or merging anything. A kept block is marked kept (and still in use), repeats its size in its
// last two bytes, marks its follower, and is not counted in its page. It is given up, and merged
// as any free block, when a neighbour is freed or grows into it, or when the last counted block
// of its page goes: merging neighbours still meet, and an emptied page still goes.
//
// Pages of the second medium ring are made only by pre-allocation (every request clears the
// moveable bit that would select them); their free blocks are on no list.
//
// Invariants of a medium page: blocks tile the page from its first block to the end sentinel
// (a header of size 0, in use) with no gap; the block-start bitmap has a bit exactly at each
// block's address; a block's previous-in-use bit tells the truth about its predecessor (a kept
// block is in use) and its previous-kept bit whether that one is kept; no two free blocks are
// adjacent; every free or kept block repeats its size in its last two bytes; every free block of
// a page of the first ring is on the list of its size class exactly once, the lists hold nothing
// else, and a class's bit in the pool's map is set exactly while its list is not empty; every
// kept block is on the quick list of its size exactly once, and those lists hold nothing else and
// no more than their depth; the in-use count is the number of blocks in use that are not kept.
#include "memory/fixed_blocks.h"
#include "memory/pool_internal.h"
#include "memory/small_blocks.h"
#include "memory/thread_cache.h"

namespace bramble {
namespace {

u16 header(const u8* block) { return Load16(block - 2); }
void setHeader(u8* block, u16 v) { Store16(block - 2, v); }
u32 sizeOf(u16 h) { return h & kMediumSizeMask; }
void setTrailing(u8* block, u32 size) { Store16(block + size - 4, static_cast<u16>(size)); }
void clearBits(u8* block, u16 bits) { setHeader(block, header(block) & ~bits); }
void setBits(u8* block, u16 bits) { setHeader(block, header(block) | bits); }

u8* nextFree(const u8* b) { return LoadPtr(b); }
u8* prevFree(const u8* b) { return LoadPtr(b + 8); }
void setNext(u8* b, u8* n) { StorePtr(b, n); }
void setPrev(u8* b, u8* p) { StorePtr(b + 8, p); }

u32 mediumNeed(u32 size) {
    const u32 need = static_cast<u32>(RoundUp(static_cast<u64>(size) + 2, kGrain));
    return need < kMinMediumBlock ? kMinMediumBlock : need;
}

bool startsBlock(PageHeader* page, const u8* p) { return TestBit(PageBitmap(page), UnitIndex(page, p)); }

void binInsert(MemPoolHeader* pool, u8* b, u32 size) {
    const u32 c = MediumClass(size);
    u8* head = pool->mediumBins[c];
    setNext(b, head);
    setPrev(b, nullptr);
    if (head) {
        setPrev(head, b);
    } else {
        pool->mediumBinMap[c >> 6] |= u64{1} << (c & 63);
    }
    pool->mediumBins[c] = b;
}

void binRemove(MemPoolHeader* pool, u8* b, u32 size) {
    u8* n = nextFree(b);
    u8* p = prevFree(b);
    if (n) setPrev(n, p);
    if (p) {
        setNext(p, n);
        return;
    }
    const u32 c = MediumClass(size);
    pool->mediumBins[c] = n;
    if (!n) pool->mediumBinMap[c >> 6] &= ~(u64{1} << (c & 63));
}

// The first non-empty class at or above `c`; kMediumClasses when there is none.
u32 firstClassFrom(const MemPoolHeader* pool, u32 c) {
    for (u32 w = c >> 6; w < kMediumBinWords; ++w) {
        u64 bits = pool->mediumBinMap[w];
        if (w == c >> 6) bits &= ~u64{0} << (c & 63);
        if (bits) return w * 64 + static_cast<u32>(__builtin_ctzll(bits));
    }
    return kMediumClasses;
}

// Takes a kept block off its quick list; it is an ordinary block in use again.
void unkeep(MemPoolHeader* pool, u8* b, u32 size) {
    const u32 c = MediumClass(size);
    u8** link = &pool->mediumQuick[c];
    while (*link != b) link = reinterpret_cast<u8**>(*link);
    *link = LoadPtr(b);
    --pool->mediumQuickCount[c];
    clearBits(b, kMediumKept);
    clearBits(b + size, kMediumPrevKept);
}

// Makes the block `block` (in use, not kept) free, merged with its free neighbours, on its list;
// nothing is counted. Returns the end of the merged block.
u8* release(MemPoolHeader* pool, PageHeader* page, u8* block) {
    const u16 h = header(block);
    u32 size = sizeOf(h);
    u8* next = block + size;
    const u16 nh = header(next);
    u8* b = block;
    if (!(h & kMediumPrevInUse)) {
        const u32 prevSize = Load16(block - 4);
        b = block - prevSize;
        binRemove(pool, b, prevSize);
        ClearBit(PageBitmap(page), UnitIndex(page, block));
        size += prevSize;
    }
    if (next != page->limit && !(nh & kMediumInUse)) {
        const u32 nextSize = sizeOf(nh);
        binRemove(pool, next, nextSize);
        ClearBit(PageBitmap(page), UnitIndex(page, next));
        size += nextSize;
    }
    // A free block's predecessor is always in use: free neighbours have just been merged.
    setHeader(b, static_cast<u16>(size | kMediumPrevInUse | (header(b) & kMediumPrevKept)));
    setTrailing(b, size);
    u8* following = b + size;
    clearBits(following, kMediumPrevInUse | kMediumPrevKept);
    binInsert(pool, b, size);
    return following;
}

// Gives up a kept block: it becomes an ordinary free block, merged with its free neighbours.
u8* releaseKept(MemPoolHeader* pool, PageHeader* page, u8* b) {
    unkeep(pool, b, sizeOf(header(b)));
    return release(pool, page, b);
}

// A page whose last counted block has gone gives up its kept blocks and may go itself.
void pageEmptied(MemPoolHeader* pool, PageHeader* page) {
    for (u8* b = PageBase(page) + page->dataOffset; b < page->limit;) {
        const u16 h = header(b);
        b = (h & kMediumKept) ? releaseKept(pool, page, b) : b + sizeOf(h);
    }
    ReleasePage(pool, page->descriptor, true);
}

// Keeps the freed block `block` whole on the quick list of its size when there is room.
bool keep(MemPoolHeader* pool, u8* block, u32 size) {
    const u32 c = MediumClass(size);
    if (pool->mediumQuickCount[c] >= kMediumQuickDepth) return false;
    setBits(block, kMediumKept);
    setTrailing(block, size);
    setBits(block + size, kMediumPrevKept);
    StorePtr(block, pool->mediumQuick[c]);
    pool->mediumQuick[c] = block;
    ++pool->mediumQuickCount[c];
    return true;
}

// Makes `rest` (size bytes, after an in-use block) a free block on its list.
void makeFree(MemPoolHeader* pool, PageHeader* page, u8* rest, u32 size) {
    setHeader(rest, static_cast<u16>(size | kMediumPrevInUse));
    setTrailing(rest, size);
    SetBit(PageBitmap(page), UnitIndex(page, rest));
    binInsert(pool, rest, size);
    clearBits(rest + size, kMediumPrevInUse | kMediumPrevKept);
}

// Serves `need` bytes from the free block `b` of `size` bytes.
u8* take(MemPoolHeader* pool, u8* b, u32 size, u32 need, u32 flags) {
    PageHeader* page = PageOf(b);
    const u32 minSplit = (flags & kAllocMinSplit) ? kMinMediumBlock : page->descriptor->minSplit;
    const u32 remainder = size - need;
    const u16 prevBits = header(b) & (kMediumPrevInUse | kMediumPrevKept);
    u8* result;
    u32 used;
    if (remainder < minSplit) {
        binRemove(pool, b, size);
        setBits(b, kMediumInUse);
        setBits(b + size, kMediumPrevInUse);
        result = b;
        used = size;
    } else if (flags & (MEM_MOVEABLE | kAllocLowEnd)) {
        // Cut from the low end: the block keeps the free block's place, the rest goes on a list.
        binRemove(pool, b, size);
        setHeader(b, static_cast<u16>(need | kMediumInUse | prevBits));
        makeFree(pool, page, b + need, remainder);
        result = b;
        used = need;
    } else {
        // Cut from the high end: the free block stays where it is, only smaller.
        if (MediumClass(remainder) != MediumClass(size)) {
            binRemove(pool, b, size);
            binInsert(pool, b, remainder);
        }
        setHeader(b, static_cast<u16>(remainder | prevBits));
        setTrailing(b, remainder);
        result = b + remainder;
        setHeader(result, static_cast<u16>(need | kMediumInUse));
        SetBit(PageBitmap(page), UnitIndex(page, result));
        setBits(b + size, kMediumPrevInUse);
        used = need;
    }
    if (flags & MEM_ZEROINIT) std::memset(result, 0, used - 2);
    ++page->blocksInUse;
    return result;
}

// A free block of at least `need` bytes from the lists; null when there is none.
u8* findFree(MemPoolHeader* pool, u32 need, u32* size) {
    u32 c = MediumClass(need);
    if (need > kMediumExactLimit) {
        // The class also holds blocks a little smaller than the request: a few are looked at.
        int looks = 8;
        for (u8* b = pool->mediumBins[c]; b && looks-- > 0; b = nextFree(b)) {
            const u32 s = sizeOf(header(b));
            if (s >= need) {
                *size = s;
                return b;
            }
        }
        ++c;
    }
    c = firstClassFrom(pool, c);
    if (c >= kMediumClasses) return nullptr;
    u8* b = pool->mediumBins[c];
    *size = sizeOf(header(b));
    return b;
}

// 0 when the block after `block` (free or kept, of size `size`) holds together.
bool neighbourHolds(PageHeader* page, u8* next) {
    const u32 size = sizeOf(header(next));
    u8* after = next + size;
    return size >= kMinMediumBlock && after <= page->limit && (after == page->limit || startsBlock(page, after));
}

// The previous block, free or kept, as its trailing size and the bitmap say; null when they do
// not hold together.
u8* previousBlock(PageHeader* page, u8* block) {
    const u32 prevSize = Load16(block - 4);
    const auto offset = static_cast<uptr>(block - PageBase(page));
    if ((prevSize & (kGrain - 1)) || prevSize < kMinMediumBlock || prevSize > offset - page->dataOffset) return nullptr;
    u8* prev = block - prevSize;
    if (!startsBlock(page, prev) || sizeOf(header(prev)) != prevSize) return nullptr;
    return prev;
}

} // namespace

void LayoutMediumPage(MemPoolHeader* pool, PageHeader* page, u16 type) {
    const u64 bitmap = page->bytes / (8 * kGrain);
    std::memset(PageBitmap(page), 0, bitmap);
    const u32 offset = static_cast<u32>(RoundUp(kPageHeaderBytes + bitmap + 2, kGrain));
    // The sentinel's header closes the page; 16 bytes stay unused after it.
    const u32 size = static_cast<u32>((page->bytes - offset - 16) / kGrain * kGrain);
    u8* first = PageBase(page) + offset;
    u8* sentinel = first + size;
    setHeader(first, static_cast<u16>(size | kMediumPrevInUse));
    setTrailing(first, size);
    SetBit(PageBitmap(page), UnitIndex(page, first));
    setHeader(sentinel, kMediumInUse);
    page->dataOffset = static_cast<u16>(offset);
    page->limit = sentinel;
    page->firstFree = nullptr;
    u32 minSplit = static_cast<u32>(RoundUp(pool->smallBlockLimit / 4u, kGrain));
    if (type == kMediumPage2 || minSplit < kMinMediumBlock) minSplit = kMinMediumBlock;
    page->descriptor->minSplit = minSplit;
    page->descriptor->hint = static_cast<u16>(size);
    if (type == kMediumPage) {
        binInsert(pool, first, size);
    } else {
        setNext(first, nullptr);
        setPrev(first, nullptr);
    }
}

void ForgetMediumPage(MemPoolHeader* pool, PageHeader* page) {
    // Only an empty page goes: its one free block spans it.
    u8* first = PageBase(page) + page->dataOffset;
    binRemove(pool, first, sizeOf(header(first)));
}

void* MediumAlloc(MemPoolHeader* pool, u32 size, u32 flags) {
    const u32 need = mediumNeed(size);
    if (need <= kMediumExactLimit && !(flags & kAllocLowEnd)) {
        const u32 c = MediumClass(need);
        if (u8* b = pool->mediumQuick[c]) {
            pool->mediumQuick[c] = LoadPtr(b);
            --pool->mediumQuickCount[c];
            clearBits(b, kMediumKept);
            clearBits(b + need, kMediumPrevKept);
            ++PageOf(b)->blocksInUse;
            if (flags & MEM_ZEROINIT) std::memset(b, 0, need - 2);
            return b;
        }
    }
    u32 have = 0;
    u8* b = findFree(pool, need, &have);
    if (!b && !(flags & kAllocNoNewPage)) {
        PageFailure why;
        if (MakePage(pool, kMediumPage, pool->pageSize, 0, &why)) b = findFree(pool, need, &have);
    }
    if (b) return take(pool, b, have, need, flags);
    if (flags & kAllocNoLarge) return nullptr;
    if (WouldPassCeiling(pool, RoundUp(size, kSystemPage))) return nullptr;
    return LargeAlloc(pool, need, flags);
}

u32 MediumCheck(PageHeader* page, u8* block) {
    u8* base = PageBase(page);
    const uptr offset = static_cast<uptr>(block - base);
    if ((offset & (kGrain - 1)) || offset < page->dataOffset || block >= page->limit) return MEM_BAD_POINTER;
    if (!startsBlock(page, block)) return MEM_BAD_POINTER;
    const u16 h = header(block);
    if (!(h & kMediumInUse) || (h & kMediumKept) || MediumCached(block)) return MEM_BAD_FREE_BLOCK;
    const u32 size = sizeOf(h);
    u8* next = block + size;
    if (size < kMinMediumBlock || next > page->limit || (next != page->limit && !startsBlock(page, next))) {
        return MEM_BAD_BLOCK;
    }
    const u16 nh = header(next);
    if (!(nh & kMediumPrevInUse) || (nh & kMediumPrevKept)) return MEM_BAD_BLOCK;
    if (next != page->limit && (!(nh & kMediumInUse) || (nh & kMediumKept)) && !neighbourHolds(page, next)) {
        return MEM_BAD_BLOCK;
    }
    if (!(h & kMediumPrevInUse) || (h & kMediumPrevKept)) {
        u8* prev = previousBlock(page, block);
        if (!prev) return MEM_BAD_BLOCK;
        const u16 ph = header(prev);
        // A free predecessor is not in use; a kept one is, and says so.
        const bool kept = h & kMediumPrevKept;
        if (kept ? (ph & (kMediumInUse | kMediumKept)) != (kMediumInUse | kMediumKept) : (ph & kMediumInUse)) {
            return MEM_BAD_BLOCK;
        }
    }
    return 0;
}

u32 MediumFree(PageHeader* page, u8* block) {
    MemPoolHeader* pool = page->pool;
    const u16 h = header(block);
    const u32 size = sizeOf(h);
    u8* next = block + size;
    const u16 nh = header(next);
    const bool nextFree = next != page->limit && !(nh & kMediumInUse);
    const bool nextKept = next != page->limit && (nh & kMediumKept);
    const bool prevFree = !(h & kMediumPrevInUse);
    const bool prevKept = h & kMediumPrevKept;
    if (!prevFree && !prevKept && !nextFree && !nextKept && size <= kMediumExactLimit && page->blocksInUse > 1 &&
        keep(pool, block, size)) {
        --page->blocksInUse;
        return 0;
    }
    if (nextKept) releaseKept(pool, page, next);
    if (prevKept) releaseKept(pool, page, block - Load16(block - 4));
    release(pool, page, block);
    if (--page->blocksInUse == 0) pageEmptied(pool, page);
    return 0;
}

u32 MediumUsable(u8* block) { return sizeOf(header(block)) - 2; }

bool MediumResize(PageHeader* page, u8* block, u32 size, u32 flags, u32* keepBytes) {
    MemPoolHeader* pool = page->pool;
    const u16 h = header(block);
    const u32 have = sizeOf(h);
    const u32 usable = have - 2;
    const u32 minSplit = page->descriptor->minSplit;
    *keepBytes = usable;
    if (size > usable && size > pool->mediumLimit) return false;
    const u32 need = mediumNeed(size);
    if (need == have) {
        if ((flags & MEM_ZEROINIT) && size < usable) std::memset(block + size, 0, usable - size);
        return true;
    }
    const u16 keepBits = h & (kMediumInUse | kMediumPrevInUse | kMediumPrevKept);
    u8* next = block + have;
    // A kept follower is given up first: the block may grow into it, or give its tail to it.
    if (next != page->limit && (header(next) & kMediumKept)) releaseKept(pool, page, next);
    const u16 nh = header(next);
    const bool nextIsFree = next != page->limit && !(nh & kMediumInUse);
    const u32 nextSize = nextIsFree ? sizeOf(nh) : 0;

    if (need > have) {
        if (!nextIsFree || have + nextSize < need) return false;
        binRemove(pool, next, nextSize);
        ClearBit(PageBitmap(page), UnitIndex(page, next));
        const u32 total = have + nextSize;
        const u32 leftover = total - need;
        u32 now;
        if (leftover < minSplit) {
            now = total;
            setHeader(block, static_cast<u16>(total | keepBits));
            setBits(block + total, kMediumPrevInUse);
        } else {
            now = need;
            setHeader(block, static_cast<u16>(need | keepBits));
            makeFree(pool, page, block + need, leftover);
        }
        if (flags & MEM_ZEROINIT) std::memset(block + usable, 0, now - 2 - usable);
        return true;
    }
    u32 leftover = have - need;
    if (leftover >= minSplit) {
        if (nextIsFree) {
            binRemove(pool, next, nextSize);
            ClearBit(PageBitmap(page), UnitIndex(page, next));
            leftover += nextSize;
        }
        setHeader(block, static_cast<u16>(need | keepBits));
        makeFree(pool, page, block + need, leftover);
        if (flags & MEM_ZEROINIT) std::memset(block + size, 0, need - 2 - size);
        return true;
    }
    if ((flags & MEM_ZEROINIT) && size < usable) std::memset(block + size, 0, usable - size);
    return true;
}

} // namespace bramble
