#pragma once
// TextTile: a tile that shows a text in the shared dialog font, wrapped within its box. Dialogs
// make one for every static text of their template; the text can be read and replaced.
#include "ui/tile.h"

#include <cstdint>
#include <string>

class TextTile : public Tile {
public:
    // The last two arguments are kept for the callers' shape and are always 0.
    TextTile(std::int16_t id, const char* text, const Point& position, const Dim& size, int = 0, int = 0);
    ~TextTile() override;

    void Attached() override {}
    // Draws the text over whatever lies under the tile (the owner restores that first).
    void Redraw() override;

    std::int16_t GetId() const { return id_; }
    const std::string& GetText() const { return text_; }
    void SetText(const char* text) { text_ = text ? text : ""; }
    Box GetBox() const { return box_; }

private:
    std::int16_t id_;
    std::string text_;
    Box box_;
};
