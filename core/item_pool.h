#pragma once
// Where the items of lists come from: fixed-size pools whose block size is exactly one item,
// so that adding and removing an item costs no general-purpose allocation. A block is freed by
// its address alone. This is the one seam between the containers and the memory manager.
#include <cstddef>
#include <cstdint>

struct ItemPoolRecord;
using ItemPool = ItemPoolRecord*;

// A pool of blocks of itemSize bytes with room reserved for reserve of them (0: none yet).
ItemPool ItemPoolCreate(std::uint16_t itemSize, std::int32_t reserve);
// One block; throws std::bad_alloc when the memory manager has given up (never returns null).
void* ItemPoolAlloc(ItemPool pool);
void ItemPoolFree(void* block);
// Frees the pool with every block still in it.
void ItemPoolDestroy(ItemPool pool);
