// Fixed-size blocks: pages cut into blocks of the pool's fixed block size, each page with a chain
// of its free blocks (16-bit offsets from the page start, 0 ending it) and one in-use bit per block.
//
// Invariants of a fixed-size page: the chain visits distinct blocks of the page whose in-use bits
// are clear, and every such block; the in-use count equals the number of bits set; a page whose
// chain is not empty has hint 1.
#include "memory/pool_internal.h"

namespace bramble {
namespace {

u32 blockIndex(const MemPoolHeader* pool, u32 relative) {
    return static_cast<u32>((static_cast<u64>(relative) * pool->fixedReciprocal) >> 32);
}

u8* takeFrom(PageHeader* page) {
    u8* b = page->firstFree;
    const u16 next = Load16(b);
    page->firstFree = next ? PageBase(page) + next : nullptr;
    const auto relative = static_cast<u32>(b - PageBase(page) - page->dataOffset);
    SetBit(PageBitmap(page), blockIndex(page->pool, relative));
    ++page->blocksInUse;
    return b;
}

} // namespace

void LayoutFixedPage(MemPoolHeader* pool, PageHeader* page) {
    const u32 size = pool->fixedBlockSize;
    const u64 most = (page->bytes - kPageHeaderBytes) / size;
    const u64 bitmap = (most + 7) / 8;
    const u32 offset = static_cast<u32>(RoundUp(kPageHeaderBytes + bitmap, kGrain));
    const u32 count = static_cast<u32>((page->bytes - offset) / size);
    std::memset(PageBitmap(page), 0, bitmap);
    u8* base = PageBase(page);
    for (u32 i = 0; i < count; ++i) {
        const u32 at = offset + i * size;
        Store16(base + at, static_cast<u16>(i + 1 < count ? at + size : 0));
    }
    page->dataOffset = static_cast<u16>(offset);
    page->minSplit = static_cast<u16>(count);
    page->firstFree = count ? base + offset : nullptr;
    page->limit = base + offset + static_cast<u64>(count) * size;
    page->descriptor->hint = 1;
}

void* FixedAlloc(MemPoolHeader* pool) {
    if (PageDescriptor* start = pool->rings[kFixedPage]) {
        PageDescriptor* d = start;
        do {
            if (d->hint == 1) {
                auto* page = reinterpret_cast<PageHeader*>(d->page);
                if (page->firstFree) {
                    pool->rings[kFixedPage] = d;
                    return takeFrom(page);
                }
                d->hint = 0;
            }
            d = d->next;
        } while (d != start);
    }
    if (pool->fixedBlockSize == 0) {
        Report(pool, MEM_ALLOC_ZERO);
        return nullptr;
    }
    const u64 least = pool->fixedBlockSize + kFixedPageOverhead;
    u64 size = pool->pageSize;
    for (;;) {
        PageFailure why;
        if (PageHeader* page = MakePage(pool, kFixedPage, size, 0, &why)) return takeFrom(page);
        if (why == PageFailure::Ceiling) return nullptr;
        if (size > least) {
            size = size / 2 > least ? size / 2 : least;
            continue;
        }
        if (!Report(pool, MEM_OUT_OF_MEMORY) || !IsValidPool(pool)) return nullptr;
    }
}

u32 FixedCheck(PageHeader* page, u8* block) {
    const uptr offset = static_cast<uptr>(block - PageBase(page));
    if (offset < page->dataOffset || block >= page->limit) return MEM_BAD_POINTER;
    const MemPoolHeader* pool = page->pool;
    const auto relative = static_cast<u32>(offset - page->dataOffset);
    const u32 index = blockIndex(pool, relative);
    if (index * pool->fixedBlockSize != relative) return MEM_BAD_POINTER;
    if (!TestBit(PageBitmap(page), index)) return MEM_BAD_FREE_BLOCK;
    return 0;
}

void FixedFree(PageHeader* page, u8* block) {
    const auto relative = static_cast<u32>(block - PageBase(page) - page->dataOffset);
    ClearBit(PageBitmap(page), blockIndex(page->pool, relative));
    Store16(block, page->firstFree ? static_cast<u16>(page->firstFree - PageBase(page)) : 0);
    page->firstFree = block;
    page->descriptor->hint = 1;
    if (--page->blocksInUse == 0) ReleasePage(page->pool, page->descriptor, true);
}

} // namespace bramble
