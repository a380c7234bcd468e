#pragma once
// The glyph-art fonts, rendered from the DejaVu faces with FreeType: each glyph a compressed
// picture as wide as the pen moves for it, as tall as the face's ascent and descent, with the
// hot spot on the pen point (x 0, y the ascent). Anti-aliased edges take a colour between the
// ink and the parchment the dialogs are drawn on.
#include "tools/datagen/qif_writer.h"

#include <cstdint>
#include <string>

namespace artgen {

// Where the DejaVu faces are (fonts-dejavu-core); VARNHOLD_FONT_DIR overrides.
std::string FontDirectory();

struct GlyphStyle {
    std::string faceFile;   // e.g. "DejaVuSans.ttf"
    int pixelSize;          // em size in pixels
    std::uint8_t ink, edge; // full and partial cover
    std::uint8_t shadow;    // 0: none; else drawn one pixel right and down under the ink
    int extraSpacing;       // pixels added to every advance
};

// "Alphanumeric": '!' (33) to '~' (126). Empty library (no sections) when the face is missing.
datagen::LibrarySpec DialogFontLibrary(const std::string& title, const GlyphStyle& style);
// "Alpha" ('A'-'Z', six blanks, 'a'-'z') and "Numeric" ('0'-'9').
datagen::LibrarySpec TitleFontLibrary(const std::string& title, const GlyphStyle& style);

} // namespace artgen
