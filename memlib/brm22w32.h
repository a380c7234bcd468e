#pragma once
/*
 * BRM22W32, the Bramble memory manager: pools of fixed-size, variable-size and moveable blocks
 * carved from 64 KB-aligned pages, with an installable error handler, walking and checking.
 *
 * This is the library's whole public face. Every function is exported with C linkage; a program
 * may link the library or load it with dlopen and look the names up with dlsym.
 *
 * Sizes and widths on a 64-bit machine:
 *   - pool handles, block addresses and handles are full machine pointers;
 *   - a handle is the address of a 16-byte slot whose first field is the block's address, so
 *     `*(void**)handle` always yields the block;
 *   - the records below carry pointer-wide fields where they hold an address.
 * Blocks are aligned on 4 bytes.
 *
 * Failure values: functions documented as returning -1 return 0xFFFFFFFF in their unsigned
 * result type.
 *
 * Message boxes: the default error handler shows its box through a presenter. Without one,
 * the box is written to stderr and answered from the environment variable BRM22W32_MSGBOX
 * (a comma-separated list of answers - ok, cancel, abort, retry, ignore, or their numbers 1-5 -
 * used one per box in order); when the list is used up the box gives up without ending the
 * program (Ignore, or OK). _bri_setMessageBoxPresenter installs a presenter instead.
 */
#include <stdint.h>

#if defined(BRM22W32_BUILDING)
#define BRM_API __attribute__((visibility("default")))
#else
#define BRM_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef struct MemPoolHeader* MEMPOOL;
typedef void** MEMHANDLE;

/* Pool flags. */
#define POOL_SERIALIZED 0x0002u   /* every operation on the pool takes the pool's lock */
#define POOL_ZERO_PAGES 0x0100u   /* pages are asked of the system zero-filled */

/* Allocation flags. */
#define ALLOC_ZERO_FILL 0x0001u
#define ALLOC_MOVEABLE 0x0002u
#define ALLOC_FRONT 0x0004u        /* place the block at the front of a free block */
#define RESIZE_IN_PLACE_ONLY 0x0008u

/* Kinds of MemPoolPreAllocate. */
#define PREALLOC_FIXED 1u
#define PREALLOC_MOVEABLE 2u
#define PREALLOC_VARIABLE 4u

/* Flags of _bri_sysAlloc. */
#define SYS_ZERO_FILL 0x0100u
#define SYS_LIMIT_64K 0x1000u

/* Error codes. */
#define MEM_INTERNAL_ERROR 1u
#define MEM_OUT_OF_MEMORY 2u
#define MEM_BLOCK_TOO_BIG 3u
#define MEM_ALLOC_ZERO 4u
#define MEM_RESIZE_FAILED 5u
#define MEM_LOCK_ERROR 6u
#define MEM_EXCEEDED_CEILING 7u
#define MEM_TOO_MANY_PAGES 8u
#define MEM_TOO_MANY_TASKS 9u
#define MEM_BAD_MEM_POOL 10u
#define MEM_BAD_BLOCK 11u
#define MEM_BAD_FREE_BLOCK 12u
#define MEM_BAD_HANDLE 13u
#define MEM_BAD_POINTER 14u
#define MEM_WRONG_TASK 15u

#define MEM_NO_CEILING 0xFFFFFFFEu
#define MEM_FAILED 0xFFFFFFFFu

/* Kinds in the walk record and in the pool information record. */
#define MEM_KIND_FIXED_SIZE 1u
#define MEM_KIND_MOVEABLE 2u
#define MEM_KIND_FIXED_POSITION 4u

/* Valid only during the handler's call. */
typedef struct MemErrorRecord {
    uint32_t code;
    MEMPOOL pool; /* null when the error concerns no pool */
} MemErrorRecord;

/* Returns nonzero to retry the failing operation, 0 to let it fail. */
typedef int32_t (*MemErrorHandler)(MemErrorRecord* record);

typedef struct PoolInfoRecord {
    MEMPOOL pool;
    uint32_t kinds; /* OR of MEM_KIND_* present in the pool */
    uint32_t fixedBlockSize;
    uint32_t pageSize;
    uint32_t floor;
    uint32_t ceiling;
    uint32_t flags;
    MemErrorHandler handler;
} PoolInfoRecord;

/* Set entry to null to start a walk; keep the record between calls. */
typedef struct PoolWalkRecord {
    void* entry;
    MEMPOOL pool;
    uint32_t kind;
    uint32_t inUse;
    uint32_t size;
    MEMHANDLE handle;
    uint32_t lockCount;
    int32_t pageList;
    void* descriptor;
} PoolWalkRecord;

/* Shows one box; returns the button chosen (1 OK, 2 Cancel, 3 Abort, 4 Retry, 5 Ignore) or 0
   when it could not be shown. */
typedef int32_t (*BriMessageBoxPresenter)(const char* text, const char* caption, uint32_t style);

/* Pools. */
BRM_API MEMPOOL MemPoolInit(uint32_t flags);
BRM_API MEMPOOL MemPoolInitFS(uint16_t blockSize, uint32_t blockCount, uint32_t flags);
BRM_API int32_t MemPoolFree(MEMPOOL pool);
BRM_API uint16_t MemPoolSetPageSize(MEMPOOL pool, uint32_t size);
BRM_API int32_t MemPoolSetBlockSizeFS(MEMPOOL pool, uint32_t size);
BRM_API uint32_t MemPoolSetFloor(MEMPOOL pool, uint32_t bytes);
BRM_API uint32_t MemPoolSetCeiling(MEMPOOL pool, uint32_t bytes);
BRM_API uint32_t MemPoolPreAllocate(MEMPOOL pool, uint32_t bytes, uint32_t kind);
BRM_API uint32_t MemPoolPreAllocateHandles(MEMPOOL pool, uint32_t count);
BRM_API uint32_t MemPoolShrink(MEMPOOL pool);
BRM_API uint32_t MemPoolSize(MEMPOOL pool);
BRM_API uint32_t MemPoolCount(MEMPOOL pool);

/* Pointer blocks and fixed-size blocks. */
BRM_API void* MemAllocPtr(MEMPOOL pool, uint32_t size, uint32_t flags);
BRM_API int32_t MemFreePtr(void* block);
BRM_API void* MemReAllocPtr(void* block, uint32_t size, uint32_t flags);
BRM_API uint32_t MemSizePtr(void* block);
BRM_API void* MemAllocFS(MEMPOOL pool);
BRM_API int32_t MemFreeFS(void* block);

/* Moveable handles. */
BRM_API MEMHANDLE MemAlloc(MEMPOOL pool, uint32_t flags, uint32_t size);
BRM_API int32_t MemFree(MEMHANDLE handle);
BRM_API MEMHANDLE MemReAlloc(MEMHANDLE handle, uint32_t size, uint32_t flags);
BRM_API uint32_t MemSize(MEMHANDLE handle);
BRM_API MEMHANDLE MemHandle(void* block);
BRM_API void* MemLock(MEMHANDLE handle);
BRM_API uint16_t MemUnlock(MEMHANDLE handle);
BRM_API uint16_t MemLockCount(MEMHANDLE handle);
BRM_API void* MemFix(MEMHANDLE handle);
BRM_API uint16_t MemUnfix(MEMHANDLE handle);
BRM_API int32_t MemIsMoveable(MEMHANDLE handle);

/* Errors. */
BRM_API MemErrorHandler MemSetErrorHandler(MemErrorHandler handler);
BRM_API int32_t MemDefaultErrorHandler(MemErrorRecord* record);
BRM_API void MemErrorUnwind(void);

/* Inspection. */
BRM_API int32_t MemPoolInfo(MEMPOOL pool, void* block, PoolInfoRecord* info);
BRM_API int32_t MemPoolFirst(PoolInfoRecord* info, uint32_t unused);
BRM_API int32_t MemPoolNext(PoolInfoRecord* info, uint32_t unused);
BRM_API int32_t MemPoolWalk(MEMPOOL pool, PoolWalkRecord* walk);
BRM_API int32_t MemPoolCheck(MEMPOOL pool);
BRM_API int32_t MemCheckPtr(MEMPOOL pool, void* address);

/* Clients and version. */
BRM_API int32_t MemRegisterTask(void);
BRM_API int32_t MemUnregisterTask(void);
BRM_API uint32_t MemVersion(void);

/* Internal services, exported for the library's own tools. */
BRM_API void* _bri_sysAlloc(uint32_t size, uint32_t flags);
BRM_API int32_t _bri_sysFree(void* address);
BRM_API uint32_t _bri_sysSize(void* address);
BRM_API int32_t _bri_deletePage(void* page, int32_t honourFloor);
BRM_API uint32_t _bri_initPageVariable(void* page, uint32_t pageSize);
BRM_API int32_t _bri_enterCriticalSection(void);
BRM_API void _bri_leaveCriticalSection(void);

/* Linux additions: the message-box presenter (null restores the stderr box), and a test aid
   that makes the next `count` requests for system memory fail. */
BRM_API BriMessageBoxPresenter _bri_setMessageBoxPresenter(BriMessageBoxPresenter presenter);
BRM_API void _bri_failSystemMemory(uint32_t count);

#ifdef __cplusplus
}
#endif
