// Fixed-size pages: blocks of the pool's fixed block size from offset 28 to the end of the block
// area, free ones chained through their first 4 bytes.
// Invariants: a free block's link word is kFreeLinkTag | the offset of the next free block (0
// ends the list), and a block handed out starts with 0 in place of it; the list holds only blocks of the area, each once; free blocks plus the in-use
// count make up every block of the area; the descriptor hint is 0 only when the list was found
// empty.
#include "memlib/pool.h"

namespace brm {
namespace {

std::uint32_t freeHead(const std::uint8_t* page) { return load<std::uint32_t>(page + 20); }
void setFreeHead(std::uint8_t* page, std::uint32_t off) { store(page + 20, off); }
std::uint32_t areaEnd(const std::uint8_t* page) { return load<std::uint32_t>(page + 24); }
std::uint32_t linkAt(const std::uint8_t* page, std::uint32_t off) { return load<std::uint32_t>(page + off); }

bool onGrid(const std::uint8_t* page, std::uint32_t blockSize, std::uint32_t off) {
    return blockSize && off >= kFixedFirstBlock && off < areaEnd(page) && (off - kFixedFirstBlock) % blockSize == 0;
}

} // namespace

void formatFixedPage(std::uint8_t* page, std::uint64_t committed, std::uint32_t blockSize) {
    const std::uint32_t count = static_cast<std::uint32_t>((committed - kFixedFirstBlock) / blockSize);
    const std::uint32_t end = kFixedFirstBlock + count * blockSize;
    store(page + 24, end);
    for (std::uint32_t off = kFixedFirstBlock; off < end; off += blockSize) {
        const std::uint32_t next = off + blockSize < end ? off + blockSize : 0;
        store(page + off, kFreeLinkTag | next);
    }
    setFreeHead(page, count ? kFixedFirstBlock : 0);
}

int fixedFreeListTest(const std::uint8_t* page, std::uint32_t blockSize, std::uint32_t blockOffset) {
    const std::uint32_t end = areaEnd(page);
    if (blockSize == 0 || end < kFixedFirstBlock) return -1;
    const std::uint32_t blocks = (end - kFixedFirstBlock) / blockSize;
    std::uint32_t seen = 0;
    for (std::uint32_t off = freeHead(page); off != 0;) {
        if (!onGrid(page, blockSize, off) || ++seen > blocks) return -1;
        if (off == blockOffset) return 1;
        const std::uint32_t link = linkAt(page, off);
        if ((link & 0xFFFF0000u) != kFreeLinkTag) return -1;
        off = link & 0xFFFF;
    }
    return 0;
}

int fixedBlockState(const std::uint8_t* page, std::uint32_t blockSize, const void* block) {
    const auto off = static_cast<std::uint32_t>(static_cast<const std::uint8_t*>(block) - page);
    if (!onGrid(page, blockSize, off)) return 0;
    // A block in use whose first word does not carry the tag cannot be on the list; only a
    // tagged one costs a walk of the list.
    if ((linkAt(page, off) & 0xFFFF0000u) != kFreeLinkTag) return 1;
    return fixedFreeListTest(page, blockSize, off) == 1 ? -1 : 1;
}

std::uint8_t* fixedAlloc(Pool* pool) {
    for (;;) {
        if (PageDescriptor* head = pool->lists[kFixedPage]) {
            PageDescriptor* d = head;
            do {
                if (d->hint) {
                    std::uint8_t* page = d->page;
                    const std::uint32_t off = freeHead(page);
                    if (off) {
                        setFreeHead(page, linkAt(page, off) & 0xFFFF);
                        // A block in use must not look free to the double-free test.
                        store(page + off, std::uint32_t{0});
                        setPageInUse(page, pageInUse(page) + 1);
                        pool->lists[kFixedPage] = d;
                        return page + off;
                    }
                    d->hint = 0;
                }
                d = d->next;
            } while (d != head);
        }
        if (pool->fixedBlockSize == 0) {
            report(pool, MEM_ALLOC_ZERO);
            return nullptr;
        }
        std::uint64_t size = pool->pageSize;
        for (;;) {
            if (newPage(pool, kFixedPage, size, 0)) break;
            if (std::uint64_t{pool->sizeHeld} + roundUp(size, kSystemPage) > pool->ceiling) return nullptr;
            size /= 2;
            if (pool->fixedBlockSize + 28 <= size) continue;
            size = pool->pageSize;
            if (!report(pool, MEM_OUT_OF_MEMORY)) return nullptr;
        }
    }
}

void fixedFree(std::uint8_t* page, std::uint8_t* block) {
    const auto off = static_cast<std::uint32_t>(block - page);
    const std::uint32_t head = freeHead(page);
    store(block, kFreeLinkTag | head);
    if (head == 0) pageDescriptor(page)->hint = 1;
    setFreeHead(page, off);
    setPageInUse(page, pageInUse(page) - 1);
    if (pageInUse(page) == 0) deletePage(page, true);
}

} // namespace brm
