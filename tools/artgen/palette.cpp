#include "tools/artgen/palette.h"

#include "ui/color.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace artgen {

namespace {

constexpr Rgb kSystem[20] = {{0, 0, 0},       {128, 0, 0},     {0, 128, 0},     {128, 128, 0},   {0, 0, 128},
                             {128, 0, 128},   {0, 128, 128},   {192, 192, 192}, {192, 220, 192}, {166, 202, 240},
                             {255, 251, 240}, {160, 160, 164}, {128, 128, 128}, {255, 0, 0},     {0, 255, 0},
                             {255, 255, 0},   {0, 0, 255},     {255, 0, 255},   {0, 255, 255},   {255, 255, 255}};

struct Ramp {
    int count;
    Rgb dark, light;
};

// The drawable ramps, from dark to light, in entry order from 10 (the water entries sit apart).
constexpr Ramp kLowRamps[] = {
    {16, {12, 12, 14}, {250, 250, 246}},   // greys 10-25
    {15, {74, 52, 30}, {246, 232, 196}},   // parchment and ink browns 26-40
};
constexpr Ramp kHighRamps[] = {
    {16, {30, 56, 18}, {168, 200, 96}},    // grass 46-61
    {12, {14, 34, 14}, {84, 128, 54}},     // woods 62-73
    {10, {96, 110, 40}, {214, 206, 110}},  // fields and crops 74-83
    {14, {56, 38, 22}, {214, 184, 136}},   // earth, roads, cliffs 84-97
    {8, {150, 112, 40}, {244, 220, 140}},  // wheat and straw 98-105
    {12, {18, 40, 86}, {156, 198, 232}},   // still water and sky 106-117
    {12, {14, 20, 60}, {112, 140, 214}},   // Union blue 118-129
    {12, {52, 54, 58}, {204, 200, 188}},   // Confederate grey and butternut 130-141
    {6, {136, 84, 56}, {246, 204, 170}},   // skin 142-147
    {10, {80, 14, 12}, {236, 96, 80}},     // reds: brick, flags 148-157
    {12, {60, 58, 54}, {214, 210, 198}},   // stone 158-169
    {8, {34, 36, 46}, {120, 124, 142}},    // slate roofs 170-177
    {10, {40, 22, 12}, {176, 120, 74}},    // horses 178-187
    {8, {96, 70, 14}, {252, 226, 120}},    // brass and gold 188-195
    {8, {150, 150, 146}, {252, 252, 250}}, // smoke 196-203
    {10, {52, 32, 16}, {196, 150, 96}},    // wood and timber 204-213
    {8, {24, 60, 40}, {120, 170, 130}},    // marsh and shade 214-221
    {8, {110, 60, 30}, {236, 150, 60}},    // fire and rust 222-229
    {8, {44, 30, 60}, {170, 150, 200}},    // dusk and map violet 230-237
    {8, {70, 90, 100}, {190, 214, 220}},   // steel and glass 238-245
};
// The animated water: five blues the animator rotates, so that rivers seem to flow.
constexpr Rgb kWater[5] = {{44, 92, 156}, {58, 110, 176}, {76, 130, 192}, {58, 110, 176}, {40, 86, 150}};

std::array<Rgb, 256> Build() {
    std::array<Rgb, 256> c{};
    for (int i = 0; i < 10; ++i) c[i] = kSystem[i];
    for (int i = 0; i < 10; ++i) c[246 + i] = kSystem[10 + i];
    auto fill = [&](int at, const Ramp& r) {
        for (int k = 0; k < r.count; ++k) {
            const double t = r.count > 1 ? static_cast<double>(k) / (r.count - 1) : 0.0;
            auto mix = [t](int a, int b) { return static_cast<std::uint8_t>(std::lround(a + (b - a) * t)); };
            c[at + k] = {mix(r.dark.r, r.light.r), mix(r.dark.g, r.light.g), mix(r.dark.b, r.light.b)};
        }
        return at + r.count;
    };
    int at = 10;
    for (const Ramp& r : kLowRamps) at = fill(at, r);
    for (int k = 0; k < 5; ++k) c[kFirstWater + k] = kWater[k];
    at = kLastWater + 1;
    for (const Ramp& r : kHighRamps) at = fill(at, r);
    return c;
}

int Distance(const Rgb& a, int r, int g, int b, bool weighted) {
    const int dr = a.r - r, dg = a.g - g, db = a.b - b;
    // Weighted for the eye (green counts most, blue least) when drawing; plain where the result
    // must be what the program's own nearest-colour search would find.
    return weighted ? 3 * dr * dr + 4 * dg * dg + 2 * db * db : dr * dr + dg * dg + db * db;
}

// Nearest over a range of entries; the first of equals wins.
int NearestOver(const std::array<Rgb, 256>& c, int r, int g, int b, bool drawableOnly) {
    int best = -1, bestDistance = 0;
    for (int i = 0; i < 256; ++i) {
        if (drawableOnly && (i < 10 || i > 245 || (i >= kFirstWater && i <= kLastWater))) continue;
        const int d = Distance(c[static_cast<std::size_t>(i)], r, g, b, drawableOnly);
        if (best < 0 || d < bestDistance) {
            best = i;
            bestDistance = d;
        }
    }
    return best;
}

struct Lookup {
    std::vector<std::uint8_t> table;  // 32 x 64 x 32 cells of red, green, blue
    Lookup() : table(32 * 64 * 32) {
        const auto& c = Colours();
        for (int r = 0; r < 32; ++r)
            for (int g = 0; g < 64; ++g)
                for (int b = 0; b < 32; ++b)
                    table[static_cast<std::size_t>((r * 64 + g) * 32 + b)] = static_cast<std::uint8_t>(
                        NearestOver(c, r * 255 / 31, g * 255 / 63, b * 255 / 31, true));
    }
};

} // namespace

const std::array<Rgb, 256>& Colours() {
    static const std::array<Rgb, 256> colours = Build();
    return colours;
}

std::uint8_t Nearest(int r, int g, int b) {
    static const Lookup lookup;
    r = std::clamp(r, 0, 255);
    g = std::clamp(g, 0, 255);
    b = std::clamp(b, 0, 255);
    return lookup.table[static_cast<std::size_t>((((r * 31 + 127) / 255) * 64 + (g * 63 + 127) / 255) * 32 +
                                                 (b * 31 + 127) / 255)];
}

datagen::PaletteData MakePalette() {
    datagen::PaletteData p;
    const auto& c = Colours();
    for (int i = 0; i < 256; ++i) {
        p.entries[static_cast<std::size_t>(4 * i)] = c[static_cast<std::size_t>(i)].b;
        p.entries[static_cast<std::size_t>(4 * i + 1)] = c[static_cast<std::size_t>(i)].g;
        p.entries[static_cast<std::size_t>(4 * i + 2)] = c[static_cast<std::size_t>(i)].r;
        p.entries[static_cast<std::size_t>(4 * i + 3)] = 0;
    }
    // The remap tables by the program's own colour rules, so that the stored tables are those it
    // would compute from the entries.
    for (int k = 0; k < 5; ++k)
        for (int i = 0; i < 256; ++i) {
            const RGBTriple o = HSVToRGB(ApplyRemapRule(k + 1, EntryToHSV(&p.entries[static_cast<std::size_t>(4 * i)])));
            p.tables[static_cast<std::size_t>(k)][static_cast<std::size_t>(i)] =
                static_cast<std::uint8_t>(NearestOver(c, o.red, o.green, o.blue, false));
        }
    return p;
}

} // namespace artgen
