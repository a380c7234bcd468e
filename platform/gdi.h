#pragma once
// Graphics objects the program uses: palettes (create, select, realise, animate, nearest index)
// and device contexts of windows and of the screen. Pixels shown on the screen are palette
// indices; the screen turns them into colours through the system palette at present time, so
// animating the realised palette changes what is shown at once, as on an 8-bit display.
#include "platform/wintypes.h"

using COLORREF = DWORD;
constexpr COLORREF RGB(BYTE r, BYTE g, BYTE b) {
    return static_cast<COLORREF>(r) | (static_cast<COLORREF>(g) << 8) | (static_cast<COLORREF>(b) << 16);
}
constexpr BYTE GetRValue(COLORREF c) { return static_cast<BYTE>(c); }
constexpr BYTE GetGValue(COLORREF c) { return static_cast<BYTE>(c >> 8); }
constexpr BYTE GetBValue(COLORREF c) { return static_cast<BYTE>(c >> 16); }

struct PALETTEENTRY {
    BYTE peRed;
    BYTE peGreen;
    BYTE peBlue;
    BYTE peFlags;
};
constexpr BYTE PC_RESERVED = 0x01;
constexpr BYTE PC_EXPLICIT = 0x02;
constexpr BYTE PC_NOCOLLAPSE = 0x04;

struct LOGPALETTE {
    WORD palVersion;
    WORD palNumEntries;
    PALETTEENTRY palPalEntry[256];
};

struct GdiObjectRecord;
using HGDIOBJ = GdiObjectRecord*;
using HPALETTE = GdiObjectRecord*;
using HBITMAP = GdiObjectRecord*;
struct DeviceContextRecord;
using HDC = DeviceContextRecord*;

HPALETTE CreatePalette(const LOGPALETTE* palette);
BOOL DeleteObject(HGDIOBJ object);
UINT GetPaletteEntries(HPALETTE palette, UINT start, UINT count, PALETTEENTRY* entries);
UINT SetPaletteEntries(HPALETTE palette, UINT start, UINT count, const PALETTEENTRY* entries);
// Changes entries marked PC_RESERVED; when the palette is the realised one the screen follows.
BOOL AnimatePalette(HPALETTE palette, UINT start, UINT count, const PALETTEENTRY* entries);
UINT GetNearestPaletteIndex(HPALETTE palette, COLORREF colour);
UINT GetSystemPaletteEntries(HDC dc, UINT start, UINT count, PALETTEENTRY* entries);

// GetDC(nullptr) is the screen.
HDC GetDC(HWND window);
int ReleaseDC(HWND window, HDC dc);
HPALETTE SelectPalette(HDC dc, HPALETTE palette, BOOL forceBackground);
// Makes the selected palette the system palette: its entries 10..245 replace the screen's.
UINT RealizePalette(HDC dc);
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
BOOL DeleteDC(HDC dc);

namespace platform {
// The palette the screen shows its indices through.
void GetScreenPalette(PALETTEENTRY out[256]);
// The twenty static colours that every system palette holds in entries 0-9 and 246-255.
const PALETTEENTRY* StaticColours();
} // namespace platform
