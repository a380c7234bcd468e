#include "platform/screen.h"

#include "platform/cursor.h"
#include "platform/input_script.h"
#include "platform/menu_record.h"
#include "platform/text.h"
#include "platform/window_record.h"

#include <png.h>

#include <algorithm>
#include <cstdio>
#include <map>

namespace platform {
namespace {

constexpr std::uint32_t kDesktop = 0x004080;   // behind every window
constexpr std::uint32_t kNonClient = 0xC0C0C0; // frames, captions and menu bars

void Fill(ScreenImage& img, RECT r, RECT clip, std::uint32_t colour) {
    const int l = std::max(r.left, clip.left), t = std::max(r.top, clip.top);
    const int rr = std::min(r.right, clip.right), b = std::min(r.bottom, clip.bottom);
    for (int y = t; y < b; ++y)
        for (int x = l; x < rr; ++x) img.pixels[static_cast<std::size_t>(y) * img.width + x] = colour;
}

RECT Intersect(RECT a, RECT b) {
    return RECT{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
}

void ComposeWindow(ScreenImage& img, HWND w, RECT clip, const std::uint32_t* colours, POINT origin) {
    if (!(w->style & WS_VISIBLE)) return;
    RECT wr;
    GetWindowRect(w, &wr);
    wr.left -= origin.x; wr.right -= origin.x; wr.top -= origin.y; wr.bottom -= origin.y;
    const RECT wclip = Intersect(wr, clip);
    if (wclip.left >= wclip.right || wclip.top >= wclip.bottom) return;
    Fill(img, wr, wclip, kNonClient);
    detail::DrawCaption(img.pixels.data(), img.width, img.height, w, wr, wclip);
    if (!(w->style & WS_CHILD)) detail::DrawMenuBarOf(img.pixels.data(), img.width, img.height, w, origin, wclip);
    if (w->minimized) return;
    POINT o = detail::ClientOrigin(w);
    o.x -= origin.x;
    o.y -= origin.y;
    RECT c;
    GetClientRect(w, &c);
    const RECT cr{o.x, o.y, o.x + c.right, o.y + c.bottom};
    const RECT cclip = Intersect(cr, wclip);
    // A visible child that covers the whole clipped client area paints every pixel of it (its
    // frame and its own client), so the parent's pixels there would only be drawn over: an
    // animated map under its frame and MDI client is composed once, not three times.
    bool covered = false;
    for (HWND child : w->children) {
        if (!(child->style & WS_VISIBLE) || child->minimized) continue;
        RECT cw;
        GetWindowRect(child, &cw);
        cw.left -= origin.x; cw.right -= origin.x; cw.top -= origin.y; cw.bottom -= origin.y;
        if (cw.left <= cclip.left && cw.top <= cclip.top && cw.right >= cclip.right && cw.bottom >= cclip.bottom) {
            covered = true;
            break;
        }
    }
    const WindowPixels px = covered ? WindowPixels{} : GetWindowPixels(w);
    for (int y = covered ? cclip.bottom : cclip.top; y < cclip.bottom; ++y) {
        const int sy = y - o.y;
        std::uint32_t* out = img.pixels.data() + static_cast<std::size_t>(y) * img.width;
        // The part of the row the surface holds, then colour 0 past its edge.
        int x = cclip.left;
        if (px.pixels && sy < px.height) {
            const BYTE* in = px.pixels + static_cast<std::size_t>(sy) * px.width;
            const int end = std::min<int>(cclip.right, o.x + px.width);
            for (; x < end; ++x) out[x] = colours[in[x - o.x]];
        }
        for (; x < cclip.right; ++x) out[x] = colours[0];
    }
    // Children are drawn over their parent, back to front, clipped to its client area.
    for (auto it = w->children.rbegin(); it != w->children.rend(); ++it) ComposeWindow(img, *it, cclip, colours, origin);
}

struct BackendState {
    std::unique_ptr<Backend> current;
    std::map<std::string, BackendFactory> factories;
};

BackendState& B() {
    static BackendState b;
    return b;
}

class HeadlessBackend final : public Backend {
public:
    const char* Name() const override { return "headless"; }
    // A running input script is the headless screen's mouse and keyboard.
    bool PollInput() override { return StepInputScript(); }
    bool Live() const override { return InputScriptRunning(); }
};

} // namespace

ScreenImage ComposeScreen(RECT area) {
    ScreenImage img;
    ComposeScreenInto(area, img);
    return img;
}

void ComposeScreenInto(RECT area, ScreenImage& img) {
    const SIZE s = GetScreenSize();
    area = Intersect(area, RECT{0, 0, s.cx, s.cy});
    img.width = std::max<LONG>(0, area.right - area.left);
    img.height = std::max<LONG>(0, area.bottom - area.top);
    img.pixels.assign(static_cast<std::size_t>(img.width) * img.height, kDesktop);
    PALETTEENTRY pal[256];
    GetScreenPalette(pal);
    std::uint32_t colours[256];
    for (int i = 0; i < 256; ++i)
        colours[i] = (static_cast<std::uint32_t>(pal[i].peRed) << 16) | (static_cast<std::uint32_t>(pal[i].peGreen) << 8) | pal[i].peBlue;
    const RECT clip{0, 0, img.width, img.height};
    const auto& top = detail::TopLevel();
    for (auto it = top.rbegin(); it != top.rend(); ++it) ComposeWindow(img, *it, clip, colours, POINT{area.left, area.top});
    detail::DrawOpenMenus(img.pixels.data(), img.width, img.height, POINT{area.left, area.top});
}

ScreenImage ComposeScreen() {
    const SIZE s = GetScreenSize();
    return ComposeScreen(RECT{0, 0, s.cx, s.cy});
}

COLORREF ScreenPixel(int x, int y) {
    const ScreenImage img = ComposeScreen(RECT{x, y, x + 1, y + 1});
    if (img.pixels.empty()) return 0;
    const std::uint32_t p = img.pixels[0];
    return RGB(static_cast<BYTE>(p >> 16), static_cast<BYTE>(p >> 8), static_cast<BYTE>(p));
}

bool SavePNG(const std::string& path, const ScreenImage& image) {
    if (image.width <= 0 || image.height <= 0) return false;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        std::fclose(f);
        return false;
    }
    std::vector<png_byte> row(static_cast<std::size_t>(image.width) * 3);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(f);
        return false;
    }
    png_init_io(png, f);
    png_set_IHDR(png, info, static_cast<png_uint_32>(image.width), static_cast<png_uint_32>(image.height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const std::uint32_t p = image.At(x, y);
            row[static_cast<std::size_t>(x) * 3] = static_cast<png_byte>(p >> 16);
            row[static_cast<std::size_t>(x) * 3 + 1] = static_cast<png_byte>(p >> 8);
            row[static_cast<std::size_t>(x) * 3 + 2] = static_cast<png_byte>(p);
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(f) == 0;
}

bool LoadPNG(const std::string& path, ScreenImage& image) {
    png_image pi{};
    pi.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&pi, path.c_str())) return false;
    pi.format = PNG_FORMAT_RGB;
    std::vector<png_byte> buf(PNG_IMAGE_SIZE(pi));
    if (!png_image_finish_read(&pi, nullptr, buf.data(), 0, nullptr)) {
        png_image_free(&pi);
        return false;
    }
    image.width = static_cast<int>(pi.width);
    image.height = static_cast<int>(pi.height);
    image.pixels.resize(static_cast<std::size_t>(image.width) * image.height);
    for (std::size_t i = 0; i < image.pixels.size(); ++i)
        image.pixels[i] = (static_cast<std::uint32_t>(buf[i * 3]) << 16) | (static_cast<std::uint32_t>(buf[i * 3 + 1]) << 8) | buf[i * 3 + 2];
    return true;
}

bool SaveScreenPNG(const std::string& path) { return SavePNG(path, ComposeScreen()); }

void SetBackend(std::unique_ptr<Backend> backend) {
    B().current = std::move(backend);
    // The backend shows the pointer the program sets from now on, and the one it has set already.
    SetCursorObserver([](HCURSOR cursor) { CurrentBackend().CursorChanged(cursor); });
    if (B().current && GetCursor()) B().current->CursorChanged(GetCursor());
}

Backend& CurrentBackend() {
    BackendState& b = B();
    if (!b.current) b.current = MakeHeadlessBackend();
    return *b.current;
}

std::unique_ptr<Backend> MakeHeadlessBackend() { return std::make_unique<HeadlessBackend>(); }

void RegisterBackend(const char* name, BackendFactory factory) { B().factories[name] = factory; }

bool StartBackend(const char* name) {
    const std::string n = name ? name : "headless";
    if (n == "headless") {
        SetBackend(MakeHeadlessBackend());
        return true;
    }
    auto it = B().factories.find(n);
    if (it == B().factories.end()) return false;
    std::unique_ptr<Backend> backend = it->second();
    if (!backend) return false;
    SetBackend(std::move(backend));
    return true;
}

namespace detail {
void ScreenChanged() { CurrentBackend().ScreenChanged(); }
} // namespace detail

} // namespace platform
