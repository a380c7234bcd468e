#include "tools/artgen/draw.h"

#include <algorithm>
#include <cmath>

namespace artgen::draw {

Colour Colour::Scaled(double k) const {
    auto c = [k](int v) { return std::clamp(static_cast<int>(std::lround(v * k)), 0, 255); };
    return {c(r), c(g), c(b)};
}

Colour Colour::Mixed(const Colour& o, double t) const {
    auto m = [t](int from, int to) { return static_cast<int>(std::lround(from + (to - from) * t)); };
    return {m(r, o.r), m(g, o.g), m(b, o.b)};
}

void Set(cairo_t* cr, const Colour& c, double alpha) { SetRgb(cr, c.r, c.g, c.b, alpha); }

void Parchment(Canvas& c, std::uint32_t seed, const Colour& base) {
    cairo_t* cr = c.cr();
    const int w = c.Width(), h = c.Height();
    Set(cr, base);
    cairo_paint(cr);
    Noise n(seed);
    // Soft blotches, drawn again one width or height over so that they wrap.
    for (int i = 0; i < (w * h) / 300 + 4; ++i) {
        const double x = n.Range(0, w), y = n.Range(0, h), r = n.Range(4, 18);
        const Colour tone = n.Unit() < 0.5 ? base.Scaled(0.93) : base.Scaled(1.05);
        for (int dx = -1; dx <= 1; ++dx)
            for (int dy = -1; dy <= 1; ++dy) {
                cairo_pattern_t* p = cairo_pattern_create_radial(x + dx * w, y + dy * h, 0, x + dx * w, y + dy * h, r);
                cairo_pattern_add_color_stop_rgba(p, 0, tone.r / 255.0, tone.g / 255.0, tone.b / 255.0, 0.5);
                cairo_pattern_add_color_stop_rgba(p, 1, tone.r / 255.0, tone.g / 255.0, tone.b / 255.0, 0);
                cairo_set_source(cr, p);
                cairo_arc(cr, x + dx * w, y + dy * h, r, 0, 2 * M_PI);
                cairo_fill(cr);
                cairo_pattern_destroy(p);
            }
    }
    // Fibres.
    cairo_set_line_width(cr, 0.6);
    for (int i = 0; i < (w * h) / 120 + 4; ++i) {
        const double x = n.Range(0, w), y = n.Range(0, h), len = n.Range(2, 7), a = n.Range(-0.4, 0.4);
        Set(cr, base.Scaled(n.Unit() < 0.5 ? 0.86 : 1.08), 0.7);
        for (int dx = -1; dx <= 1; ++dx)
            for (int dy = -1; dy <= 1; ++dy) {
                cairo_move_to(cr, x + dx * w, y + dy * h);
                cairo_line_to(cr, x + dx * w + len * std::cos(a), y + dy * h + len * std::sin(a));
                cairo_stroke(cr);
            }
    }
}

void Bevel(cairo_t* cr, double x, double y, double w, double h, const Colour& face, bool pressed, double edge) {
    cairo_pattern_t* p = cairo_pattern_create_linear(0, y, 0, y + h);
    const Colour top = pressed ? face.Scaled(0.85) : face.Scaled(1.12), bottom = pressed ? face.Scaled(1.0) : face.Scaled(0.82);
    cairo_pattern_add_color_stop_rgb(p, 0, top.r / 255.0, top.g / 255.0, top.b / 255.0);
    cairo_pattern_add_color_stop_rgb(p, 1, bottom.r / 255.0, bottom.g / 255.0, bottom.b / 255.0);
    cairo_set_source(cr, p);
    cairo_rectangle(cr, x, y, w, h);
    cairo_fill(cr);
    cairo_pattern_destroy(p);
    const Colour light = face.Mixed({255, 250, 230}, 0.55), dark = face.Scaled(0.45);
    // Upper and left edges.
    Set(cr, pressed ? dark : light);
    cairo_move_to(cr, x, y + h);
    cairo_line_to(cr, x, y);
    cairo_line_to(cr, x + w, y);
    cairo_line_to(cr, x + w - edge, y + edge);
    cairo_line_to(cr, x + edge, y + edge);
    cairo_line_to(cr, x + edge, y + h - edge);
    cairo_close_path(cr);
    cairo_fill(cr);
    Set(cr, pressed ? light : dark);
    cairo_move_to(cr, x + w, y);
    cairo_line_to(cr, x + w, y + h);
    cairo_line_to(cr, x, y + h);
    cairo_line_to(cr, x + edge, y + h - edge);
    cairo_line_to(cr, x + w - edge, y + h - edge);
    cairo_line_to(cr, x + w - edge, y + edge);
    cairo_close_path(cr);
    cairo_fill(cr);
}

void Text(cairo_t* cr, const std::string& text, double x, double y, double size, const Colour& c, bool bold, bool serif,
          bool centre) {
    cairo_select_font_face(cr, serif ? "DejaVu Serif" : "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL,
                           bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, size);
    if (centre) {
        cairo_text_extents_t e;
        cairo_text_extents(cr, text.c_str(), &e);
        x -= e.width / 2 + e.x_bearing;
        y -= e.height / 2 + e.y_bearing;
    }
    Set(cr, c);
    cairo_move_to(cr, x, y);
    cairo_show_text(cr, text.c_str());
    cairo_new_path(cr);
}

void Flag(cairo_t* cr, double x, double y, double w, double h, bool union_, double phase, bool grey) {
    // Pole.
    Set(cr, {90, 62, 34});
    cairo_set_line_width(cr, std::max(0.8, w / 10));
    cairo_move_to(cr, x, y);
    cairo_line_to(cr, x, y + h * 2.6);
    cairo_stroke(cr);
    auto wave = [&](double t) { return std::sin((t + phase) * 2 * M_PI) * h * 0.12; };
    auto cloth = [&](double t0, double t1, double v0, double v1) {
        cairo_move_to(cr, x + w * t0, y + h * v0 + wave(t0));
        for (int i = 1; i <= 6; ++i) {
            const double t = t0 + (t1 - t0) * i / 6;
            cairo_line_to(cr, x + w * t, y + h * v0 + wave(t));
        }
        for (int i = 6; i >= 0; --i) {
            const double t = t0 + (t1 - t0) * i / 6;
            cairo_line_to(cr, x + w * t, y + h * v1 + wave(t));
        }
        cairo_close_path(cr);
        cairo_fill(cr);
    };
    const Colour red = grey ? Colour{120, 110, 105} : Colour{196, 30, 36};
    const Colour blue = grey ? Colour{90, 90, 96} : Colour{28, 44, 120};
    const Colour white = grey ? Colour{170, 170, 166} : Colour{244, 242, 236};
    if (union_) {
        // Stripes with a blue canton.
        for (int s = 0; s < 5; ++s) {
            Set(cr, s % 2 == 0 ? red : white);
            cloth(0, 1, s / 5.0, (s + 1) / 5.0);
        }
        Set(cr, blue);
        cloth(0, 0.45, 0, 0.55);
    } else {
        // Red field with a blue saltire edged in white.
        Set(cr, red);
        cloth(0, 1, 0, 1);
        cairo_set_line_width(cr, std::max(1.0, h * 0.28));
        Set(cr, white);
        cairo_move_to(cr, x, y + wave(0));
        cairo_line_to(cr, x + w, y + h + wave(1));
        cairo_move_to(cr, x, y + h + wave(0));
        cairo_line_to(cr, x + w, y + wave(1));
        cairo_stroke(cr);
        cairo_set_line_width(cr, std::max(0.7, h * 0.16));
        Set(cr, blue);
        cairo_move_to(cr, x, y + wave(0));
        cairo_line_to(cr, x + w, y + h + wave(1));
        cairo_move_to(cr, x, y + h + wave(0));
        cairo_line_to(cr, x + w, y + wave(1));
        cairo_stroke(cr);
    }
}

} // namespace artgen::draw
