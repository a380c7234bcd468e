// Medium blocks: first fit with boundary tags inside pages of the pool's page size.
//
// Invariants of a medium page: blocks tile the page from its first block to the end sentinel
// (a header of size 0, in use) with no gap; the block-start bitmap has a bit exactly at each
// block's address; a block's previous-in-use bit tells the truth about its predecessor; no two
// free blocks are adjacent; every free block repeats its size in its last two bytes and is on the
// page's free ring (anchored at the sentinel), and the ring holds nothing else; the rover is on
// the ring; the descriptor's hint is at least the size of the largest free block; the in-use
// count is the number of blocks in use.
#include "memory/fixed_blocks.h"
#include "memory/pool_internal.h"
#include "memory/small_blocks.h"

namespace bramble {
namespace {

u16 header(const u8* block) { return Load16(block - 2); }
void setHeader(u8* block, u16 v) { Store16(block - 2, v); }
u32 sizeOf(u16 h) { return h & kMediumSizeMask; }
void setTrailing(u8* block, u32 size) { Store16(block + size - 4, static_cast<u16>(size)); }

u8* nextFree(const u8* b) { return LoadPtr(b); }
u8* prevFree(const u8* b) { return LoadPtr(b + 8); }
void setNext(u8* b, u8* n) { StorePtr(b, n); }
void setPrev(u8* b, u8* p) { StorePtr(b + 8, p); }

void unlink(u8* b) {
    u8* n = nextFree(b);
    u8* p = prevFree(b);
    setNext(p, n);
    setPrev(n, p);
}

void linkAtAnchor(PageHeader* page, u8* b) {
    u8* anchor = page->limit;
    u8* n = nextFree(anchor);
    setNext(b, n);
    setPrev(b, anchor);
    setPrev(n, b);
    setNext(anchor, b);
}

u32 mediumNeed(u32 size) {
    const u32 need = static_cast<u32>(RoundUp(static_cast<u64>(size) + 2, kGrain));
    return need < kMinMediumBlock ? kMinMediumBlock : need;
}

void raiseHint(PageHeader* page, u32 size) {
    if (size > page->descriptor->hint) page->descriptor->hint = static_cast<u16>(size);
}

// Makes `rest` (size bytes, after an in-use block) a free block on the ring.
void makeFree(PageHeader* page, u8* rest, u32 size) {
    setHeader(rest, static_cast<u16>(size | kMediumPrevInUse));
    setTrailing(rest, size);
    SetBit(PageBitmap(page), UnitIndex(page, rest));
    linkAtAnchor(page, rest);
    u8* following = rest + size;
    setHeader(following, header(following) & ~kMediumPrevInUse);
}

u8* take(PageHeader* page, u8* b, u32 size, u32 need, u32 flags) {
    const u32 minSplit = (flags & kAllocMinSplit) ? kMinMediumBlock : page->descriptor->minSplit;
    u8* after = nextFree(b);
    const u32 remainder = size - need;
    u8* result;
    u32 used;
    if (remainder < minSplit) {
        unlink(b);
        setHeader(b, header(b) | kMediumInUse);
        setHeader(b + size, header(b + size) | kMediumPrevInUse);
        result = b;
        used = size;
    } else if (flags & (MEM_MOVEABLE | 0x0004)) {
        // Cut from the low end: the block keeps the free block's place, the rest goes on the ring.
        unlink(b);
        setHeader(b, static_cast<u16>(need | kMediumInUse | (header(b) & kMediumPrevInUse)));
        makeFree(page, b + need, remainder);
        result = b;
        used = need;
    } else {
        // Cut from the high end: the free block stays where it is on the ring, only smaller.
        setHeader(b, static_cast<u16>(remainder | (header(b) & kMediumPrevInUse)));
        setTrailing(b, remainder);
        result = b + remainder;
        setHeader(result, static_cast<u16>(need | kMediumInUse));
        SetBit(PageBitmap(page), UnitIndex(page, result));
        setHeader(b + size, header(b + size) | kMediumPrevInUse);
        used = need;
    }
    page->firstFree = after;
    if (flags & MEM_ZEROINIT) std::memset(result, 0, used - 2);
    ++page->blocksInUse;
    return result;
}

u8* firstFit(PageHeader* page, u32 need, u32 flags) {
    u8* anchor = page->limit;
    u8* start = page->firstFree;
    u8* b = start;
    u32 largest = 0;
    do {
        if (b != anchor) {
            const u32 size = sizeOf(header(b));
            if (size >= need) return take(page, b, size, need, flags);
            if (size > largest) largest = size;
        }
        b = nextFree(b);
    } while (b != start);
    page->descriptor->hint = static_cast<u16>(largest);
    return nullptr;
}

bool startsBlock(PageHeader* page, const u8* p) { return TestBit(PageBitmap(page), UnitIndex(page, p)); }

} // namespace

void LayoutMediumPage(MemPoolHeader* pool, PageHeader* page, u16 type) {
    const u64 bitmap = page->bytes / (8 * kGrain);
    std::memset(PageBitmap(page), 0, bitmap);
    const u32 offset = static_cast<u32>(RoundUp(kPageHeaderBytes + bitmap + 2, kGrain));
    // Room is kept after the sentinel for its two ring links.
    const u32 size = static_cast<u32>((page->bytes - offset - 16) / kGrain * kGrain);
    u8* first = PageBase(page) + offset;
    u8* sentinel = first + size;
    setHeader(first, static_cast<u16>(size | kMediumPrevInUse));
    setTrailing(first, size);
    SetBit(PageBitmap(page), UnitIndex(page, first));
    setHeader(sentinel, kMediumInUse);
    setNext(sentinel, first);
    setPrev(sentinel, first);
    setNext(first, sentinel);
    setPrev(first, sentinel);
    page->dataOffset = static_cast<u16>(offset);
    page->limit = sentinel;
    page->firstFree = first;
    u32 minSplit = static_cast<u32>(RoundUp(pool->smallBlockLimit / 4u, kGrain));
    if (type == kMediumPage2 || minSplit < kMinMediumBlock) minSplit = kMinMediumBlock;
    page->descriptor->minSplit = minSplit;
    page->descriptor->hint = static_cast<u16>(size);
}

void* MediumAlloc(MemPoolHeader* pool, u32 size, u32 flags) {
    const u32 need = mediumNeed(size);
    const u16 type = (flags & MEM_MOVEABLE) ? kMediumPage2 : kMediumPage;
    if (PageDescriptor* start = pool->rings[type]) {
        PageDescriptor* d = start;
        do {
            if (d->hint >= need) {
                if (u8* b = firstFit(reinterpret_cast<PageHeader*>(d->page), need, flags)) {
                    pool->rings[type] = d;
                    return b;
                }
            }
            d = d->next;
        } while (d != start);
    }
    if (!(flags & kAllocNoNewPage)) {
        PageFailure why;
        if (PageHeader* page = MakePage(pool, type, pool->pageSize, 0, &why)) return firstFit(page, need, flags);
    }
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
    if (!(h & kMediumInUse)) return MEM_BAD_FREE_BLOCK;
    const u32 size = sizeOf(h);
    u8* next = block + size;
    if (size < kMinMediumBlock || next > page->limit || (next != page->limit && !startsBlock(page, next))) {
        return MEM_BAD_BLOCK;
    }
    if (!(header(next) & kMediumPrevInUse)) return MEM_BAD_BLOCK;
    if (!(h & kMediumPrevInUse)) {
        const u32 prevSize = Load16(block - 4);
        if ((prevSize & (kGrain - 1)) || prevSize < kMinMediumBlock || prevSize > offset - page->dataOffset) {
            return MEM_BAD_BLOCK;
        }
        u8* prev = block - prevSize;
        const u16 ph = header(prev);
        if (!startsBlock(page, prev) || sizeOf(ph) != prevSize || (ph & kMediumInUse)) return MEM_BAD_BLOCK;
    }
    return 0;
}

u32 MediumFree(PageHeader* page, u8* block) {
    const u16 h = header(block);
    u32 size = sizeOf(h);
    u8* next = block + size;
    const u16 nh = header(next);
    u32 nextSize = 0;
    if (next != page->limit && !(nh & kMediumInUse)) {
        nextSize = sizeOf(nh);
        u8* after = next + nextSize;
        if (nextSize < kMinMediumBlock || after > page->limit || (after != page->limit && !startsBlock(page, after))) {
            return MEM_BAD_BLOCK;
        }
    }
    u8* b = block;
    bool mergedBack = false;
    if (!(h & kMediumPrevInUse)) {
        const u32 prevSize = Load16(block - 4);
        b = block - prevSize;
        ClearBit(PageBitmap(page), UnitIndex(page, block));
        size += prevSize;
        mergedBack = true;
    }
    if (nextSize) {
        if (page->firstFree == next) page->firstFree = b;
        unlink(next);
        ClearBit(PageBitmap(page), UnitIndex(page, next));
        size += nextSize;
    }
    // A free block's predecessor is always in use: free neighbours have just been merged.
    setHeader(b, static_cast<u16>(size | kMediumPrevInUse));
    setTrailing(b, size);
    raiseHint(page, size);
    u8* following = b + size;
    setHeader(following, header(following) & ~kMediumPrevInUse);
    if (!mergedBack) linkAtAnchor(page, b);
    if (--page->blocksInUse == 0) ReleasePage(page->pool, page->descriptor, true);
    return 0;
}

u32 MediumUsable(u8* block) { return sizeOf(header(block)) - 2; }

bool MediumResize(PageHeader* page, u8* block, u32 size, u32 flags, u32* keep) {
    const u16 h = header(block);
    const u32 have = sizeOf(h);
    const u32 usable = have - 2;
    MemPoolHeader* pool = page->pool;
    *keep = usable;
    if (size > usable && size > pool->mediumLimit) return false;
    const u32 need = mediumNeed(size);
    const u16 keepBits = h & (kMediumInUse | kMediumPrevInUse);
    u8* next = block + have;
    const u16 nh = header(next);
    const bool nextIsFree = next != page->limit && !(nh & kMediumInUse);
    const u32 nextSize = nextIsFree ? sizeOf(nh) : 0;

    if (need > have) {
        if (!nextIsFree || have + nextSize < need) return false;
        if (page->firstFree == next) page->firstFree = nextFree(next);
        unlink(next);
        ClearBit(PageBitmap(page), UnitIndex(page, next));
        const u32 total = have + nextSize;
        const u32 leftover = total - need;
        u32 now;
        if (leftover < page->descriptor->minSplit) {
            now = total;
            setHeader(block, static_cast<u16>(total | keepBits));
            setHeader(block + total, header(block + total) | kMediumPrevInUse);
        } else {
            now = need;
            setHeader(block, static_cast<u16>(need | keepBits));
            makeFree(page, block + need, leftover);
        }
        if (flags & MEM_ZEROINIT) std::memset(block + usable, 0, now - 2 - usable);
        return true;
    }
    if (need < have) {
        u32 leftover = have - need;
        if (leftover >= page->descriptor->minSplit) {
            const bool roverOnNext = nextIsFree && page->firstFree == next;
            if (nextIsFree) {
                unlink(next);
                ClearBit(PageBitmap(page), UnitIndex(page, next));
                leftover += nextSize;
            }
            setHeader(block, static_cast<u16>(need | keepBits));
            makeFree(page, block + need, leftover);
            if (roverOnNext) page->firstFree = block + need;
            raiseHint(page, leftover);
            if (flags & MEM_ZEROINIT) std::memset(block + size, 0, need - 2 - size);
            return true;
        }
    }
    if ((flags & MEM_ZEROINIT) && size < usable) std::memset(block + size, 0, usable - size);
    return true;
}

} // namespace bramble
