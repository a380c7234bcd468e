#pragma once
// Art of our own for text and dialogs: glyph libraries for the three font kinds and the
// "DialogButtons" library of the drawn dialog controls. Every picture is drawn here by code.
//
// Glyphs are compressed pictures (pixel 0 is transparent) of the ink colour, with the hot spot
// on the pen point: x 0, y the glyph's height above the baseline. Each glyph is a solid block
// whose width depends on the character (GlyphWidth), so that tests can measure text by adding
// widths; letters with a descender ('g', 'j', 'p', 'q', 'y') reach kDescent rows below the line.
#include "tools/datagen/qif_writer.h"

#include <cstdint>

namespace datagen {

constexpr int kGlyphAscent = 8;
constexpr int kGlyphDescent = 2;

// The width of a character's glyph in the generated fonts (1 to 6 pixels).
int GlyphWidth(unsigned char c);
// One glyph drawn in `ink`.
ImageSpec GlyphImage(unsigned char c, std::uint8_t ink);

// A DialogFont library: section "Alphanumeric" with the characters '!' (33) to '~' (126).
LibrarySpec DialogFontLibrary(std::uint8_t ink);
// A Font library: section "Alpha" with 'A'-'Z' at 0-25, 26-31 unused blanks and 'a'-'z' at
// 32-57, and section "Numeric" with '0'-'9'.
LibrarySpec FontLibrary(std::uint8_t ink);

// The controls' art: sections "Pushbutton" (Up, Down), "CheckBox" and "Radio" (Up, Down,
// Check). Each picture is a solid block of its own colour (DialogArtColour) so that tests can tell
// which one was drawn; push buttons are 40 x 14, boxes and radios 10 x 10, checks 6 x 4.
LibrarySpec DialogButtonsLibrary();
std::uint8_t DialogArtColour(const char* section, const char* image);

// The dialogs' backgrounds: "Dialog Bitmaps" with the sections "End of Game", "Combat
// Results", "Overall Combat Results" and "Intro", each holding a 16 x 16 "Background" of its
// own colour (InGameBackgroundColour), then the front end's (AddFrontDialogBackgrounds).
LibrarySpec DialogBitmapsLibrary();
std::uint8_t InGameBackgroundColour(const char* section);
// "End Of Game Bitmaps": sections "Victory" and "Defeat", each a "Background" followed by the
// picture of side 0 and the picture of side 1 (40 x 30 blocks, EndOfGamePictureColour).
LibrarySpec EndOfGameBitmapsLibrary();
std::uint8_t EndOfGamePictureColour(bool victory, int side);

} // namespace datagen
