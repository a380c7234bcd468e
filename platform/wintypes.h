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

// Message parameters are as wide as a pointer, so that a pointer can travel in one.
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using UINT_PTR = std::uintptr_t;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

// Window handles are opaque to everything outside platform/.
struct WindowRecord;
using HWND = WindowRecord*;

// Other handles: opaque records that only the platform layer defines.
struct InstanceRecord;
using HINSTANCE = InstanceRecord*;
struct CursorRecord;
using HCURSOR = CursorRecord*;
using HANDLE = void*;
using HGLOBAL = void*;

// The window system's geometry records: 32-bit fields.
struct POINT {
    LONG x;
    LONG y;
};
struct SIZE {
    LONG cx;
    LONG cy;
};
struct RECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
};
