#pragma once
// The program's memory manager: pools of fixed-size and variable-size blocks carved from 64 KB
// pages. A pool handle is the address of the pool's header; a block's page (and so its pool) is
// found by masking the block's address, so freeing needs neither size nor pool. Users include
// memory/pool.h, which adds the inline definitions to these declarations.
//
// Blocks of MemAllocPtr start on a 16-byte boundary. Fixed-size blocks are packed at their size
// from a 16-byte boundary: blocks of sizeof(T) bytes suit a T.
#include <cstddef>
#include <cstdint>
#include <new>

struct MemPoolHeader;
using MEMPOOL = MemPoolHeader*;

// Pool flags.
constexpr std::uint32_t MEM_POOL_SHARED = 0x0001;     // lives in a named shared mapping
constexpr std::uint32_t MEM_POOL_SERIALIZE = 0x0002;  // every operation takes the pool's lock
constexpr std::uint32_t MEM_POOL_LOCKED = 0x0004;     // lock committed pages in physical memory
constexpr std::uint32_t MEM_POOL_DEFAULT = 0x8000;

// Allocation flags.
constexpr std::uint32_t MEM_ZEROINIT = 0x0001;
constexpr std::uint32_t MEM_MOVEABLE = 0x0002;
constexpr std::uint32_t MEM_RESIZE_IN_PLACE = 0x0008;

// Kinds of MemPoolPreAllocate.
constexpr std::uint16_t MEM_FS = 1;
constexpr std::uint16_t MEM_MEDIUM_SECOND = 2;
constexpr std::uint16_t MEM_MEDIUM = 4;

// Error codes reported through MemSignalError.
enum MemErrorCode : std::uint32_t {
    MEM_INTERNAL_ERROR = 1,
    MEM_OUT_OF_MEMORY = 2,
    MEM_BLOCK_TOO_BIG = 3,
    MEM_ALLOC_ZERO = 4,
    MEM_RESIZE_FAILED = 5,
    MEM_LOCK_ERROR = 6,
    MEM_EXCEEDED_CEILING = 7,
    MEM_TOO_MANY_PAGES = 8,
    MEM_TOO_MANY_TASKS = 9,
    MEM_BAD_MEM_POOL = 10,
    MEM_BAD_BLOCK = 11,       // a block header that does not hold together
    MEM_BAD_FREE_BLOCK = 12,  // a block that is already free
    MEM_BAD_HANDLE = 13,
    MEM_BAD_POINTER = 14,     // an address that is no block of ours
    MEM_WRONG_TASK = 15,
};

struct MemErrorInfo {
    std::uint32_t errorCode;
    MEMPOOL pool;
};
// Non-zero = retry the failed operation, 0 = give up.
using MemErrorHandler = std::uint32_t (*)(MemErrorInfo*);

MEMPOOL MemPoolInit(std::uint32_t flags);
MEMPOOL MemPoolInitFS(std::uint16_t blockSize, std::int32_t blockCount, std::uint32_t flags);
// Attaches to the shared pool of that name, or makes it (at least 256 KB of address space).
MEMPOOL MemPoolInitShared(const char* name, std::uint32_t mappingSize, std::uint32_t flags);
// As MemPoolInitShared; a new mapping goes at or above `baseAddress` (null: anywhere) where the
// listed processes also have the range free.
MEMPOOL MemPoolInitSharedAt(void* baseAddress, std::uint32_t processCount, const std::uint32_t* processIds,
                            void* securityAttributes, const char* name, std::uint32_t mappingSize,
                            std::uint32_t flags);
MEMPOOL MemPoolAttachShared(MEMPOOL pool, const char* name);
// Destroys a pool (a shared one is only detached from this process). The default pool is never
// destroyed.
int MemPoolFree(MEMPOOL pool);
// Non-zero: destroys every pool of the process but the default one; 0: forgets the list only.
int MemPoolFreeAll(std::uint32_t destroy);

void* MemAllocPtr(MEMPOOL pool, std::uint32_t size, std::uint32_t flags);
int MemFreePtr(void* block);
void* MemReAllocPtr(void* block, std::uint32_t size, std::uint32_t flags);
std::uint32_t MemSizePtr(void* block);
// Inline (memory/fixed_blocks.h): the common case is decided without a call into the library.
inline void* MemAllocFS(MEMPOOL pool);
inline int MemFreeFS(void* block);

std::uint32_t MemPoolPreAllocate(MEMPOOL pool, std::uint32_t bytes, std::uint16_t kind);
std::uint32_t MemPoolShrink(MEMPOOL pool);
std::uint32_t MemPoolSetPageSize(MEMPOOL pool, std::uint32_t bytes);
int MemPoolSetBlockSizeFS(MEMPOOL pool, std::uint16_t size);
int MemPoolSetSmallBlockLimit(MEMPOOL pool, std::uint16_t bytes);
std::uint32_t MemPoolSetFloor(MEMPOOL pool, std::uint32_t bytes);
std::uint32_t MemPoolSetCeiling(MEMPOOL pool, std::uint32_t bytes);
int MemPoolLock(MEMPOOL pool);
int MemPoolUnlock(MEMPOOL pool);

// Checks every invariant of a pool; 0 with the first fault described in `why` when one fails.
int MemPoolCheck(MEMPOOL pool, char* why, std::size_t whyBytes);

MemErrorHandler MemSetErrorHandler(MemErrorHandler handler);
std::uint32_t MemDefaultErrorHandler(MemErrorInfo* info);
std::uint32_t MemSignalError(MEMPOOL pool, std::uint32_t code);
void MemErrorUnwind();
// The library's stop box ("Bramble Library"): 1 = retry, 0 = not; Abort or Cancel end the program.
std::uint32_t MemErrorMessageBox(const char* text, std::uint32_t retryAllowed);

// Settings read when the default pool is made (flags, page size 0 = keep, fixed block size
// 0xFFFF = keep) and by the allocation entry points (flags bit 3: zero-fill every block).
struct MemSettings {
    std::uint32_t defaultPoolFlags;
    std::uint16_t defaultPageSize;
    std::uint16_t defaultBlockSize;
};
MemSettings MemGetSettings();
void MemSetSettings(const MemSettings& settings);

// The pool behind operator new and the C-style entry points, made on first use; null when it
// cannot be made. It is serialised: every thread allocates from it.
MEMPOOL MemDefaultPool();

// Operator new on a given pool (0 = the default pool): loops on the new-handler, 0 when the
// block cannot be had and no handler is installed.
void* PoolOperatorNew(std::uint32_t size, std::uint32_t flags, MEMPOOL pool);

// The program's own C-style allocation, on the default pool.
void* MemMalloc(std::size_t size);
void* MemCalloc(std::size_t count, std::size_t size);
void* MemRealloc(void* block, std::size_t size);
void MemFree(void* block);

// Placement forms used by classes that keep their objects in a pool of their own.
inline void* operator new(std::size_t size, MEMPOOL pool) {
    void* p = size <= 0xFFFFFFFF ? PoolOperatorNew(static_cast<std::uint32_t>(size), 0, pool) : nullptr;
    if (!p) throw std::bad_alloc();
    return p;
}
inline void* operator new[](std::size_t size, MEMPOOL pool) { return operator new(size, pool); }
inline void operator delete(void* p, MEMPOOL) noexcept {
    if (p) MemFreePtr(p);
}
inline void operator delete[](void* p, MEMPOOL) noexcept {
    if (p) MemFreePtr(p);
}
