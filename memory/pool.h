#pragma once
// The program's memory manager: pools of fixed-size and variable-size blocks carved from 64 KB
// pages. A pool handle is the address of the pool's header; a block's page (and so its pool) is
// found by masking the block's address, so freeing needs neither size nor pool.
#include <cstddef>
#include <cstdint>

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
    MEM_BAD_BLOCK = 11,
    MEM_BAD_FREE_BLOCK = 12,
    MEM_BAD_HANDLE = 13,
    MEM_BAD_POINTER = 14,
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
MEMPOOL MemPoolInitShared(const char* name, std::uint32_t mappingSize, std::uint32_t flags);
int MemPoolFree(MEMPOOL pool);

void* MemAllocPtr(MEMPOOL pool, std::uint32_t size, std::uint32_t flags);
int MemFreePtr(void* block);
void* MemReAllocPtr(void* block, std::uint32_t size, std::uint32_t flags);
std::uint32_t MemSizePtr(void* block);
void* MemAllocFS(MEMPOOL pool);
int MemFreeFS(void* block);

std::uint32_t MemPoolPreAllocate(MEMPOOL pool, std::uint32_t bytes, std::uint16_t kind);
std::uint32_t MemPoolShrink(MEMPOOL pool);
std::uint32_t MemPoolSetPageSize(MEMPOOL pool, std::uint32_t bytes);
int MemPoolSetBlockSizeFS(MEMPOOL pool, std::uint16_t size);
int MemPoolSetSmallBlockLimit(MEMPOOL pool, std::uint16_t bytes);
std::uint32_t MemPoolSetFloor(MEMPOOL pool, std::uint32_t bytes);
std::uint32_t MemPoolSetCeiling(MEMPOOL pool, std::uint32_t bytes);
int MemPoolLock(MEMPOOL pool);
int MemPoolUnlock(MEMPOOL pool);

MemErrorHandler MemSetErrorHandler(MemErrorHandler handler);
std::uint32_t MemDefaultErrorHandler(MemErrorInfo* info);
std::uint32_t MemSignalError(MEMPOOL pool, std::uint32_t code);
void MemErrorUnwind();

// Operator new on a given pool (0 = the default pool); 0 when the block cannot be had.
void* PoolOperatorNew(std::uint32_t size, std::uint32_t flags, MEMPOOL pool);

// Placement form used by classes that keep their objects in a pool of their own.
inline void* operator new(std::size_t size, MEMPOOL pool) {
    return PoolOperatorNew(static_cast<std::uint32_t>(size), 0, pool);
}
inline void operator delete(void* p, MEMPOOL) noexcept { MemFreePtr(p); }
