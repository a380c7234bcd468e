#include "platform/gdi.h"

#include "platform/gdi_record.h"
#include "platform/window_record.h"

#include <algorithm>
#include <cstring>
#include <set>
#include <vector>

namespace {

const PALETTEENTRY kStatic[20] = {
    {0, 0, 0, 0},       {128, 0, 0, 0},     {0, 128, 0, 0},     {128, 128, 0, 0},   {0, 0, 128, 0},
    {128, 0, 128, 0},   {0, 128, 128, 0},   {192, 192, 192, 0}, {192, 220, 192, 0}, {166, 202, 240, 0},
    {255, 251, 240, 0}, {160, 160, 164, 0}, {128, 128, 128, 0}, {255, 0, 0, 0},     {0, 255, 0, 0},
    {255, 255, 0, 0},   {0, 0, 255, 0},     {255, 0, 255, 0},   {0, 255, 255, 0},   {255, 255, 255, 0}};

struct Gdi {
    std::set<GdiObjectRecord*> objects;
    PALETTEENTRY system[256];
    HPALETTE realised = nullptr;
    Gdi() {
        for (int i = 0; i < 256; ++i) {
            const BYTE v = static_cast<BYTE>(i);
            system[i] = PALETTEENTRY{v, v, v, 0};
        }
        for (int i = 0; i < 10; ++i) system[i] = kStatic[i];
        for (int i = 0; i < 10; ++i) system[246 + i] = kStatic[10 + i];
    }
};

Gdi& G() {
    static Gdi g;
    return g;
}

bool IsPalette(HGDIOBJ o) { return o && G().objects.count(o) && o->kind == GdiObjectRecord::Palette; }

} // namespace

HPALETTE CreatePalette(const LOGPALETTE* palette) {
    if (!palette || palette->palNumEntries == 0 || palette->palNumEntries > 256) return nullptr;
    auto* p = new GdiObjectRecord;
    p->kind = GdiObjectRecord::Palette;
    p->entries.assign(palette->palPalEntry, palette->palPalEntry + palette->palNumEntries);
    G().objects.insert(p);
    return p;
}

BOOL DeleteObject(HGDIOBJ object) {
    Gdi& g = G();
    if (!object || !g.objects.erase(object)) return FALSE;
    if (g.realised == object) g.realised = nullptr;
    delete object;
    return TRUE;
}

UINT GetPaletteEntries(HPALETTE palette, UINT start, UINT count, PALETTEENTRY* entries) {
    if (!IsPalette(palette)) return 0;
    const UINT size = static_cast<UINT>(palette->entries.size());
    if (!entries) return size;
    if (start >= size) return 0;
    const UINT n = std::min(count, size - start);
    std::memcpy(entries, palette->entries.data() + start, n * sizeof(PALETTEENTRY));
    return n;
}

UINT SetPaletteEntries(HPALETTE palette, UINT start, UINT count, const PALETTEENTRY* entries) {
    if (!IsPalette(palette) || !entries) return 0;
    const UINT size = static_cast<UINT>(palette->entries.size());
    if (start >= size) return 0;
    const UINT n = std::min(count, size - start);
    std::memcpy(palette->entries.data() + start, entries, n * sizeof(PALETTEENTRY));
    return n;
}

BOOL AnimatePalette(HPALETTE palette, UINT start, UINT count, const PALETTEENTRY* entries) {
    if (!IsPalette(palette) || !entries) return FALSE;
    Gdi& g = G();
    const UINT size = static_cast<UINT>(palette->entries.size());
    bool changed = false;
    for (UINT i = 0; i < count && start + i < size; ++i) {
        PALETTEENTRY& e = palette->entries[start + i];
        // Only entries reserved for animation may change.
        if (!(e.peFlags & PC_RESERVED)) continue;
        e.peRed = entries[i].peRed;
        e.peGreen = entries[i].peGreen;
        e.peBlue = entries[i].peBlue;
        if (g.realised == palette && start + i >= 10 && start + i < 246) {
            PALETTEENTRY& s = g.system[start + i];
            s.peRed = e.peRed;
            s.peGreen = e.peGreen;
            s.peBlue = e.peBlue;
            changed = true;
        }
    }
    if (changed) platform::detail::ScreenChanged();
    return TRUE;
}

UINT GetNearestPaletteIndex(HPALETTE palette, COLORREF colour) {
    if (!IsPalette(palette)) return 0xFFFFFFFFu;
    const int r = GetRValue(colour), gr = GetGValue(colour), b = GetBValue(colour);
    UINT best = 0;
    long bestDistance = -1;
    for (UINT i = 0; i < palette->entries.size(); ++i) {
        const PALETTEENTRY& e = palette->entries[i];
        const long dr = e.peRed - r, dg = e.peGreen - gr, db = e.peBlue - b;
        const long d = dr * dr + dg * dg + db * db;
        if (bestDistance < 0 || d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return best;
}

UINT GetSystemPaletteEntries(HDC, UINT start, UINT count, PALETTEENTRY* entries) {
    if (!entries || start >= 256) return 0;
    const UINT n = std::min(count, 256 - start);
    std::memcpy(entries, G().system + start, n * sizeof(PALETTEENTRY));
    return n;
}

HDC GetDC(HWND window) {
    if (window && !IsWindow(window)) return nullptr;
    auto* dc = new DeviceContextRecord;
    dc->window = window;
    return dc;
}

int ReleaseDC(HWND, HDC dc) {
    if (!dc || dc->offscreen) return 0;
    delete dc;
    return 1;
}

HPALETTE SelectPalette(HDC dc, HPALETTE palette, BOOL) {
    if (!dc) return nullptr;
    const HPALETTE old = dc->palette;
    dc->palette = IsPalette(palette) ? palette : nullptr;
    return old;
}

UINT RealizePalette(HDC dc) {
    if (!dc || !IsPalette(dc->palette)) return 0;
    Gdi& g = G();
    const HPALETTE p = dc->palette;
    UINT changed = 0;
    for (UINT i = 10; i < 246 && i < p->entries.size(); ++i) {
        const PALETTEENTRY& e = p->entries[i];
        PALETTEENTRY& s = g.system[i];
        if (s.peRed != e.peRed || s.peGreen != e.peGreen || s.peBlue != e.peBlue) {
            s = PALETTEENTRY{e.peRed, e.peGreen, e.peBlue, 0};
            ++changed;
        }
    }
    g.realised = p;
    if (changed) {
        platform::detail::ScreenChanged();
        // Every top-level window hears that the system palette changed, and who changed it.
        const std::vector<HWND> windows = platform::detail::TopLevel();
        for (HWND w : windows)
            if (IsWindow(w)) SendMessageA(w, WM_PALETTECHANGED, reinterpret_cast<WPARAM>(dc->window), 0);
    }
    return changed;
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
    if (!dc) return nullptr;
    if (object && object->kind == GdiObjectRecord::Font && (G().objects.count(object) || platform::detail::IsStockFont(object))) {
        const HGDIOBJ old = dc->font ? dc->font : platform::detail::SystemFont();
        dc->font = object;
        return old;
    }
    if (object && G().objects.count(object) && object->kind == GdiObjectRecord::Bitmap) {
        const HGDIOBJ old = dc->bitmap;
        dc->bitmap = object;
        return old;
    }
    if (IsPalette(object)) return SelectPalette(dc, object, FALSE);
    // Selecting nothing (or the stock object a context started with) empties the slot.
    const HGDIOBJ old = dc->bitmap;
    dc->bitmap = nullptr;
    return old;
}

BOOL DeleteDC(HDC dc) {
    if (!dc) return FALSE;
    delete dc;
    return TRUE;
}

namespace platform {
namespace detail {
bool IsGdiObject(HGDIOBJ object) { return object && G().objects.count(object) != 0; }
void AddGdiObject(HGDIOBJ object) { G().objects.insert(object); }
HPALETTE RealisedPalette() { return IsPalette(G().realised) ? G().realised : nullptr; }
} // namespace detail
void GetScreenPalette(PALETTEENTRY out[256]) { std::memcpy(out, G().system, sizeof G().system); }
const PALETTEENTRY* StaticColours() { return kStatic; }

namespace detail {
HBITMAP NewBitmap(int width, int height, bool bottomUp) {
    auto* b = new GdiObjectRecord;
    b->kind = GdiObjectRecord::Bitmap;
    b->width = width;
    b->height = height;
    b->bottomUp = bottomUp;
    const int stride = (width + 3) & ~3;
    b->bits.assign(static_cast<std::size_t>(stride) * height, 0);
    G().objects.insert(b);
    return b;
}
bool BitmapOf(HDC dc, const BYTE** bits, int* width, int* height, bool* bottomUp) {
    if (!dc || !dc->bitmap || !G().objects.count(dc->bitmap)) return false;
    *bits = dc->bitmap->bits.data();
    *width = dc->bitmap->width;
    *height = dc->bitmap->height;
    *bottomUp = dc->bitmap->bottomUp;
    return true;
}
BYTE* BitsOf(HBITMAP bitmap) { return bitmap ? bitmap->bits.data() : nullptr; }
HWND WindowOf(HDC dc) { return dc ? dc->window : nullptr; }
HDC NewOffscreenDC() {
    auto* dc = new DeviceContextRecord;
    dc->offscreen = true;
    return dc;
}
} // namespace detail
} // namespace platform
