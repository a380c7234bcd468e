#include "ui/text_tile.h"

#include "ui/dialog_controls.h"
#include "ui/font.h"

TextTile::TextTile(std::int16_t id, const char* text, const Point& position, const Dim& size, int, int)
    : Tile(position, size, "Unnamed Text Tile"), id_(id), text_(text ? text : ""), box_(position, size) {
    AcquireDialogFont();
}

TextTile::~TextTile() { ReleaseDialogFont(); }

void TextTile::Redraw() {
    DialogFont* font = SharedDialogFont();
    if (font && GetPixels()) {
        // The area's y is the first line's baseline, so the first line starts at the top.
        const std::int16_t ascent = font->GetHeight();
        font->DrawWrapped(*this, Box(0, ascent, GetWidth(), static_cast<std::int16_t>(GetHeight() > ascent ? GetHeight() - ascent : 0)), text_.c_str(), 3);
    }
    Tile::Redraw();
}
