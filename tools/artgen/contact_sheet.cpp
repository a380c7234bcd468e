#include "tools/artgen/art_set.h"
#include "tools/artgen/palette.h"

#include <cairo.h>

#include <algorithm>
#include <array>
#include <cstring>

namespace artgen {

namespace {

constexpr int kSheetWidth = 1400;
constexpr int kGap = 6;
constexpr int kLabel = 12;

// The image in true colour: transparent pixels as a light checkerboard, the shadow index as a
// dark veil.
cairo_surface_t* Picture(const datagen::ImageSpec& image, int zoomUp) {
    const int w = std::max<int>(1, image.width) * zoomUp, h = std::max<int>(1, image.height) * zoomUp;
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, h);
    cairo_surface_flush(s);
    unsigned char* data = cairo_image_surface_get_data(s);
    const int stride = cairo_image_surface_get_stride(s);
    const auto& colours = Colours();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int sx = x / zoomUp, sy = y / zoomUp;
            const std::size_t at = static_cast<std::size_t>(sy) * static_cast<std::size_t>(image.width) + static_cast<std::size_t>(sx);
            const std::uint8_t index = at < image.pixels.size() ? image.pixels[at] : 0;
            std::uint32_t rgb;
            if (index == 255 && image.type == 6) {
                rgb = ((x / 4 + y / 4) % 2) ? 0x707070 : 0x808080;
            } else if (index == 0 && image.type != 1) {
                rgb = ((x / 4 + y / 4) % 2) ? 0xD8D8D8 : 0xF0F0F0;
            } else {
                const Rgb c = colours[index];
                rgb = (static_cast<std::uint32_t>(c.r) << 16) | (static_cast<std::uint32_t>(c.g) << 8) | c.b;
            }
            std::memcpy(data + y * stride + x * 4, &rgb, 4);
        }
    cairo_surface_mark_dirty(s);
    return s;
}

} // namespace

bool WriteContactSheet(const datagen::LibrarySpec& library, const std::string& pngPath) {
    // Small art is shown larger so that it can be judged.
    int largest = 1;
    for (const auto& s : library.sections)
        for (const auto& i : s.images) largest = std::max({largest, static_cast<int>(i.width), static_cast<int>(i.height)});
    const int zoomUp = largest <= 24 ? 4 : largest <= 60 ? 2 : 1;
    // Lay out: a title, then per section its name and a wrapped row of labelled images.
    struct Placed {
        const datagen::ImageSpec* image;
        int x, y;
    };
    std::vector<Placed> placed;
    std::vector<std::pair<std::string, int>> headings;
    int y = 24;
    for (const auto& s : library.sections) {
        headings.push_back({s.name + "  (" + std::to_string(s.images.size()) + ")", y + 12});
        y += 18;
        int x = kGap, rowHeight = 0;
        for (const auto& i : s.images) {
            const int w = std::max<int>(i.width * zoomUp, 40), h = i.height * zoomUp + kLabel;
            if (x + w > kSheetWidth - kGap && x > kGap) {
                x = kGap;
                y += rowHeight + kGap;
                rowHeight = 0;
            }
            placed.push_back({&i, x, y});
            x += w + kGap;
            rowHeight = std::max(rowHeight, h);
        }
        y += rowHeight + kGap * 2;
    }
    const int height = std::min(y + kGap, 32000);
    cairo_surface_t* sheet = cairo_image_surface_create(CAIRO_FORMAT_RGB24, kSheetWidth, height);
    cairo_t* cr = cairo_create(sheet);
    cairo_set_source_rgb(cr, 0.55, 0.57, 0.6);
    cairo_paint(cr);
    cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
    cairo_set_font_size(cr, 14);
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_move_to(cr, kGap, 16);
    cairo_show_text(cr, (library.title + (zoomUp > 1 ? "  (shown x" + std::to_string(zoomUp) + ")" : "")).c_str());
    cairo_set_font_size(cr, 11);
    for (const auto& [text, at] : headings) {
        cairo_set_source_rgb(cr, 0.1, 0.1, 0.3);
        cairo_move_to(cr, kGap, at);
        cairo_show_text(cr, text.c_str());
    }
    cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, 8);
    for (const Placed& p : placed) {
        if (p.y > height) break;
        cairo_surface_t* pic = Picture(*p.image, zoomUp);
        cairo_set_source_surface(cr, pic, p.x, p.y);
        cairo_paint(cr);
        cairo_surface_destroy(pic);
        cairo_set_source_rgb(cr, 0, 0, 0);
        cairo_move_to(cr, p.x, p.y + p.image->height * zoomUp + 9);
        cairo_show_text(cr, p.image->name.c_str());
    }
    cairo_destroy(cr);
    const bool ok = cairo_surface_write_to_png(sheet, pngPath.c_str()) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(sheet);
    return ok;
}

std::vector<std::uint8_t> DataFileList(const std::vector<std::pair<std::string, std::string>>& libraries,
                                       const std::vector<datagen::LibrarySpec>& specs) {
    std::vector<std::uint8_t> out;
    for (std::size_t k = 0; k < libraries.size() && k < specs.size(); ++k) {
        std::vector<std::uint8_t> name(64, 0);
        for (std::size_t i = 0; i < libraries[k].first.size() && i < 63; ++i) name[i] = static_cast<std::uint8_t>(libraries[k].first[i]);
        out.insert(out.end(), name.begin(), name.end());
        const auto record = datagen::EncodeDataListRecord(libraries[k].second, specs[k]);
        out.insert(out.end(), record.begin(), record.end());
    }
    return out;
}

} // namespace artgen

namespace artgen {

namespace {

const datagen::LibrarySpec* Find(const std::vector<const datagen::LibrarySpec*>& libs, const std::string& title) {
    for (const auto* l : libs)
        if (l && l->title == title) return l;
    return nullptr;
}

const datagen::ImageSpec* Picture(const datagen::LibrarySpec* lib, const std::string& section, std::size_t index) {
    if (!lib) return nullptr;
    for (const auto& s : lib->sections)
        if (s.name == section && index < s.images.size()) return &s.images[index];
    return nullptr;
}

// Draws a picture with its hot spot at (x, y): index 0 transparent, 255 of type 6 darkens.
void Blit(std::vector<std::uint32_t>& px, int w, int h, const datagen::ImageSpec* image, int x, int y) {
    if (!image) return;
    const auto& colours = Colours();
    x -= image->hotX;
    y -= image->hotY;
    for (int j = 0; j < image->height; ++j)
        for (int i = 0; i < image->width; ++i) {
            const int tx = x + i, ty = y + j;
            if (tx < 0 || ty < 0 || tx >= w || ty >= h) continue;
            const std::uint8_t index = image->pixels[static_cast<std::size_t>(j) * image->width + i];
            std::uint32_t& out = px[static_cast<std::size_t>(ty) * w + tx];
            if (index == 0 && image->type != 1) continue;
            if (index == 255 && image->type == 6) {
                out = ((out >> 1) & 0x7F7F7F);
                continue;
            }
            const Rgb c = colours[index];
            out = (static_cast<std::uint32_t>(c.r) << 16) | (static_cast<std::uint32_t>(c.g) << 8) | c.b;
        }
}

} // namespace

bool WriteMapPreview(const std::vector<const datagen::LibrarySpec*>& libs, int zoom, const std::string& pngPath) {
    const std::string sfx = ZoomSuffix(zoom);
    const auto* blocks = Find(libs, "Landscape Blocks" + sfx);
    const auto* over = Find(libs, "Landscape Overlays" + sfx);
    if (!blocks || !over) return false;
    const int cw = zoom == 0 ? 130 : zoom == 1 ? 66 : 34, ch = zoom == 0 ? 64 : zoom == 1 ? 32 : 16;
    const int step = zoom == 0 ? 12 : zoom == 1 ? 6 : 3;
    constexpr int cols = 7, rows = 9;
    const int w = cols * cw + cw / 2 + 8, h = rows * ch * 3 / 4 + ch + 3 * step + 8;
    std::vector<std::uint32_t> px(static_cast<std::size_t>(w) * h, 0x303830);
    // A river down the west edge at the water level, low ground at level 1 and a hill of two
    // levels more; the hexes off the sheet stand as low ground.
    auto level = [](int c, int r) {
        if (c == 0 && r >= 4) return 0;
        return (c >= 4 && r <= 4) ? 3 : (c >= 3 && r <= 5) ? 2 : 1;
    };
    auto origin = [&](int c, int r, int& x, int& y) {
        x = 4 + c * cw + (r % 2 ? cw / 2 : 0);
        y = 4 + 3 * step + r * ch * 3 / 4 - level(c, r) * step;
    };
    const char* levelNames[4] = {"River", "Level 1", "Level 2", "Level 3"};
    // A stream down the east side of column 1, flagged on the hex sides both its banks' hexes
    // share, and drawn as the landscape draws it: the piece of corner k wherever the two sides
    // it joins (k + 5 and k + 6 in the clockwise order from the north-east) both carry water.
    auto across = [](int c, int r, int side, int& nc, int& nr) {
        const int odd = r % 2;
        static const int dc[2][6] = {{0, 1, 0, -1, -1, -1}, {1, 1, 1, 0, -1, 0}};
        static const int dr[6] = {-1, 0, 1, 1, 0, -1};
        nc = c + dc[odd][side];
        nr = r + dr[side];
    };
    std::vector<std::array<bool, 6>> stream(static_cast<std::size_t>(cols * rows), std::array<bool, 6>{});
    auto flag = [&](int c, int r, int side) {
        if (c < 0 || r < 0 || c >= cols || r >= rows) return;
        stream[static_cast<std::size_t>(r * cols + c)][static_cast<std::size_t>(side)] = true;
        int nc, nr;
        across(c, r, side, nc, nr);
        if (nc >= 0 && nr >= 0 && nc < cols && nr < rows) stream[static_cast<std::size_t>(nr * cols + nc)][static_cast<std::size_t>((side + 3) % 6)] = true;
    };
    for (int r = 0; r < rows; ++r) {
        if (r % 2) {
            for (int side : {0, 1, 2}) flag(1, r, side);
        } else {
            flag(1, r, 1);
        }
    }
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c) {
            int x, y;
            origin(c, r, x, y);
            const int L = level(c, r);
            // Slopes (and on the water, shores) toward the higher neighbours west, north-west,
            // north-east and east.
            const int up = r - 1, upLeft = r % 2 ? c : c - 1;
            const int mask = (L < level(c - 1, r) ? 0x1 : 0) | (r > 0 && L < level(upLeft, up) ? 0x2 : 0) |
                             (r > 0 && L < level(upLeft + 1, up) ? 0x4 : 0) | (L < level(c + 1, r) ? 0x8 : 0);
            const std::size_t pic = static_cast<std::size_t>(mask * 4 + (L ? 2 : 0) + (c + r) % 4);
            Blit(px, w, h, Picture(blocks, levelNames[L], pic), x, y);
            // A road along row 6 and a railroad along row 8, bridged over the river, a stream down
            // column 1, woods top left, a farm on the height.
            if (r == 6) Blit(px, w, h, L == 0 ? Picture(over, "Bridges", 4) : Picture(over, "Roads", 3 * 4 + 0), x, y);
            const std::array<bool, 6>& water = stream[static_cast<std::size_t>(r * cols + c)];
            for (int k = 0; k < 6; ++k)
                if (water[static_cast<std::size_t>((k + 5) % 6)] && water[static_cast<std::size_t>(k)])
                    Blit(px, w, h, Picture(over, "Minor Rivers", static_cast<std::size_t>(3 * k + (c + r) % 3)), x, y);
            if (r == 2 && c == 1) Blit(px, w, h, Picture(over, "Marsh", 0), x, y);
            if (r == 8) Blit(px, w, h, Picture(over, L == 0 ? "Bridges" : "Railroads", 4), x, y);
        }
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c) {
            int x, y;
            origin(c, r, x, y);
            const int mx = x + cw / 2, my = y + ch / 2;
            if (c <= 2 && r <= 3 && c != 1)
                for (int k = 0; k < 6; ++k)
                    Blit(px, w, h, Picture(over, "Trees", static_cast<std::size_t>((k + r) % 3)), mx - cw / 3 + (k % 3) * cw / 3,
                         my - ch / 6 + (k / 3) * ch / 3);
            if (c == 5 && r == 2) {
                Blit(px, w, h, Picture(over, "Building", 3), mx - cw / 5, my);
                Blit(px, w, h, Picture(over, "Building", 2), mx + cw / 5, my + ch / 5);
            }
            if (c == 3 && r == 1) Blit(px, w, h, Picture(over, "Walls", 0), x, y + ch / 2);
            auto figures = [&](const char* art, const char* section, std::size_t frame, int count, int dx, int dy) {
                const auto* lib = Find(libs, art + sfx);
                for (int k = 0; k < count; ++k)
                    Blit(px, w, h, Picture(lib, section, frame), mx - (count - 1) * dx / 2 + k * dx, my + (k % 2) * dy);
            };
            if (c == 3 && r == 4) figures("Union Medium Infantry", "Standing", 2, 6, cw / 8, ch / 8);
            if (c == 3 && r == 3) figures("Union Medium Infantry", "ME", 2, 6, cw / 8, ch / 8);
            if (c == 6 && r == 5) figures("Confederate Medium Infantry", "MW", 3, 6, cw / 8, ch / 8);
            if (c == 5 && r == 6) figures("Confederate Cavalry", "W", 1, 3, cw / 4, ch / 8);
            if (c == 2 && r == 5) figures("Union Iron Battery", "ME", 2, 2, cw / 3, ch / 6);
            if (c == 4 && r == 7) figures("Union Iron Limbered Battery", "E", 1, 1, 0, 0);
            if (c == 1 && r == 7) figures("Union Supply Wagon", "E", 0, 1, 0, 0);
            if (c == 6 && r == 3) figures("Confederate Corp Commander", "Standing", 6, 1, 0, 0);
            if (c == 4 && r == 5) figures("Union Div Commander", "Standing", 2, 1, 0, 0);
        }
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, h);
    cairo_surface_flush(s);
    unsigned char* data = cairo_image_surface_get_data(s);
    const int stride = cairo_image_surface_get_stride(s);
    for (int y = 0; y < h; ++y) std::memcpy(data + y * stride, &px[static_cast<std::size_t>(y) * w], static_cast<std::size_t>(w) * 4);
    cairo_surface_mark_dirty(s);
    const bool ok = cairo_surface_write_to_png(s, pngPath.c_str()) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(s);
    return ok;
}

} // namespace artgen
