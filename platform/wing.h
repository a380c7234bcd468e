#pragma once
// Off-screen 8-bit surfaces: a device context, a bitmap whose pixel memory the caller draws into
// directly, the row orientation this system recommends, and the copy of a rectangle to a window.
#include "platform/gdi.h"

struct RGBQUAD {
    BYTE rgbBlue;
    BYTE rgbGreen;
    BYTE rgbRed;
    BYTE rgbReserved;
};

struct BITMAPINFOHEADER {
    DWORD biSize;
    LONG biWidth;
    LONG biHeight;  // positive: bottom-up rows; negative: top-down
    WORD biPlanes;
    WORD biBitCount;
    DWORD biCompression;
    DWORD biSizeImage;
    LONG biXPelsPerMeter;
    LONG biYPelsPerMeter;
    DWORD biClrUsed;
    DWORD biClrImportant;
};

struct BITMAPINFO {
    BITMAPINFOHEADER bmiHeader;
    RGBQUAD bmiColors[256];
};

HDC WinGCreateDC();
// Fills in the recommended format; its height is 1 for bottom-up rows, -1 for top-down.
BOOL WinGRecommendDIBFormat(BITMAPINFO* format);
// An 8-bit bitmap of the header's size; *bits receives its pixel memory (rows padded to 4 bytes,
// in the header's row order). Null on failure.
HBITMAP WinGCreateBitmap(HDC dc, const BITMAPINFO* header, void** bits);
// Copies a rectangle of the bitmap selected in `source` to the window of `destination`.
BOOL WinGBitBlt(HDC destination, int x, int y, int width, int height, HDC source, int sourceX, int sourceY);

namespace platform {
// The row orientation WinGRecommendDIBFormat answers: -1 top-down (the default), 1 bottom-up.
void SetRecommendedOrientation(int heightSign);
} // namespace platform
