// The interface's art: one style throughout, walnut and brass on parchment. Dialogs are
// parchment, push buttons brass plates, the big buttons of the front end carved stone, the
// frame around the maps dark walnut.
#include "tools/artgen/art_set.h"
#include "tools/artgen/draw.h"
#include "tools/artgen/fonts.h"
#include "tools/artgen/palette.h"

#include <array>
#include <cmath>

namespace artgen {

namespace {

using datagen::ImageSpec;
using datagen::LibrarySpec;
using datagen::SectionSpec;
using draw::Colour;

const Colour kParchment{226, 210, 168};
const Colour kInk{58, 40, 22};
const Colour kBrass{188, 150, 72};
const Colour kWalnut{92, 62, 36};
const Colour kStone{150, 146, 136};
const Colour kUnionBlue{40, 58, 128};
const Colour kConfederateGrey{132, 130, 124};

std::uint32_t Seed(const std::string& s) {
    std::uint32_t h = 2166136261u;
    for (unsigned char c : s) h = (h ^ c) * 16777619u;
    return h;
}

ImageSpec ParchmentTile(const std::string& name, int w, int h, std::uint32_t seed, const Colour& base) {
    Canvas c(w, h);
    draw::Parchment(c, seed, base);
    return c.Take(name, 1, 0, 0, true);
}

// A brass push button: a rounded plate with a darker rim.
ImageSpec Plate(const std::string& name, int w, int h, const Colour& face, bool pressed, bool disabled) {
    Canvas c(w, h);
    cairo_t* cr = c.cr();
    const Colour f = disabled ? face.Mixed({150, 146, 140}, 0.7) : face;
    draw::Set(cr, kInk);
    cairo_paint(cr);
    draw::Bevel(cr, 1, 1, w - 2, h - 2, f, pressed, 2);
    // A fine engraved line inside the bevel.
    draw::Set(cr, f.Scaled(pressed ? 0.8 : 0.7), 0.8);
    cairo_set_line_width(cr, 1);
    cairo_rectangle(cr, 4.5, 4.5, w - 9, h - 9);
    cairo_stroke(cr);
    return c.Take(name, 1, 0, 0, true);
}

ImageSpec StonePlate(const std::string& name, int w, int h, bool pressed, bool disabled) {
    Canvas c(w, h);
    cairo_t* cr = c.cr();
    draw::Set(cr, {40, 38, 34});
    cairo_paint(cr);
    const Colour face = disabled ? kStone.Scaled(0.75) : kStone;
    draw::Bevel(cr, 1, 1, w - 2, h - 2, face, pressed, 3);
    Noise n(Seed(name) + (pressed ? 7u : 0u) + (disabled ? 13u : 0u));
    for (int i = 0; i < w * h / 30; ++i) {
        draw::Set(cr, face.Scaled(n.Range(0.85, 1.12)), 0.6);
        cairo_rectangle(cr, n.Range(4, w - 5), n.Range(4, h - 5), 1.2, 1.2);
        cairo_fill(cr);
    }
    // A crack or two in the stone.
    draw::Set(cr, face.Scaled(0.6), 0.7);
    cairo_set_line_width(cr, 0.8);
    cairo_move_to(cr, w * 0.8, 4);
    cairo_line_to(cr, w * 0.78, h * 0.4);
    cairo_line_to(cr, w * 0.83, h * 0.6);
    cairo_stroke(cr);
    return c.Take(name, 1, 0, 0, true);
}

ImageSpec Box(const std::string& name, int size, bool pressed, bool round) {
    Canvas c(size, size);
    cairo_t* cr = c.cr();
    const double m = size / 2.0;
    if (round) {
        draw::Set(cr, kInk);
        cairo_arc(cr, m, m, m - 0.5, 0, 2 * M_PI);
        cairo_fill(cr);
        draw::Set(cr, pressed ? kParchment.Scaled(0.8) : kParchment.Scaled(1.06));
        cairo_arc(cr, m, m, m - 2, 0, 2 * M_PI);
        cairo_fill(cr);
    } else {
        draw::Set(cr, kInk);
        cairo_paint(cr);
        draw::Set(cr, pressed ? kParchment.Scaled(0.8) : kParchment.Scaled(1.06));
        cairo_rectangle(cr, 2, 2, size - 4, size - 4);
        cairo_fill(cr);
    }
    return c.Take(name, round ? 4 : 1, 0, 0);
}

// The mark of a checked box or radio: as large as the box, so that it sits where the box is.
ImageSpec Check(const std::string& name, int size, bool round) {
    Canvas c(size, size);
    cairo_t* cr = c.cr();
    draw::Set(cr, {120, 20, 20});
    const double m = size / 2.0;
    if (round) {
        cairo_arc(cr, m, m, size * 0.22, 0, 2 * M_PI);
        cairo_fill(cr);
    } else {
        cairo_set_line_width(cr, 2.0);
        cairo_move_to(cr, size * 0.22, size * 0.5);
        cairo_line_to(cr, size * 0.42, size * 0.74);
        cairo_line_to(cr, size * 0.8, size * 0.24);
        cairo_stroke(cr);
    }
    return c.Take(name, 4, 0, 0);
}

LibrarySpec DialogButtons() {
    LibrarySpec lib;
    lib.title = "DialogButtons";
    lib.sections.push_back({"Pushbutton", {Plate("Up", 86, 22, kBrass, false, false), Plate("Down", 86, 22, kBrass, true, false)}});
    lib.sections.push_back({"CheckBox", {Box("Up", 13, false, false), Box("Down", 13, true, false), Check("Check", 13, false)}});
    lib.sections.push_back({"Radio", {Box("Up", 13, false, true), Box("Down", 13, true, true), Check("Check", 13, true)}});
    lib.sections.push_back({"Big Pushbutton", {Plate("Up", 190, 28, kBrass, false, false), Plate("Down", 190, 28, kBrass, true, false)}});
    lib.sections.push_back({"Big Stone Pushbutton",
                            {StonePlate("Up", 190, 28, false, false), StonePlate("Down", 190, 28, true, false),
                             StonePlate("Disabled", 190, 28, false, true)}});
    return lib;
}

// The theatre of war: Virginia, Maryland and Pennsylvania in the painted style of the dialogs,
// each battle's field marked where the scenario dialog's hot spots lie.
struct Place {
    double x, y;  // 0..1 of the map
};

void TheatreMap(cairo_t* cr, int w, int h, std::uint32_t seed) {
    const Colour land = kParchment.Mixed({190, 196, 140}, 0.35);
    draw::Set(cr, land);
    cairo_paint(cr);
    Noise n(seed);
    // Hills: soft darker blotches toward the west (the mountains).
    for (int i = 0; i < 60; ++i) {
        const double x = n.Range(0, w * 0.35), y = n.Range(0, h), r = n.Range(8, 26);
        draw::Set(cr, land.Scaled(0.88), 0.35);
        cairo_arc(cr, x, y, r, 0, 2 * M_PI);
        cairo_fill(cr);
    }
    // The bay and the ocean at the east.
    draw::Set(cr, {120, 158, 188});
    cairo_move_to(cr, w, 0);
    cairo_curve_to(cr, w * 0.92, h * 0.3, w * 0.8, h * 0.5, w * 0.86, h);
    cairo_line_to(cr, w, h);
    cairo_close_path(cr);
    cairo_fill(cr);
    // Rivers, west to east.
    cairo_set_line_width(cr, 2.2);
    draw::Set(cr, {70, 110, 160});
    const double rivers[4][8] = {{0.05, 0.18, 0.3, 0.22, 0.55, 0.3, 0.9, 0.35},
                                 {0.1, 0.5, 0.35, 0.45, 0.6, 0.55, 0.88, 0.55},
                                 {0.2, 0.72, 0.45, 0.68, 0.65, 0.75, 0.88, 0.8},
                                 {0.25, 0.92, 0.5, 0.88, 0.7, 0.9, 0.88, 0.95}};
    for (const auto& r : rivers) {
        cairo_move_to(cr, r[0] * w, r[1] * h);
        cairo_curve_to(cr, r[2] * w, r[3] * h, r[4] * w, r[5] * h, r[6] * w, r[7] * h);
        cairo_stroke(cr);
    }
    // Roads.
    cairo_set_line_width(cr, 1.0);
    draw::Set(cr, {150, 110, 70}, 0.6);
    for (int i = 0; i < 5; ++i) {
        // Roads run roughly north to south, gently bending.
        const double x0 = n.Range(0.1, 0.8) * w, x1 = x0 + n.Range(-0.15, 0.15) * w;
        cairo_move_to(cr, x0, 0);
        cairo_curve_to(cr, x0 + n.Range(-30, 30), h * 0.35, x1 + n.Range(-30, 30), h * 0.65, x1, h);
        cairo_stroke(cr);
    }
    // A border of the map.
    draw::Set(cr, kInk);
    cairo_set_line_width(cr, 3);
    cairo_rectangle(cr, 1.5, 1.5, w - 3, h - 3);
    cairo_stroke(cr);
}

void Spot(cairo_t* cr, double x, double y, double w, double h, const std::string& label) {
    // The plate sits inside the place's click box, a few pixels in from its top and bottom and
    // only as wide as its name: boxes of neighbouring places nearly touch, their plates do not.
    const double size = std::min(13.0, h * 0.55);
    cairo_select_font_face(cr, "DejaVu Serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
    cairo_set_font_size(cr, size);
    cairo_text_extents_t e;
    cairo_text_extents(cr, label.c_str(), &e);
    const double inset = std::min(3.0, h * 0.12);
    y += inset;
    h -= 2 * inset;
    w = std::min(w, std::ceil(h * 1.1 + e.x_advance + h * 0.5));
    draw::Set(cr, kParchment.Scaled(1.08), 0.85);
    cairo_rectangle(cr, x, y, w, h);
    cairo_fill(cr);
    draw::Set(cr, kInk);
    cairo_set_line_width(cr, 1);
    cairo_rectangle(cr, x + 0.5, y + 0.5, w - 1, h - 1);
    cairo_stroke(cr);
    // Crossed sabres.
    const double cx = x + h * 0.55, cy = y + h / 2, r = h * 0.32;
    draw::Set(cr, {150, 20, 20});
    cairo_set_line_width(cr, 1.6);
    cairo_move_to(cr, cx - r, cy - r);
    cairo_line_to(cr, cx + r, cy + r);
    cairo_move_to(cr, cx + r, cy - r);
    cairo_line_to(cr, cx - r, cy + r);
    cairo_stroke(cr);
    draw::Text(cr, label, x + h * 1.1, y + h / 2 + size * 0.36, size, kInk, true, true);
}

ImageSpec ScenarioMap() {
    constexpr int w = 460, h = 481;
    Canvas c(w, h);
    cairo_t* cr = c.cr();
    TheatreMap(cr, w, h, 17);
    // The battles' banners, where the scenario dialog finds its hot spots (in scenario order),
    // each with its title written down the cloth.
    static const int banners[10][4] = {{114, 47, 18, 127}, {43, 47, 25, 120}, {190, 50, 74, 123}, {330, 50, 38, 115},
                                       {303, 47, 21, 130}, {405, 47, 21, 129}, {276, 41, 21, 138}, {378, 38, 23, 144},
                                       {83, 47, 23, 125},  {140, 61, 39, 114}};
    const std::vector<std::string>& titles = ScenarioTitles();
    for (int i = 0; i < 10; ++i) {
        const double x = banners[i][0], y = banners[i][1], bw = banners[i][2], bh = banners[i][3];
        const Colour cloth = i % 2 ? Colour{150, 36, 32} : Colour{36, 52, 118};
        draw::Set(cr, {40, 26, 14}, 0.5);
        cairo_rectangle(cr, x + 3, y + 3, bw, bh);
        cairo_fill(cr);
        draw::Set(cr, cloth);
        cairo_move_to(cr, x, y);
        cairo_line_to(cr, x + bw, y);
        cairo_line_to(cr, x + bw, y + bh);
        cairo_line_to(cr, x + bw / 2, y + bh - std::min(10.0, bw / 2));
        cairo_line_to(cr, x, y + bh);
        cairo_close_path(cr);
        cairo_fill(cr);
        draw::Set(cr, kBrass);
        cairo_rectangle(cr, x - 2, y - 3, bw + 4, 3);
        cairo_fill(cr);
        cairo_save(cr);
        cairo_translate(cr, x + bw / 2, y + (bh - 8) / 2);
        cairo_rotate(cr, M_PI / 2);
        draw::Text(cr, titles[static_cast<std::size_t>(i)], 0, 0, std::min(12.0, bw * 0.62), {250, 240, 210}, true, true, true);
        cairo_restore(cr);
    }
    // The frame of the text area under the banners.
    draw::Set(cr, kParchment.Scaled(1.05), 0.85);
    cairo_rectangle(cr, 38, 206, 386, 262);
    cairo_fill(cr);
    draw::Set(cr, kInk);
    cairo_set_line_width(cr, 1.5);
    cairo_rectangle(cr, 38.5, 206.5, 385, 261);
    cairo_stroke(cr);
    return c.Take("Background", 1, 0, 0, true);
}

LibrarySpec DialogBitmaps() {
    LibrarySpec lib;
    lib.title = "Dialog Bitmaps";
    const struct {
        const char* section;
        Colour base;
    } plain[] = {{"End of Game", kParchment.Scaled(0.97)}, {"Combat Results", kParchment},
                 {"Overall Combat Results", kParchment.Scaled(0.98)}, {"Intro", kParchment},
                 {"Start Game", Colour{70, 84, 60}}, {"Custom Scenario", kParchment.Scaled(0.96)},
                 {"Army Details", kParchment}, {"Unit Overview", kParchment.Scaled(1.02)}, {"Chat", kParchment}};
    for (const auto& p : plain)
        lib.sections.push_back({p.section, {ParchmentTile("Background", 96, 96, Seed(p.section), p.base)}});
    lib.sections.push_back({"Scenario Map", {ScenarioMap()}});
    return lib;
}

// A battle scene for the end of a game: the winner's flag raised over the field, or the
// loser's lowered among smoke.
ImageSpec Scene(const std::string& name, int w, int h, bool victory, bool unionSide) {
    Canvas c(w, h);
    cairo_t* cr = c.cr();
    cairo_pattern_t* sky = cairo_pattern_create_linear(0, 0, 0, h * 0.6);
    if (victory) {
        cairo_pattern_add_color_stop_rgb(sky, 0, 0.45, 0.62, 0.82);
        cairo_pattern_add_color_stop_rgb(sky, 1, 0.93, 0.86, 0.66);
    } else {
        cairo_pattern_add_color_stop_rgb(sky, 0, 0.28, 0.26, 0.30);
        cairo_pattern_add_color_stop_rgb(sky, 1, 0.70, 0.48, 0.32);
    }
    cairo_set_source(cr, sky);
    cairo_paint(cr);
    cairo_pattern_destroy(sky);
    // Hills.
    draw::Set(cr, victory ? Colour{96, 128, 56} : Colour{76, 84, 48});
    cairo_move_to(cr, 0, h * 0.62);
    cairo_curve_to(cr, w * 0.3, h * 0.5, w * 0.6, h * 0.7, w, h * 0.58);
    cairo_line_to(cr, w, h);
    cairo_line_to(cr, 0, h);
    cairo_close_path(cr);
    cairo_fill(cr);
    draw::Set(cr, victory ? Colour{70, 104, 40} : Colour{58, 64, 36});
    cairo_move_to(cr, 0, h * 0.78);
    cairo_curve_to(cr, w * 0.4, h * 0.7, w * 0.7, h * 0.86, w, h * 0.76);
    cairo_line_to(cr, w, h);
    cairo_line_to(cr, 0, h);
    cairo_close_path(cr);
    cairo_fill(cr);
    // Smoke.
    Noise n(Seed(name) + (victory ? 1u : 2u) + (unionSide ? 4u : 8u));
    for (int i = 0; i < (victory ? 6 : 14); ++i) {
        draw::Set(cr, {230, 228, 222}, victory ? 0.35 : 0.55);
        cairo_arc(cr, n.Range(0, w), n.Range(h * 0.45, h * 0.8), n.Range(8, 22), 0, 2 * M_PI);
        cairo_fill(cr);
    }
    // The flag: raised high in victory, low and torn in defeat.
    const double fx = w * 0.5, fy = victory ? h * 0.18 : h * 0.5;
    draw::Flag(cr, fx, fy, w * 0.22, h * 0.16, unionSide, 0.2, !victory);
    // A line of soldiers.
    const Colour coat = unionSide ? kUnionBlue : kConfederateGrey;
    const double k = h / 110.0;
    for (int i = 0; i < 9; ++i) {
        cairo_save(cr);
        cairo_translate(cr, w * (0.12 + i * 0.09), h * 0.9);
        cairo_scale(cr, k, k);
        draw::Set(cr, coat);
        cairo_rectangle(cr, -2.5, -14, 5, 9);
        cairo_fill(cr);
        draw::Set(cr, unionSide ? Colour{104, 130, 184} : Colour{150, 128, 92});
        cairo_rectangle(cr, -2.5, -5, 2, 6);
        cairo_rectangle(cr, 0.5, -5, 2, 6);
        cairo_fill(cr);
        draw::Set(cr, {226, 180, 140});
        cairo_arc(cr, 0, -16.5, 2.2, 0, 2 * M_PI);
        cairo_fill(cr);
        draw::Set(cr, unionSide ? Colour{30, 38, 84} : Colour{110, 92, 66});
        cairo_rectangle(cr, -2.4, -20, 4.8, 2.2);
        cairo_fill(cr);
        draw::Set(cr, {60, 50, 40});
        cairo_set_line_width(cr, 1);
        cairo_move_to(cr, 3, -4);
        cairo_line_to(cr, victory ? 5 : 8, victory ? -24 : -8);
        cairo_stroke(cr);
        cairo_restore(cr);
    }
    draw::Set(cr, kInk);
    cairo_set_line_width(cr, 3);
    cairo_rectangle(cr, 1.5, 1.5, w - 3, h - 3);
    cairo_stroke(cr);
    return c.Take(name, 1, 0, 0, true);
}

LibrarySpec EndOfGameBitmaps() {
    LibrarySpec lib;
    lib.title = "End Of Game Bitmaps";
    for (bool victory : {true, false}) {
        SectionSpec s;
        s.name = victory ? "Victory" : "Defeat";
        s.images.push_back(ParchmentTile("Background", 96, 96, Seed(s.name), kParchment));
        s.images.push_back(Scene("Side 0", 440, 336, victory, true));
        s.images.push_back(Scene("Side 1", 440, 336, victory, false));
        lib.sections.push_back(std::move(s));
    }
    return lib;
}

LibrarySpec CampaignGame() {
    LibrarySpec lib;
    lib.title = "Campaign Game";
    {
        constexpr int w = 640, h = 480;
        Canvas c(w, h);
        cairo_t* cr = c.cr();
        TheatreMap(cr, w, h, 29);
        // The campaign's places, where the campaign dialog finds them.
        static const int boxes[13][4] = {{392, 199, 125, 25}, {362, 88, 144, 26}, {89, 208, 237, 26},
                                         {75, 42, 168, 26},   {160, 267, 159, 25}, {193, 407, 146, 25},
                                         {90, 151, 179, 26},  {201, 336, 168, 25}, {392, 199, 125, 25},
                                         {73, 236, 250, 25},  {0, 0, 0, 0},        {415, 151, 184, 25},
                                         {394, 319, 150, 25}};
        const std::vector<std::string>& titles = ScenarioTitles();
        for (int i = 0; i < 13; ++i) {
            if (boxes[i][2] == 0 || i == 8) continue;
            std::string label = i < 10 ? titles[static_cast<std::size_t>(i)] : i == 11 ? "Washington" : "Richmond";
            if (i == 0) label = "Manassas";
            Spot(cr, boxes[i][0], boxes[i][1], boxes[i][2], boxes[i][3], label);
        }
        lib.sections.push_back({"Dialog", {c.Take("Background", 1, 0, 0, true)}});
    }
    for (bool victory : {true, false}) {
        SectionSpec s;
        s.name = victory ? "Victory" : "Defeat";
        s.images.push_back(ParchmentTile("Background", 96, 96, Seed(s.name) + 3, kParchment));
        s.images.push_back(Scene("Side 0", 440, 184, victory, true));
        s.images.push_back(Scene("Side 1", 440, 184, victory, false));
        lib.sections.push_back(std::move(s));
    }
    lib.sections.push_back({"Canvas", {ParchmentTile("Canvas", 390, 90, 91, kParchment.Scaled(1.04))}});
    return lib;
}

ImageSpec Logo(bool developer) {
    constexpr int w = 220, h = 110;
    Canvas c(w, h);
    cairo_t* cr = c.cr();
    draw::Set(cr, developer ? Colour{30, 34, 52} : Colour{48, 26, 20});
    cairo_paint(cr);
    draw::Set(cr, kBrass);
    cairo_set_line_width(cr, 3);
    cairo_rectangle(cr, 6, 6, w - 12, h - 12);
    cairo_stroke(cr);
    if (developer) {
        // A crossed pair of rifles under a star.
        cairo_set_line_width(cr, 4);
        cairo_move_to(cr, w / 2.0 - 40, 78);
        cairo_line_to(cr, w / 2.0 + 40, 30);
        cairo_move_to(cr, w / 2.0 + 40, 78);
        cairo_line_to(cr, w / 2.0 - 40, 30);
        cairo_stroke(cr);
        draw::Text(cr, "VARNHOLD WORKS", w / 2.0, 92, 15, kBrass.Scaled(1.2), true, true, true);
    } else {
        cairo_arc(cr, w / 2.0, 44, 22, 0, 2 * M_PI);
        cairo_stroke(cr);
        draw::Text(cr, "T", w / 2.0, 44, 30, kBrass.Scaled(1.2), true, true, true);
        draw::Text(cr, "TOLVANE", w / 2.0, 88, 18, kBrass.Scaled(1.2), true, true, true);
    }
    return c.Take("Logo", 1, 0, 0, true);
}

LibrarySpec CompanyLogos() {
    LibrarySpec lib;
    lib.title = "Company Logos";
    lib.sections.push_back({"Tolvane", {Logo(false)}});
    lib.sections.push_back({"Varnhold Works", {Logo(true)}});
    return lib;
}

// --- the frame: background, status bar, toolbar ---

LibrarySpec FrameBlocks() {
    LibrarySpec lib;
    lib.title = "Blocks for the background";
    SectionSpec s;
    s.name = "Blocks";
    for (int i = 0; i < 2; ++i) {
        Canvas c(64, 64);
        cairo_t* cr = c.cr();
        draw::Set(cr, kWalnut.Scaled(0.8));
        cairo_paint(cr);
        // Wood grain that wraps at the edges.
        Noise n(41u + static_cast<std::uint32_t>(i));
        cairo_set_line_width(cr, 1);
        for (int k = 0; k < 22; ++k) {
            const double y = n.Range(0, 64), a = n.Range(1, 3), ph = n.Range(0, 6.28);
            draw::Set(cr, kWalnut.Scaled(n.Range(0.6, 1.05)), 0.7);
            for (int dy = -1; dy <= 1; ++dy) {
                cairo_move_to(cr, 0, y + dy * 64 + a * std::sin(ph));
                for (int x = 4; x <= 64; x += 4) cairo_line_to(cr, x, y + dy * 64 + a * std::sin(ph + x * 2 * M_PI / 64));
                cairo_stroke(cr);
            }
        }
        s.images.push_back(c.Take("Block #" + std::to_string(i + 1), 1, 0, 0, true));
    }
    lib.sections.push_back(std::move(s));
    return lib;
}

ImageSpec BarPiece(const std::string& name, int w, int h, int kind) {
    Canvas c(w, h);
    cairo_t* cr = c.cr();
    cairo_pattern_t* p = cairo_pattern_create_linear(0, 0, 0, h);
    const Colour top = kWalnut.Scaled(1.2), bottom = kWalnut.Scaled(0.7);
    cairo_pattern_add_color_stop_rgb(p, 0, top.r / 255.0, top.g / 255.0, top.b / 255.0);
    cairo_pattern_add_color_stop_rgb(p, 1, bottom.r / 255.0, bottom.g / 255.0, bottom.b / 255.0);
    cairo_set_source(cr, p);
    cairo_paint(cr);
    cairo_pattern_destroy(p);
    draw::Set(cr, kBrass);
    cairo_set_line_width(cr, 1);
    if (kind == 1) {  // left cap
        cairo_rectangle(cr, 2.5, 2.5, w, h - 5);
        cairo_stroke(cr);
    } else if (kind == 2) {  // right cap
        cairo_rectangle(cr, -1, 2.5, w - 2.5, h - 5);
        cairo_stroke(cr);
    } else if (kind == 3) {  // separator
        draw::Set(cr, kWalnut.Scaled(0.4));
        cairo_rectangle(cr, w / 2.0 - 1, 2, 2, h - 4);
        cairo_fill(cr);
    } else {
        cairo_move_to(cr, 0, 3);
        cairo_line_to(cr, w, 3);
        cairo_move_to(cr, 0, h - 3);
        cairo_line_to(cr, w, h - 3);
        cairo_stroke(cr);
    }
    return c.Take(name, 1, 0, 0, true);
}

LibrarySpec StatusBar() {
    LibrarySpec lib;
    lib.title = "Status Bar";
    lib.sections.push_back({"sbArt", {BarPiece("left", 20, 30, 1), BarPiece("right", 12, 30, 2), BarPiece("center", 8, 30, 0),
                                       BarPiece("separator", 4, 30, 3)}});
    return lib;
}

// The toolbar's icons, drawn on a 24 x 24 plate.
void Icon(cairo_t* cr, const std::string& command, double s, const Colour& ink) {
    draw::Set(cr, ink);
    cairo_set_line_width(cr, s / 12);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    const double m = s / 2;
    auto arrow = [&](double x0, double y0, double x1, double y1) {
        cairo_move_to(cr, x0, y0);
        cairo_line_to(cr, x1, y1);
        cairo_stroke(cr);
        const double a = std::atan2(y1 - y0, x1 - x0), l = s * 0.2;
        cairo_move_to(cr, x1, y1);
        cairo_line_to(cr, x1 - l * std::cos(a - 0.5), y1 - l * std::sin(a - 0.5));
        cairo_line_to(cr, x1 - l * std::cos(a + 0.5), y1 - l * std::sin(a + 0.5));
        cairo_close_path(cr);
        cairo_fill(cr);
    };
    auto curved = [&](bool clockwise) {
        cairo_arc(cr, m, m, s * 0.28, clockwise ? M_PI : 0, clockwise ? 1.9 * M_PI : -0.9 * M_PI);
        cairo_stroke(cr);
        const double ex = clockwise ? m + s * 0.28 * std::cos(1.9 * M_PI) : m + s * 0.28 * std::cos(-0.9 * M_PI);
        const double ey = clockwise ? m + s * 0.28 * std::sin(1.9 * M_PI) : m + s * 0.28 * std::sin(-0.9 * M_PI);
        cairo_arc(cr, ex, ey, s * 0.09, 0, 2 * M_PI);
        cairo_fill(cr);
    };
    auto hex = [&](double r) {
        for (int k = 0; k < 6; ++k) {
            const double a = M_PI / 6 + k * M_PI / 3;
            if (k == 0) cairo_move_to(cr, m + r * std::cos(a), m + r * std::sin(a) * 0.8);
            else cairo_line_to(cr, m + r * std::cos(a), m + r * std::sin(a) * 0.8);
        }
        cairo_close_path(cr);
    };
    if (command == "CloseBattle") {
        arrow(s * 0.7, m, s * 0.22, m);
        cairo_rectangle(cr, s * 0.62, s * 0.25, s * 0.14, s * 0.5);
        cairo_stroke(cr);
    } else if (command == "FinishLeader") {
        cairo_move_to(cr, s * 0.3, s * 0.25);
        cairo_line_to(cr, s * 0.3, s * 0.78);
        cairo_stroke(cr);
        cairo_rectangle(cr, s * 0.32, s * 0.25, s * 0.4, s * 0.24);
        cairo_fill(cr);
    } else if (command == "CenterOnLeader") {
        cairo_arc(cr, m, m, s * 0.26, 0, 2 * M_PI);
        cairo_stroke(cr);
        cairo_arc(cr, m, m, s * 0.07, 0, 2 * M_PI);
        cairo_fill(cr);
        cairo_move_to(cr, m, s * 0.1);
        cairo_line_to(cr, m, s * 0.3);
        cairo_move_to(cr, m, s * 0.7);
        cairo_line_to(cr, m, s * 0.9);
        cairo_move_to(cr, s * 0.1, m);
        cairo_line_to(cr, s * 0.3, m);
        cairo_move_to(cr, s * 0.7, m);
        cairo_line_to(cr, s * 0.9, m);
        cairo_stroke(cr);
    } else if (command == "GroupMove") {
        arrow(s * 0.2, s * 0.35, s * 0.8, s * 0.35);
        arrow(s * 0.2, s * 0.65, s * 0.8, s * 0.65);
    } else if (command == "GroupAttack") {
        arrow(s * 0.2, s * 0.8, s * 0.8, s * 0.2);
        arrow(s * 0.2, s * 0.2, s * 0.8, s * 0.8);
    } else if (command == "RotateLeft") {
        curved(false);
    } else if (command == "RotateRight") {
        curved(true);
    } else if (command == "AboutFace") {
        arrow(s * 0.35, s * 0.2, s * 0.35, s * 0.8);
        arrow(s * 0.65, s * 0.8, s * 0.65, s * 0.2);
    } else if (command == "BackwardMovement") {
        arrow(s * 0.75, m, s * 0.2, m);
    } else if (command == "MissileVolley") {
        cairo_move_to(cr, s * 0.15, s * 0.7);
        cairo_line_to(cr, s * 0.6, s * 0.4);
        cairo_stroke(cr);
        for (int k = 0; k < 3; ++k) {
            cairo_arc(cr, s * (0.7 + 0.08 * k), s * (0.3 - 0.05 * k), s * (0.07 + 0.02 * k), 0, 2 * M_PI);
            cairo_stroke(cr);
        }
    } else if (command == "RestoreCohesion") {
        cairo_rectangle(cr, m - s * 0.08, s * 0.2, s * 0.16, s * 0.6);
        cairo_rectangle(cr, s * 0.2, m - s * 0.08, s * 0.6, s * 0.16);
        cairo_fill(cr);
    } else if (command == "Rally") {
        cairo_move_to(cr, s * 0.3, s * 0.15);
        cairo_line_to(cr, s * 0.3, s * 0.85);
        cairo_stroke(cr);
        cairo_move_to(cr, s * 0.32, s * 0.17);
        cairo_line_to(cr, s * 0.8, s * 0.3);
        cairo_line_to(cr, s * 0.32, s * 0.45);
        cairo_close_path(cr);
        cairo_fill(cr);
    } else if (command == "ViewDetails") {
        cairo_arc(cr, s * 0.42, s * 0.42, s * 0.2, 0, 2 * M_PI);
        cairo_stroke(cr);
        cairo_move_to(cr, s * 0.56, s * 0.56);
        cairo_line_to(cr, s * 0.82, s * 0.82);
        cairo_stroke(cr);
    } else if (command == "OpenMap" || command == "ShowOverview" || command == "HideOverview") {
        cairo_rectangle(cr, s * 0.18, s * 0.22, s * 0.64, s * 0.56);
        cairo_stroke(cr);
        cairo_move_to(cr, s * 0.25, s * 0.65);
        cairo_curve_to(cr, s * 0.4, s * 0.3, s * 0.6, s * 0.7, s * 0.75, s * 0.35);
        cairo_stroke(cr);
        if (command == "HideOverview") {
            cairo_move_to(cr, s * 0.15, s * 0.85);
            cairo_line_to(cr, s * 0.85, s * 0.15);
            cairo_stroke(cr);
        }
    } else if (command == "ShowHexGrid" || command == "HideHexGrid") {
        hex(s * 0.32);
        cairo_stroke(cr);
        if (command == "HideHexGrid") {
            cairo_move_to(cr, s * 0.15, s * 0.85);
            cairo_line_to(cr, s * 0.85, s * 0.15);
            cairo_stroke(cr);
        }
    } else if (command == "ReverseView") {
        arrow(s * 0.2, s * 0.35, s * 0.8, s * 0.35);
        arrow(s * 0.8, s * 0.65, s * 0.2, s * 0.65);
    } else if (command == "ZoomIn" || command == "ZoomOut" || command == "Normal") {
        cairo_arc(cr, s * 0.42, s * 0.42, s * 0.22, 0, 2 * M_PI);
        cairo_stroke(cr);
        cairo_move_to(cr, s * 0.58, s * 0.58);
        cairo_line_to(cr, s * 0.85, s * 0.85);
        cairo_stroke(cr);
        cairo_move_to(cr, s * 0.3, s * 0.42);
        cairo_line_to(cr, s * 0.54, s * 0.42);
        if (command == "ZoomIn") {
            cairo_move_to(cr, s * 0.42, s * 0.3);
            cairo_line_to(cr, s * 0.42, s * 0.54);
        }
        if (command == "Normal") {
            cairo_new_path(cr);
            cairo_arc(cr, s * 0.42, s * 0.42, s * 0.06, 0, 2 * M_PI);
            cairo_fill(cr);
        }
        cairo_stroke(cr);
    } else if (command == "Undo") {
        cairo_arc_negative(cr, m, s * 0.55, s * 0.25, 0, -M_PI);
        cairo_stroke(cr);
        arrow(s * 0.25, s * 0.45, s * 0.25, s * 0.62);
    } else if (command == "FormLeft" || command == "FormRight") {
        const bool left = command == "FormLeft";
        for (int k = 0; k < 4; ++k) {
            cairo_rectangle(cr, s * (0.2 + 0.15 * k), s * 0.3, s * 0.1, s * 0.12);
            cairo_fill(cr);
        }
        arrow(left ? s * 0.7 : s * 0.3, s * 0.62, left ? s * 0.25 : s * 0.75, s * 0.62);
    } else if (command == "Mount") {
        // A horse's head.
        cairo_move_to(cr, s * 0.3, s * 0.85);
        cairo_line_to(cr, s * 0.35, s * 0.4);
        cairo_line_to(cr, s * 0.55, s * 0.15);
        cairo_line_to(cr, s * 0.8, s * 0.5);
        cairo_line_to(cr, s * 0.7, s * 0.6);
        cairo_line_to(cr, s * 0.55, s * 0.48);
        cairo_line_to(cr, s * 0.6, s * 0.85);
        cairo_close_path(cr);
        cairo_fill(cr);
    } else if (command == "Limber") {
        cairo_arc(cr, s * 0.35, s * 0.65, s * 0.18, 0, 2 * M_PI);
        cairo_stroke(cr);
        cairo_move_to(cr, s * 0.35, s * 0.6);
        cairo_line_to(cr, s * 0.85, s * 0.35);
        cairo_stroke(cr);
    } else {
        draw::Text(cr, command.substr(0, 2), m, m, s * 0.4, ink, true, false, true);
    }
}

SectionSpec ToolButton(const std::string& command) {
    SectionSpec s;
    s.name = command;
    constexpr int w = 24, h = 24;
    for (int k = 0; k < 4; ++k) {
        const bool down = k % 2 == 1, disabled = k >= 2;
        Canvas c(w, h);
        cairo_t* cr = c.cr();
        draw::Set(cr, kInk);
        cairo_paint(cr);
        draw::Bevel(cr, 1, 1, w - 2, h - 2, disabled ? kBrass.Mixed({140, 136, 128}, 0.7) : kBrass, down, 2);
        cairo_save(cr);
        if (down) cairo_translate(cr, 1, 1);
        cairo_translate(cr, 2, 2);
        Icon(cr, command, 20, disabled ? Colour{118, 112, 100} : kInk);
        cairo_restore(cr);
        static const char* const names[4] = {"UpEnabled", "DownEnabled", "UpDisabled", "DownDisabled"};
        s.images.push_back(c.Take(names[k], 1, 0, 0, false));
    }
    return s;
}

LibrarySpec Buttons(int n, const std::vector<std::string>& commands) {
    LibrarySpec lib;
    lib.title = "Buttons " + std::to_string(n);
    if (n == 1) lib.sections.push_back({"Bar", {BarPiece("Mirror #1", 8, 30, 0), BarPiece("Mirror #2", 8, 30, 0)}});
    for (const std::string& c : commands) lib.sections.push_back(ToolButton(c));
    return lib;
}

// --- scroll bars, slider, spinner ---

ImageSpec ArrowPiece(const std::string& name, int w, int h, int direction, bool pressed) {
    Canvas c(w, h);
    cairo_t* cr = c.cr();
    draw::Bevel(cr, 0, 0, w, h, kBrass, pressed, 1.5);
    draw::Set(cr, kInk);
    const double cx = w / 2.0 + (pressed ? 0.5 : 0), cy = h / 2.0 + (pressed ? 0.5 : 0), r = std::min(w, h) * 0.28;
    const double a = direction * M_PI / 2;  // 0 up, 1 right, 2 down, 3 left
    cairo_move_to(cr, cx + r * std::sin(a), cy - r * std::cos(a));
    cairo_line_to(cr, cx + r * std::sin(a + 2.3), cy - r * std::cos(a + 2.3));
    cairo_line_to(cr, cx + r * std::sin(a - 2.3), cy - r * std::cos(a - 2.3));
    cairo_close_path(cr);
    cairo_fill(cr);
    return c.Take(name, 1, 0, 0);
}

ImageSpec Track(const std::string& name, int w, int h, bool vertical) {
    Canvas c(w, h);
    cairo_t* cr = c.cr();
    draw::Set(cr, kWalnut.Scaled(0.75));
    cairo_paint(cr);
    draw::Set(cr, kWalnut.Scaled(0.5));
    if (vertical) {
        cairo_rectangle(cr, 0, 0, 1, h);
        cairo_rectangle(cr, w - 1, 0, 1, h);
    } else {
        cairo_rectangle(cr, 0, 0, w, 1);
        cairo_rectangle(cr, 0, h - 1, w, 1);
    }
    cairo_fill(cr);
    return c.Take(name, 1, 0, 0);
}

ImageSpec Thumb(const std::string& name, int w, int h) {
    Canvas c(w, h);
    draw::Bevel(c.cr(), 0, 0, w, h, kBrass.Scaled(0.95), false, 1);
    return c.Take(name, 1, 0, 0);
}

SectionSpec ScrollSection(bool vertical) {
    const int thick = 16, end = 16;
    auto sz = [&](int along, int across) { return vertical ? std::array<int, 2>{across, along} : std::array<int, 2>{along, across}; };
    const std::string f = vertical ? "Top" : "Left", g = vertical ? "Bottom" : "Right";
    SectionSpec s;
    s.name = vertical ? "Vertical" : "Horizontal";
    auto a = sz(end, thick);
    const int first = vertical ? 0 : 3, second = vertical ? 2 : 1;
    s.images.push_back(ArrowPiece(f + " end up", a[0], a[1], first, false));
    s.images.push_back(ArrowPiece(f + " end down", a[0], a[1], first, true));
    s.images.push_back(ArrowPiece(g + " end up", a[0], a[1], second, false));
    s.images.push_back(ArrowPiece(g + " end down", a[0], a[1], second, true));
    auto t = sz(3, thick);
    s.images.push_back(Track(f + " track", t[0], t[1], vertical));
    auto sl = sz(16, thick);
    s.images.push_back(Track("Slot", sl[0], sl[1], vertical));
    s.images.push_back(Track(g + " track", t[0], t[1], vertical));
    auto te = sz(3, 12), tm = sz(8, 12);
    s.images.push_back(Thumb(f + " thumb", te[0], te[1]));
    s.images.push_back(Thumb("Thumb mid", tm[0], tm[1]));
    s.images.push_back(Thumb(g + " thumb", te[0], te[1]));
    return s;
}

LibrarySpec ScrollBars() {
    LibrarySpec lib;
    lib.title = "Scroll Bars";
    lib.sections.push_back(ScrollSection(false));
    lib.sections.push_back(ScrollSection(true));
    return lib;
}

LibrarySpec Slider() {
    LibrarySpec lib;
    lib.title = "Slider";
    auto groove = [](const std::string& name, int w, int end) {
        Canvas c(w, 12);
        cairo_t* cr = c.cr();
        draw::Set(cr, kParchment);
        cairo_paint(cr);
        draw::Set(cr, kWalnut.Scaled(0.6));
        const double x0 = end == 1 ? 2 : 0, x1 = end == 2 ? w - 2 : w;
        cairo_rectangle(cr, x0, 4, x1 - x0, 4);
        cairo_fill(cr);
        return c.Take(name, 1, 0, 0);
    };
    Canvas t(8, 12);
    draw::Bevel(t.cr(), 0, 0, 8, 12, kBrass, false, 1.5);
    lib.sections.push_back({"Horizontal", {groove("TrackMiddle", 8, 0), groove("TrackLeft", 4, 1), groove("TrackRight", 4, 2),
                                           t.Take("Thumb", 1, 0, 0)}});
    return lib;
}

LibrarySpec Spinner() {
    LibrarySpec lib;
    lib.title = "Spinner";
    lib.sections.push_back({"Vertical", {ArrowPiece("Top end up", 12, 9, 0, false), ArrowPiece("Top end down", 12, 9, 0, true),
                                         ArrowPiece("Bottom end up", 12, 9, 2, false),
                                         ArrowPiece("Bottom end down", 12, 9, 2, true)}});
    return lib;
}

} // namespace

const std::vector<std::string>& ScenarioTitles() {
    static const std::vector<std::string> titles = {"1st Bull Run",  "Antietem",   "Brandy Station", "Gettysburg",
                                                    "Wilderness",    "Five Forks", "Cedar Creek",    "Gaines Mill",
                                                    "2nd Bull Run",  "Cedar Mountain"};
    return titles;
}

void AddInterfaceJobs(std::vector<LibraryJob>& jobs) {
    const GlyphStyle dialogFont{"DejaVuSans.ttf", 10, Nearest(kInk.r, kInk.g, kInk.b),
                                Nearest(150, 128, 96), 0, 0};
    const GlyphStyle chiseled{"DejaVuSerif-Bold.ttf", 15, Nearest(236, 206, 120), Nearest(180, 150, 80),
                              Nearest(40, 26, 12), 1};
    jobs.push_back({"DLGFONT.QIF", "MS Sans Serif 2", [dialogFont] { return DialogFontLibrary("MS Sans Serif 2", dialogFont); }});
    jobs.push_back({"CHISEL.QIF", "Chiseled Text", [chiseled] { return TitleFontLibrary("Chiseled Text", chiseled); }});
    jobs.push_back({"DLGBUTT.QIF", "DialogButtons", DialogButtons});
    jobs.push_back({"DLGBMPS.QIF", "Dialog Bitmaps", DialogBitmaps});
    jobs.push_back({"ENDGAME.QIF", "End Of Game Bitmaps", EndOfGameBitmaps});
    jobs.push_back({"CAMPAIGN.QIF", "Campaign Game", CampaignGame});
    jobs.push_back({"LOGOS.QIF", "Company Logos", CompanyLogos});
    jobs.push_back({"BLOCKS.QIF", "Blocks for the background", FrameBlocks});
    jobs.push_back({"STATUS.QIF", "Status Bar", StatusBar});
    jobs.push_back({"BUTTONS1.QIF", "Buttons 1", [] {
                        return Buttons(1, {"CloseBattle", "FinishLeader", "CenterOnLeader", "GroupMove", "GroupAttack",
                                           "RotateLeft", "RotateRight", "AboutFace", "BackwardMovement", "MissileVolley"});
                    }});
    jobs.push_back({"BUTTONS2.QIF", "Buttons 2", [] {
                        return Buttons(2, {"RestoreCohesion", "Rally", "ViewDetails", "OpenMap", "HideOverview",
                                           "ShowOverview", "ShowHexGrid", "HideHexGrid"});
                    }});
    jobs.push_back({"BUTTONS3.QIF", "Buttons 3", [] { return Buttons(3, {"ReverseView", "ZoomIn", "Normal", "ZoomOut", "Undo"}); }});
    jobs.push_back({"BUTTONS4.QIF", "Buttons 4", [] { return Buttons(4, {"FormLeft", "FormRight", "Mount", "Limber"}); }});
    jobs.push_back({"SCROLL.QIF", "Scroll Bars", ScrollBars});
    jobs.push_back({"SLIDER.QIF", "Slider", Slider});
    jobs.push_back({"SPINNER.QIF", "Spinner", Spinner});
}

} // namespace artgen
