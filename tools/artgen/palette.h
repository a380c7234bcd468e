#pragma once
// The game's one palette: the twenty system colours at 0-9 and 246-255, the five animated water
// entries at 41-45 that the palette animator cycles, and ramps of the colours the art is drawn
// in (ground, woods, fields, earth, water, both armies' cloth, skin, brick, stone, horses, brass,
// smoke, wood, the parchment and ink of the dialogs). The art is drawn in true colour and then
// reduced to the nearest entry of the drawable range.
#include "tools/datagen/palette_writer.h"

#include <array>
#include <cstdint>
#include <string>

namespace artgen {

// The file name the registry value "Palette" names.
inline constexpr const char* kPaletteFileName = "VARNHOLD.PAL";

// The animated water entries: the animator cycles 41..45.
inline constexpr int kFirstWater = 41;
inline constexpr int kLastWater = 45;

struct Rgb {
    std::uint8_t r, g, b;
};

// The palette's 256 colours.
const std::array<Rgb, 256>& Colours();
// The palette file's contents: entries and the five remap tables (darker, grey, lighter,
// slightly lighter, lighter), each table entry the colour nearest to the changed one.
datagen::PaletteData MakePalette();

// The drawable entry nearest to a colour: never 0-9, 246-255 or the animated water entries.
std::uint8_t Nearest(int r, int g, int b);

} // namespace artgen
