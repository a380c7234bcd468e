#pragma once
// The handful of Windows-shaped scalar types the program's own code is written against.
// Widths are those the program relies on, not those of any particular SDK.
#include <cstdint>

using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = unsigned int;
using BOOL = int;
using LONG = std::int32_t;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

// Window handles are opaque to everything outside platform/.
struct WindowRecord;
using HWND = WindowRecord*;
