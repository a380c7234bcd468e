#pragma once
// The data directory of the text and dialog tests: the dialog font "MS Sans Serif 2", a plain
// font "Plain", the controls' "DialogButtons" and a background library "Backdrop", all drawn by
// the data generator, and helpers that read the pixels of a top-down bitmap.
#include "tests/ui/ui_fixture.h"
#include "tools/datagen/dialog_art_writer.h"
#include "ui/bitmap.h"
#include "ui/logical_palette.h"

#include <cstdint>
#include <string>

namespace uitest {

constexpr std::uint8_t kInk = 200;

// Pixel (x, y) of a bitmap; the tests run with top-down rows.
inline std::uint8_t PixelAt(const Bitmap& b, int x, int y) {
    const int row = Bitmap::BottomUp() ? b.GetHeight() - 1 - y : y;
    return b.GetPixels()[static_cast<std::ptrdiff_t>(row) * b.Stride() + x];
}

// The columns of row y that hold `colour`, as a string of '#' and '.'.
inline std::string RowOf(const Bitmap& b, int y, std::uint8_t colour, int from = 0, int to = -1) {
    if (to < 0) to = b.GetWidth();
    std::string s;
    for (int x = from; x < to; ++x) s += PixelAt(b, x, y) == colour ? '#' : '.';
    return s;
}

// The background library: section "Stone" with a 12 x 8 "Background" whose pixel (x, y) is
// 100 + x + 12 * (y % 2), so that tiling can be read back.
inline datagen::LibrarySpec BackdropLibrary() {
    datagen::ImageSpec tile;
    tile.name = "Background";
    tile.width = 12;
    tile.height = 8;
    tile.type = 1;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 12; ++x) tile.pixels.push_back(static_cast<std::uint8_t>(100 + x + 12 * (y % 2)));
    datagen::LibrarySpec lib;
    lib.title = "Backdrop";
    lib.sections.push_back({"Stone", {tile}});
    return lib;
}

inline void InstallDialogArt(DataDirectory& data) {
    data.WriteLibrary("dlgfont.qif", datagen::DialogFontLibrary(kInk));
    data.WriteLibrary("font.qif", datagen::FontLibrary(kInk));
    data.WriteLibrary("buttons.qif", datagen::DialogButtonsLibrary());
    data.WriteLibrary("backdrop.qif", BackdropLibrary());
    data.WriteIndex({{"dlgfont.qif", "MS Sans Serif 2"},
                     {"font.qif", "Plain"},
                     {"buttons.qif", "DialogButtons"},
                     {"backdrop.qif", "Backdrop"}});
}

// The index of the palette colour nearest to (r, g, b), as drawing finds it.
inline std::uint8_t Nearest(int r, int g, int b) {
    const LogicalPalette* p = Bitmap::DrawingPalette();
    return p ? p->NearestIndex(static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(g), static_cast<std::uint8_t>(b)) : 0;
}

} // namespace uitest
