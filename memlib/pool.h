#pragma once
// The pool header, page descriptors, page headers and handle slots, and the pool-level services
// that the block families share.
//
// A page starts on a 64 KB boundary; its header holds, in order: the owning pool (8 bytes), its
// descriptor (8), the in-use count (u16) and the signature word 0xCAD0|type (u16), then per type:
//   fixed-size (1): free-list head (u32 offset, 0 = empty), end of the block area (u32 offset);
//                   blocks from offset 28;
//   variable (0, 2): rover (u16 offset, 0 = unset), sentinel (u16 offset), minimum split (u16);
//                   first block header at offset 26;
//   large (3):      owning handle (8 bytes, unaligned); data at offset 28. Its moveable byte lives
//                   in the page's descriptor.
// A page's free operation follows from its type.
#include "memlib/brm22w32.h"
#include "memlib/locks.h"
#include "memlib/sysmem.h"

#include <cstdint>
#include <cstring>

namespace brm {

constexpr std::uint16_t kPoolSignature = 0xBEAD;
constexpr std::uint16_t kPageSignature = 0xCAD0;

enum PageType : int { kVariablePage = 0, kFixedPage = 1, kMoveablePage = 2, kLargePage = 3, kUnusedPage = 4 };
constexpr int kPageLists = 5;

// Allocation flags, including the internal ones of compaction.
constexpr std::uint32_t kZeroFill = 0x01;
constexpr std::uint32_t kMoveable = 0x02;
constexpr std::uint32_t kFront = 0x04;
constexpr std::uint32_t kInPlaceOnly = 0x08;
constexpr std::uint32_t kNoNewPage = 0x10;
constexpr std::uint32_t kNoLargeBlock = 0x20;
constexpr std::uint32_t kCompactionTried = 0x40;

constexpr std::uint32_t kFixedFirstBlock = 28;
constexpr std::uint32_t kVariableFirstBlock = 26;
constexpr std::uint32_t kLargeData = 28;
constexpr std::uint32_t kMinBlock = 12;
// A handle's block keeps the handle's address in the 8 bytes that end 2 bytes before its end.
constexpr std::uint32_t kHandleExtra = 10;
constexpr std::uint32_t kHandleOverhead = 12; // header, handle and the 2 bytes after it
constexpr std::uint16_t kStateOnePiece = 0x8000;
constexpr std::uint16_t kStateLockedMask = 0x7FFF;
constexpr std::uint16_t kInUseSizeMask = 0x7FFC;
constexpr std::uint16_t kFreeSizeMask = 0xFFFC;
constexpr std::uint16_t kHandleBit = 0x8000;
constexpr std::uint32_t kFreeLinkTag = 0xF7EE0000; // marks a free fixed-size block's link word
constexpr std::uint32_t kSlotGrid = 16;
constexpr std::uint32_t kDescriptorGrid = 32;
constexpr std::uint32_t kPoolHeaderBytes = 4096;

template <class T> T load(const std::uint8_t* p) {
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
template <class T> void store(std::uint8_t* p, T v) { std::memcpy(p, &v, sizeof v); }

struct PageDescriptor {
    std::uint16_t hint;  // variable pages: largest free block known (may be high); fixed: 1 may have a free block
    std::uint16_t state; // bit 15: free space is one piece; low 15 bits: locked handles on the page
    std::uint8_t moveable; // large pages: 0 fixed, 2 moveable
    std::uint8_t unused[3];
    std::uint8_t* page;
    PageDescriptor* next;
    PageDescriptor* prev;
};
static_assert(sizeof(PageDescriptor) == kDescriptorGrid);

struct HandleSlot {
    void* block;
    std::uint8_t flags[4]; // flags[1] is the lock count; the rest carry nothing
    std::uint32_t unused;
};
static_assert(sizeof(HandleSlot) == kSlotGrid);

inline std::uint8_t& lockCountOf(HandleSlot* s) { return s->flags[1]; }

} // namespace brm

struct MemPoolHeader {
    brm::PageDescriptor* lists[brm::kPageLists];
    brm::PageDescriptor* freeDescriptors;
    brm::HandleSlot* freeSlots;
    std::uint8_t* slotBlocks;       // newest handle-slot block; each starts with the link to the one before
    std::uint8_t* descriptorBlocks; // newest descriptor block, linked the same way
    std::uint16_t signature;
    std::uint16_t flags;
    std::uint32_t fixedBlockSize;
    std::uint16_t pageSize;
    std::uint16_t mediumLimit;
    std::uint32_t sizeHeld;
    std::uint32_t floor;
    std::uint32_t ceiling;
    std::uint8_t compactionInstalled;
    std::uint8_t headerRoomTaken;
    MemPoolHeader* next;
    brm::LibraryRecord* library;
    brm::RecursiveLock lock;
    std::int32_t lockDepth;
    // Reservations of pages the pool has released, kept for its next pages; not in the size held.
    brm::ReservationCache released;
};
static_assert(sizeof(MemPoolHeader) <= 512);

namespace brm {

using Pool = MemPoolHeader;

// Page header access.
inline Pool* pagePool(const std::uint8_t* page) { return load<Pool*>(page); }
inline void setPagePool(std::uint8_t* page, Pool* p) { store(page, p); }
inline PageDescriptor* pageDescriptor(const std::uint8_t* page) { return load<PageDescriptor*>(page + 8); }
inline void setPageDescriptor(std::uint8_t* page, PageDescriptor* d) { store(page + 8, d); }
inline std::uint16_t pageInUse(const std::uint8_t* page) { return load<std::uint16_t>(page + 16); }
inline void setPageInUse(std::uint8_t* page, std::uint16_t n) { store(page + 16, n); }
inline std::uint16_t pageSignature(const std::uint8_t* page) { return load<std::uint16_t>(page + 18); }
inline void setPageSignature(std::uint8_t* page, std::uint16_t s) { store(page + 18, s); }
inline int pageType(const std::uint8_t* page) { return pageSignature(page) & 7; }

inline MEMHANDLE largeOwner(const std::uint8_t* page) { return load<MEMHANDLE>(page + 20); }
inline void setLargeOwner(std::uint8_t* page, MEMHANDLE h) { store(page + 20, h); }

// A library page that holds an address: its start, committed size and type.
struct PageRef {
    std::uint8_t* page = nullptr;
    std::uint64_t committed = 0;
    int type = -1;
    Pool* pool = nullptr;
};

// True when the address's 64 KB granule starts one of the library's pages with a good signature.
bool findPage(const void* address, PageRef& out);

// True when the argument is a live pool header.
bool validPool(const Pool* pool);

// Takes a serialised pool's lock for its lifetime and counts it.
class PoolLock {
public:
    explicit PoolLock(Pool* pool) : pool_(pool && (pool->flags & POOL_SERIALIZED) ? pool : nullptr) {
        if (pool_) {
            pool_->lock.enter();
            ++pool_->lockDepth;
        }
    }
    ~PoolLock() {
        if (pool_) {
            --pool_->lockDepth;
            pool_->lock.leave();
        }
    }
    PoolLock(const PoolLock&) = delete;
    PoolLock& operator=(const PoolLock&) = delete;

private:
    Pool* pool_;
};

// Reports a failure through the installed handler; nonzero asks for a retry.
std::int32_t report(Pool* pool, std::uint32_t code);

// System flags for a large page: the pool's own, less any limit of the size, which would hand
// out a block smaller than asked for.
inline std::uint32_t largePageFlags(const Pool* pool) { return (pool->flags & ~kSysLimit64K) | kSysLargePage; }

// Pool-level services.
std::uint8_t* newPage(Pool* pool, int type, std::uint64_t size, std::uint32_t allocFlags);
bool deletePage(std::uint8_t* page, bool honourFloor);
std::uint32_t shrinkPool(Pool* pool);
void destroyPool(Pool* pool);

// Fixed-size pages.
void formatFixedPage(std::uint8_t* page, std::uint64_t committed, std::uint32_t blockSize);
std::uint8_t* fixedAlloc(Pool* pool);
// Blocks of a fixed-size page: 0 not a block, 1 in use, -1 on the free list.
int fixedBlockState(const std::uint8_t* page, std::uint32_t blockSize, const void* block);
void fixedFree(std::uint8_t* page, std::uint8_t* block);
// Free-list test: 1 the block is free, 0 in use, -1 the list is damaged.
int fixedFreeListTest(const std::uint8_t* page, std::uint32_t blockSize, std::uint32_t blockOffset);

// Variable-size pages.
inline std::uint32_t blockSizeFor(std::uint64_t request) {
    const std::uint64_t d = (request + 5) & ~std::uint64_t{3};
    return static_cast<std::uint32_t>(d < kMinBlock ? kMinBlock : d);
}
std::uint32_t initVariablePage(std::uint8_t* page, std::uint64_t pageSize);
std::uint8_t* variableAlloc(Pool* pool, std::uint32_t flags, std::uint32_t blockSize);
std::uint8_t* tryVariablePage(Pool* pool, PageDescriptor* desc, std::uint32_t blockSize, std::uint32_t flags);
void variableFree(std::uint8_t* page, std::uint8_t* data);
bool variableResizeInPlace(std::uint8_t* page, std::uint8_t* data, std::uint32_t blockSize);
// True when data is the start of a block in use on a variable page (committed bytes known).
bool isUsedVariableBlock(const std::uint8_t* page, std::uint64_t committed, const void* data);

// Large pages.
std::uint8_t* largeAlloc(Pool* pool, std::uint32_t flags, std::uint64_t size);

// Resize shared by the pointer and handle families.
struct ResizeResult {
    bool finished;
    std::uint8_t* block; // when finished
    std::uint64_t copy;  // when a move is needed
};
ResizeResult resizeBlock(Pool* pool, const PageRef& ref, std::uint8_t* data, std::uint64_t request,
                         std::uint64_t dataSize, std::uint32_t flags, bool mayMove);

// Allocates a block by size class for the handle family (no fixed-size class).
std::uint8_t* allocHandleBlock(Pool* pool, std::uint32_t flags, std::uint64_t request);
// Frees a block whatever its family; the caller has validated it and cleared its owner.
void freeBlock(const PageRef& ref, std::uint8_t* data);

// Handles.
// True when the address is a slot position of one of the library's handle-slot blocks.
bool isSlot(const void* handle);
void recordOwner(std::uint8_t* data, MEMHANDLE handle);
MEMHANDLE ownerOf(const PageRef& ref, const std::uint8_t* data);

// Compaction of moveable pages.
std::uint16_t compactPool(Pool* pool, std::uint32_t need);
std::uint16_t compactPage(std::uint8_t* page, std::uint32_t need, std::uint32_t start);

// Structure checks used by MemPoolCheck beyond the walk.
bool checkPoolStructure(Pool* pool, std::uint32_t& code);

} // namespace brm
