#pragma once
// A picture drawn with Cairo in true colour and reduced to the palette: pixels under half cover
// become transparent (index 0), the rest the nearest drawable entry, with an ordered dither
// where a picture asks for it (gradients of ground and sky). A water mask turns what it covers
// into the animated water entries, in a diagonal pattern that the colour cycling makes flow.
#include "tools/datagen/qif_writer.h"

#include <cairo.h>

#include <cstdint>
#include <string>

namespace artgen {

class Canvas {
public:
    Canvas(int width, int height);
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    cairo_t* cr() { return cr_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    // The context of the water mask (anything drawn there, opaque, becomes animated water).
    cairo_t* Water();
    // The context of the shadow mask: where it is opaque and the picture is not, a picture of
    // type 6 gets its shadow runs (index 255, drawn by darkening the ground).
    cairo_t* Shadow();

    // The picture in palette indices. `dither` spreads the rounding of gradients.
    datagen::ImageSpec Take(const std::string& name, int type, int hotX, int hotY, bool dither = false);

private:
    int width_, height_;
    cairo_surface_t* surface_;
    cairo_t* cr_;
    cairo_surface_t* water_ = nullptr;
    cairo_t* waterCr_ = nullptr;
    cairo_surface_t* shadow_ = nullptr;
    cairo_t* shadowCr_ = nullptr;
};

// Colour helpers for Cairo sources: components 0-255.
void SetRgb(cairo_t* cr, int r, int g, int b, double alpha = 1.0);
// A deterministic stream of numbers for textures: the same seed, the same picture.
class Noise {
public:
    explicit Noise(std::uint32_t seed) : state_(seed * 2654435761u + 12345u) {}
    std::uint32_t Next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return state_;
    }
    // 0 <= x < 1
    double Unit() { return (Next() & 0xFFFFFF) / 16777216.0; }
    double Range(double a, double b) { return a + (b - a) * Unit(); }

private:
    std::uint32_t state_;
};

} // namespace artgen
