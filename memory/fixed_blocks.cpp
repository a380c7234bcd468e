// Fixed-size blocks: pages cut into blocks of the pool's fixed block size, each page with a chain
// of its free blocks (16-bit offsets from the page start, 0 ending it) and one in-use bit per block.
//
// Invariants of a fixed-size page: the chain visits distinct blocks of the page whose in-use bits
// are clear, and every such block; the in-use count equals the number of bits set; a page whose
// chain is not empty has hint 1.
#include "memory/fixed_blocks.h"

namespace bramble {

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

void* FixedAllocSlow(MemPoolHeader* pool) {
    if (PageDescriptor* start = pool->rings[kFixedPage]) {
        PageDescriptor* d = start;
        do {
            if (d->hint == 1) {
                auto* page = reinterpret_cast<PageHeader*>(d->page);
                if (page->firstFree) {
                    pool->rings[kFixedPage] = d;
                    return FixedTake(page);
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
        if (PageHeader* page = MakePage(pool, kFixedPage, size, 0, &why)) return FixedTake(page);
        if (why == PageFailure::Ceiling) return nullptr;
        if (size > least) {
            size = size / 2 > least ? size / 2 : least;
            continue;
        }
        if (!Report(pool, MEM_OUT_OF_MEMORY) || !IsValidPool(pool)) return nullptr;
    }
}

} // namespace bramble
