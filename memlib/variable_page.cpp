// Variable-size pages: boundary-tagged blocks from offset 26 up to a sentinel.
// Invariants: the blocks tile the page from the first block to the sentinel; every size is a
// multiple of 4 and at least 12; bit 1 of every header (the sentinel's too) tells whether the
// block before is in use, the first block counting as having one; a free block repeats its size
// in its last u16 and is on the page's circular free list, anchored at the sentinel; no two free
// blocks touch; the rover is 0, the sentinel or a free block; the in-use count is the number of
// blocks in use. Headers swallowed by a merge are cleared, so a freed address never shows an
// in-use header again until the space is handed out anew.
#include "memlib/pool.h"
#include "memlib/variable_page.h"

#include <algorithm>

namespace brm {
namespace {

// Whether a block of this size may be handed out whole: its in-use header must hold the size.
bool takeWhole(std::uint32_t size, std::uint32_t remainder, std::uint32_t minSplit) {
    if (remainder >= minSplit) return false;
    return size <= kInUseSizeMask || remainder < kMinBlock;
}

std::uint8_t* takeBlock(VarPage& vp, PageDescriptor* desc, std::uint32_t b, std::uint32_t d, std::uint32_t flags) {
    const std::uint32_t size = vp.size(b);
    const std::uint32_t r = size - d;
    const std::uint32_t nextFree = vp.next(b);
    std::uint32_t block;
    if (takeWhole(size, r, vp.minSplit())) {
        vp.unlink(b);
        vp.setHeader(b, size | (vp.header(b) & 2) | 1);
        vp.setHeader(b + size, vp.header(b + size) | 2);
        vp.setRover(nextFree);
        block = b;
    } else if (flags & (kMoveable | kFront)) {
        // Moveable blocks gather at the bottom of free space.
        const std::uint32_t bit1 = vp.header(b) & 2;
        vp.unlink(b);
        vp.setHeader(b, d | bit1 | 1);
        vp.makeFree(b + d, r);
        vp.linkAfterSentinel(b + d);
        vp.setRover(b + d);
        block = b;
    } else {
        // Fixed-position blocks gather at the top.
        vp.setHeader(b, r | (vp.header(b) & 2));
        vp.setFooter(b, r);
        block = b + r;
        vp.setHeader(block, d | 1);
        vp.setHeader(block + d, vp.header(block + d) | 2);
        vp.setRover(nextFree);
    }
    if (flags & kZeroFill) std::memset(vp.page() + block + 2, 0, d - 2);
    if (flags & kMoveable) {
        const std::uint32_t rv = vp.rover() ? vp.rover() : vp.sentinel();
        if (vp.next(rv) == vp.prev(rv)) {
            desc->hint = static_cast<std::uint16_t>(vp.size(rv));
            desc->state |= kStateOnePiece;
        }
    }
    setPageInUse(vp.page(), pageInUse(vp.page()) + 1);
    return vp.page() + block + 2;
}

// Next fit from the rover; 0 when nothing fits, with the largest size passed.
std::uint32_t findFit(const VarPage& vp, std::uint32_t d, std::uint32_t& largest) {
    const std::uint32_t s = vp.sentinel();
    const std::uint32_t start = vp.rover() ? vp.rover() : s;
    // A ring longer than the page could hold is damage; the bound keeps the search finite.
    std::uint32_t steps = 65536 / kMinBlock + 2;
    std::uint32_t b = start;
    largest = 0;
    do {
        if (b != s) {
            const std::uint32_t size = vp.size(b);
            if (size >= d) return b;
            largest = std::max(largest, size);
        }
        b = vp.next(b);
    } while (b != start && --steps);
    return 0;
}

} // namespace

std::uint32_t initVariablePage(std::uint8_t* page, std::uint64_t pageSize) {
    VarPage vp(page);
    const std::uint64_t rounded = roundUp(pageSize, kSystemPage);
    const auto sentinel = static_cast<std::uint32_t>(kVariableFirstBlock + ((rounded - 36) & ~std::uint64_t{3}));
    const std::uint32_t first = kVariableFirstBlock;
    const std::uint32_t size = sentinel - first;
    Pool* pool = pagePool(page);
    const std::uint32_t split =
        pageType(page) == kMoveablePage ? kMinBlock : std::max<std::uint32_t>(kMinBlock, pool->fixedBlockSize + 3);
    store(page + 22, static_cast<std::uint16_t>(sentinel));
    store(page + 24, static_cast<std::uint16_t>(split));
    vp.makeFree(first, size);
    vp.setHeader(sentinel, 1);
    vp.setNext(sentinel, first);
    vp.setPrev(sentinel, first);
    vp.setNext(first, sentinel);
    vp.setPrev(first, sentinel);
    vp.setRover(first);
    return size;
}

std::uint8_t* tryVariablePage(Pool* pool, PageDescriptor* desc, std::uint32_t d, std::uint32_t flags) {
    VarPage vp(desc->page);
    std::uint32_t largest;
    std::uint32_t b = findFit(vp, d, largest);
    if (!b && (flags & kMoveable) && !(flags & kCompactionTried) && pool->compactionInstalled) {
        const std::uint16_t gained = compactPage(desc->page, d, kVariableFirstBlock);
        if (gained >= d && vp.rover()) b = findFit(vp, d, largest);
        if (!b) largest = gained;
    }
    if (!b) {
        desc->hint = static_cast<std::uint16_t>(largest);
        return nullptr;
    }
    return takeBlock(vp, desc, b, d, flags);
}

std::uint8_t* variableAlloc(Pool* pool, std::uint32_t flags, std::uint32_t d) {
    const int type = (flags & kMoveable) ? kMoveablePage : kVariablePage;
    if (PageDescriptor* head = pool->lists[type]) {
        PageDescriptor* desc = head;
        do {
            PageDescriptor* next = desc->next;
            if (desc->hint >= d)
                if (std::uint8_t* block = tryVariablePage(pool, desc, d, flags)) {
                    pool->lists[type] = desc;
                    return block;
                }
            desc = next;
        } while (desc != head && pool->lists[type]);
    }
    if ((flags & kMoveable) && !(flags & kCompactionTried) && pool->compactionInstalled) {
        if (compactPool(pool, d) >= d && pool->lists[kMoveablePage]) {
            flags |= kCompactionTried;
            if (std::uint8_t* block = tryVariablePage(pool, pool->lists[kMoveablePage], d, flags)) return block;
        }
    }
    if (!(flags & kNoNewPage)) {
        if (std::uint8_t* page = newPage(pool, type, pool->pageSize, flags))
            if (std::uint8_t* block = tryVariablePage(pool, pageDescriptor(page), d, flags)) return block;
    }
    if (!(flags & kNoLargeBlock) && std::uint64_t{pool->sizeHeld} + roundUp(d, kSystemPage) <= pool->ceiling)
        return largeAlloc(pool, flags, d);
    return nullptr;
}

void variableFree(std::uint8_t* page, std::uint8_t* data) {
    VarPage vp(page);
    PageDescriptor* desc = pageDescriptor(page);
    const auto b = static_cast<std::uint32_t>(data - 2 - page);
    const std::uint16_t h = vp.header(b);
    const std::uint32_t size = h & kInUseSizeMask;
    const bool wasEmpty = vp.listEmpty();
    std::uint32_t fb, total;
    bool isNew;
    if (h & 2) {
        fb = b;
        total = size;
        isNew = true;
    } else {
        const std::uint32_t before = load<std::uint16_t>(page + b - 2);
        fb = b - before;
        total = before + size;
        vp.setHeader(b, 0);
        isNew = false;
    }
    const std::uint32_t after = b + size;
    if (!vp.used(after)) {
        const std::uint32_t afterSize = vp.size(after);
        vp.unlink(after);
        vp.setHeader(after, 0);
        total += afterSize;
    }
    vp.makeFree(fb, total);
    if (total > desc->hint) desc->hint = static_cast<std::uint16_t>(total);
    vp.setHeader(fb + total, vp.header(fb + total) & ~2u);
    if (isNew) {
        vp.linkAfterSentinel(fb);
        if (!wasEmpty) desc->state &= ~kStateOnePiece;
    }
    if (vp.rover() == 0) vp.setRover(fb);
    setPageInUse(page, pageInUse(page) - 1);
    if (pageInUse(page) == 0) deletePage(page, true);
}

bool variableResizeInPlace(std::uint8_t* page, std::uint8_t* data, std::uint32_t d) {
    VarPage vp(page);
    PageDescriptor* desc = pageDescriptor(page);
    const auto b = static_cast<std::uint32_t>(data - 2 - page);
    const std::uint16_t h = vp.header(b);
    const std::uint32_t size = h & kInUseSizeMask;
    const std::uint32_t keep = h & (kHandleBit | 3);
    const std::uint32_t after = b + size;
    if (d <= size) {
        std::uint32_t r = size - d;
        if (r < vp.minSplit()) return true;
        const bool wasEmpty = vp.listEmpty();
        if (!vp.used(after)) {
            r += vp.size(after);
            vp.unlink(after);
            vp.setHeader(after, 0);
        }
        vp.setHeader(b, d | keep);
        vp.makeFree(b + d, r);
        vp.linkAfterSentinel(b + d);
        vp.setHeader(b + d + r, vp.header(b + d + r) & ~2u);
        if (r > desc->hint) desc->hint = static_cast<std::uint16_t>(r);
        if (!wasEmpty) desc->state &= ~kStateOnePiece;
        return true;
    }
    if (vp.used(after)) return false;
    const std::uint32_t afterSize = vp.size(after);
    if (size + afterSize < d) return false;
    vp.unlink(after);
    vp.setHeader(after, 0);
    const std::uint32_t r = size + afterSize - d;
    if (takeWhole(size + afterSize, r, vp.minSplit())) {
        vp.setHeader(b, (size + afterSize) | keep);
        vp.setHeader(b + size + afterSize, vp.header(b + size + afterSize) | 2);
    } else {
        vp.setHeader(b, d | keep);
        vp.makeFree(b + d, r);
        vp.linkAfterSentinel(b + d);
    }
    return true;
}

bool isUsedVariableBlock(const std::uint8_t* page, std::uint64_t committed, const void* data) {
    const auto off = static_cast<std::uint64_t>(static_cast<const std::uint8_t*>(data) - page);
    const std::uint32_t sentinel = load<std::uint16_t>(page + 22);
    if (sentinel + 10 > committed || sentinel < kVariableFirstBlock) return false;
    if (off < kVariableFirstBlock + 2 || off + kMinBlock - 2 > sentinel || (off - kVariableFirstBlock - 2) % 4) return false;
    const auto b = static_cast<std::uint32_t>(off - 2);
    const auto h = load<std::uint16_t>(page + b);
    if (!(h & 1)) return false;
    const std::uint32_t size = h & kInUseSizeMask;
    if (size < kMinBlock || b + size > sentinel) return false;
    if (!(load<std::uint16_t>(page + b + size) & 2)) return false;
    if (!(h & 2)) {
        // The block before must be a free block that ends here.
        const std::uint32_t before = load<std::uint16_t>(page + b - 2);
        if (before < kMinBlock || before % 4 || before > b - kVariableFirstBlock) return false;
        const auto bh = load<std::uint16_t>(page + b - before);
        if ((bh & 1) || (bh & kFreeSizeMask) != before) return false;
    }
    return true;
}

} // namespace brm

using namespace brm;

extern "C" BRM_API std::uint32_t _bri_initPageVariable(void* page, std::uint32_t pageSize) {
    PageRef ref;
    if (!findPage(page, ref) || ref.page != page || (ref.type != kVariablePage && ref.type != kMoveablePage) ||
        pageSize < kVariableFirstBlock + 36 || roundUp(pageSize, kSystemPage) > ref.committed) {
        report(nullptr, MEM_BAD_POINTER);
        return 0;
    }
    PoolLock lock(ref.pool);
    return initVariablePage(ref.page, pageSize);
}
