#pragma once
// TextTile: one line of text in a dialog font, the static texts of dialogs. The owner places the
// tile (its own box starts at 0,0; GetPlace says where it belongs), fills the background and
// then asks it to redraw; the text is drawn at (0, line height) in the font's normal mode.
// Without a font face (no font factory installed) the tile draws nothing.
#include "ui/text_face.h"
#include "ui/tile.h"

#include <cstdint>
#include <memory>
#include <string>

class TextTile : public Tile {
public:
    TextTile(std::int32_t itemId, const char* text, const Point& place, const Dim& size, const char* fontName = nullptr,
             const char* name = nullptr);
    ~TextTile() override;

    void SetText(const char* text) { text_ = text ? text : ""; }
    std::string GetText() const { return text_; }
    std::int32_t GetId() const { return id_; }
    Point GetPlace() const { return place_; }
    const std::string& GetFontName() const { return fontName_; }
    TextFace* GetFace() const { return face_.get(); }

    void Redraw() override;
    void Attached() override {}

private:
    std::string fontName_;
    std::unique_ptr<TextFace> face_;
    std::string text_;
    std::int32_t id_ = 0;
    Point place_;
};
