#pragma once
// Global memory blocks, the currency of the clipboard. A handle stays valid across GlobalReAlloc
// of a moveable block; GlobalLock gives the bytes.
#include "platform/wintypes.h"

#include <cstddef>

constexpr UINT GMEM_FIXED = 0x0000;
constexpr UINT GMEM_MOVEABLE = 0x0002;
constexpr UINT GMEM_ZEROINIT = 0x0040;
constexpr UINT GHND = GMEM_MOVEABLE | GMEM_ZEROINIT;

// Null when the block cannot be had.
HGLOBAL GlobalAlloc(UINT flags, std::size_t bytes);
// Null (and the old block untouched) when it cannot grow.
HGLOBAL GlobalReAlloc(HGLOBAL block, std::size_t bytes, UINT flags);
void* GlobalLock(HGLOBAL block);
BOOL GlobalUnlock(HGLOBAL block);
std::size_t GlobalSize(HGLOBAL block);
// Null on success, the block when it could not be freed.
HGLOBAL GlobalFree(HGLOBAL block);

namespace platform {
// Tests: make every allocation and growth fail while set.
void SetGlobalAllocFailure(bool fail);
} // namespace platform
