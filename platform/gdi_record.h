#pragma once
// Inside the graphics module (platform only): the records behind GDI handles and device
// contexts. A context's font is null for the system font; a font handle stays valid while it
// is in the object table (DeleteObject takes it out), so users check before they read it.
#include "platform/gdi.h"
#include "platform/window.h"

#include <string>
#include <vector>

struct GdiObjectRecord {
    enum Kind { Palette, Bitmap, Font } kind = Palette;
    std::vector<PALETTEENTRY> entries;  // palettes
    int width = 0, height = 0;          // bitmaps
    bool bottomUp = false;
    std::vector<BYTE> bits;
    int fontHeight = 0;                 // fonts: CreateFontA's height and weight
    int fontWeight = 400;
    std::string face;
};

struct DeviceContextRecord {
    HWND window = nullptr;  // null: the screen, or an off-screen context
    bool offscreen = false;
    HPALETTE palette = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ font = nullptr;
    COLORREF textColour = 0;
    COLORREF backColour = 0x00FFFFFF;
    int backMode = 2;  // OPAQUE
    UINT textAlign = 0;
};

namespace platform::detail {
bool IsGdiObject(HGDIOBJ object);
void AddGdiObject(HGDIOBJ object);
HPALETTE RealisedPalette();
// The stock system font (text.cpp).
HGDIOBJ SystemFont();
bool IsStockFont(HGDIOBJ object);
} // namespace platform::detail
