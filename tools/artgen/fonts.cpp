#include "tools/artgen/fonts.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstdlib>
#include <memory>

namespace artgen {

namespace {

class Face {
public:
    Face(const std::string& file, int pixelSize) {
        if (FT_Init_FreeType(&library_) != 0) return;
        const std::string path = FontDirectory() + "/" + file;
        if (FT_New_Face(library_, path.c_str(), 0, &face_) != 0) {
            face_ = nullptr;
            return;
        }
        FT_Set_Pixel_Sizes(face_, 0, static_cast<FT_UInt>(pixelSize));
    }
    ~Face() {
        if (face_) FT_Done_Face(face_);
        if (library_) FT_Done_FreeType(library_);
    }
    Face(const Face&) = delete;
    Face& operator=(const Face&) = delete;

    bool Ok() const { return face_ != nullptr; }
    int Ascent() const { return static_cast<int>((face_->size->metrics.ascender + 63) >> 6); }
    int Descent() const { return static_cast<int>((-face_->size->metrics.descender + 63) >> 6); }

    datagen::ImageSpec Glyph(unsigned char c, const GlyphStyle& style) {
        datagen::ImageSpec s;
        s.name = std::string(1, static_cast<char>(c));
        s.type = 4;
        const int ascent = Ascent(), descent = Descent();
        const int height = ascent + descent + (style.shadow ? 1 : 0);
        if (FT_Load_Char(face_, c, FT_LOAD_RENDER | FT_LOAD_TARGET_LIGHT) != 0) return s;
        const FT_GlyphSlot g = face_->glyph;
        const int advance = static_cast<int>((g->advance.x + 32) >> 6) + style.extraSpacing;
        const int left = std::max(0, g->bitmap_left);
        const int width = std::max({1, advance, left + static_cast<int>(g->bitmap.width) + (style.shadow ? 1 : 0)});
        s.width = static_cast<std::int16_t>(width);
        s.height = static_cast<std::int16_t>(height);
        s.hotX = 0;
        s.hotY = static_cast<std::int16_t>(ascent);
        s.pixels.assign(static_cast<std::size_t>(width) * height, 0);
        auto put = [&](int dx, int dy, bool shadowPass) {
            for (unsigned row = 0; row < g->bitmap.rows; ++row)
                for (unsigned col = 0; col < g->bitmap.width; ++col) {
                    const int cover = g->bitmap.buffer[row * static_cast<unsigned>(g->bitmap.pitch) + col];
                    const int x = left + static_cast<int>(col) + dx;
                    const int y = ascent - g->bitmap_top + static_cast<int>(row) + dy;
                    if (x < 0 || y < 0 || x >= width || y >= height) continue;
                    std::uint8_t& out = s.pixels[static_cast<std::size_t>(y) * width + x];
                    if (shadowPass) {
                        if (cover >= 96) out = style.shadow;
                    } else if (cover >= 140) {
                        out = style.ink;
                    } else if (cover >= 56 && out == 0) {
                        out = style.edge;
                    }
                }
        };
        if (style.shadow) put(1, 1, true);
        put(0, 0, false);
        return s;
    }

private:
    FT_Library library_ = nullptr;
    FT_Face face_ = nullptr;
};

} // namespace

std::string FontDirectory() {
    const char* dir = std::getenv("VARNHOLD_FONT_DIR");
    return dir && *dir ? dir : "/usr/share/fonts/truetype/dejavu";
}

datagen::LibrarySpec DialogFontLibrary(const std::string& title, const GlyphStyle& style) {
    datagen::LibrarySpec lib;
    lib.title = title;
    Face face(style.faceFile, style.pixelSize);
    if (!face.Ok()) return lib;
    datagen::SectionSpec s;
    s.name = "Alphanumeric";
    for (int c = 33; c <= 126; ++c) s.images.push_back(face.Glyph(static_cast<unsigned char>(c), style));
    lib.sections.push_back(std::move(s));
    return lib;
}

datagen::LibrarySpec TitleFontLibrary(const std::string& title, const GlyphStyle& style) {
    datagen::LibrarySpec lib;
    lib.title = title;
    Face face(style.faceFile, style.pixelSize);
    if (!face.Ok()) return lib;
    datagen::SectionSpec alpha;
    alpha.name = "Alpha";
    for (int c = 'A'; c <= 'z'; ++c) {
        if (c > 'Z' && c < 'a') {
            datagen::ImageSpec blank;
            blank.name = "unused";
            blank.width = 1;
            blank.height = 1;
            blank.type = 4;
            blank.pixels = {0};
            alpha.images.push_back(blank);
        } else {
            alpha.images.push_back(face.Glyph(static_cast<unsigned char>(c), style));
        }
    }
    datagen::SectionSpec numeric;
    numeric.name = "Numeric";
    for (int c = '0'; c <= '9'; ++c) numeric.images.push_back(face.Glyph(static_cast<unsigned char>(c), style));
    lib.sections.push_back(std::move(alpha));
    lib.sections.push_back(std::move(numeric));
    return lib;
}

} // namespace artgen
