// The battlefield's art at the three zooms: every picture is drawn once in the geometry of the
// full-size hex (a pointed hex 130 wide and 64 high inside a 130 x 76 block, 12 pixels a level)
// and scaled to the half (66 x 32) and quarter (34 x 16) cells, so the look is the same at each
// zoom. The view is three-quarter isometric with the light from the north-west.
#include "tools/artgen/art_set.h"
#include "tools/artgen/draw.h"
#include "tools/artgen/palette.h"

#include <cmath>

namespace artgen {

namespace {

using datagen::ImageSpec;
using datagen::LibrarySpec;
using datagen::SectionSpec;
using draw::Colour;

struct Zoom {
    int cellW, cellH, blockW, blockH, step;
};
constexpr Zoom kZooms[3] = {{130, 64, 130, 76, 12}, {66, 32, 66, 38, 6}, {34, 16, 34, 19, 3}};

// The hex's corners in full-size cell coordinates, from the top clockwise.
constexpr double kCorner[6][2] = {{65, 0}, {130, 16}, {130, 48}, {65, 64}, {0, 48}, {0, 16}};
// Side s (0 NE, 1 E, 2 SE, 3 SW, 4 W, 5 NW) runs from corner s to corner s + 1.
struct P {
    double x, y;
};
P Mid(int side) {
    const int a = ((side % 6) + 6) % 6, b = (a + 1) % 6;
    return {(kCorner[a][0] + kCorner[b][0]) / 2, (kCorner[a][1] + kCorner[b][1]) / 2};
}
// The map's sides (N, NE, SE, S, SW, NW, clockwise) turn a sixth of a turn on the screen: map
// side i is drawn as side i + 1 here (N as E, ..., NW as NE). The river and earthwork piece of
// corner k runs along the map's sides k + 4 and k + 5, so along sides k + 5 and k + 6 here,
// through the corner k they share.
P CornerSideA(int k) { return Mid(k + 5); }
P CornerSideB(int k) { return Mid(k + 6); }
P SharedCorner(int k) {
    const int c = k % 6;
    return {kCorner[c][0], kCorner[c][1]};
}
constexpr P kCentre{65, 32};

void HexPath(cairo_t* cr, double inset = 0) {
    for (int i = 0; i < 6; ++i) {
        const double x = kCentre.x + (kCorner[i][0] - kCentre.x) * (1 - inset / 65);
        const double y = kCentre.y + (kCorner[i][1] - kCentre.y) * (1 - inset / 65);
        if (i == 0) cairo_move_to(cr, x, y);
        else cairo_line_to(cr, x, y);
    }
    cairo_close_path(cr);
}

// A canvas of a zoom's block size, scaled so that drawing happens in full-size coordinates.
struct Scaled {
    Canvas canvas;
    Scaled(int zoom, int w, int h) : canvas(w, h) {
        const Zoom& z = kZooms[zoom];
        const double sx = z.cellW / 130.0, sy = z.cellH / 64.0;
        cairo_scale(canvas.cr(), sx, sy);
        cairo_scale(canvas.Water(), sx, sy);
    }
};

Scaled BlockCanvas(int zoom) { return Scaled(zoom, kZooms[zoom].blockW, kZooms[zoom].blockH); }

// Ground colour by level: the river bottoms darker and lusher, the heights drier and lighter.
Colour LevelColour(int level) {
    static const Colour c[6] = {{70, 112, 46}, {92, 128, 52}, {112, 140, 60}, {134, 150, 72}, {150, 154, 84}, {164, 160, 98}};
    return c[level < 0 ? 0 : level > 5 ? 5 : level];
}

std::uint32_t Mix(std::uint32_t a, std::uint32_t b) { return a * 2654435761u ^ (b + 0x9e3779b9u + (a << 6) + (a >> 2)); }

// Grass tufts and blotches inside the hex.
void GrassTexture(cairo_t* cr, const Colour& base, std::uint32_t seed, double density = 1.0) {
    Noise n(seed);
    cairo_save(cr);
    HexPath(cr);
    cairo_clip(cr);
    for (int i = 0; i < static_cast<int>(26 * density); ++i) {
        const double x = n.Range(0, 130), y = n.Range(0, 64), r = n.Range(5, 14);
        draw::Set(cr, base.Scaled(n.Unit() < 0.5 ? 0.9 : 1.08), 0.45);
        cairo_save(cr);
        cairo_translate(cr, x, y);
        cairo_scale(cr, 1, 0.5);
        cairo_arc(cr, 0, 0, r, 0, 2 * M_PI);
        cairo_restore(cr);
        cairo_fill(cr);
    }
    cairo_set_line_width(cr, 1.0);
    for (int i = 0; i < static_cast<int>(70 * density); ++i) {
        const double x = n.Range(0, 130), y = n.Range(0, 64);
        draw::Set(cr, base.Scaled(n.Unit() < 0.5 ? 0.78 : 1.2), 0.9);
        cairo_move_to(cr, x, y);
        cairo_line_to(cr, x + n.Range(-1.5, 1.5), y - n.Range(1.5, 3));
        cairo_stroke(cr);
    }
    cairo_restore(cr);
}

void Stroke(cairo_t* cr, const std::vector<P>& pts, double width, const Colour& c, double alpha = 1.0);

// One ground picture: the top of the hex in the level's colour, rising toward the sides the
// slope mask names (0x1 west, 0x2 north-west, 0x4 north-east, 0x8 east higher), and the bank
// below the two lower sides that shows where a lower hex lies in front.
ImageSpec Ground(int zoom, int level, int mask, int variant, const std::string& name) {
    Scaled s = BlockCanvas(zoom);
    cairo_t* cr = s.canvas.cr();
    const Colour base = LevelColour(level);
    // The bank.
    cairo_move_to(cr, 0, 48);
    cairo_line_to(cr, 65, 64);
    cairo_line_to(cr, 130, 48);
    cairo_line_to(cr, 130, 60);
    cairo_line_to(cr, 65, 76);
    cairo_line_to(cr, 0, 60);
    cairo_close_path(cr);
    cairo_pattern_t* bank = cairo_pattern_create_linear(0, 0, 130, 0);
    const Colour left = base.Mixed({120, 92, 60}, 0.45).Scaled(0.8), right = base.Mixed({96, 72, 46}, 0.5).Scaled(0.62);
    cairo_pattern_add_color_stop_rgb(bank, 0, left.r / 255.0, left.g / 255.0, left.b / 255.0);
    cairo_pattern_add_color_stop_rgb(bank, 0.5, left.r / 255.0, left.g / 255.0, left.b / 255.0);
    cairo_pattern_add_color_stop_rgb(bank, 0.5, right.r / 255.0, right.g / 255.0, right.b / 255.0);
    cairo_pattern_add_color_stop_rgb(bank, 1, right.r / 255.0, right.g / 255.0, right.b / 255.0);
    cairo_set_source(cr, bank);
    cairo_fill(cr);
    cairo_pattern_destroy(bank);
    if (level == 0) {
        // Level 0 is the water level: open water in the animated entries, running on into the
        // next water hex, with a muddy shore under the sides where the ground rises.
        HexPath(cr);
        draw::Set(cr, {64, 98, 130});
        cairo_fill(cr);
        cairo_t* w = s.canvas.Water();
        HexPath(w);
        cairo_set_source_rgba(w, 0, 0, 0, 1);
        cairo_fill(w);
        // The shore: a strip of mud along the whole of each side where the ground rises, its
        // water's edge wavering, so that the banks of neighbouring sides join at the corners.
        const int shoreSides[4] = {4, 5, 0, 1};
        cairo_save(cr);
        HexPath(cr);
        cairo_clip(cr);
        Noise n(static_cast<std::uint32_t>(mask * 7 + variant * 131 + 11));
        for (int bit = 0; bit < 4; ++bit) {
            if (!(mask & (1 << bit))) continue;
            const int side = shoreSides[bit];
            const P a{kCorner[side][0], kCorner[side][1]}, b{kCorner[(side + 1) % 6][0], kCorner[(side + 1) % 6][1]};
            constexpr int kSteps = 8;
            std::vector<P> edge;
            for (int i = 0; i <= kSteps; ++i) {
                const double t = static_cast<double>(i) / kSteps;
                // Widest at the middle of the side, narrowing into the corners.
                const double depth = (0.1 + 0.1 * std::sin(t * M_PI)) * n.Range(0.8, 1.25);
                const P on{a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t};
                edge.push_back({on.x + (kCentre.x - on.x) * depth, on.y + (kCentre.y - on.y) * depth});
            }
            for (cairo_t* c : {cr, w}) {
                cairo_move_to(c, a.x + (a.x - kCentre.x) * 0.05, a.y + (a.y - kCentre.y) * 0.05);
                for (const P& e : edge) cairo_line_to(c, e.x, e.y);
                cairo_line_to(c, b.x + (b.x - kCentre.x) * 0.05, b.y + (b.y - kCentre.y) * 0.05);
                cairo_close_path(c);
            }
            draw::Set(cr, {104, 90, 58});
            cairo_fill(cr);
            cairo_set_operator(w, CAIRO_OPERATOR_CLEAR);
            cairo_fill(w);
            cairo_set_operator(w, CAIRO_OPERATOR_OVER);
            // The wet line at the water's edge, taken out of the water too.
            Stroke(cr, edge, 1.6, {78, 70, 46});
            cairo_set_operator(w, CAIRO_OPERATOR_CLEAR);
            Stroke(w, edge, 1.6, {0, 0, 0});
            cairo_set_operator(w, CAIRO_OPERATOR_OVER);
        }
        cairo_restore(cr);
        return s.canvas.Take(name, 2, 0, 0, true);
    }
    // The top.
    HexPath(cr);
    draw::Set(cr, base);
    cairo_fill(cr);
    GrassTexture(cr, base, Mix(Mix(static_cast<std::uint32_t>(level), static_cast<std::uint32_t>(mask)),
                               static_cast<std::uint32_t>(variant)));
    // Slopes: light on what faces the north-west light, shade on what turns from it.
    const struct {
        int bit;
        P edge;
        double light;
    } slopes[4] = {{0x1, Mid(4), 1.18}, {0x2, Mid(5), 1.22}, {0x4, Mid(0), 0.86}, {0x8, Mid(1), 0.8}};
    cairo_save(cr);
    HexPath(cr);
    cairo_clip(cr);
    for (const auto& sl : slopes) {
        if (!(mask & sl.bit)) continue;
        cairo_pattern_t* g = cairo_pattern_create_linear(sl.edge.x, sl.edge.y, kCentre.x, kCentre.y);
        const Colour c = base.Scaled(sl.light);
        cairo_pattern_add_color_stop_rgba(g, 0, c.r / 255.0, c.g / 255.0, c.b / 255.0, 0.9);
        cairo_pattern_add_color_stop_rgba(g, 1, c.r / 255.0, c.g / 255.0, c.b / 255.0, 0.0);
        cairo_set_source(cr, g);
        cairo_paint(cr);
        cairo_pattern_destroy(g);
        // Contour hachures down the slope.
        draw::Set(cr, base.Scaled(0.72), 0.85);
        cairo_set_line_width(cr, 1.1);
        for (int k = -3; k <= 3; ++k) {
            const double dx = kCentre.x - sl.edge.x, dy = kCentre.y - sl.edge.y;
            const double len = std::hypot(dx, dy), px = -dy / len, py = dx / len;
            const double ox = sl.edge.x + px * k * 8 + dx * 0.08, oy = sl.edge.y + py * k * 4 + dy * 0.08;
            cairo_move_to(cr, ox, oy);
            cairo_line_to(cr, ox + dx * 0.28, oy + dy * 0.28);
        }
        cairo_stroke(cr);
    }
    cairo_restore(cr);
    // The top's rim: a thin lighter line on the north edges, darker on the south.
    cairo_set_line_width(cr, 1);
    draw::Set(cr, base.Scaled(1.15), 0.6);
    cairo_move_to(cr, 0, 48);
    cairo_line_to(cr, 0, 16);
    cairo_line_to(cr, 65, 0);
    cairo_line_to(cr, 130, 16);
    cairo_stroke(cr);
    return s.canvas.Take(name, 2, 0, 0, true);
}

// The 66 pictures of a level: sixteen groups of four by slope mask, and two more; pictures
// above level 0 are taken two places further on, the first two being the hollow between two
// higher hexes in front.
SectionSpec GroundSection(int zoom, int level) {
    SectionSpec s;
    s.name = level == 0 ? "River" : "Level " + std::to_string(level);
    for (int p = 0; p < 66; ++p) {
        int mask;
        if (level == 0) mask = std::min(15, p / 4);
        else mask = p < 2 ? 0 : std::min(15, (p - 2) / 4);
        const int variant = level == 0 ? p % 4 : (p + 2) % 4;
        s.images.push_back(Ground(zoom, level, mask, variant, "G" + std::to_string(level) + "_" + std::to_string(p)));
    }
    return s;
}

// A rock face below a hex edge where the ground drops two levels or more.
ImageSpec Cliff(int zoom, bool se, int variant, const std::string& name) {
    Scaled s(zoom, (kZooms[zoom].blockW + 1) / 2, kZooms[zoom].blockH * 2 / 3);
    cairo_t* cr = s.canvas.cr();
    const double drop = 40;
    if (se) {
        cairo_move_to(cr, 0, 16);
        cairo_line_to(cr, 65, 0);
        cairo_line_to(cr, 65, drop);
        cairo_line_to(cr, 0, 16 + drop);
    } else {
        cairo_move_to(cr, 0, 0);
        cairo_line_to(cr, 65, 16);
        cairo_line_to(cr, 65, 16 + drop);
        cairo_line_to(cr, 0, drop);
    }
    cairo_close_path(cr);
    const Colour rock = se ? Colour{118, 104, 84} : Colour{150, 134, 108};
    draw::Set(cr, rock);
    cairo_fill_preserve(cr);
    cairo_save(cr);
    cairo_clip(cr);
    Noise n(static_cast<std::uint32_t>(variant * 31 + (se ? 7 : 3)));
    cairo_set_line_width(cr, 1.2);
    for (int k = 0; k < 7; ++k) {
        const double y = n.Range(4, drop + 8);
        draw::Set(cr, rock.Scaled(n.Range(0.6, 0.8)));
        cairo_move_to(cr, 0, y + (se ? 16 : 0));
        cairo_line_to(cr, 65, y + (se ? 0 : 16) + n.Range(-3, 3));
        cairo_stroke(cr);
    }
    for (int k = 0; k < 10; ++k) {
        draw::Set(cr, rock.Scaled(n.Range(0.7, 1.2)), 0.8);
        cairo_rectangle(cr, n.Range(0, 60), n.Range(0, drop + 12), n.Range(3, 7), n.Range(2, 4));
        cairo_fill(cr);
    }
    cairo_restore(cr);
    return s.canvas.Take(name, 2, 0, 0, true);
}

// --- features laid over the ground ---

ImageSpec Blank(int zoom, const std::string& name, const std::function<void(cairo_t*, cairo_t*)>& paint) {
    Scaled s = BlockCanvas(zoom);
    paint(s.canvas.cr(), s.canvas.Water());
    return s.canvas.Take(name, 2, 0, 0);
}

void Stroke(cairo_t* cr, const std::vector<P>& pts, double width, const Colour& c, double alpha) {
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_set_line_width(cr, width);
    draw::Set(cr, c, alpha);
    for (std::size_t i = 0; i < pts.size(); ++i) {
        if (i == 0) cairo_move_to(cr, pts[i].x, pts[i].y);
        else cairo_line_to(cr, pts[i].x, pts[i].y);
    }
    cairo_stroke(cr);
}

void River(cairo_t* cr, cairo_t* water, const std::vector<P>& pts, double width) {
    Stroke(cr, pts, width + 6, {92, 84, 52});
    Stroke(cr, pts, width + 2, {64, 98, 130});
    Stroke(water, pts, width, {0, 0, 0});
}

SectionSpec MinorRivers(int zoom) {
    SectionSpec s;
    s.name = "Minor Rivers";
    for (int k = 0; k < 6; ++k)
        for (int v = 0; v < 3; ++v) {
            const P a = CornerSideA(k), c = SharedCorner(k), b = CornerSideB(k);
            const double wobble = (v - 1) * 2.0;
            s.images.push_back(Blank(zoom, "River" + std::to_string(3 * k + v), [&](cairo_t* cr, cairo_t* w) {
                River(cr, w, {a, {c.x + wobble, c.y + wobble * 0.5}, b}, 6 + v);
            }));
        }
    return s;
}

SectionSpec MinorRiverEnds(int zoom) {
    SectionSpec s;
    s.name = "Minor River Ends";
    for (int e = 0; e < 12; ++e) {
        // End e: half of side e / 2, from its middle toward its first or second corner.
        const int side = e / 2;
        const P m = Mid(side);
        const int corner = e % 2 == 0 ? side : (side + 1) % 6;
        const P c{kCorner[corner][0], kCorner[corner][1]};
        const P tip{m.x + (c.x - m.x) * 0.2, m.y + (c.y - m.y) * 0.2};
        s.images.push_back(Blank(zoom, "End" + std::to_string(e), [&](cairo_t* cr, cairo_t* w) {
            River(cr, w, {m, tip}, 5);
        }));
    }
    return s;
}

SectionSpec Earthworks(int zoom, bool ditch) {
    SectionSpec s;
    s.name = ditch ? "Ditch" : "Birm";
    const int count = ditch ? 6 : 3;
    for (int k = 0; k < count; ++k) {
        const P a = CornerSideA(k), c = SharedCorner(k), b = CornerSideB(k);
        s.images.push_back(Blank(zoom, (ditch ? "Ditch" : "Birm") + std::to_string(k), [&](cairo_t* cr, cairo_t*) {
            if (ditch) {
                Stroke(cr, {a, c, b}, 9, {96, 70, 40});
                Stroke(cr, {a, c, b}, 4, {52, 38, 22});
            } else {
                Stroke(cr, {a, c, b}, 10, {110, 86, 50});
                Stroke(cr, {a, c, b}, 4, {164, 136, 90});
                // Log revetment.
                Stroke(cr, {{a.x, a.y + 3}, {c.x, c.y + 3}, {b.x, b.y + 3}}, 1.5, {70, 48, 26});
            }
        }));
    }
    return s;
}

SectionSpec Marsh(int zoom) {
    SectionSpec s;
    s.name = "Marsh";
    for (int v = 0; v < 3; ++v)
        s.images.push_back(Blank(zoom, "Marsh" + std::to_string(v), [&](cairo_t* cr, cairo_t* w) {
            Noise n(static_cast<std::uint32_t>(700 + v));
            for (int i = 0; i < 5; ++i) {
                const double x = n.Range(30, 100), y = n.Range(18, 46), rx = n.Range(8, 16);
                cairo_save(cr);
                cairo_translate(cr, x, y);
                cairo_scale(cr, 1, 0.45);
                cairo_arc(cr, 0, 0, rx + 2, 0, 2 * M_PI);
                cairo_restore(cr);
                draw::Set(cr, {70, 90, 60});
                cairo_fill(cr);
                cairo_save(w);
                cairo_translate(w, x, y);
                cairo_scale(w, 1, 0.45);
                cairo_arc(w, 0, 0, rx, 0, 2 * M_PI);
                cairo_restore(w);
                cairo_set_source_rgba(w, 0, 0, 0, 1);
                cairo_fill(w);
            }
            cairo_set_line_width(cr, 1.2);
            for (int i = 0; i < 60; ++i) {
                const double x = n.Range(20, 110), y = n.Range(12, 54);
                draw::Set(cr, n.Unit() < 0.5 ? Colour{86, 120, 52} : Colour{150, 150, 80});
                cairo_move_to(cr, x, y);
                cairo_line_to(cr, x + n.Range(-2, 2), y - n.Range(3, 7));
                cairo_stroke(cr);
            }
        }));
    return s;
}

SectionSpec Scars(int zoom) {
    SectionSpec s;
    s.name = "Scars";
    for (int v = 0; v < 2; ++v)
        s.images.push_back(Blank(zoom, "Scar" + std::to_string(v), [&](cairo_t* cr, cairo_t*) {
            Noise n(static_cast<std::uint32_t>(900 + v));
            for (int i = 0; i < 4; ++i) {
                const double x = n.Range(40, 90), y = n.Range(22, 42);
                cairo_save(cr);
                cairo_translate(cr, x, y);
                cairo_scale(cr, 1, 0.5);
                cairo_arc(cr, 0, 0, n.Range(5, 9), 0, 2 * M_PI);
                cairo_restore(cr);
                draw::Set(cr, {72, 56, 38});
                cairo_fill(cr);
                cairo_save(cr);
                cairo_translate(cr, x + 1, y + 0.5);
                cairo_scale(cr, 1, 0.5);
                cairo_arc(cr, 0, 0, 3, 0, 2 * M_PI);
                cairo_restore(cr);
                draw::Set(cr, {40, 32, 24});
                cairo_fill(cr);
            }
        }));
    return s;
}

// Way pictures: n = 3 s + j joins way bit s with way bit s + 2 + j. The map numbers a hex's
// road bits counter-clockwise from the north-west (1 NW, 2 W, 4 SW, 8 SE, 16 E, 32 NE), the
// sides here run clockwise from the north-east: bit b is side 5 - b.

// A way's path between two side middles. Hexes a level apart are drawn a level apart on the
// screen, straight up or down, so a way leaves each slanted side straight down or up the
// screen for a level's height before it bends: the ends of neighbouring hexes a level apart then
// lie on one line, the lower hex's end running on under the higher one's, or (the higher hex
// behind) the two ends a bank apart, one above the other, where the road's climb joins them.
// The east and west sides stand upright, so a way crosses them level.
// A bridge lies at the water level and every dry bank stands at least a level above it, where the
// landscape lays no climb (it lays one only above level 0), so with `ramps` the way leaves its
// far and upright sides a level up: over the bank face behind it meets the road of a bank a
// level up, or runs on over the road of the next bridge on the same line; across an upright side
// it meets a bank's road a level up, or the next bridge's ramp, which rises to meet it.
void WayPath(cairo_t* cr, int fromBit, int toBit, double pull, bool ramps = false) {
    constexpr double kLevel = 12;
    auto inner = [&](int bit, P& at, P& dir) {
        const int side = 5 - bit;
        const P m = Mid(side);
        if (side == 1 || side == 4) {
            dir = {side == 1 ? -1.0 : 1.0, 0};
            at = ramps ? P{m.x + dir.x * 22, m.y} : m;
        } else {
            const double down = side == 0 || side == 5 ? 1 : -1;  // the top sides lead down into the hex
            at = {m.x, m.y + down * kLevel};
            dir = {0, down};
        }
    };
    auto end = [&](int bit) {
        const int side = 5 - bit;
        const P m = Mid(side);
        return ramps && side != 2 && side != 3 ? P{m.x, m.y - kLevel} : m;
    };
    const P a = end(fromBit), b = end(toBit);
    P a1, da, b1, db;
    inner(fromBit, a1, da);
    inner(toBit, b1, db);
    const double k = pull * std::hypot(b1.x - a1.x, b1.y - a1.y) * 0.6;
    cairo_move_to(cr, a.x, a.y);
    cairo_line_to(cr, a1.x, a1.y);
    cairo_curve_to(cr, a1.x + da.x * k, a1.y + da.y * k, b1.x + db.x * k, b1.y + db.y * k, b1.x, b1.y);
    cairo_line_to(cr, b.x, b.y);
}

// A picture a level taller than the block, drawn a level down with its hot spot there, so that it
// reaches a level above the block.
ImageSpec TallBlank(int zoom, const std::string& name, const std::function<void(cairo_t*, cairo_t*)>& paint) {
    const Zoom& z = kZooms[zoom];
    Scaled s(zoom, z.blockW, z.blockH + z.step);
    cairo_translate(s.canvas.cr(), 0, 12);
    cairo_translate(s.canvas.Water(), 0, 12);
    paint(s.canvas.cr(), s.canvas.Water());
    return s.canvas.Take(name, 2, 0, z.step);
}

SectionSpec Ways(int zoom, const char* section, const char* prefix, int count, int kind) {
    SectionSpec s;
    s.name = section;
    for (int p = 0; p < count; ++p) {
        const int n = kind == 0 ? p / 3 : p;
        const int from = n / 3, to = (from + 2 + n % 3) % 6;
        s.images.push_back((kind == 2 ? TallBlank : Blank)(zoom, prefix + std::to_string(p), [&](cairo_t* cr, cairo_t* w) {
            if (kind == 0) {  // road: packed dirt with wheel ruts
                WayPath(cr, from, to, 0.55);
                cairo_set_line_width(cr, 11);
                draw::Set(cr, {150, 118, 74});
                cairo_stroke(cr);
                WayPath(cr, from, to, 0.55);
                cairo_set_line_width(cr, 7);
                draw::Set(cr, {182, 150, 102});
                cairo_stroke(cr);
                Noise n2(static_cast<std::uint32_t>(p));
                cairo_set_line_width(cr, 0.8);
                draw::Set(cr, {128, 98, 62});
                cairo_save(cr);
                cairo_translate(cr, n2.Range(-1, 1), 0);
                WayPath(cr, from, to, 0.55);
                const double ruts[] = {4, 3};
                cairo_set_dash(cr, ruts, 2, 0);
                cairo_stroke(cr);
                cairo_restore(cr);
            } else if (kind == 1) {  // railroad: ballast, ties and two rails
                WayPath(cr, from, to, 0.5);
                cairo_set_line_width(cr, 12);
                draw::Set(cr, {126, 118, 104});
                cairo_stroke(cr);
                WayPath(cr, from, to, 0.5);
                cairo_set_line_width(cr, 9);
                draw::Set(cr, {84, 58, 34});
                const double dash[] = {2, 2.5};
                cairo_set_dash(cr, dash, 2, 0);
                cairo_stroke(cr);
                cairo_set_dash(cr, nullptr, 0, 0);
                // Two rails a gauge apart along the whole way, whichever way it turns.
                cairo_push_group(cr);
                WayPath(cr, from, to, 0.5);
                cairo_set_line_width(cr, 6.2);
                draw::Set(cr, {60, 64, 72});
                cairo_stroke_preserve(cr);
                cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
                cairo_set_line_width(cr, 3.8);
                cairo_stroke(cr);
                cairo_pop_group_to_source(cr);
                cairo_paint(cr);
            } else {  // bridge: a timber deck over the water, with rails, ramps up to the banks
                // The water under the deck stays in the hex; the deck climbs out of it.
                cairo_save(cr);
                cairo_save(w);
                for (cairo_t* c : {cr, w}) {
                    HexPath(c);
                    cairo_clip(c);
                }
                WayPath(cr, from, to, 0.5);
                cairo_set_line_width(cr, 16);
                draw::Set(cr, {64, 98, 130});
                cairo_stroke(cr);
                WayPath(w, from, to, 0.5);
                cairo_set_line_width(w, 12);
                cairo_set_source_rgba(w, 0, 0, 0, 1);
                cairo_stroke(w);
                cairo_restore(w);
                cairo_restore(cr);
                // The deck covers the water it crosses.
                WayPath(w, from, to, 0.5, true);
                cairo_set_line_width(w, 11);
                cairo_set_operator(w, CAIRO_OPERATOR_CLEAR);
                cairo_stroke(w);
                cairo_set_operator(w, CAIRO_OPERATOR_OVER);
                WayPath(cr, from, to, 0.5, true);
                cairo_set_line_width(cr, 10);
                draw::Set(cr, {150, 108, 64});
                cairo_stroke(cr);
                WayPath(cr, from, to, 0.5, true);
                cairo_set_line_width(cr, 10);
                draw::Set(cr, {104, 70, 40});
                const double dash[] = {1, 3};
                cairo_set_dash(cr, dash, 2, 0);
                cairo_stroke(cr);
                cairo_set_dash(cr, nullptr, 0, 0);
            }
        }));
    }
    return s;
}

// The road's climb where the hex beyond the north-west (picture 0) or north-east (1) side lies a
// level higher: the two roads end a level apart at that side, with the higher hex's bank between
// them, so the piece lays the road over that bank face. The bank stands above this hex's block,
// so the picture is a level taller and its hot spot a level down.
SectionSpec RoadFix(int zoom) {
    SectionSpec s;
    s.name = "Road Fix";
    const Zoom& z = kZooms[zoom];
    constexpr double kLevel = 12;  // a level's height in full-size units
    for (int v = 0; v < 2; ++v) {
        Scaled sc(zoom, z.blockW, z.blockH + z.step);
        cairo_t* cr = sc.canvas.cr();
        cairo_translate(cr, 0, kLevel);
        const int side = v == 0 ? 5 : 0;
        const P a{kCorner[side][0], kCorner[side][1]}, b{kCorner[(side + 1) % 6][0], kCorner[(side + 1) % 6][1]};
        const P m = Mid(side);
        const double len = std::hypot(b.x - a.x, b.y - a.y), ux = (b.x - a.x) / len, uy = (b.y - a.y) / len;
        // The face turned from the light (north-west side: the bank faces south-east) is darker.
        const double shade = v == 0 ? 0.9 : 0.96;
        auto strip = [&](double half, const Colour& c) {
            // From a little inside this hex, up the bank, to a little onto the higher hex's top.
            cairo_move_to(cr, m.x - ux * half, m.y - uy * half + 1.5);
            cairo_line_to(cr, m.x + ux * half, m.y + uy * half + 1.5);
            cairo_line_to(cr, m.x + ux * half, m.y + uy * half - kLevel - 1);
            cairo_line_to(cr, m.x - ux * half, m.y - uy * half - kLevel - 1);
            cairo_close_path(cr);
            draw::Set(cr, c);
            cairo_fill(cr);
        };
        strip(5.5, Colour{150, 118, 74}.Scaled(shade));
        strip(3.5, Colour{182, 150, 102}.Scaled(shade));
        // Wheel ruts worn down the slope.
        for (double across : {-1.8, 1.8})
            Stroke(cr, {{m.x + ux * across, m.y + uy * across + 1}, {m.x + ux * across, m.y + uy * across - kLevel}}, 0.8,
                   Colour{128, 98, 62}.Scaled(shade));
        s.images.push_back(sc.canvas.Take("Fix" + std::to_string(v), 2, 0, z.step));
    }
    return s;
}

// --- sprites standing on the ground: trees, stones, buildings, walls ---

// A sprite standing on the ground; with `shadow` (a half width), its shadow falls to the
// south-east of the hot spot and darkens the ground under it.
ImageSpec Sprite(int zoom, const std::string& name, int w, int h, int hotX, int hotY,
                 const std::function<void(cairo_t*)>& paint, double shadow = 0) {
    const Zoom& z = kZooms[zoom];
    const double sx = z.cellW / 130.0, sy = z.cellH / 64.0;
    Canvas c(std::max(2, static_cast<int>(std::ceil(w * sx))), std::max(2, static_cast<int>(std::ceil(h * sy))));
    cairo_scale(c.cr(), sx, sy);
    if (shadow > 0) {
        cairo_t* sh = c.Shadow();
        cairo_save(sh);
        cairo_translate(sh, hotX + shadow * 0.35, hotY - 1.5);
        cairo_scale(sh, shadow, shadow * 0.32);
        cairo_arc(sh, 0, 0, 1, 0, 2 * M_PI);
        cairo_restore(sh);
        cairo_set_source_rgba(sh, 0, 0, 0, 1);
        cairo_fill(sh);
    }
    paint(c.cr());
    return c.Take(name, shadow > 0 ? 6 : 4, static_cast<int>(hotX * sx), static_cast<int>(hotY * sy));
}

ImageSpec Tree(int zoom, int v) {
    return Sprite(zoom, "Tree" + std::to_string(v), 30, 40, 15, 38, [v](cairo_t* cr) {
        // Trunk, crown in three tones lit from the north-west.
        draw::Set(cr, {74, 50, 28});
        cairo_rectangle(cr, 13.5, 24, 3, 14);
        cairo_fill(cr);
        const Colour leaf = v == 0 ? Colour{40, 84, 32} : v == 1 ? Colour{56, 96, 36} : Colour{34, 70, 40};
        if (v == 2) {  // a conifer
            for (int k = 0; k < 3; ++k) {
                draw::Set(cr, leaf.Scaled(1.0 + k * 0.1));
                cairo_move_to(cr, 15, 2 + k * 7);
                cairo_line_to(cr, 27 - k * 2, 20 + k * 6);
                cairo_line_to(cr, 3 + k * 2, 20 + k * 6);
                cairo_close_path(cr);
                cairo_fill(cr);
            }
            return;
        }
        const double blobs[6][3] = {{15, 16, 10}, {9, 20, 7}, {21, 20, 7}, {15, 9, 7}, {11, 13, 5}, {19, 25, 6}};
        for (const auto& b : blobs) {
            draw::Set(cr, leaf.Scaled(0.8));
            cairo_arc(cr, b[0], b[1], b[2], 0, 2 * M_PI);
            cairo_fill(cr);
        }
        for (const auto& b : blobs) {
            draw::Set(cr, leaf.Scaled(1.25));
            cairo_arc(cr, b[0] - b[2] * 0.3, b[1] - b[2] * 0.3, b[2] * 0.5, 0, 2 * M_PI);
            cairo_fill(cr);
        }
    }, 11);
}

ImageSpec Stones(int zoom, int v) {
    return Sprite(zoom, "Stones" + std::to_string(v), 30, 16, 15, 14, [v](cairo_t* cr) {
        Noise n(static_cast<std::uint32_t>(300 + v));
        for (int k = 0; k < 5; ++k) {
            const double x = n.Range(5, 25), y = n.Range(6, 12), r = n.Range(2.5, 5);
            draw::Set(cr, {110, 106, 96});
            cairo_save(cr);
            cairo_translate(cr, x, y);
            cairo_scale(cr, 1, 0.7);
            cairo_arc(cr, 0, 0, r, 0, 2 * M_PI);
            cairo_restore(cr);
            cairo_fill(cr);
            draw::Set(cr, {170, 166, 154});
            cairo_arc(cr, x - r * 0.3, y - r * 0.35, r * 0.45, 0, 2 * M_PI);
            cairo_fill(cr);
        }
    });
}

// A building: an isometric box with a pitched roof, sized and coloured by its number; some are
// churches with a steeple, some barns.
ImageSpec Building(int zoom, int b) {
    Noise n(static_cast<std::uint32_t>(1000 + b));
    const double wx = n.Range(14, 24), wy = n.Range(8, 14), wall = n.Range(9, 14), roof = n.Range(7, 11);
    const int kind = b % 5;  // 0 house, 1 brick house, 2 barn, 3 church, 4 white farmhouse
    const Colour walls = kind == 1 ? Colour{150, 62, 44} : kind == 2 ? Colour{140, 46, 36}
                         : kind == 4 ? Colour{224, 220, 206} : kind == 3 ? Colour{210, 204, 190} : Colour{176, 150, 112};
    const Colour roofC = kind == 2 ? Colour{96, 90, 86} : kind == 3 ? Colour{70, 72, 84} : n.Unit() < 0.5 ? Colour{92, 60, 40} : Colour{80, 84, 96};
    const int w = static_cast<int>(wx + wy) + 4, h = static_cast<int>(wall + roof + (wx + wy) / 2 + (kind == 3 ? 18 : 0)) + 4;
    return Sprite(zoom, "Building" + std::to_string(b), w, h, w / 2, h - 2, [=](cairo_t* cr) {
        const double gx = 2 + wy, gy = h - 2;  // front corner on the ground
        // Corners of the footprint: front (gx, gy), right (gx + wx, gy - wx/2), left (gx - wy, gy - wy/2).
        const P front{gx, gy}, right{gx + wx, gy - wx / 2}, left{gx - wy, gy - wy / 2};
        // Left wall (lit), right wall (shaded).
        draw::Set(cr, walls.Scaled(1.05));
        cairo_move_to(cr, left.x, left.y);
        cairo_line_to(cr, front.x, front.y);
        cairo_line_to(cr, front.x, front.y - wall);
        cairo_line_to(cr, left.x, left.y - wall);
        cairo_close_path(cr);
        cairo_fill(cr);
        draw::Set(cr, walls.Scaled(0.75));
        cairo_move_to(cr, front.x, front.y);
        cairo_line_to(cr, right.x, right.y);
        cairo_line_to(cr, right.x, right.y - wall);
        cairo_line_to(cr, front.x, front.y - wall);
        cairo_close_path(cr);
        cairo_fill(cr);
        // Roof: ridge along the long side.
        const P ridgeA{(left.x + front.x) / 2, (left.y + front.y) / 2 - wall - roof};
        const P ridgeB{ridgeA.x + wx, ridgeA.y - wx / 2};
        draw::Set(cr, roofC.Scaled(1.1));
        cairo_move_to(cr, left.x, left.y - wall);
        cairo_line_to(cr, ridgeA.x, ridgeA.y);
        cairo_line_to(cr, ridgeB.x, ridgeB.y);
        cairo_line_to(cr, left.x + wx, left.y - wall - wx / 2);
        cairo_close_path(cr);
        cairo_fill(cr);
        draw::Set(cr, roofC.Scaled(0.8));
        cairo_move_to(cr, front.x, front.y - wall);
        cairo_line_to(cr, ridgeA.x, ridgeA.y);
        cairo_line_to(cr, ridgeB.x, ridgeB.y);
        cairo_line_to(cr, right.x, right.y - wall);
        cairo_close_path(cr);
        cairo_fill(cr);
        // Gable end.
        draw::Set(cr, walls.Scaled(1.0));
        cairo_move_to(cr, left.x, left.y - wall);
        cairo_line_to(cr, front.x, front.y - wall);
        cairo_line_to(cr, ridgeA.x, ridgeA.y);
        cairo_close_path(cr);
        cairo_fill(cr);
        // Windows and a door.
        draw::Set(cr, {40, 36, 40});
        cairo_rectangle(cr, front.x + wx * 0.25, front.y - wx * 0.125 - wall * 0.7, 2, 3);
        cairo_rectangle(cr, front.x + wx * 0.6, front.y - wx * 0.3 - wall * 0.7, 2, 3);
        cairo_rectangle(cr, (left.x + front.x) / 2 - 1, (left.y + front.y) / 2 - 5, 2.5, 5);
        cairo_fill(cr);
        if (kind == 3) {  // steeple
            const double sx = ridgeA.x + 1, sy = ridgeA.y + 2;
            draw::Set(cr, walls);
            cairo_rectangle(cr, sx - 2.5, sy - 9, 5, 10);
            cairo_fill(cr);
            draw::Set(cr, roofC);
            cairo_move_to(cr, sx - 3.5, sy - 9);
            cairo_line_to(cr, sx, sy - 19);
            cairo_line_to(cr, sx + 3.5, sy - 9);
            cairo_close_path(cr);
            cairo_fill(cr);
        }
    }, (wx + wy) * 0.55);
}

ImageSpec Wall(int zoom, int v) {
    // 0 runs along a row, 1 rises to the right, 2 falls to the right.
    const int w = v == 0 ? 66 : 34, h = v == 0 ? 10 : 24;
    return Sprite(zoom, "Wall" + std::to_string(v), w, h, 0, h - 1, [=](cairo_t* cr) {
        const P a = v == 0 ? P{1, 6.0} : v == 1 ? P{1, h - 2.0} : P{1, 6.0};
        const P b = v == 0 ? P{w - 1.0, 6.0} : v == 1 ? P{w - 1.0, 6.0} : P{w - 1.0, h - 2.0};
        Stroke(cr, {a, b}, 5, {120, 114, 100});
        Stroke(cr, {{a.x, a.y - 1.5}, {b.x, b.y - 1.5}}, 2, {176, 170, 156});
        cairo_set_line_width(cr, 0.8);
        draw::Set(cr, {80, 76, 68});
        for (int k = 1; k < 8; ++k) {
            const double t = k / 8.0, x = a.x + (b.x - a.x) * t, y = a.y + (b.y - a.y) * t;
            cairo_move_to(cr, x, y - 2);
            cairo_line_to(cr, x, y + 2);
        }
        cairo_stroke(cr);
    });
}

// --- grid, outline, arrows, debris, background ---

LibrarySpec Overlay(int zoom, bool outline) {
    LibrarySpec lib;
    lib.title = std::string(outline ? "Hex Outline" : "Hex Grid") + ZoomSuffix(zoom);
    SectionSpec s;
    s.name = "Masks";
    for (int mask = 0; mask < 16; ++mask)
        s.images.push_back(Blank(zoom, "Mask" + std::to_string(mask), [&](cairo_t* cr, cairo_t*) {
            HexPath(cr, outline ? 2.5 : 0.6);
            cairo_set_line_width(cr, outline ? 3.5 * (zoom == 0 ? 1 : 1.6) : 1.3 * (zoom == 2 ? 2 : 1));
            if (outline) draw::Set(cr, {250, 226, 90});
            else draw::Set(cr, {38, 52, 30});
            cairo_stroke(cr);
        }));
    lib.sections.push_back(std::move(s));
    return lib;
}

LibrarySpec Arrows(int zoom) {
    LibrarySpec lib;
    lib.title = "Battle Arrows" + ZoomSuffix(zoom);
    SectionSpec s;
    s.name = "Arrows";
    const int size = 40 >> zoom;
    for (int d = 1; d <= 8; ++d) {
        Canvas c(size, size);
        cairo_t* cr = c.cr();
        cairo_scale(cr, size / 40.0, size / 40.0);
        cairo_translate(cr, 20, 20);
        // Art direction d: 1 north, clockwise by eighths; the ground is seen at half height.
        const double a = (d - 1) * M_PI / 4;
        cairo_scale(cr, 1, 0.6);
        cairo_rotate(cr, a);
        cairo_move_to(cr, 0, -19);
        cairo_line_to(cr, 11, -4);
        cairo_line_to(cr, 4, -4);
        cairo_line_to(cr, 4, 16);
        cairo_line_to(cr, -4, 16);
        cairo_line_to(cr, -4, -4);
        cairo_line_to(cr, -11, -4);
        cairo_close_path(cr);
        draw::Set(cr, {200, 30, 24});
        cairo_fill_preserve(cr);
        cairo_set_line_width(cr, 2);
        draw::Set(cr, {250, 230, 200});
        cairo_stroke(cr);
        s.images.push_back(c.Take("Arrow" + std::to_string(d), 4, size / 2, size - 1));
    }
    lib.sections.push_back(std::move(s));
    return lib;
}

LibrarySpec MissileDebris(int zoom) {
    LibrarySpec lib;
    lib.title = "Missile Debris" + ZoomSuffix(zoom);
    SectionSpec s;
    s.name = "Debris";
    for (int v = 0; v < 4; ++v)
        s.images.push_back(Sprite(zoom, "Debris" + std::to_string(v), 18, 10, 9, 5, [v](cairo_t* cr) {
            Noise n(static_cast<std::uint32_t>(50 + v));
            for (int k = 0; k < 6; ++k) {
                draw::Set(cr, n.Unit() < 0.5 ? Colour{60, 48, 36} : Colour{110, 90, 64});
                cairo_arc(cr, n.Range(3, 15), n.Range(3, 7), n.Range(1, 2.5), 0, 2 * M_PI);
                cairo_fill(cr);
            }
        }));
    lib.sections.push_back(std::move(s));
    return lib;
}

LibrarySpec Background() {
    LibrarySpec lib;
    lib.title = "Landscape Background";
    Canvas c(64, 64);
    draw::Parchment(c, 77, {44, 58, 36});
    lib.sections.push_back({"Blocks", {c.Take("Block #1", 1, 0, 0, true)}});
    return lib;
}

constexpr int kLevels = 6;

LibrarySpec Blocks(int zoom) {
    LibrarySpec lib;
    lib.title = "Landscape Blocks" + ZoomSuffix(zoom);
    for (int level = 0; level < kLevels; ++level) lib.sections.push_back(GroundSection(zoom, level));
    for (const char* name : {"SE Cliffs 1-3", "SE Cliffs 3-5"})
        lib.sections.push_back({name, {Cliff(zoom, true, 0, "SE0"), Cliff(zoom, true, 1, "SE1")}});
    for (const char* name : {"SW Cliffs 1-3", "SW Cliffs 3-5"})
        lib.sections.push_back({name, {Cliff(zoom, false, 0, "SW0"), Cliff(zoom, false, 1, "SW1")}});
    return lib;
}

LibrarySpec Overlays(int zoom) {
    LibrarySpec lib;
    lib.title = "Landscape Overlays" + ZoomSuffix(zoom);
    lib.sections.push_back(Marsh(zoom));
    lib.sections.push_back(MinorRivers(zoom));
    lib.sections.push_back(MinorRiverEnds(zoom));
    lib.sections.push_back(Earthworks(zoom, false));
    lib.sections.push_back(Earthworks(zoom, true));
    lib.sections.push_back(Scars(zoom));
    lib.sections.push_back(Ways(zoom, "Roads", "Road", 36, 0));
    lib.sections.push_back(Ways(zoom, "Railroads", "Rail", 12, 1));
    lib.sections.push_back(Ways(zoom, "Bridges", "Bridge", 12, 2));
    lib.sections.push_back(RoadFix(zoom));
    SectionSpec trees{"Trees", {}}, stones{"Stones", {}}, buildings{"Building", {}}, walls{"Walls", {}};
    for (int v = 0; v < 3; ++v) trees.images.push_back(Tree(zoom, v));
    for (int v = 0; v < 2; ++v) stones.images.push_back(Stones(zoom, v));
    for (int b = 0; b < 40; ++b) buildings.images.push_back(Building(zoom, b));
    for (int v = 0; v < 3; ++v) walls.images.push_back(Wall(zoom, v));
    lib.sections.push_back(std::move(trees));
    lib.sections.push_back(std::move(stones));
    lib.sections.push_back(std::move(buildings));
    lib.sections.push_back(std::move(walls));
    return lib;
}

} // namespace

std::string ZoomSuffix(int zoom) { return zoom == 1 ? " (Half size)" : zoom == 2 ? " (Quarter size)" : ""; }

void AddTerrainJobs(std::vector<LibraryJob>& jobs) {
    for (int z = 0; z < 3; ++z) {
        const std::string n = std::to_string(z), s = ZoomSuffix(z);
        jobs.push_back({"LBLOCKS" + n + ".QIF", "Landscape Blocks" + s, [z] { return Blocks(z); }});
        jobs.push_back({"LOVER" + n + ".QIF", "Landscape Overlays" + s, [z] { return Overlays(z); }});
        jobs.push_back({"GRID" + n + ".QIF", "Hex Grid" + s, [z] { return Overlay(z, false); }});
        jobs.push_back({"OUTLINE" + n + ".QIF", "Hex Outline" + s, [z] { return Overlay(z, true); }});
        jobs.push_back({"ARROWS" + n + ".QIF", "Battle Arrows" + s, [z] { return Arrows(z); }});
        jobs.push_back({"MDEBRIS" + n + ".QIF", "Missile Debris" + s, [z] { return MissileDebris(z); }});
    }
    jobs.push_back({"LBACK.QIF", "Landscape Background", Background});
}

} // namespace artgen
