// Text through FreeType. Invariants: one FreeType library and at most two faces (regular,
// bold) for the process, loaded on first use; glyphs are rendered once per face, pixel height
// and character and kept; the blend table is rebuilt whenever the system palette changed.
#include "platform/text.h"

#include "platform/gdi_record.h"
#include "platform/window_record.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace {

constexpr const char* kDefaultFontDirectory = "/usr/share/fonts/truetype/dejavu";
constexpr const char* kFaceFiles[2] = {"DejaVuSans.ttf", "DejaVuSans-Bold.ttf"};
// The system font: an 8-point face at 96 pixels per inch.
constexpr int kSystemPixelHeight = 11;
// The cell the dialog units are made of.
constexpr int kSystemCellHeight = 13;
constexpr int kSystemAverageWidth = 7;
// Coverage is blended in this many steps; fewer steps keep the palette look-ups few.
constexpr int kLevels = 4;

struct Glyph {
    int advance = 0;
    int left = 0;  // from the pen to the first column
    int top = 0;   // from the base line up to the first row
    int width = 0;
    int rows = 0;
    std::vector<BYTE> coverage;
};

struct Fonts {
    std::recursive_mutex lock;
    FT_Library library = nullptr;
    FT_Face faces[2] = {nullptr, nullptr};
    bool tried = false;
    std::string directory = kDefaultFontDirectory;
    std::string error;
    std::map<std::uint64_t, std::unique_ptr<Glyph>> glyphs;
    struct Metrics {
        int ascent, descent;
    };
    std::map<int, Metrics> metrics;  // key: pixel height * 2 + bold

    void Load() {
        if (tried) return;
        tried = true;
        if (FT_Init_FreeType(&library) != 0) {
            library = nullptr;
            Fail("the font library cannot start");
            return;
        }
        for (int i = 0; i < 2; ++i) {
            const std::string path = directory + "/" + kFaceFiles[i];
            if (FT_New_Face(library, path.c_str(), 0, &faces[i]) != 0) {
                faces[i] = nullptr;
                Fail("the font file " + path + " cannot be read (install fonts-dejavu-core)");
                return;
            }
        }
    }
    void Fail(const std::string& why) {
        error = why;
        std::fprintf(stderr, "text: %s; text is not drawn\n", why.c_str());
        Unload();
        tried = true;
    }
    void Unload() {
        for (FT_Face& f : faces)
            if (f) {
                FT_Done_Face(f);
                f = nullptr;
            }
        if (library) FT_Done_FreeType(library);
        library = nullptr;
        glyphs.clear();
        metrics.clear();
    }
    bool Ready() {
        Load();
        return faces[0] && faces[1];
    }
    FT_Face Face(bool bold, int pixelHeight) {
        FT_Face f = faces[bold ? 1 : 0];
        FT_Set_Pixel_Sizes(f, 0, static_cast<FT_UInt>(pixelHeight));
        return f;
    }
    Metrics MetricsOf(int pixelHeight, bool bold) {
        const int key = pixelHeight * 2 + (bold ? 1 : 0);
        auto it = metrics.find(key);
        if (it != metrics.end()) return it->second;
        Metrics m{pixelHeight, 0};
        if (Ready()) {
            FT_Face f = Face(bold, pixelHeight);
            m.ascent = static_cast<int>((f->size->metrics.ascender + 63) >> 6);
            m.descent = static_cast<int>((-f->size->metrics.descender + 63) >> 6);
        } else {
            m.descent = pixelHeight / 4;
        }
        metrics[key] = m;
        return m;
    }
    const Glyph* GlyphOf(unsigned char c, int pixelHeight, bool bold) {
        const std::uint64_t key = (static_cast<std::uint64_t>(pixelHeight) << 9) | (bold ? 256u : 0u) | c;
        auto it = glyphs.find(key);
        if (it != glyphs.end()) return it->second.get();
        auto g = std::make_unique<Glyph>();
        if (Ready()) {
            FT_Face f = Face(bold, pixelHeight);
            if (FT_Load_Char(f, c, FT_LOAD_RENDER | FT_LOAD_TARGET_LIGHT) == 0) {
                const FT_GlyphSlot s = f->glyph;
                g->advance = static_cast<int>((s->advance.x + 32) >> 6);
                g->left = s->bitmap_left;
                g->top = s->bitmap_top;
                g->width = static_cast<int>(s->bitmap.width);
                g->rows = static_cast<int>(s->bitmap.rows);
                if (s->bitmap.pixel_mode == FT_PIXEL_MODE_GRAY && g->width > 0 && g->rows > 0) {
                    g->coverage.resize(static_cast<std::size_t>(g->width) * g->rows);
                    for (int y = 0; y < g->rows; ++y)
                        std::memcpy(g->coverage.data() + static_cast<std::size_t>(y) * g->width,
                                    s->bitmap.buffer + static_cast<std::ptrdiff_t>(y) * s->bitmap.pitch,
                                    static_cast<std::size_t>(g->width));
                } else {
                    g->width = g->rows = 0;
                }
            }
        } else {
            g->advance = std::max(1, pixelHeight / 2);
        }
        return (glyphs[key] = std::move(g)).get();
    }
};

Fonts& F() {
    static Fonts f;
    return f;
}

// The blends of ink into each background index, per coverage step, for one system palette.
struct Blends {
    PALETTEENTRY palette[256]{};
    bool valid = false;
    std::map<std::uint32_t, BYTE> table;  // key: ink << 16 | background << 8 | level
};

Blends& B() {
    static Blends b;
    return b;
}

bool Allowed(int index) {
    const HPALETTE realised = platform::detail::RealisedPalette();
    if (!realised || index < 10 || index >= 246) return true;
    PALETTEENTRY e;
    if (GetPaletteEntries(realised, static_cast<UINT>(index), 1, &e) != 1) return true;
    return !(e.peFlags & PC_RESERVED);
}

BYTE Nearest(const PALETTEENTRY* pal, int r, int g, int b) {
    int best = 0;
    long bestDistance = -1;
    for (int i = 0; i < 256; ++i) {
        if (!Allowed(i)) continue;
        const long dr = pal[i].peRed - r, dg = pal[i].peGreen - g, db = pal[i].peBlue - b;
        const long d = dr * dr * 3 + dg * dg * 4 + db * db * 2;
        if (bestDistance < 0 || d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return static_cast<BYTE>(best);
}

void CheckPalette() {
    Blends& b = B();
    PALETTEENTRY now[256];
    platform::GetScreenPalette(now);
    if (b.valid && std::memcmp(now, b.palette, sizeof now) == 0) return;
    std::memcpy(b.palette, now, sizeof now);
    b.table.clear();
    b.valid = true;
}

BYTE Blend(BYTE ink, BYTE background, int level) {
    if (level >= kLevels) return ink;
    Blends& b = B();
    const std::uint32_t key = (static_cast<std::uint32_t>(ink) << 16) | (static_cast<std::uint32_t>(background) << 8) |
                              static_cast<std::uint32_t>(level);
    auto it = b.table.find(key);
    if (it != b.table.end()) return it->second;
    const PALETTEENTRY& i = b.palette[ink];
    const PALETTEENTRY& g = b.palette[background];
    auto mix = [&](int fg, int bg) { return bg + (fg - bg) * level / kLevels; };
    const BYTE result = Nearest(b.palette, mix(i.peRed, g.peRed), mix(i.peGreen, g.peGreen), mix(i.peBlue, g.peBlue));
    b.table[key] = result;
    return result;
}

// The characters shown and, for a mnemonic, which of them is underlined (-1: none).
std::string Shown(std::string_view text, bool mnemonics, int* underlined) {
    *underlined = -1;
    if (!mnemonics) return std::string(text);
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&' && i + 1 < text.size()) {
            ++i;
            if (text[i] != '&' && *underlined < 0) *underlined = static_cast<int>(out.size());
        }
        out += text[i];
    }
    return out;
}

RECT Intersect(const RECT& a, const RECT& b) {
    return RECT{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
}

bool Empty(const RECT& r) { return r.left >= r.right || r.top >= r.bottom; }

RECT Union(const RECT& a, const RECT& b) {
    if (Empty(a)) return b;
    if (Empty(b)) return a;
    return RECT{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right), std::max(a.bottom, b.bottom)};
}

// --- contexts ---

GdiObjectRecord& StockFont() {
    static GdiObjectRecord f = [] {
        GdiObjectRecord r;
        r.kind = GdiObjectRecord::Font;
        r.fontHeight = 0;
        r.face = "System";
        return r;
    }();
    return f;
}

struct FontOf {
    int pixelHeight;
    bool bold;
    bool system;
};

FontOf Selected(HDC dc) {
    HGDIOBJ f = dc ? dc->font : nullptr;
    if (!f || f == &StockFont() || !platform::detail::IsGdiObject(f) || f->kind != GdiObjectRecord::Font)
        return FontOf{kSystemPixelHeight, false, true};
    int h = f->fontHeight;
    if (h < 0) {
        h = -h;
    } else if (h > 0) {
        // A cell height: the character height that gives a cell of that many pixels.
        std::lock_guard<std::recursive_mutex> g(F().lock);
        if (F().Ready()) {
            FT_Face face = F().faces[f->fontWeight >= 600 ? 1 : 0];
            const long cell = face->ascender - face->descender;
            h = cell > 0 ? static_cast<int>((static_cast<long>(h) * face->units_per_EM + cell / 2) / cell) : h;
        }
    } else {
        h = kSystemPixelHeight;
    }
    return FontOf{std::clamp(h, 1, 400), f->fontWeight >= 600, false};
}

bool SurfaceOf(HDC dc, platform::Surface8* s, bool* window) {
    *window = false;
    if (!dc) return false;
    if (dc->bitmap && platform::detail::IsGdiObject(dc->bitmap)) {
        s->bits = dc->bitmap->bits.data();
        s->width = dc->bitmap->width;
        s->height = dc->bitmap->height;
        s->stride = (s->width + 3) & ~3;
        s->bottomUp = dc->bitmap->bottomUp;
        return s->bits != nullptr;
    }
    if (dc->window && IsWindow(dc->window)) {
        int w = 0, h = 0;
        s->bits = platform::WindowPixelsForWrite(dc->window, &w, &h);
        s->width = w;
        s->height = h;
        s->stride = w;
        s->bottomUp = false;
        *window = true;
        return s->bits != nullptr && w > 0 && h > 0;
    }
    return false;
}

BYTE InkOf(HDC dc) { return platform::NearestShownIndex(dc->textColour); }

void FillSurface(const platform::Surface8& s, RECT r, BYTE colour) {
    r = Intersect(r, RECT{0, 0, s.width, s.height});
    for (int y = r.top; y < r.bottom; ++y) {
        const int row = s.bottomUp ? s.height - 1 - y : y;
        std::fill_n(s.bits + static_cast<std::ptrdiff_t>(row) * s.stride + r.left, r.right - r.left, colour);
    }
}

// Draws one line with the context's font, colours and background mode; true when it wrote.
bool ContextLine(HDC dc, const platform::Surface8& s, const RECT& clip, int x, int top, std::string_view text, bool mnemonics) {
    const FontOf f = Selected(dc);
    platform::TextStyle style;
    style.pixelHeight = f.pixelHeight;
    style.bold = f.bold;
    style.ink = InkOf(dc);
    style.background = dc->backMode == OPAQUE ? platform::NearestShownIndex(dc->backColour) : -1;
    style.underlineMnemonic = mnemonics;
    return !Empty(platform::DrawText8(s, clip, x, top, text, style));
}

std::vector<std::string> Lines(HDC dc, std::string_view text, UINT format, int width) {
    const FontOf f = Selected(dc);
    const bool mnemonics = !(format & DT_NOPREFIX);
    std::vector<std::string> lines;
    std::string_view rest = text;
    for (;;) {
        std::size_t end = (format & DT_SINGLELINE) ? std::string_view::npos : rest.find('\n');
        std::string_view line = rest.substr(0, end);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if ((format & DT_WORDBREAK) && !(format & DT_SINGLELINE)) {
            // Greedy: words join a line while it fits; a word wider than the line stands alone.
            std::string current;
            std::size_t at = 0;
            bool any = false;
            while (at <= line.size()) {
                std::size_t next = line.find(' ', at);
                if (next == std::string_view::npos) next = line.size();
                const std::string word(line.substr(at, next - at));
                const std::string tried = current.empty() ? word : current + " " + word;
                if (!current.empty() && platform::MeasureText(tried, f.pixelHeight, f.bold, mnemonics).cx > width) {
                    lines.push_back(current);
                    current = word;
                } else {
                    current = tried;
                }
                any = true;
                at = next + 1;
            }
            if (any) lines.push_back(current);
        } else {
            lines.emplace_back(line);
        }
        if (end == std::string_view::npos) break;
        rest = rest.substr(end + 1);
    }
    return lines;
}

std::string_view Counted(const char* text, int count) {
    if (!text) return {};
    return count < 0 ? std::string_view(text) : std::string_view(text, static_cast<std::size_t>(count));
}

} // namespace

namespace platform::detail {
void DrawCaption(std::uint32_t* pixels, int width, int height, HWND hwnd, const RECT& window, const RECT& clip) {
    if (!IsWindow(hwnd)) return;
    const DWORD style = static_cast<DWORD>(GetWindowLongPtrA(hwnd, GWL_STYLE));
    if ((style & WS_CAPTION) != WS_CAPTION) return;
    int frame = 0;
    if (style & WS_THICKFRAME) frame = platform::kFrameWidth;
    else if (style & (WS_BORDER | WS_DLGFRAME)) frame = 1;
    const RECT bar = Intersect(RECT{window.left + frame, window.top + frame, window.right - frame,
                                    window.top + frame + platform::kCaptionHeight},
                               Intersect(clip, RECT{0, 0, width, height}));
    if (Empty(bar)) return;
    HWND root = hwnd;
    while (GetParent(root) && (GetWindowLongPtrA(root, GWL_STYLE) & WS_CHILD)) root = GetParent(root);
    const bool active = GetActiveWindow() == hwnd || (!(style & WS_CHILD) && GetActiveWindow() == root);
    const std::uint32_t fill = active ? 0x000080 : 0x808080;
    for (int y = bar.top; y < bar.bottom; ++y)
        std::fill_n(pixels + static_cast<std::size_t>(y) * width + bar.left, bar.right - bar.left, fill);
    char title[256] = {};
    GetWindowTextA(hwnd, title, sizeof title);
    const int cell = platform::MeasureText("", kSystemPixelHeight, true).cy;
    const int top = window.top + frame + (platform::kCaptionHeight - cell) / 2;
    platform::DrawTextRGB(pixels, width, height, RECT{bar.left, bar.top, bar.right - 2, bar.bottom}, window.left + frame + 5, top,
                          title, kSystemPixelHeight, true, active ? 0xFFFFFF : 0xC0C0C0);
}

HGDIOBJ SystemFont() { return &StockFont(); }
bool IsStockFont(HGDIOBJ object) { return object == &StockFont(); }
} // namespace platform::detail

HFONT CreateFontA(int height, int, int, int, int weight, DWORD, DWORD, DWORD, DWORD, DWORD, DWORD, DWORD, DWORD,
                  const char* face) {
    auto* f = new GdiObjectRecord;
    f->kind = GdiObjectRecord::Font;
    f->fontHeight = height;
    f->fontWeight = weight <= 0 ? FW_NORMAL : weight;
    f->face = face ? face : "";
    platform::detail::AddGdiObject(f);
    return f;
}

int MulDiv(int number, int numerator, int denominator) {
    if (denominator == 0) return -1;
    const long long p = static_cast<long long>(number) * numerator;
    // Rounded half away from zero, as the system does.
    const long long q = (p >= 0) == (denominator > 0) ? (std::llabs(p) + std::llabs(denominator) / 2) / std::llabs(denominator)
                                                      : -((std::llabs(p) + std::llabs(denominator) / 2) / std::llabs(denominator));
    return static_cast<int>(q);
}

HGDIOBJ GetStockObject(int object) {
    static char nullBrush;
    if (object == NULL_BRUSH) return reinterpret_cast<HGDIOBJ>(&nullBrush);
    if (object == SYSTEM_FONT || object == DEFAULT_GUI_FONT) return &StockFont();
    return nullptr;
}

int SetBkMode(HDC dc, int mode) {
    if (!dc || (mode != TRANSPARENT && mode != OPAQUE)) return 0;
    const int old = dc->backMode;
    dc->backMode = mode;
    return old;
}

COLORREF SetBkColor(HDC dc, COLORREF colour) {
    if (!dc) return 0xFFFFFFFFu;
    const COLORREF old = dc->backColour;
    dc->backColour = colour;
    return old;
}

COLORREF SetTextColor(HDC dc, COLORREF colour) {
    if (!dc) return 0xFFFFFFFFu;
    const COLORREF old = dc->textColour;
    dc->textColour = colour;
    return old;
}

UINT SetTextAlign(HDC dc, UINT align) {
    if (!dc) return 0xFFFFFFFFu;
    const UINT old = dc->textAlign;
    dc->textAlign = align;
    return old;
}

BOOL GetTextMetricsA(HDC dc, TEXTMETRICA* metrics) {
    if (!metrics) return FALSE;
    const FontOf f = Selected(dc);
    if (f.system) {
        *metrics = TEXTMETRICA{kSystemCellHeight, kSystemCellHeight, 0, 0, 0, kSystemAverageWidth, 2 * kSystemAverageWidth};
        return TRUE;
    }
    const int ascent = platform::TextAscent(f.pixelHeight, f.bold);
    const SIZE cell = platform::MeasureText("x", f.pixelHeight, f.bold);
    const SIZE wide = platform::MeasureText("W", f.pixelHeight, f.bold);
    *metrics = TEXTMETRICA{cell.cy, ascent, cell.cy - ascent, std::max<LONG>(0, cell.cy - f.pixelHeight), 0, cell.cx, wide.cx};
    return TRUE;
}

BOOL GetTextExtentPoint32A(HDC dc, const char* text, int count, SIZE* size) {
    if (!size || (!text && count > 0)) return FALSE;
    const FontOf f = Selected(dc);
    *size = platform::MeasureText(Counted(text, count), f.pixelHeight, f.bold);
    return TRUE;
}

BOOL GetTextExtentPointA(HDC dc, const char* text, int count, SIZE* size) {
    return GetTextExtentPoint32A(dc, text, count, size);
}

BOOL ExtTextOutA(HDC dc, int x, int y, UINT options, const RECT* rect, const char* text, UINT count, const int*) {
    platform::Surface8 s;
    bool window = false;
    if (!SurfaceOf(dc, &s, &window)) return FALSE;
    const std::string_view t = text ? std::string_view(text, count) : std::string_view();
    const FontOf f = Selected(dc);
    const SIZE extent = platform::MeasureText(t, f.pixelHeight, f.bold);
    const UINT horizontal = dc->textAlign & TA_CENTER;
    if (horizontal == TA_CENTER) x -= extent.cx / 2;
    else if (horizontal == TA_RIGHT) x -= extent.cx;
    if ((dc->textAlign & TA_BASELINE) == TA_BASELINE) y -= platform::TextAscent(f.pixelHeight, f.bold);
    RECT clip{0, 0, s.width, s.height};
    if (rect && (options & ETO_CLIPPED)) clip = Intersect(clip, *rect);
    bool wrote = false;
    if (rect && (options & ETO_OPAQUE)) {
        FillSurface(s, Intersect(*rect, clip), platform::NearestShownIndex(dc->backColour));
        wrote = true;
    }
    wrote = ContextLine(dc, s, clip, x, y, t, false) || wrote;
    if (window && wrote) platform::detail::ScreenChanged();
    return TRUE;
}

BOOL TextOutA(HDC dc, int x, int y, const char* text, int count) {
    if (!text || count < 0) return FALSE;
    return ExtTextOutA(dc, x, y, 0, nullptr, text, static_cast<UINT>(count), nullptr);
}

int DrawTextA(HDC dc, const char* text, int count, RECT* rect, UINT format) {
    if (!rect) return 0;
    const std::string_view t = Counted(text, count);
    const FontOf f = Selected(dc);
    const bool mnemonics = !(format & DT_NOPREFIX);
    const std::vector<std::string> lines = Lines(dc, t, format, rect->right - rect->left);
    const int lineHeight = platform::MeasureText("", f.pixelHeight, f.bold).cy;
    const int height = lineHeight * static_cast<int>(lines.size());
    if (format & DT_CALCRECT) {
        int width = 0;
        for (const std::string& l : lines) width = std::max<int>(width, platform::MeasureText(l, f.pixelHeight, f.bold, mnemonics).cx);
        rect->right = rect->left + width;
        rect->bottom = rect->top + height;
        return height;
    }
    platform::Surface8 s;
    bool window = false;
    if (!SurfaceOf(dc, &s, &window)) return 0;
    RECT clip{0, 0, s.width, s.height};
    if (!(format & DT_NOCLIP)) clip = Intersect(clip, *rect);
    int y = rect->top;
    if ((format & DT_SINGLELINE) && (format & DT_VCENTER)) y = (rect->top + rect->bottom - height) / 2;
    else if ((format & DT_SINGLELINE) && (format & DT_BOTTOM)) y = rect->bottom - height;
    bool wrote = false;
    for (const std::string& l : lines) {
        const int w = platform::MeasureText(l, f.pixelHeight, f.bold, mnemonics).cx;
        int x = rect->left;
        if (format & DT_CENTER) x = (rect->left + rect->right - w) / 2;
        else if (format & DT_RIGHT) x = rect->right - w;
        wrote = ContextLine(dc, s, clip, x, y, l, mnemonics) || wrote;
        y += lineHeight;
    }
    if (window && wrote) platform::detail::ScreenChanged();
    return height;
}

namespace platform {

SIZE MeasureText(std::string_view text, int pixelHeight, bool bold, bool mnemonics) {
    Fonts& fonts = F();
    std::lock_guard<std::recursive_mutex> g(fonts.lock);
    int underlined;
    const std::string shown = Shown(text, mnemonics, &underlined);
    int width = 0;
    for (unsigned char c : shown) width += fonts.GlyphOf(c, pixelHeight, bold)->advance;
    const Fonts::Metrics m = fonts.MetricsOf(pixelHeight, bold);
    return SIZE{width, m.ascent + m.descent};
}

int TextAscent(int pixelHeight, bool bold) {
    std::lock_guard<std::recursive_mutex> g(F().lock);
    return F().MetricsOf(pixelHeight, bold).ascent;
}

RECT DrawText8(const Surface8& into, const RECT& clipIn, int x, int top, std::string_view text, const TextStyle& style) {
    RECT touched{0, 0, 0, 0};
    if (!into.bits || into.width <= 0 || into.height <= 0) return touched;
    const RECT clip = Intersect(clipIn, RECT{0, 0, into.width, into.height});
    if (Empty(clip)) return touched;
    Fonts& fonts = F();
    std::lock_guard<std::recursive_mutex> g(fonts.lock);
    CheckPalette();
    int underlined;
    const std::string shown = Shown(text, style.underlineMnemonic, &underlined);
    const SIZE extent = MeasureText(shown, style.pixelHeight, style.bold);
    auto pixel = [&](int px, int py) -> BYTE& {
        const int row = into.bottomUp ? into.height - 1 - py : py;
        return into.bits[static_cast<std::ptrdiff_t>(row) * into.stride + px];
    };
    if (style.background >= 0 && style.background <= 255) {
        const RECT cell = Intersect(RECT{x, top, x + extent.cx, top + extent.cy}, clip);
        for (int py = cell.top; py < cell.bottom; ++py)
            for (int px = cell.left; px < cell.right; ++px) pixel(px, py) = static_cast<BYTE>(style.background);
        touched = cell;
    }
    if (!fonts.Ready()) return touched;
    const int baseline = top + fonts.MetricsOf(style.pixelHeight, style.bold).ascent;
    int pen = x;
    for (std::size_t i = 0; i < shown.size(); ++i) {
        const Glyph* gl = fonts.GlyphOf(static_cast<unsigned char>(shown[i]), style.pixelHeight, style.bold);
        const int gx = pen + gl->left, gy = baseline - gl->top;
        const RECT box = Intersect(RECT{gx, gy, gx + gl->width, gy + gl->rows}, clip);
        bool any = false;
        for (int py = box.top; py < box.bottom; ++py)
            for (int px = box.left; px < box.right; ++px) {
                const int a = gl->coverage[static_cast<std::size_t>(py - gy) * gl->width + (px - gx)];
                const int level = (a * kLevels + 127) / 255;
                if (level == 0) continue;
                BYTE& p = pixel(px, py);
                p = Blend(style.ink, p, level);
                any = true;
            }
        if (any) touched = Union(touched, box);
        if (static_cast<int>(i) == underlined) {
            const RECT line = Intersect(RECT{pen, baseline + 1, pen + gl->advance, baseline + 2}, clip);
            for (int px = line.left; px < line.right; ++px)
                if (line.top < line.bottom) pixel(px, line.top) = style.ink;
            touched = Union(touched, line);
        }
        pen += gl->advance;
    }
    return touched;
}

void DrawTextRGB(std::uint32_t* pixels, int width, int height, const RECT& clipIn, int x, int top, std::string_view text,
                 int pixelHeight, bool bold, std::uint32_t colour) {
    const RECT clip = Intersect(clipIn, RECT{0, 0, width, height});
    if (!pixels || Empty(clip)) return;
    Fonts& fonts = F();
    std::lock_guard<std::recursive_mutex> g(fonts.lock);
    if (!fonts.Ready()) return;
    const int baseline = top + fonts.MetricsOf(pixelHeight, bold).ascent;
    int pen = x;
    for (unsigned char c : text) {
        const Glyph* gl = fonts.GlyphOf(c, pixelHeight, bold);
        const int gx = pen + gl->left, gy = baseline - gl->top;
        const RECT box = Intersect(RECT{gx, gy, gx + gl->width, gy + gl->rows}, clip);
        for (int py = box.top; py < box.bottom; ++py)
            for (int px = box.left; px < box.right; ++px) {
                const int a = gl->coverage[static_cast<std::size_t>(py - gy) * gl->width + (px - gx)];
                if (a == 0) continue;
                std::uint32_t& p = pixels[static_cast<std::size_t>(py) * width + px];
                std::uint32_t out = 0;
                for (int shift = 0; shift <= 16; shift += 8) {
                    const int fg = static_cast<int>((colour >> shift) & 0xFF), bg = static_cast<int>((p >> shift) & 0xFF);
                    out |= static_cast<std::uint32_t>(bg + (fg - bg) * a / 255) << shift;
                }
                p = out;
            }
        pen += gl->advance;
    }
}

BYTE NearestShownIndex(COLORREF colour) {
    if ((colour & 0xFF000000u) == 0x01000000u) return static_cast<BYTE>(colour & 0xFF);
    std::lock_guard<std::recursive_mutex> g(F().lock);
    CheckPalette();
    return Nearest(B().palette, GetRValue(colour), GetGValue(colour), GetBValue(colour));
}

void SetFontDirectory(const std::string& directory) {
    Fonts& fonts = F();
    std::lock_guard<std::recursive_mutex> g(fonts.lock);
    fonts.Unload();
    fonts.tried = false;
    fonts.error.clear();
    fonts.directory = directory.empty() ? kDefaultFontDirectory : directory;
}

std::string FontError() {
    std::lock_guard<std::recursive_mutex> g(F().lock);
    F().Load();
    return F().error;
}

} // namespace platform
