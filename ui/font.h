#pragma once
// Fonts drawn from glyph images: a font is an image library whose pictures are the glyphs, one
// per character, drawn with the glyph's hot spot on the pen point (the hot spot's y is the
// glyph's height above the baseline).
//   Font:        section "Alpha" holds letters at code - 65 ('a' is 32), "Numeric" digits at
//                code - 48; anything else moves the pen 3 pixels.
//   AllCapsFont: the same library, every letter drawn in capitals; no descent.
//   DialogFont:  section "Alphanumeric" holds every character from '!' at code - 33; '&' marks
//                the next character as the keyboard mnemonic, which is underlined; word wrapping.
//
// Library data is not trusted: a character whose glyph the library lacks (outside the section,
// a code above the printable range, a damaged or absent library) moves the pen 3 pixels like a
// space, in drawing and in measuring alike; a glyph of width 0 draws nothing and does not move
// the pen; heights and descents read from glyphs are never negative.
#include "core/geometry.h"
#include "core/list.h"
#include "ui/qif.h"
#include "ui/text_face.h"

#include <cstdint>
#include <memory>
#include <string>

class Bitmap;

class Font {
public:
    static constexpr std::int16_t kSpaceWidth = 3;

    explicit Font(const char* name);
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    // Draws one character at the pen, `count` times on the same spot, and moves the pen.
    virtual void DrawChar(Bitmap& bitmap, Point& pen, char c, std::int16_t count);
    virtual ~Font();
    virtual void DrawText(Bitmap& bitmap, const Point& pen, const char* text, std::int16_t count);
    // The text's extent at 0,0: width of its glyphs, height ascent + descent.
    virtual Box GetTextRect(const char* text);
    // The ascent: the height of 'M' above the baseline.
    virtual std::int16_t GetHeight();
    virtual std::int16_t GetDescent();

    std::int16_t GetTextWidth(const char* text) { return GetTextRect(text).width; }
    QIF<Bitmap>& GetLibrary() { return library_; }

protected:
    // Draws the glyph at `index` of the current section and moves the pen by its width; false
    // (nothing drawn, pen unmoved) when the library has no such glyph.
    bool DrawIndexed(Bitmap& bitmap, Point& pen, std::int16_t index, std::int16_t count);
    // The glyph at `index` of a section without locking it; null when absent.
    Bitmap* Glyph(std::int16_t section, std::int16_t index) const;
    // The width the pen moves for a glyph; kSpaceWidth when the glyph is absent.
    std::int16_t Advance(std::int16_t section, std::int16_t index) const;
    // Hot spot y of a glyph, kept within 0..height; 0 when absent.
    std::int16_t Ascent(std::int16_t section, std::int16_t index) const;
    std::int16_t Descent(std::int16_t section, std::int16_t index) const;

    QIF<Bitmap> library_;
};

class AllCapsFont : public Font {
public:
    explicit AllCapsFont(const char* name) : Font(name) {}
    void DrawChar(Bitmap& bitmap, Point& pen, char c, std::int16_t count) override;
    std::int16_t GetDescent() override { return 0; }
};

class DialogFont : public Font {
public:
    explicit DialogFont(const char* name) : Font(name) {}

    // '&' is not drawn: it marks the next character, which is underlined one pixel high two
    // pixels below the pen, dark for count 2 or more, grey below.
    void DrawText(Bitmap& bitmap, const Point& pen, const char* text, std::int16_t count) override;
    Box GetTextRect(const char* text) override;
    std::int16_t GetHeight() override;
    std::int16_t GetDescent() override;

    // A glyph of the current section (code - 33), or 3 pixels for codes below 33.
    virtual void DrawGlyph(Bitmap& bitmap, Point& pen, char c, std::int16_t count);
    // Words (cut at ' ', '\n' and the end) run across the area from its top-left point and wrap
    // to a new line, ascent + descent + 2 lower, when they would pass its right edge; a word that
    // would start below the area ends the drawing. Returns the y below the last line.
    virtual std::int16_t DrawWrapped(Bitmap& bitmap, const Box& area, const char* text, std::int16_t count);
    // The same across a chain of areas: a word that would start below the current area moves
    // into the next one.
    virtual std::int16_t DrawWrappedInBoxes(Bitmap& bitmap, const List<Box>& areas, const char* text,
                                            std::int16_t count);

private:
    std::int16_t Section();
};

// Text faces drawn with a DialogFont of the named glyph library: what text tiles and spinners
// draw with once the program runs with fonts.
std::unique_ptr<TextFace> MakeDialogFontFace(const char* fontName);
// Installs MakeDialogFontFace as the text-face factory unless another factory is installed.
void InstallDialogFontFaces();
