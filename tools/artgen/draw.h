#pragma once
// Shared drawing pieces of the art: textures, bevelled panels, text, simple shapes.
#include "tools/artgen/canvas.h"

#include <string>

namespace artgen::draw {

struct Colour {
    int r, g, b;
    Colour Scaled(double k) const;
    Colour Mixed(const Colour& o, double t) const;
};

void Set(cairo_t* cr, const Colour& c, double alpha = 1.0);
// Parchment over the whole canvas: a warm ground with fibres and blotches that wrap at the
// edges, so that tiles of it join without seams.
void Parchment(Canvas& c, std::uint32_t seed, const Colour& base);
// A raised (or pressed) panel with a light and a dark bevel.
void Bevel(cairo_t* cr, double x, double y, double w, double h, const Colour& face, bool pressed, double edge = 2);
// Text in DejaVu (Sans, or Serif when `serif`), centred on (cx, cy) when `centre`, else from (x, baseline).
void Text(cairo_t* cr, const std::string& text, double x, double y, double size, const Colour& c, bool bold = false,
          bool serif = false, bool centre = false);
// A flag on a pole: the top of the pole at (x, y), cloth w x h, waving by `phase` (0..1).
void Flag(cairo_t* cr, double x, double y, double w, double h, bool union_, double phase, bool grey = false);

} // namespace artgen::draw
