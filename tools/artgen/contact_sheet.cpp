#include "tools/artgen/art_set.h"
#include "tools/artgen/palette.h"

#include <cairo.h>

#include <algorithm>
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
