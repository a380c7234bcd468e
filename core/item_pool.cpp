// List items live in the memory manager's fixed-size pools: one block is one item, and a block
// is freed by its address alone (the manager finds its pool from the page that holds it).
#include "core/item_pool.h"

#include "memory/pool.h"

#include <new>

struct ItemPoolRecord; // only ever a MEMPOOL in disguise

namespace {

MEMPOOL asPool(ItemPool pool) { return reinterpret_cast<MEMPOOL>(pool); }

} // namespace

ItemPool ItemPoolCreate(std::uint16_t itemSize, std::int32_t reserve) {
    // Without the manager's serialisation: lists are used from one thread at a time.
    MEMPOOL pool = MemPoolInitFS(itemSize, reserve, 0);
    if (!pool) throw std::bad_alloc();
    return reinterpret_cast<ItemPool>(pool);
}

void* ItemPoolAlloc(ItemPool pool) {
    void* block = MemAllocFS(asPool(pool));
    if (!block) throw std::bad_alloc();
    return block;
}

void ItemPoolFree(void* block) {
    if (block) MemFreeFS(block);
}

void ItemPoolDestroy(ItemPool pool) {
    if (pool) MemPoolFree(asPool(pool));
}
