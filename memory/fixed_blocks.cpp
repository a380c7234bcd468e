// Fixed-size blocks: pages cut into blocks of the pool's fixed block size, with one in-use bit per
// block in 64-bit words after the page header. A block is taken from the lowest clear bit at or
// after the page's cursor, so a page fills from its start and the free check of a block is the
// same bit that its allocation set. Nothing is written into a free block.
//
// A page with room is found by its cursor word, never by the descriptor's hint, which fixed-size
// pages leave at 1.
//
// Invariants of a fixed-size page: the bits of the last word beyond the block count are set and
// stay set; the in-use count equals the number of set bits of real blocks; the cursor is a word
// of the bitmap, every word below it is full, and the cursor block is the block of its bit 0.
#include "memory/fixed_blocks.h"

namespace bramble {
namespace {

u32 wordCount(const MemPoolHeader* pool, const PageHeader* page) {
    return (FixedBlockCount(page, pool->fixedBlockSize) + 63) / 64;
}

// Moves the page's cursor to its first word with a clear bit; false when the page is full (the
// cursor then rests on the last word).
bool advanceCursor(MemPoolHeader* pool, PageHeader* page) {
    u64* word = FixedCursor(page);
    u64* last = FixedBitmap(page) + wordCount(pool, page) - 1;
    while (word < last && *word == ~u64{0}) ++word;
    SetFixedCursor(page, word, pool->fixedBlockSize);
    return *word != ~u64{0};
}

} // namespace

void LayoutFixedPage(MemPoolHeader* pool, PageHeader* page) {
    const u32 size = pool->fixedBlockSize;
    const u64 most = (page->bytes - kPageHeaderBytes) / size;
    const u32 offset = static_cast<u32>(RoundUp(kPageHeaderBytes + (most + 63) / 64 * 8, kGrain));
    const auto count = static_cast<u32>((page->bytes - offset) / size);
    page->dataOffset = static_cast<u16>(offset);
    page->fixed.blockBytes = static_cast<u16>(count * size);
    page->fixed.reciprocal = pool->fixedReciprocal;
    u64* bitmap = FixedBitmap(page);
    const u32 words = (count + 63) / 64;
    for (u32 i = 0; i < words; ++i) bitmap[i] = 0;
    // The bits past the last block read as in use, so that no search ever hands them out.
    if (count % 64) bitmap[words - 1] = ~u64{0} << (count % 64);
    SetFixedCursor(page, bitmap, size);
    page->descriptor->hint = 1;
}

void* FixedAllocSlow(MemPoolHeader* pool) {
    if (PageDescriptor* start = pool->rings[kFixedPage]) {
        PageDescriptor* d = start;
        do {
            auto* page = reinterpret_cast<PageHeader*>(d->page);
            if (advanceCursor(pool, page)) {
                SetCurrent(pool, kFixedPage, d);
                return FixedTake(pool, page, *FixedCursor(page));
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
        if (PageHeader* page = MakePage(pool, kFixedPage, size, 0, &why)) return FixedTake(pool, page, *FixedCursor(page));
        if (why == PageFailure::Ceiling) return nullptr;
        if (size > least) {
            size = size / 2 > least ? size / 2 : least;
            continue;
        }
        if (!Report(pool, MEM_OUT_OF_MEMORY) || !IsValidPool(pool)) return nullptr;
    }
}

} // namespace bramble
