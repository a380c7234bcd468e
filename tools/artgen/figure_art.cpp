// The figures of every unit type: foot soldiers with muskets, troopers on horses, guns with
// their crews limbered behind a team or unlimbered, mounted officers with the colours, supply
// wagons. Union in dark blue coats and sky-blue trousers, Confederates in grey and butternut.
// Every figure is drawn facing one of the eight directions of the three-quarter view and, per
// section, through the frames of its action: walking, firing with smoke, fighting hand to hand,
// rallying, running, dropping its musket, falling.
#include "game/pictures/phalanx_places.h"
#include "tools/artgen/art_set.h"
#include "tools/artgen/draw.h"
#include "tools/artgen/palette.h"
#include "tools/datagen/figure_art_writer.h"

#include <cmath>

namespace artgen {

namespace {

using datagen::ImageSpec;
using datagen::LibrarySpec;
using datagen::SectionSpec;
using draw::Colour;

const char* const kDirections[8] = {"N", "NE", "E", "SE", "S", "SW", "W", "NW"};

enum class Kind { Foot, Horse, Gun, Limbered, Leader, Wagon, Loose };

struct Side {
    bool union_;
    Colour coat, trousers, hat;
};
const Side kUnion{true, {38, 52, 118}, {104, 130, 184}, {30, 38, 84}};
const Side kConfederate{false, {136, 134, 126}, {150, 128, 92}, {110, 92, 66}};

// What a frame shows.
enum class Action { Stand, Walk, Fire, Melee, Rally, Run, Drop, Helmet, Dead, Dismount, Signal };

struct Pose {
    int facing;  // 0..7: N, NE, E, SE, S, SW, W, NW
    Action action;
    int frame, frames;
    bool flag = true;    // leaders: with the colours
    bool routed = false;
};

double Dx(int f) { return std::sin(f * M_PI / 4); }
double Dy(int f) { return -std::cos(f * M_PI / 4); }

void Ellipse(cairo_t* cr, double x, double y, double rx, double ry) {
    cairo_save(cr);
    cairo_translate(cr, x, y);
    cairo_scale(cr, std::max(0.1, rx), std::max(0.1, ry));
    cairo_arc(cr, 0, 0, 1, 0, 2 * M_PI);
    cairo_restore(cr);
}

void Line(cairo_t* cr, double x0, double y0, double x1, double y1, double w, const Colour& c) {
    cairo_set_line_width(cr, w);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    draw::Set(cr, c);
    cairo_move_to(cr, x0, y0);
    cairo_line_to(cr, x1, y1);
    cairo_stroke(cr);
}

void Smoke(cairo_t* cr, double x, double y, double size, int age) {
    // A puff that grows and thins over its frames.
    const double r = size * (0.5 + 0.35 * age);
    draw::Set(cr, {238, 236, 230}, age < 3 ? 0.95 : 0.7);
    Ellipse(cr, x, y, r, r * 0.8);
    cairo_fill(cr);
    draw::Set(cr, {250, 250, 248}, 0.9);
    Ellipse(cr, x - r * 0.3, y - r * 0.3, r * 0.5, r * 0.4);
    cairo_fill(cr);
}

void Flash(cairo_t* cr, double x, double y, double size) {
    draw::Set(cr, {255, 220, 90});
    Ellipse(cr, x, y, size, size * 0.7);
    cairo_fill(cr);
    draw::Set(cr, {255, 250, 210});
    Ellipse(cr, x, y, size * 0.5, size * 0.35);
    cairo_fill(cr);
}

// A man on foot, feet at (x, y) (the hot spot), 28 units tall.
void Soldier(cairo_t* cr, double x, double y, const Side& side, const Pose& p, bool crew = false) {
    const int f = p.facing;
    const double dx = Dx(f), dy = Dy(f);
    const bool away = dy < -0.3;  // facing into the picture: we see his back
    const double phase = p.frames > 0 ? static_cast<double>(p.frame) / p.frames : 0;
    double stride = 0;
    if (p.action == Action::Walk || p.action == Action::Run || p.action == Action::Helmet)
        stride = std::sin(phase * 2 * M_PI) * (p.action == Action::Walk ? 3.5 : 5);
    if (p.action == Action::Dead) {
        // Lying on the ground across the facing.
        draw::Set(cr, side.coat);
        Ellipse(cr, x, y - 2, 10, 2.8);
        cairo_fill(cr);
        draw::Set(cr, {224, 178, 140});
        Ellipse(cr, x + (p.frame % 2 ? 9 : -9), y - 3, 2.4, 2);
        cairo_fill(cr);
        Line(cr, x - 12, y, x + 12, y - 1, 1.2, {80, 60, 40});
        return;
    }
    const double lean = p.action == Action::Run ? 3 * dx : p.action == Action::Melee ? 2 * dx : 0;
    // Legs.
    const double legSpread = 2.0 + std::fabs(dx) * 0.5;
    Line(cr, x - legSpread * 0.5, y - 10, x - legSpread + stride * dx - stride * 0.2, y, 2.6, side.trousers.Scaled(0.9));
    Line(cr, x + legSpread * 0.5, y - 10, x + legSpread - stride * dx + stride * 0.2, y, 2.6, side.trousers);
    draw::Set(cr, {30, 24, 20});
    Ellipse(cr, x - legSpread + stride * dx - stride * 0.2, y - 0.5, 1.6, 1);
    Ellipse(cr, x + legSpread - stride * dx + stride * 0.2, y - 0.5, 1.6, 1);
    cairo_fill(cr);
    // Body.
    const double bx = x + lean, top = y - 21;
    cairo_move_to(cr, bx - 3.6, top);
    cairo_line_to(cr, bx + 3.6, top);
    cairo_line_to(cr, x + 3.2, y - 9);
    cairo_line_to(cr, x - 3.2, y - 9);
    cairo_close_path(cr);
    draw::Set(cr, side.coat);
    cairo_fill(cr);
    // Belt and, facing away, the knapsack.
    Line(cr, x - 3.2, y - 11, x + 3.2, y - 11, 1, {40, 30, 20});
    if (away && !crew) {
        draw::Set(cr, {70, 54, 36});
        cairo_rectangle(cr, bx - 2.8, top + 1.5, 5.6, 5);
        cairo_fill(cr);
    }
    // Head and cap.
    const double hx = bx + dx * 0.8, hy = top - 3.2;
    draw::Set(cr, away ? Colour{96, 70, 44} : Colour{228, 182, 142});
    Ellipse(cr, hx, hy, 2.6, 2.9);
    cairo_fill(cr);
    draw::Set(cr, side.hat);
    if (side.union_) {  // kepi: a tilted cap with a peak
        cairo_move_to(cr, hx - 2.6, hy - 1);
        cairo_line_to(cr, hx - 2.0, hy - 4.8);
        cairo_line_to(cr, hx + 2.4, hy - 4.2);
        cairo_line_to(cr, hx + 2.6, hy - 1);
        cairo_close_path(cr);
        cairo_fill(cr);
        Line(cr, hx, hy - 1, hx + dx * 3, hy - 0.8, 1, {20, 20, 20});
    } else {  // slouch hat: a wide brim
        Ellipse(cr, hx, hy - 1.8, 4.2, 1.3);
        cairo_fill(cr);
        Ellipse(cr, hx, hy - 3, 2.4, 1.8);
        cairo_fill(cr);
    }
    if (p.action == Action::Helmet && p.frame < 4) {
        // The cap flies off as he turns to run.
        draw::Set(cr, side.hat);
        Ellipse(cr, hx - dx * (2 + p.frame * 2), hy - 4 - p.frame * 2, 2.2, 1.4);
        cairo_fill(cr);
    }
    if (crew) {
        // A rammer staff.
        Line(cr, bx + 3, top + 2, bx + 3 + dx * 8, top - 8, 1, {120, 90, 50});
        return;
    }
    // The musket.
    const Colour wood{110, 72, 38}, steel{150, 156, 166};
    const double sx = bx + (dx >= 0 ? 2.5 : -2.5), sy = top + 3;
    switch (p.action) {
    case Action::Fire: {
        // Aim along the facing, fire on the third frame, reload after.
        const int k = p.frame;
        if (k < 5) {
            const double ex = sx + dx * 13, ey = sy + dy * 5 - 1;
            Line(cr, sx - dx * 3, sy + 1, ex, ey, 1.8, wood);
            Line(cr, ex - dx * 3, ey - dy * 1.2, ex, ey, 1.2, steel);
            if (k == 2) Flash(cr, ex + dx * 3, ey + dy, 3.2);
            if (k >= 2) Smoke(cr, ex + dx * (5 + 2 * (k - 2)), ey + dy * 2 - (k - 2) * 1.5, 3.5, k - 1);
        } else {
            Line(cr, sx, sy + 6, sx + dx * 2, sy - 12, 1.8, wood);
            Line(cr, sx + dx * 2, sy - 12, sx + dx * 2.2, sy - 15, 1, steel);
            // The smoke drifts up and thins; it stops growing while the long reload goes on.
            Smoke(cr, x + dx * 14, y - 22 - std::min(k - 5, 4) * 2, 3.5, std::min(k - 1, 6));
        }
        break;
    }
    case Action::Melee: {
        const double reach = 8 + 6 * std::sin(phase * M_PI);
        const double ex = sx + dx * reach, ey = sy + dy * reach * 0.4 + 3;
        Line(cr, sx - dx * 4, sy + 4, ex, ey, 1.8, wood);
        Line(cr, ex, ey, ex + dx * 5, ey + dy * 2, 1, steel);  // bayonet
        break;
    }
    case Action::Drop: {
        // The musket falls from his hands.
        const double t = static_cast<double>(p.frame) / std::max(1, p.frames - 1);
        Line(cr, sx + dx * 2, sy - 8 + 14 * t, sx + dx * (6 + 8 * t), sy + 6 + 8 * t, 1.8, wood);
        break;
    }
    case Action::Run:
    case Action::Helmet:
        break;  // thrown away
    case Action::Rally:
        // Musket raised overhead.
        Line(cr, sx - 5, top - 4 - p.frame, sx + 5, top - 6 - p.frame, 1.8, wood);
        break;
    default:
        // Shouldered: the barrel up past the head.
        Line(cr, sx, sy + 7, sx + dx * 1.5, sy - 12, 1.8, wood);
        Line(cr, sx + dx * 1.5, sy - 12, sx + dx * 1.7, sy - 15, 1, steel);
        break;
    }
}

// A horse, hooves at y, centred at x, body along the facing.
void HorseBody(cairo_t* cr, double x, double y, int f, double phase, const Colour& coat, bool gallop) {
    const double dx = Dx(f), dy = Dy(f);
    const double half = 4 + 8 * std::fabs(dx);  // foreshortened when seen head-on
    const double bodyY = y - 12;
    const double sway = std::sin(phase * 2 * M_PI) * (gallop ? 3 : 2);
    // Legs: front pair and back pair.
    for (int k = 0; k < 4; ++k) {
        const double along = (k < 2 ? 1 : -1) * half * 0.7;
        const double side = (k % 2 ? 1.5 : -1.5);
        const double lx = x + dx * along + (std::fabs(dx) < 0.5 ? side : 0), ly = bodyY - dy * along * 0.3;
        const double swing = (k % 2 ? sway : -sway) * std::fabs(dx);
        Line(cr, lx, ly + 2, lx + swing, y, 1.8, coat.Scaled(k % 2 ? 0.8 : 0.95));
    }
    draw::Set(cr, coat);
    Ellipse(cr, x, bodyY, half + 2, 4.5);
    cairo_fill(cr);
    // Neck and head toward the facing.
    const double nx = x + dx * (half + 1), ny = bodyY - 2 + dy * 1.5;
    Line(cr, nx - dx * 2, ny + 1, nx + dx * 2, ny - 6, 3.2, coat.Scaled(0.95));
    draw::Set(cr, coat.Scaled(0.9));
    Ellipse(cr, nx + dx * 4, ny - 6 - (dy < 0 ? 1 : 0), 1.5 + 2 * std::fabs(dx), 1.8);
    cairo_fill(cr);
    // Tail.
    Line(cr, x - dx * (half + 1.5), bodyY - 1, x - dx * (half + 3), bodyY + 6, 1.6, {30, 22, 16});
}

// A rider on a horse (cavalry trooper or officer).
void Rider(cairo_t* cr, double x, double y, const Side& side, const Pose& p, bool officer, const Colour& horse) {
    const int f = p.facing;
    const double dx = Dx(f);
    const double phase = p.frames > 0 ? static_cast<double>(p.frame) / p.frames : 0;
    const bool moving = p.action == Action::Walk || p.action == Action::Run || p.action == Action::Helmet;
    if (p.action == Action::Dead) {
        draw::Set(cr, horse);
        Ellipse(cr, x, y - 4, 12, 4);
        cairo_fill(cr);
        draw::Set(cr, side.coat);
        Ellipse(cr, x + 8, y - 2, 5, 2);
        cairo_fill(cr);
        return;
    }
    if (p.action == Action::Dismount) {
        // The trooper swings his leg over and steps down beside his horse: in the saddle on the
        // first frame, on his feet beside it from the middle of the row on.
        const double t = p.frames > 1 ? static_cast<double>(p.frame) / (p.frames - 1) : 1;
        if (t == 0) {
            Pose mounted = p;
            mounted.action = Action::Stand;
            Rider(cr, x, y, side, mounted, officer, horse);
            return;
        }
        HorseBody(cr, x - dx * 4 * t, y, f, 0, horse, false);
        const double down = std::min(1.0, t * 2);
        Pose standing = p;
        standing.action = Action::Stand;
        Soldier(cr, x + 7 + down - t * 2, y + 1 - 7 * (1 - down), side, standing);
        return;
    }
    HorseBody(cr, x, y, f, moving ? phase : 0, horse, p.action == Action::Run || p.action == Action::Melee);
    const double bob = moving ? std::sin(phase * 4 * M_PI) : 0;
    const double sx = x, sy = y - 16 + bob;
    // Legs astride, body, head, hat.
    Line(cr, sx, sy, sx + 1.5, sy + 6, 2.2, side.trousers);
    draw::Set(cr, officer ? side.coat.Scaled(0.85) : side.coat);
    cairo_move_to(cr, sx - 3, sy);
    cairo_line_to(cr, sx + 3, sy);
    cairo_line_to(cr, sx + 2.6, sy - 10);
    cairo_line_to(cr, sx - 2.6, sy - 10);
    cairo_close_path(cr);
    cairo_fill(cr);
    if (officer) {  // sash and shoulder straps
        Line(cr, sx - 2.5, sy - 9, sx + 2.5, sy - 2, 1, side.union_ ? Colour{200, 170, 60} : Colour{180, 40, 36});
    }
    draw::Set(cr, Dy(f) < -0.3 ? Colour{96, 70, 44} : Colour{228, 182, 142});
    Ellipse(cr, sx, sy - 12.5, 2.4, 2.6);
    cairo_fill(cr);
    draw::Set(cr, officer && side.union_ ? Colour{24, 24, 30} : side.hat);
    Ellipse(cr, sx, sy - 14.5, officer ? 4.5 : 3.8, 1.2);
    cairo_fill(cr);
    Ellipse(cr, sx, sy - 15.5, 2.2, 1.6);
    cairo_fill(cr);
    const Colour steel{176, 182, 190};
    switch (p.action) {
    case Action::Fire: {
        const int k = p.frame;
        const double ex = sx + dx * 11, ey = sy - 8;
        Line(cr, sx, sy - 6, ex, ey, 1.4, {90, 64, 36});  // carbine
        if (k == 2) Flash(cr, ex + dx * 2, ey, 2.8);
        if (k >= 2) Smoke(cr, ex + dx * 5, ey - (k - 2), 3, k - 1);
        break;
    }
    case Action::Melee:
    case Action::Run: {
        // The sabre swung high and brought down.
        const double a = -M_PI / 2 + (dx >= 0 ? 1 : -1) * phase * M_PI * 0.9;
        Line(cr, sx + dx * 2, sy - 8, sx + dx * 2 + 11 * std::cos(a), sy - 8 + 11 * std::sin(a), 1.2, steel);
        break;
    }
    default:
        if (!officer) Line(cr, sx + (dx >= 0 ? 2.5 : -2.5), sy - 6, sx + (dx >= 0 ? 4 : -4), sy - 18, 1.2, steel);  // sabre at the slope
        break;
    }
    if (officer && p.flag) {
        const double fx = sx - dx * 3 + 3, fy = sy - 30;
        draw::Flag(cr, fx, fy, 10, 7, side.union_, phase, p.routed);
    }
}

// A horse down on its side, legs stretched out toward the viewer; `frame` turns its head.
void FallenHorse(cairo_t* cr, double x, double y, const Colour& coat, int frame) {
    for (int k = 0; k < 4; ++k) Line(cr, x - 8 + k * 5, y - 4, x - 10 + k * 5 + (frame % 2 ? 2 : -1), y + 1, 1.8, coat.Scaled(0.85));
    draw::Set(cr, coat);
    Ellipse(cr, x, y - 5, 13, 4.5);
    cairo_fill(cr);
    draw::Set(cr, coat.Scaled(0.9));
    Ellipse(cr, x + (frame % 2 ? 14 : -14), y - 3, 3.5, 2);
    cairo_fill(cr);
}

// A horse without its rider: saddled, the stirrups hanging; galloping off or fallen.
void LooseHorse(cairo_t* cr, double x, double y, const Pose& p) {
    const Colour coat{112, 72, 40};
    const int f = p.facing;
    const double dx = Dx(f);
    const double phase = p.frames > 0 ? static_cast<double>(p.frame) / p.frames : 0;
    if (p.action == Action::Dead) {
        FallenHorse(cr, x, y, coat, p.frame);
        draw::Set(cr, {70, 44, 24});
        Ellipse(cr, x - 1, y - 8, 4, 2);
        cairo_fill(cr);
        return;
    }
    const bool moving = p.action == Action::Walk || p.action == Action::Run;
    HorseBody(cr, x, y, f, moving ? phase : 0, coat, p.action == Action::Run);
    // The empty saddle and its blanket, the stirrups swinging.
    draw::Set(cr, {60, 40, 22});
    Ellipse(cr, x, y - 16.5, 3.5 + 1.5 * std::fabs(dx), 1.8);
    cairo_fill(cr);
    draw::Set(cr, {40, 46, 80});
    cairo_rectangle(cr, x - 2.5 - 1.5 * std::fabs(dx), y - 15.5, 5 + 3 * std::fabs(dx), 2.5);
    cairo_fill(cr);
    const double swing = moving ? std::sin(phase * 2 * M_PI) * 1.5 : 0;
    Line(cr, x - 1, y - 14, x - 1 + swing, y - 9, 0.8, {40, 30, 20});
    Line(cr, x + 1, y - 14, x + 1 - swing, y - 9, 0.8, {40, 30, 20});
}

void Wheel(cairo_t* cr, double x, double y, double r, double turn, const Colour& c) {
    cairo_set_line_width(cr, 1.2);
    draw::Set(cr, c);
    Ellipse(cr, x, y, r * 0.5, r);
    cairo_stroke(cr);
    for (int k = 0; k < 3; ++k) {
        const double a = turn + k * M_PI / 3;
        Line(cr, x - r * 0.5 * std::cos(a), y - r * std::sin(a), x + r * 0.5 * std::cos(a), y + r * std::sin(a), 0.8, c);
    }
}

// A field gun on its carriage, trail behind, muzzle toward the facing.
void Gun(cairo_t* cr, double x, double y, int f, const Pose& p, bool brass) {
    const double dx = Dx(f), dy = Dy(f);
    const Colour barrel = brass ? Colour{198, 160, 70} : Colour{46, 50, 56};
    const Colour wood{104, 84, 52};
    const double recoil = p.action == Action::Fire && p.frame >= 2 && p.frame <= 3 ? -3 : 0;
    const double gx = x + dx * recoil, gy = y + dy * recoil * 0.5;
    // Trail to the rear.
    Line(cr, gx, gy - 6, gx - dx * 14, gy - dy * 5 - 1, 2.4, wood);
    // Barrel.
    const double mx = gx + dx * 13, my = gy - 9 + dy * 5;
    Line(cr, gx - dx * 3, gy - 8 - dy, mx, my, 3.4, barrel);
    // Wheels either side (across the facing).
    const double px = -dy, py = dx * 0.5;
    Wheel(cr, gx + px * 6, gy - 6 + py * 6, 6, p.frame * 0.3, {70, 52, 30});
    Wheel(cr, gx - px * 6, gy - 6 - py * 6, 6, p.frame * 0.3, {70, 52, 30});
    if (p.action == Action::Fire) {
        if (p.frame == 2) Flash(cr, mx + dx * 3, my, 5);
        if (p.frame >= 2) Smoke(cr, mx + dx * (6 + 3 * (p.frame - 2)), my - (p.frame - 2) * 2, 6, p.frame - 1);
    }
}

void Battery(cairo_t* cr, double x, double y, const Side& side, const Pose& p, bool brass) {
    if (p.action == Action::Dead) {
        Gun(cr, x, y, (p.facing + 2) % 8, Pose{p.facing, Action::Stand, 0, 1}, brass);
        Pose dead = p;
        Soldier(cr, x + 10, y + 2, side, dead);
        return;
    }
    Gun(cr, x, y, p.facing, p, brass);
    // Two gunners: one at the breech, one beside the wheel.
    const double dx = Dx(p.facing), dy = Dy(p.facing);
    Pose crew = p;
    crew.action = p.action == Action::Fire ? Action::Stand : p.action;
    Soldier(cr, x - dx * 9 + (-dy) * 6, y - dy * 3 + 4, side, crew, true);
    Soldier(cr, x - dx * 9 - (-dy) * 6, y - dy * 3 + 2, side, crew, true);
}

// The team, the limber and the gun hooked behind it, moving toward the facing.
void LimberedBattery(cairo_t* cr, double x, double y, const Side& side, const Pose& p, bool brass) {
    const int f = p.facing;
    const double dx = Dx(f), dy = Dy(f);
    if (p.action == Action::Dead) {
        // Team shot down in the traces: the horse fallen, the limber overturned with a wheel off,
        // the gun's barrel thrown from its carriage and a driver beside it.
        FallenHorse(cr, x + 14, y + 2, {98, 62, 36}, p.frame);
        draw::Set(cr, {70, 56, 34});
        cairo_rectangle(cr, x - 6, y - 6, 8, 4);
        cairo_fill(cr);
        Wheel(cr, x - 8, y - 5, 5, p.frame * 0.7, {60, 44, 26});
        draw::Set(cr, {60, 44, 26});
        Ellipse(cr, x + 2, y, 5, 1.6);
        cairo_stroke(cr);
        Line(cr, x - 22, y - 1, x - 10, y + 1, 2.6, brass ? Colour{198, 160, 70} : Colour{46, 50, 56});
        Pose driver = p;
        Soldier(cr, x - 2, y + 4, side, driver);
        return;
    }
    const double phase = p.frames > 0 ? static_cast<double>(p.frame) / p.frames : 0;
    // Drawn back to front: whatever lies further into the picture first.
    struct Part {
        double along;
        int what;
    } parts[3] = {{-14, 0}, {0, 1}, {14, 2}};
    if (dy > 0) std::swap(parts[0], parts[2]);
    for (const Part& part : parts) {
        const double px = x + dx * part.along, py = y + dy * part.along * 0.5;
        if (part.what == 2) {
            HorseBody(cr, px, py, f, phase, {98, 62, 36}, false);
            Pose rider{f, Action::Stand, 0, 1};
            (void)rider;
            Line(cr, px, py - 16, px, py - 22, 2.4, side.coat);
            draw::Set(cr, side.hat);
            Ellipse(cr, px, py - 24, 2.2, 1.8);
            cairo_fill(cr);
        } else if (part.what == 1) {
            draw::Set(cr, {96, 80, 50});
            Ellipse(cr, px, py - 8, 4 + 3 * std::fabs(dx), 3.5);
            cairo_fill(cr);
            draw::Set(cr, {70, 56, 34});
            cairo_rectangle(cr, px - 3, py - 14, 6, 5);
            cairo_fill(cr);
            Wheel(cr, px, py - 5, 5, phase * 6, {60, 44, 26});
        } else {
            Line(cr, px + dx * 8, py - 5, px - dx * 2, py - 7, 2.6, brass ? Colour{198, 160, 70} : Colour{46, 50, 56});
            Wheel(cr, px, py - 5, 5, phase * 6, {60, 44, 26});
        }
    }
}

void Wagon(cairo_t* cr, double x, double y, const Side& side, const Pose& p) {
    const int f = p.facing;
    const double dx = Dx(f), dy = Dy(f);
    const double phase = p.frames > 0 ? static_cast<double>(p.frame) / p.frames : 0;
    const double hx = x + dx * 14, hy = y + dy * 7;
    if (p.action == Action::Dead) {
        // Wrecked: the team down, the wagon over on its side with its canvas torn off the hoops,
        // one wheel flat on the ground and the other still on its axle.
        FallenHorse(cr, x + 15, y + 2, {120, 96, 70}, p.frame);
        draw::Set(cr, {110, 80, 46});
        Ellipse(cr, x - 4, y - 4, 11, 3);
        cairo_fill(cr);
        draw::Set(cr, {210, 204, 188});
        cairo_move_to(cr, x - 16, y - 2);
        cairo_curve_to(cr, x - 12, y - 10, x - 2, y - 9, x + 3, y - 3);
        cairo_close_path(cr);
        cairo_fill(cr);
        draw::Set(cr, {60, 44, 26});
        Ellipse(cr, x - 19, y + 1, 4.5, 1.5);
        cairo_stroke(cr);
        Wheel(cr, x + 2, y - 7, 4, p.frame * 0.9, {60, 44, 26});
        draw::Set(cr, side.union_ ? Colour{40, 60, 140} : Colour{150, 40, 36});
        cairo_rectangle(cr, x - 7, y - 5, 4, 2);
        cairo_fill(cr);
        return;
    }
    auto team = [&] { HorseBody(cr, hx, hy, f, p.action == Action::Walk || p.action == Action::Run ? phase : 0, {120, 96, 70}, false); };
    if (dy < 0) team();
    // The wagon bed and its white canvas hoops.
    const double len = 5 + 6 * std::fabs(dx);
    draw::Set(cr, {110, 80, 46});
    Ellipse(cr, x - dx * 3, y - 8, len + 2, 4);
    cairo_fill(cr);
    draw::Set(cr, {232, 228, 214});
    cairo_move_to(cr, x - dx * 3 - len, y - 9);
    cairo_curve_to(cr, x - dx * 3 - len, y - 22, x - dx * 3 + len, y - 22, x - dx * 3 + len, y - 9);
    cairo_close_path(cr);
    cairo_fill(cr);
    cairo_set_line_width(cr, 0.8);
    draw::Set(cr, {170, 166, 150});
    for (int k = -1; k <= 1; ++k) {
        cairo_move_to(cr, x - dx * 3 + k * len * 0.5, y - 9);
        cairo_line_to(cr, x - dx * 3 + k * len * 0.5, y - 19);
    }
    cairo_stroke(cr);
    // A painted side mark.
    draw::Set(cr, side.union_ ? Colour{40, 60, 140} : Colour{150, 40, 36});
    cairo_rectangle(cr, x - dx * 3 - 2, y - 15, 4, 2.5);
    cairo_fill(cr);
    Wheel(cr, x - dx * 3 - len * 0.6, y - 4, 4, phase * 6, {60, 44, 26});
    Wheel(cr, x - dx * 3 + len * 0.6, y - 4, 4, phase * 6, {60, 44, 26});
    if (dy >= 0) team();
}

struct ArtKind {
    Kind kind;
    Side side;
    bool brass;
    bool mountedLike;  // horse-drawn or mounted: bigger figure
};

// The canvas of one figure: 0-zoom size, hot spot at the feet.
ImageSpec Figure(int zoom, const std::string& name, const ArtKind& a, const Pose& p) {
    const double scale = zoom == 0 ? 1.0 : zoom == 1 ? 0.52 : 0.3;
    const int baseW = a.kind == Kind::Foot ? 40 : a.kind == Kind::Limbered ? 90 : a.kind == Kind::Wagon ? 70 : 60, baseH = a.kind == Kind::Foot ? 40 : a.kind == Kind::Leader ? 60 : 50;
    const int w = std::max(4, static_cast<int>(std::ceil(baseW * scale))), h = std::max(4, static_cast<int>(std::ceil(baseH * scale)));
    Canvas c(w, h);
    cairo_t* cr = c.cr();
    cairo_scale(cr, scale, scale);
    const double fx = baseW / 2.0, fy = baseH - 3.0;
    // The shadow on the ground, toward the south-east (the light is from the north-west).
    cairo_t* sh = c.Shadow();
    cairo_set_source_rgba(sh, 0, 0, 0, 1);
    Ellipse(sh, fx + 3, fy, a.kind == Kind::Foot ? 6 : a.kind == Kind::Limbered ? 26 : 13, a.kind == Kind::Foot ? 2 : 3.5);
    cairo_fill(sh);
    switch (a.kind) {
    case Kind::Foot: Soldier(cr, fx, fy, a.side, p); break;
    case Kind::Horse: Rider(cr, fx, fy, a.side, p, false, a.side.union_ ? Colour{104, 66, 36} : Colour{132, 92, 54}); break;
    case Kind::Leader: Rider(cr, fx, fy, a.side, p, true, a.side.union_ ? Colour{60, 40, 28} : Colour{190, 180, 168}); break;
    case Kind::Gun: Battery(cr, fx, fy, a.side, p, a.brass); break;
    case Kind::Limbered: LimberedBattery(cr, fx, fy, a.side, p, a.brass); break;
    case Kind::Wagon: Wagon(cr, fx, fy, a.side, p); break;
    case Kind::Loose: LooseHorse(cr, fx, fy, p); break;
    }
    return c.Take(name, 6, static_cast<int>(fx * scale), static_cast<int>(fy * scale));
}

SectionSpec Row(int zoom, const ArtKind& a, const std::string& prefix, const std::string& suffix, Action action, int frames,
                int facing, bool flag = true) {
    SectionSpec s;
    s.name = prefix + kDirections[facing] + suffix;
    for (int k = 0; k < frames; ++k) {
        Pose p{facing, action, k, frames, flag, action == Action::Run || action == Action::Helmet};
        s.images.push_back(Figure(zoom, s.name + " " + std::to_string(k), a, p));
    }
    return s;
}

LibrarySpec FigureLibrary(const std::string& artName, int zoom, const ArtKind& a) {
    LibrarySpec lib;
    lib.title = artName + ZoomSuffix(zoom);
    const bool leader = a.kind == Kind::Leader;
    // Standing frames, one per facing; routed standing; without the colours.
    auto standing = [&](const std::string& name, bool routed, bool flag) {
        SectionSpec s;
        s.name = name;
        for (int f = 0; f < 8; ++f) {
            Pose p{f, Action::Stand, 0, 1, flag, routed};
            s.images.push_back(Figure(zoom, name + " " + kDirections[f], a, p));
        }
        return s;
    };
    lib.sections.push_back(standing("Standing", false, true));
    lib.sections.push_back(standing("StandingR", true, true));
    if (leader) lib.sections.push_back(standing("StandingWA", false, false));
    // The close-order foot turns about through the facings, one picture for each.
    if (a.kind == Kind::Foot) lib.sections.push_back(standing("ABOUTFACE", false, true));
    const int walk = a.kind == Kind::Foot ? 6 : 4;
    // As many frames as the pictures play: hand to hand runs to frame 19 for foot soldiers,
    // dismounted troopers and crews; a volley to 13 on foot, 11 mounted, 19 for a gun.
    const bool fights = a.kind == Kind::Foot || a.kind == Kind::Horse || a.kind == Kind::Gun;
    const int melee = fights ? 20 : 6;
    const int fire = a.kind == Kind::Foot ? 14 : a.kind == Kind::Horse ? 12 : a.kind == Kind::Gun ? 20 : 8;
    const struct {
        const char* prefix;
        const char* suffix;
        Action action;
        int frames;
        bool flag;
    } rows[] = {
        {"C", "", Action::Melee, melee, true},   {"M", "", Action::Fire, fire, true},   {"", "", Action::Walk, walk, true},
        {"R", "", Action::Rally, 5, true},   {"Rout", "", Action::Run, 6, true}, {"Drop", "", Action::Drop, 4, true},
        {"Helmet", "", Action::Helmet, 8, true},
    };
    if (a.kind == Kind::Loose) {
        // A horse whose rider fell: it stands, gallops off and falls; it never fights.
        for (int f = 0; f < 8; ++f) lib.sections.push_back(Row(zoom, a, "", "", Action::Run, walk, f));
        for (int f = 0; f < 8; ++f) lib.sections.push_back(Row(zoom, a, "Rout", "", Action::Run, 6, f));
        SectionSpec fallen;
        fallen.name = "General";
        for (int k = 0; k < 4; ++k) fallen.images.push_back(Figure(zoom, "Fallen " + std::to_string(k), a, Pose{k * 2, Action::Dead, k, 4}));
        lib.sections.push_back(std::move(fallen));
        return lib;
    }
    for (const auto& r : rows) {
        if (a.kind != Kind::Foot && (std::string(r.prefix) == "Drop" || std::string(r.prefix) == "Helmet")) continue;
        for (int f = 0; f < 8; ++f) lib.sections.push_back(Row(zoom, a, r.prefix, r.suffix, r.action, r.frames, f, r.flag));
    }
    if (a.kind == Kind::Horse)
        for (int f = 0; f < 8; ++f) lib.sections.push_back(Row(zoom, a, "CD", "", Action::Dismount, 11, f));
    if (leader) {
        for (int f = 0; f < 8; ++f) lib.sections.push_back(Row(zoom, a, "AS", "", Action::Signal, 4, f, true));
        for (int f = 0; f < 8; ++f) lib.sections.push_back(Row(zoom, a, "AS", "WA", Action::Signal, 4, f, false));
        for (int f = 0; f < 8; ++f) lib.sections.push_back(Row(zoom, a, "", "WA", Action::Walk, 4, f, false));
    }
    SectionSpec general;
    general.name = "General";
    for (int k = 0; k < 4; ++k) general.images.push_back(Figure(zoom, "Fallen " + std::to_string(k), a, Pose{k * 2, Action::Dead, k, 4}));
    lib.sections.push_back(std::move(general));
    return lib;
}

// --- shared figure art: flags, rout debris, missiles, walking data ---

LibrarySpec Flags(int zoom) {
    LibrarySpec lib;
    lib.title = "Activation Unit Flags" + ZoomSuffix(zoom);
    const double scale = zoom == 0 ? 1.0 : zoom == 1 ? 0.52 : 0.3;
    // The pictures place the cloth and the shadow by offsets that the views halve and quarter,
    // so the staff's length and the shadow's run follow those steps exactly.
    const double step = zoom == 0 ? 1.0 : zoom == 1 ? 0.5 : 0.25;
    // Lines at least a pixel wide at every zoom, or the small staff and shadow vanish.
    const double line = std::max(1.1, 1.6 * scale);
    // The cloth hangs 94 above the flag's foot (82 lowered) and its shadow falls 34 across and 23
    // down from it (31 and 19 lowered): the staff reaches from the foot to just above the raised
    // cloth, and the shadow runs from the foot to where the cloth's falls.
    auto staff = [&](const std::string& name) {
        const double top = 96 * step;
        const int w = 6, h = static_cast<int>(std::ceil(top)) + 4;
        Canvas c(w, h);
        cairo_t* cr = c.cr();
        const double foot = h - 1;
        Line(cr, 2.5, foot, 2.5, foot - top, line, {90, 62, 34});
        draw::Set(cr, {200, 170, 60});
        Ellipse(cr, 2.5, foot - top, std::max(1.0, 1.8 * scale), std::max(1.0, 1.8 * scale));
        cairo_fill(cr);
        return c.Take(name, 4, 2, h - 1);
    };
    auto shadow = [&](const std::string& name, double phase) {
        // The foot's shadow starts at (2, 2), the cloth's at the hot spot, 34 x 23 further.
        const double ax = 2 + 34 * step, ay = 2 + 23 * step;
        const double len = 18 * scale, t = std::max(1.5, 4 * scale), wave = 2 * scale * std::sin(phase * 2 * M_PI);
        const int w = static_cast<int>(std::ceil(ax + len)) + 3, h = static_cast<int>(std::ceil(ay + 4 * scale + t + 2 * scale)) + 3;
        Canvas c(w, h);
        cairo_t* cr = c.cr();
        draw::Set(cr, {24, 30, 18}, 0.55);
        cairo_set_line_width(cr, line);
        cairo_move_to(cr, 2, 2);
        cairo_line_to(cr, ax, ay);
        cairo_stroke(cr);
        const double dy = 4 * scale;
        cairo_move_to(cr, ax, ay);
        cairo_curve_to(cr, ax + len / 3, ay + dy / 3 + wave, ax + 2 * len / 3, ay + 2 * dy / 3 - wave, ax + len, ay + dy + wave);
        cairo_line_to(cr, ax + len, ay + dy + wave + t);
        cairo_curve_to(cr, ax + 2 * len / 3, ay + 2 * dy / 3 - wave + t, ax + len / 3, ay + dy / 3 + wave + t, ax, ay + t);
        cairo_close_path(cr);
        cairo_fill(cr);
        return c.Take(name, 4, static_cast<int>(std::lround(ax)), static_cast<int>(std::lround(ay)));
    };
    auto cloth = [&](const std::string& name, int which, double phase) {
        // Hung by its top corner at the staff, where the picture places it.
        const int w = std::max(4, static_cast<int>(std::ceil(24 * scale))), h = std::max(4, static_cast<int>(std::ceil(18 * scale)));
        Canvas c(w, h);
        cairo_t* cr = c.cr();
        cairo_scale(cr, scale, scale);
        const bool u = which == 2 || which == 4, dis = which >= 4;
        cairo_save(cr);
        cairo_translate(cr, 3.8, 3);
        draw::Flag(cr, 0, 0, 18, 12, u, phase, dis);
        cairo_restore(cr);
        return c.Take(name, 4, static_cast<int>(std::lround(3 * scale)), static_cast<int>(std::lround(3 * scale)));
    };
    const char* names[6] = {"Stem", "Shadow", "union", "confederate", "union dis", "confederate dis"};
    for (int k = 0; k < 6; ++k) {
        SectionSpec s;
        s.name = names[k];
        const int n = k == 0 ? 1 : 4;
        for (int i = 0; i < n; ++i) {
            const std::string image = s.name + " " + std::to_string(i);
            s.images.push_back(k == 0 ? staff(image) : k == 1 ? shadow(image, i / 4.0) : cloth(image, k, i / 4.0));
        }
        lib.sections.push_back(std::move(s));
    }
    return lib;
}

LibrarySpec RoutDebris(int zoom) {
    LibrarySpec lib;
    lib.title = "Generic Rout Debris" + ZoomSuffix(zoom);
    const double scale = zoom == 0 ? 1.0 : zoom == 1 ? 0.52 : 0.3;
    auto picture = [&](const std::string& name, const std::function<void(cairo_t*)>& paint) {
        const int w = std::max(3, static_cast<int>(std::ceil(24 * scale))), h = std::max(3, static_cast<int>(std::ceil(12 * scale)));
        Canvas c(w, h);
        cairo_scale(c.cr(), scale, scale);
        paint(c.cr());
        return c.Take(name, 4, w / 2, h / 2);
    };
    // Dropped muskets, lying along each facing.
    for (int f = 0; f < 8; ++f) {
        SectionSpec s;
        s.name = std::string("Spear") + kDirections[f];
        for (int v = 0; v < 2; ++v)
            s.images.push_back(picture(s.name + " " + std::to_string(v), [f, v, scale](cairo_t* cr) {
                const double dx = Dx(f) * 10, dy = Dy(f) * 3 + (v ? 1 : -1);
                // At least a pixel wide, so that a musket lying at the quarter size still shows.
                const double pixel = 1.1 / scale;
                Line(cr, 12 - dx, 6 - dy, 12 + dx, 6 + dy, std::max(1.8, pixel), {110, 72, 38});
                Line(cr, 12 + dx * 0.7, 6 + dy * 0.7, 12 + dx, 6 + dy, std::max(1.1, pixel * 0.8), {150, 156, 166});
            }));
        lib.sections.push_back(std::move(s));
    }
    lib.sections.push_back({"Shield", {picture("Knapsack", [](cairo_t* cr) {
                                draw::Set(cr, {70, 54, 36});
                                cairo_rectangle(cr, 8, 3, 8, 6);
                                cairo_fill(cr);
                                Line(cr, 8, 3, 16, 3, 1.5, {230, 226, 212});
                            })}});
    lib.sections.push_back({"Shield U", {picture("Blanket roll", [](cairo_t* cr) {
                                draw::Set(cr, {120, 110, 96});
                                Ellipse(cr, 12, 6, 7, 2.5);
                                cairo_fill(cr);
                            })}});
    lib.sections.push_back({"Helmet", {picture("Cap", [](cairo_t* cr) {
                                draw::Set(cr, {36, 42, 88});
                                Ellipse(cr, 12, 6, 3.5, 2.2);
                                cairo_fill(cr);
                                Line(cr, 14, 7, 17, 7.5, 1, {20, 20, 20});
                            })}});
    return lib;
}

LibrarySpec Missile(int zoom, bool cannon) {
    LibrarySpec lib;
    lib.title = std::string(cannon ? "Cannon" : "Ball") + ZoomSuffix(zoom);
    const double scale = zoom == 0 ? 1.0 : zoom == 1 ? 0.52 : 0.3;
    auto picture = [&](const std::string& name, int w0, int h0, const std::function<void(cairo_t*)>& paint) {
        const int w = std::max(2, static_cast<int>(std::ceil(w0 * scale))), h = std::max(2, static_cast<int>(std::ceil(h0 * scale)));
        Canvas c(w, h);
        cairo_scale(c.cr(), scale, scale);
        paint(c.cr());
        return c.Take(name, 4, w / 2, h / 2);
    };
    lib.sections.push_back({"Default", {picture("Blank", 2, 2, [](cairo_t*) {})}});
    const std::string shot = cannon ? "Cannon" : "Ball";
    lib.sections.push_back({shot, {picture(shot, cannon ? 8 : 4, cannon ? 8 : 4, [cannon](cairo_t* cr) {
                                draw::Set(cr, {28, 28, 30});
                                const double r = cannon ? 3.2 : 1.4;
                                Ellipse(cr, cannon ? 4 : 2, cannon ? 4 : 2, r, r);
                                cairo_fill(cr);
                            })}});
    if (cannon) {
        for (const char* burst : {"ExplodeGround", "ExplodeAir"}) {
            SectionSpec s;
            s.name = burst;
            const bool ground = std::string(burst) == "ExplodeGround";
            for (int k = 0; k < 7; ++k)
                s.images.push_back(picture(s.name + " " + std::to_string(k), 40, 40, [k, ground](cairo_t* cr) {
                    if (k < 2) Flash(cr, 20, ground ? 30 : 20, 5 + 4 * k);
                    if (ground && k >= 1) {
                        draw::Set(cr, {92, 70, 44}, 0.9);
                        Ellipse(cr, 20, 30 - k * 2, 4 + k * 2.5, 3 + k * 2);
                        cairo_fill(cr);
                    }
                    if (k >= 1) Smoke(cr, 20, (ground ? 24 : 20) - k * 1.5, 5, k);
                }));
            lib.sections.push_back(std::move(s));
        }
    }
    return lib;
}

// Walking offsets: the place of each figure of a unit in the hex, by facing, and how it walks
// there. Each record is a slot (a figure's place in the formation): two ranks across the
// facing, the points of a step being that place in the next hex, taken in three legs. The
// close-order formation rests on the places its pictures stand their figures on.
std::vector<std::uint8_t> WalkingRecord(const std::string& name, int slot, bool mounted, bool phalanx = false) {
    std::vector<std::uint8_t> out;
    auto u8 = [&](std::uint8_t v) { out.push_back(v); };
    auto i16 = [&](int v) {
        u8(static_cast<std::uint8_t>(v & 0xFF));
        u8(static_cast<std::uint8_t>((v >> 8) & 0xFF));
    };
    auto i32 = [&](std::int32_t v) {
        for (int k = 0; k < 4; ++k) u8(static_cast<std::uint8_t>((static_cast<std::uint32_t>(v) >> (8 * k)) & 0xFF));
    };
    for (std::size_t k = 0; k < 128; ++k) u8(k < name.size() ? static_cast<std::uint8_t>(name[k]) : 0);
    const int perRank = mounted ? 4 : 8;
    const double spacing = mounted ? 22 : 11;
    for (int facing = 0; facing < 8; ++facing) {
        const double dx = Dx(facing), dy = Dy(facing) * 0.5;
        const double px = -Dy(facing), py = Dx(facing) * 0.5;  // across the facing
        const int column = slot % perRank, rank = (slot / perRank) % 2;
        const double across = (column - (perRank - 1) / 2.0) * spacing, back = rank * (mounted ? 14 : 9);
        const int restX = phalanx ? pictures::kPhalanxPlaces[slot][facing][0] : static_cast<int>(std::lround(px * across - dx * back));
        const int restY = phalanx ? pictures::kPhalanxPlaces[slot][facing][1] : static_cast<int>(std::lround(py * across - dy * back));
        for (int entry = 1; entry <= 10; ++entry)
            for (int hex = 0; hex < 3; ++hex) {
                // Three points: a little short of the place, the place, the place.
                const int lift = hex == 1 ? -4 : hex == 2 ? 2 : 0;
                i16(restX - static_cast<int>(std::lround(dx * 6)));
                i16(restY - static_cast<int>(std::lround(dy * 6)) + lift);
                i16(restX);
                i16(restY);
                i16(restX);
                i16(restY);
                const std::int32_t t = mounted ? 260 : 360;
                i32(hex == 0 ? t : t + 80);
                i32(t / 2);
                i32(t / 4);
            }
        i16(restX);
        i16(restY);
    }
    return out;
}

std::vector<std::uint8_t> WalkingLibrary() {
    std::vector<datagen::figures::RecordSection> sections;
    const struct {
        const char* name;
        bool mounted;
    } kinds[] = {{"Foot", false},      {"Phalanx", false},    {"Leader", true},   {"Chariot", true},    {"Mounted", true},
                 {"Companion", true},  {"Thessalian", true},  {"Elephant", true}, {"Supply", true}};
    for (const auto& k : kinds) {
        datagen::figures::RecordSection s;
        s.name = k.name;
        // The phalanx has twenty places, every other kind sixteen slots.
        const bool phalanx = std::string(k.name) == "Phalanx";
        for (int slot = 0; slot < (phalanx ? 20 : 16); ++slot)
            s.records.push_back(WalkingRecord(std::string(k.name) + " " + std::to_string(slot), slot, k.mounted, phalanx));
        sections.push_back(std::move(s));
    }
    return datagen::figures::EncodeRecordLibrary("Walking Animation Data", sections);
}

struct ArtEntry {
    const char* name;
    const char* file;  // 5 letters; the zoom digit follows
    ArtKind kind;
};

const std::vector<ArtEntry>& Arts() {
    static const std::vector<ArtEntry> arts = {
        {"Union Medium Infantry", "UINF", {Kind::Foot, kUnion, false, false}},
        {"Confederate Medium Infantry", "CINF", {Kind::Foot, kConfederate, false, false}},
        {"Union Cavalry", "UCAV", {Kind::Horse, kUnion, false, true}},
        {"Confederate Cavalry", "CCAV", {Kind::Horse, kConfederate, false, true}},
        {"Union Corp Commander", "UCRP", {Kind::Leader, kUnion, false, true}},
        {"Union Div Commander", "UDIV", {Kind::Leader, kUnion, false, true}},
        {"Confederate Corp Commander", "CCRP", {Kind::Leader, kConfederate, false, true}},
        {"Confederate Div Commander", "CDIV", {Kind::Leader, kConfederate, false, true}},
        {"Union Supply Wagon", "UWAG", {Kind::Wagon, kUnion, false, true}},
        {"Confederate Supply Wagon", "CWAG", {Kind::Wagon, kConfederate, false, true}},
        {"Union Iron Battery", "UIBT", {Kind::Gun, kUnion, false, true}},
        {"Confederate Iron Battery", "CIBT", {Kind::Gun, kConfederate, false, true}},
        {"Union Iron Limbered Battery", "UILB", {Kind::Limbered, kUnion, false, true}},
        {"Confederate Iron Limbered Battery", "CILB", {Kind::Limbered, kConfederate, false, true}},
        {"Union Iron Unlimbered Battery", "UIUB", {Kind::Gun, kUnion, false, true}},
        {"Confederate Iron Unlimbered Battery", "CIUB", {Kind::Gun, kConfederate, false, true}},
        {"Union Brass Limbered Battery", "UBLB", {Kind::Limbered, kUnion, true, true}},
        {"Union Brass Unlimbered Battery", "UBUB", {Kind::Gun, kUnion, true, true}},
        {"Confederate Brass Limbered Battery", "CBLB", {Kind::Limbered, kConfederate, true, true}},
        {"Confederate Brass Unlimbered Battery", "CBUB", {Kind::Gun, kConfederate, true, true}},
        // The riderless horse a fallen trooper leaves.
        {"Horse", "HORS", {Kind::Loose, kUnion, false, true}},
    };
    return arts;
}

} // namespace

std::vector<std::string> UnitArtNames() {
    std::vector<std::string> names;
    for (const ArtEntry& a : Arts()) names.push_back(a.name);
    return names;
}

void AddFigureJobs(std::vector<LibraryJob>& jobs) {
    for (const ArtEntry& a : Arts())
        for (int z = 0; z < 3; ++z) {
            const std::string name = a.name;
            const ArtKind kind = a.kind;
            jobs.push_back({std::string(a.file) + std::to_string(z) + ".QIF", name + ZoomSuffix(z),
                            [name, z, kind] { return FigureLibrary(name, z, kind); }});
        }
    for (int z = 0; z < 3; ++z) {
        const std::string n = std::to_string(z);
        jobs.push_back({"FLAGS" + n + ".QIF", "Activation Unit Flags" + ZoomSuffix(z), [z] { return Flags(z); }});
        jobs.push_back({"RDEBRIS" + n + ".QIF", "Generic Rout Debris" + ZoomSuffix(z), [z] { return RoutDebris(z); }});
        jobs.push_back({"BALL" + n + ".QIF", "Ball" + ZoomSuffix(z), [z] { return Missile(z, false); }});
        jobs.push_back({"CANNON" + n + ".QIF", "Cannon" + ZoomSuffix(z), [z] { return Missile(z, true); }});
    }
}

std::vector<std::uint8_t> WalkingDataFile() { return WalkingLibrary(); }

} // namespace artgen
