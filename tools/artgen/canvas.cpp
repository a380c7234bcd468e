#include "tools/artgen/canvas.h"

#include "tools/artgen/palette.h"

#include <algorithm>

namespace artgen {

namespace {

constexpr int kBayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};

} // namespace

Canvas::Canvas(int width, int height)
    : width_(std::max(1, width)), height_(std::max(1, height)),
      surface_(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width_, height_)), cr_(cairo_create(surface_)) {
    cairo_set_antialias(cr_, CAIRO_ANTIALIAS_GOOD);
}

Canvas::~Canvas() {
    if (shadowCr_) cairo_destroy(shadowCr_);
    if (shadow_) cairo_surface_destroy(shadow_);
    if (waterCr_) cairo_destroy(waterCr_);
    if (water_) cairo_surface_destroy(water_);
    cairo_destroy(cr_);
    cairo_surface_destroy(surface_);
}

cairo_t* Canvas::Water() {
    if (!water_) {
        water_ = cairo_image_surface_create(CAIRO_FORMAT_A8, width_, height_);
        waterCr_ = cairo_create(water_);
    }
    return waterCr_;
}

cairo_t* Canvas::Shadow() {
    if (!shadow_) {
        shadow_ = cairo_image_surface_create(CAIRO_FORMAT_A8, width_, height_);
        shadowCr_ = cairo_create(shadow_);
        cairo_matrix_t m;
        cairo_get_matrix(cr_, &m);
        cairo_set_matrix(shadowCr_, &m);
    }
    return shadowCr_;
}

datagen::ImageSpec Canvas::Take(const std::string& name, int type, int hotX, int hotY, bool dither) {
    cairo_surface_flush(surface_);
    datagen::ImageSpec s;
    s.name = name;
    s.width = static_cast<std::int16_t>(width_);
    s.height = static_cast<std::int16_t>(height_);
    s.hotX = static_cast<std::int16_t>(hotX);
    s.hotY = static_cast<std::int16_t>(hotY);
    s.type = static_cast<std::int16_t>(type);
    s.pixels.assign(static_cast<std::size_t>(width_) * height_, 0);
    const unsigned char* data = cairo_image_surface_get_data(surface_);
    const int stride = cairo_image_surface_get_stride(surface_);
    const unsigned char* water = nullptr;
    int waterStride = 0;
    if (water_) {
        cairo_surface_flush(water_);
        water = cairo_image_surface_get_data(water_);
        waterStride = cairo_image_surface_get_stride(water_);
    }
    const unsigned char* shadow = nullptr;
    int shadowStride = 0;
    if (shadow_ && type == 6) {
        cairo_surface_flush(shadow_);
        shadow = cairo_image_surface_get_data(shadow_);
        shadowStride = cairo_image_surface_get_stride(shadow_);
    }
    for (int y = 0; y < height_; ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(data + y * stride);
        for (int x = 0; x < width_; ++x) {
            std::uint8_t& out = s.pixels[static_cast<std::size_t>(y) * width_ + x];
            if (water && water[y * waterStride + x] >= 128) {
                out = static_cast<std::uint8_t>(kFirstWater + ((x + 2 * y) / 3) % (kLastWater - kFirstWater + 1));
                continue;
            }
            const std::uint32_t p = row[x];
            const int a = static_cast<int>(p >> 24);
            if (a < 128) {
                if (shadow && shadow[y * shadowStride + x] >= 128) out = 255;
                continue;  // transparent
            }
            // Cairo keeps colours multiplied by their cover: undo that for the half-covered edge.
            int r = static_cast<int>((p >> 16) & 0xFF) * 255 / a;
            int g = static_cast<int>((p >> 8) & 0xFF) * 255 / a;
            int b = static_cast<int>(p & 0xFF) * 255 / a;
            if (dither) {
                const int d = (kBayer[y & 3][x & 3] - 8) * 2;
                r += d;
                g += d;
                b += d;
            }
            out = Nearest(r, g, b);
        }
    }
    return s;
}

void SetRgb(cairo_t* cr, int r, int g, int b, double alpha) {
    cairo_set_source_rgba(cr, r / 255.0, g / 255.0, b / 255.0, alpha);
}

} // namespace artgen
