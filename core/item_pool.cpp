// Invariants: every block handed out starts right after a header that names its pool; a pool's
// free list holds only blocks of that pool that are not handed out; a pool owns all its slabs.
#include "core/item_pool.h"

#include <cstdlib>
#include <new>
#include <vector>

struct ItemPoolRecord {
    std::size_t slot;      // header plus block, rounded for alignment
    std::size_t perSlab;
    std::vector<void*> slabs;
    void* freeList = nullptr;
};

namespace {

constexpr std::size_t kHeader = alignof(std::max_align_t);

void carveSlab(ItemPoolRecord* pool) {
    std::size_t bytes = pool->slot * pool->perSlab;
    auto* slab = static_cast<char*>(std::malloc(bytes));
    if (!slab) throw std::bad_alloc();
    pool->slabs.push_back(slab);
    for (std::size_t i = pool->perSlab; i-- > 0;) {
        char* slot = slab + i * pool->slot;
        *reinterpret_cast<ItemPoolRecord**>(slot) = pool;
        *reinterpret_cast<void**>(slot + kHeader) = pool->freeList;
        pool->freeList = slot + kHeader;
    }
}

} // namespace

ItemPool ItemPoolCreate(std::uint16_t itemSize, std::int32_t reserve) {
    auto* pool = new ItemPoolRecord;
    std::size_t block = itemSize < sizeof(void*) ? sizeof(void*) : itemSize;
    pool->slot = kHeader + (block + kHeader - 1) / kHeader * kHeader;
    pool->perSlab = 10;
    if (reserve > 0) {
        pool->perSlab = static_cast<std::size_t>(reserve);
        carveSlab(pool);
        pool->perSlab = 10;
    }
    return pool;
}

void* ItemPoolAlloc(ItemPool pool) {
    if (!pool->freeList) carveSlab(pool);
    void* block = pool->freeList;
    pool->freeList = *static_cast<void**>(block);
    return block;
}

void ItemPoolFree(void* block) {
    if (!block) return;
    ItemPool pool = *reinterpret_cast<ItemPoolRecord**>(static_cast<char*>(block) - kHeader);
    *static_cast<void**>(block) = pool->freeList;
    pool->freeList = block;
}

void ItemPoolDestroy(ItemPool pool) {
    if (!pool) return;
    for (void* slab : pool->slabs) std::free(slab);
    delete pool;
}
