#pragma once
// The common paths of fixed-size blocks, inline, and through them MemAllocFS and MemFreeFS
// themselves: containers take and give back their items one at a time, and a call into the
// library would cost more than the work. An allocation is a bit taken from a word of the page's
// in-use bitmap and a free is that bit given back, after the same checks of pool and address as
// every other operation. Whatever the inline paths do not decide (a serialised or shared pool, a
// full page, anything that must be reported) goes to the library's own entry points, which check
// everything again. The layout and invariants are described in fixed_blocks.cpp.
#include "memory/pool_internal.h"

namespace bramble {

// A fixed-size page keeps, in the header fields that other pages use for their free space: its
// cursor, the first bitmap word that may have a clear bit (as an offset in the page), the block
// that bit 0 of that word stands for, and the bytes that its blocks take from the first one on.
inline u64* FixedBitmap(PageHeader* page) { return reinterpret_cast<u64*>(PageBitmap(page)); }
inline u64* FixedCursor(PageHeader* page) { return reinterpret_cast<u64*>(PageBase(page) + page->fixed.cursorWord); }
inline u8* FixedCursorBlock(const PageHeader* page) { return page->firstFree; }
inline u8* FixedFirstBlock(PageHeader* page) { return PageBase(page) + page->dataOffset; }
inline u32 FixedBlockCount(const PageHeader* page, u32 blockSize) { return page->fixed.blockBytes / blockSize; }

inline void SetFixedCursor(PageHeader* page, u64* word, u32 blockSize) {
    page->fixed.cursorWord = static_cast<u16>(reinterpret_cast<u8*>(word) - PageBase(page));
    page->firstFree = FixedFirstBlock(page) + static_cast<uptr>(word - FixedBitmap(page)) * 64 * blockSize;
}

// Takes the lowest clear bit of the cursor word, whose bits are `bits`.
inline u8* FixedTake(MemPoolHeader* pool, PageHeader* page, u64 bits) {
    *FixedCursor(page) = bits | (bits + 1);
    ++page->blocksInUse;
    const auto bit = static_cast<u32>(__builtin_ctzll(~bits));
    return FixedCursorBlock(page) + static_cast<uptr>(bit * pool->fixedBlockSize);
}

inline void* FixedAlloc(MemPoolHeader* pool) {
    if (PageHeader* page = pool->fixedPage) {
        const u64 bits = *FixedCursor(page);
        if (bits != ~u64{0}) return FixedTake(pool, page, bits);
    }
    return FixedAllocSlow(pool);
}

// The block index of an address `relative` bytes after the first block, when the address starts
// a block. The reciprocal is 2^32 / size rounded up, so for offsets within a 64 KB page the high
// half of the product is the quotient and the low half is below the reciprocal exactly when the
// division leaves no remainder.
inline bool FixedBlockIndex(const PageHeader* page, u8* block, u32* index) {
    // The block lies in the page, so its offset there is the low half of its address; one
    // unsigned compare turns away offsets below the first block as well as past the last.
    const u32 relative = static_cast<u32>(reinterpret_cast<uptr>(block) & ~kPageMask) - page->dataOffset;
    if (relative >= page->fixed.blockBytes) return false;
    const u32 reciprocal = page->fixed.reciprocal;
    const u64 product = static_cast<u64>(relative) * reciprocal;
    *index = static_cast<u32>(product >> 32);
    return static_cast<u32>(product) < reciprocal;
}

// Frees a block of a fixed-size page when every check passes; false, with nothing changed, when
// one fails.
inline bool FixedTryFree(PageHeader* page, u8* block) {
    u32 index;
    if (!FixedBlockIndex(page, block, &index)) return false;
    const u32 wordOffset = kPageHeaderBytes + (index >> 6) * static_cast<u32>(sizeof(u64));
    u64* word = reinterpret_cast<u64*>(PageBase(page) + wordOffset);
    const u64 bits = *word;
    if (!((bits >> (index & 63)) & 1)) return false;
    *word = bits & ~(u64{1} << (index & 63));
    if (wordOffset < page->fixed.cursorWord) SetFixedCursor(page, word, page->pool->fixedBlockSize);
    if (--page->blocksInUse == 0) ReleasePage(page->pool, page->descriptor, true);
    return true;
}

// The library's entry points behind the inline ones.
void* AllocFixedBlock(MemPoolHeader* pool);
int FreeFixedBlock(void* block);

// 0 for a live block of the page, else the code to report.
inline u32 FixedCheck(PageHeader* page, u8* block) {
    u32 index;
    if (!FixedBlockIndex(page, block, &index)) return MEM_BAD_POINTER;
    if (!((FixedBitmap(page)[index >> 6] >> (index & 63)) & 1)) return MEM_BAD_FREE_BLOCK;
    return 0;
}

// Checks and frees a block of a fixed-size page: 0 when freed, else the code to report.
inline u32 FixedCheckAndFree(PageHeader* page, u8* block) {
    if (FixedTryFree(page, block)) return 0;
    const u32 code = FixedCheck(page, block);
    return code ? code : MEM_BAD_BLOCK;
}

// Frees a block that FixedCheck passed.
inline void FixedFree(PageHeader* page, u8* block) { FixedTryFree(page, block); }

} // namespace bramble

inline void* MemAllocFS(MEMPOOL pool) {
    using namespace bramble;
    // Decided here: an ordinary unserialised pool whose current fixed-size page has room.
    const auto a = reinterpret_cast<uptr>(pool);
    if ((a & ~kPageMask) == 0 && UnitKindOf(a) == kKindPoolHeader && HasSignature(pool)) [[likely]] {
        if (PageHeader* page = pool->fixedPage) [[likely]] {
            const u64 bits = *FixedCursor(page);
            if (bits != ~u64{0}) [[likely]] return FixedTake(pool, page, bits);
        }
    }
    return AllocFixedBlock(pool);
}

inline int MemFreeFS(void* block) {
    using namespace bramble;
    // Decided here: a live block of a fixed-size page of an ordinary unserialised pool.
    const uptr base = reinterpret_cast<uptr>(block) & kPageMask;
    if (UnitKindOf(base) == (kKindPage | static_cast<u8>(kFixedPage))) [[likely]] {
        auto* page = reinterpret_cast<PageHeader*>(base);
        if (HasSignature(page, kPageSignature + kFixedPage) && FixedTryFree(page, static_cast<u8*>(block))) [[likely]] {
            return 1;
        }
    }
    return FreeFixedBlock(block);
}
