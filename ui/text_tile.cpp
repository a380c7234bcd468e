#include "ui/text_tile.h"

TextTile::TextTile(std::int32_t itemId, const char* text, const Point& place, const Dim& size, const char* fontName,
                   const char* name)
    : Tile(Box(Point(0, 0), size), name ? name : "Unnamed Text Tile"),
      fontName_(fontName ? fontName : "MS Sans Serif 2"), face_(MakeTextFace(fontName_.c_str())),
      text_(text ? text : ""), id_(itemId), place_(place) {}

TextTile::~TextTile() {
    // The text, then the font, then the tile.
    text_.clear();
    face_.reset();
}

void TextTile::Redraw() {
    if (face_ && !text_.empty() && GetPixels()) face_->DrawText(*this, Point(0, face_->LineHeight()), text_, 3);
}
