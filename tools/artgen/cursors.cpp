// The animated cursors: a pocket watch whose hand goes round while the game works, crossed
// sabres for a charge, a musket's and a gun's sight for fire, and the arrows of the map's
// scrolling edges. Each is a RIFF "ACON" file of 32 x 32 cursor frames in 32-bit colour.
#include "tools/artgen/art_set.h"
#include "tools/artgen/draw.h"

#include <cmath>

namespace artgen {

namespace {

struct Bytes {
    std::vector<std::uint8_t> v;
    void U8(std::uint8_t x) { v.push_back(x); }
    void U16(std::uint16_t x) {
        U8(static_cast<std::uint8_t>(x & 0xFF));
        U8(static_cast<std::uint8_t>(x >> 8));
    }
    void U32(std::uint32_t x) {
        for (int k = 0; k < 4; ++k) U8(static_cast<std::uint8_t>((x >> (8 * k)) & 0xFF));
    }
    void Tag(const char* t) {
        for (int k = 0; k < 4; ++k) U8(static_cast<std::uint8_t>(t[k]));
    }
    void Append(const std::vector<std::uint8_t>& o) { v.insert(v.end(), o.begin(), o.end()); }
};

constexpr int kSize = 32;

// One cursor file (.cur) of a 32 x 32 ARGB picture.
std::vector<std::uint8_t> CursorFrame(cairo_surface_t* surface, int hotX, int hotY) {
    cairo_surface_flush(surface);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    Bytes image;
    image.U32(40);
    image.U32(kSize);
    image.U32(kSize * 2);  // colour and mask rows
    image.U16(1);
    image.U16(32);
    image.U32(0);
    image.U32(kSize * kSize * 4 + kSize * 4);
    image.U32(0);
    image.U32(0);
    image.U32(0);
    image.U32(0);
    for (int y = kSize - 1; y >= 0; --y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(data + y * stride);
        for (int x = 0; x < kSize; ++x) {
            const std::uint32_t p = row[x];
            const int a = static_cast<int>(p >> 24);
            // Straight (not premultiplied) blue, green, red, alpha.
            auto un = [a](std::uint32_t c) { return static_cast<std::uint8_t>(a ? std::min<std::uint32_t>(255, c * 255 / static_cast<std::uint32_t>(a)) : 0); };
            image.U8(un(p & 0xFF));
            image.U8(un((p >> 8) & 0xFF));
            image.U8(un((p >> 16) & 0xFF));
            image.U8(static_cast<std::uint8_t>(a));
        }
    }
    // The AND mask: set where the cursor is transparent.
    for (int y = kSize - 1; y >= 0; --y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(data + y * stride);
        for (int byte = 0; byte < kSize / 8; ++byte) {
            std::uint8_t m = 0;
            for (int bit = 0; bit < 8; ++bit)
                if ((row[byte * 8 + bit] >> 24) < 128) m = static_cast<std::uint8_t>(m | (0x80 >> bit));
            image.U8(m);
        }
    }
    Bytes cur;
    cur.U16(0);
    cur.U16(2);  // cursor
    cur.U16(1);
    cur.U8(kSize);
    cur.U8(kSize);
    cur.U8(0);
    cur.U8(0);
    cur.U16(static_cast<std::uint16_t>(hotX));
    cur.U16(static_cast<std::uint16_t>(hotY));
    cur.U32(static_cast<std::uint32_t>(image.v.size()));
    cur.U32(22);
    cur.Append(image.v);
    return cur.v;
}

std::vector<std::uint8_t> Ani(const std::vector<std::vector<std::uint8_t>>& frames, std::uint32_t jiffies) {
    Bytes list;
    list.Tag("fram");
    for (const auto& f : frames) {
        list.Tag("icon");
        list.U32(static_cast<std::uint32_t>(f.size()));
        list.Append(f);
        if (f.size() % 2) list.U8(0);
    }
    Bytes body;
    body.Tag("ACON");
    body.Tag("anih");
    body.U32(36);
    body.U32(36);
    body.U32(static_cast<std::uint32_t>(frames.size()));
    body.U32(static_cast<std::uint32_t>(frames.size()));
    body.U32(0);
    body.U32(0);
    body.U32(0);
    body.U32(0);
    body.U32(jiffies);
    body.U32(1);  // frames are icon-format
    body.Tag("LIST");
    body.U32(static_cast<std::uint32_t>(list.v.size()));
    body.Append(list.v);
    Bytes file;
    file.Tag("RIFF");
    file.U32(static_cast<std::uint32_t>(body.v.size()));
    file.Append(body.v);
    return file.v;
}

template <class Paint>
std::vector<std::uint8_t> Animated(int frames, std::uint32_t jiffies, int hotX, int hotY, Paint paint) {
    std::vector<std::vector<std::uint8_t>> out;
    for (int k = 0; k < frames; ++k) {
        cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kSize, kSize);
        cairo_t* cr = cairo_create(s);
        paint(cr, k);
        cairo_destroy(cr);
        out.push_back(CursorFrame(s, hotX, hotY));
        cairo_surface_destroy(s);
    }
    return Ani(out, jiffies);
}

void Watch(cairo_t* cr, int k) {
    draw::Set(cr, {150, 120, 50});
    cairo_arc(cr, 16, 5, 3, 0, 2 * M_PI);
    cairo_set_line_width(cr, 1.5);
    cairo_stroke(cr);
    draw::Set(cr, {196, 160, 70});
    cairo_arc(cr, 16, 18, 12, 0, 2 * M_PI);
    cairo_fill(cr);
    draw::Set(cr, {250, 246, 232});
    cairo_arc(cr, 16, 18, 9.5, 0, 2 * M_PI);
    cairo_fill(cr);
    draw::Set(cr, {40, 30, 20});
    for (int h = 0; h < 12; ++h) {
        const double a = h * M_PI / 6;
        cairo_rectangle(cr, 16 + 8 * std::sin(a) - 0.5, 18 - 8 * std::cos(a) - 0.5, 1, 1);
    }
    cairo_fill(cr);
    const double a = k * M_PI / 4;
    cairo_set_line_width(cr, 1.5);
    cairo_move_to(cr, 16, 18);
    cairo_line_to(cr, 16 + 7 * std::sin(a), 18 - 7 * std::cos(a));
    cairo_stroke(cr);
    cairo_move_to(cr, 16, 18);
    cairo_line_to(cr, 16 + 4 * std::sin(a / 12 + 1), 18 - 4 * std::cos(a / 12 + 1));
    cairo_stroke(cr);
}

void Sight(cairo_t* cr, int k, bool cannon) {
    const double r = 9 + (k % 2);
    cairo_set_line_width(cr, 3);
    draw::Set(cr, {0, 0, 0});
    cairo_arc(cr, 16, 16, r, 0, 2 * M_PI);
    cairo_stroke(cr);
    cairo_set_line_width(cr, 1.5);
    draw::Set(cr, cannon ? draw::Colour{250, 180, 60} : draw::Colour{250, 250, 250});
    cairo_arc(cr, 16, 16, r, 0, 2 * M_PI);
    cairo_stroke(cr);
    for (int q = 0; q < 4; ++q) {
        const double a = q * M_PI / 2;
        cairo_move_to(cr, 16 + 4 * std::cos(a), 16 + 4 * std::sin(a));
        cairo_line_to(cr, 16 + 14 * std::cos(a), 16 + 14 * std::sin(a));
    }
    cairo_set_line_width(cr, 3);
    draw::Set(cr, {0, 0, 0});
    cairo_stroke_preserve(cr);
    cairo_set_line_width(cr, 1.2);
    draw::Set(cr, cannon ? draw::Colour{250, 180, 60} : draw::Colour{250, 250, 250});
    cairo_stroke(cr);
    if (cannon) {
        draw::Set(cr, {30, 30, 30});
        cairo_arc(cr, 16, 16, 2.5, 0, 2 * M_PI);
        cairo_fill(cr);
    }
}

void Sabres(cairo_t* cr, int k) {
    const double spread = 0.1 * (k % 2);
    for (int s = 0; s < 2; ++s) {
        cairo_save(cr);
        cairo_translate(cr, 16, 16);
        cairo_rotate(cr, (s ? 1 : -1) * (M_PI / 4 + spread));
        cairo_set_line_width(cr, 4);
        draw::Set(cr, {0, 0, 0});
        cairo_move_to(cr, 0, -13);
        cairo_line_to(cr, 0, 11);
        cairo_stroke(cr);
        cairo_set_line_width(cr, 2);
        draw::Set(cr, {220, 224, 232});
        cairo_move_to(cr, 0, -13);
        cairo_line_to(cr, 0, 7);
        cairo_stroke(cr);
        draw::Set(cr, {200, 160, 60});
        cairo_rectangle(cr, -4, 7, 8, 2);
        cairo_rectangle(cr, -1, 9, 2, 4);
        cairo_fill(cr);
        cairo_restore(cr);
    }
}

void Arrow(cairo_t* cr, int k, int direction) {
    cairo_translate(cr, 16, 16);
    cairo_rotate(cr, direction * M_PI / 4);
    cairo_translate(cr, 0, -(k % 2));
    cairo_move_to(cr, 0, -14);
    cairo_line_to(cr, 9, -3);
    cairo_line_to(cr, 3.5, -3);
    cairo_line_to(cr, 3.5, 10);
    cairo_line_to(cr, -3.5, 10);
    cairo_line_to(cr, -3.5, -3);
    cairo_line_to(cr, -9, -3);
    cairo_close_path(cr);
    draw::Set(cr, {250, 240, 200});
    cairo_fill_preserve(cr);
    cairo_set_line_width(cr, 1.5);
    draw::Set(cr, {0, 0, 0});
    cairo_stroke(cr);
}

} // namespace

std::vector<CursorFile> Cursors() {
    std::vector<CursorFile> out;
    out.push_back({"watch.ani", Animated(8, 8, 16, 18, Watch)});
    out.push_back({"watch8.ani", Animated(8, 8, 16, 18, Watch)});
    // The map window's cursors, each also under the name it asks for on a display of 256
    // colours or fewer ("N8.ani" for "N.ani"): the same 256-colour frames serve both.
    std::vector<CursorFile> map;
    map.push_back({"charge", Animated(2, 20, 16, 16, Sabres)});
    map.push_back({"musket", Animated(2, 20, 16, 16, [](cairo_t* cr, int k) { Sight(cr, k, false); })});
    map.push_back({"cannon", Animated(2, 20, 16, 16, [](cairo_t* cr, int k) { Sight(cr, k, true); })});
    const char* const names[8] = {"N", "NE", "E", "SE", "S", "SW", "W", "NW"};
    for (int d = 0; d < 8; ++d) {
        const double a = d * M_PI / 4;
        const int hx = static_cast<int>(std::lround(16 + 14 * std::sin(a))), hy = static_cast<int>(std::lround(16 - 14 * std::cos(a)));
        map.push_back({names[d],
                       Animated(2, 15, std::clamp(hx, 0, 31), std::clamp(hy, 0, 31), [d](cairo_t* cr, int k) { Arrow(cr, k, d); })});
    }
    for (const CursorFile& c : map) {
        out.push_back({c.fileName + ".ani", c.bytes});
        out.push_back({c.fileName + "8.ani", c.bytes});
    }
    return out;
}

} // namespace artgen
