#include "platform/wing.h"

#include "platform/window_record.h"

#include <algorithm>
#include <cstring>

namespace platform::detail {
HBITMAP NewBitmap(int width, int height, bool bottomUp);
bool BitmapOf(HDC dc, const BYTE** bits, int* width, int* height, bool* bottomUp);
BYTE* BitsOf(HBITMAP bitmap);
HWND WindowOf(HDC dc);
HDC NewOffscreenDC();
} // namespace platform::detail

namespace {
int g_orientation = -1;
}

HDC WinGCreateDC() { return platform::detail::NewOffscreenDC(); }

BOOL WinGRecommendDIBFormat(BITMAPINFO* format) {
    if (!format) return FALSE;
    std::memset(&format->bmiHeader, 0, sizeof format->bmiHeader);
    format->bmiHeader.biSize = 40;
    format->bmiHeader.biWidth = 1;
    format->bmiHeader.biHeight = g_orientation;
    format->bmiHeader.biPlanes = 1;
    format->bmiHeader.biBitCount = 8;
    return TRUE;
}

HBITMAP WinGCreateBitmap(HDC, const BITMAPINFO* header, void** bits) {
    if (!header || header->bmiHeader.biBitCount != 8) return nullptr;
    const LONG w = header->bmiHeader.biWidth, h = header->bmiHeader.biHeight;
    if (w <= 0 || h == 0 || w > 16384 || h > 16384 || h < -16384) return nullptr;
    HBITMAP b = platform::detail::NewBitmap(w, h < 0 ? -h : h, h > 0);
    if (bits) *bits = platform::detail::BitsOf(b);
    return b;
}

BOOL WinGBitBlt(HDC destination, int x, int y, int width, int height, HDC source, int sourceX, int sourceY) {
    const BYTE* bits;
    int sw, sh;
    bool bottomUp;
    if (!platform::detail::BitmapOf(source, &bits, &sw, &sh, &bottomUp)) return FALSE;
    const HWND window = platform::detail::WindowOf(destination);
    if (!IsWindow(window)) return FALSE;
    int dw, dh;
    BYTE* out = platform::WindowPixelsForWrite(window, &dw, &dh);
    // Clip against the source bitmap and the destination client area alike.
    if (sourceX < 0) { width += sourceX; x -= sourceX; sourceX = 0; }
    if (sourceY < 0) { height += sourceY; y -= sourceY; sourceY = 0; }
    if (x < 0) { width += x; sourceX -= x; x = 0; }
    if (y < 0) { height += y; sourceY -= y; y = 0; }
    width = std::min({width, sw - sourceX, dw - x});
    height = std::min({height, sh - sourceY, dh - y});
    if (width <= 0 || height <= 0) return TRUE;
    const int stride = (sw + 3) & ~3;
    for (int row = 0; row < height; ++row) {
        const int sy = sourceY + row;
        const int stored = bottomUp ? sh - 1 - sy : sy;
        std::memcpy(out + static_cast<std::size_t>(y + row) * dw + x, bits + static_cast<std::size_t>(stored) * stride + sourceX,
                    static_cast<std::size_t>(width));
    }
    platform::detail::ScreenChanged();
    return TRUE;
}

namespace platform {
void SetRecommendedOrientation(int heightSign) { g_orientation = heightSign > 0 ? 1 : -1; }
} // namespace platform
