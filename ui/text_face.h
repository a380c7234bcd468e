#pragma once
// TextFace: the little that text tiles and spinners ask of a font: its line height, the size a
// text takes, and drawing a text into a display at a point (the left end of the base line) in a
// draw mode (3 is a font's normal mode). The font module supplies the faces through a factory
// installed at start-up; until one is installed MakeTextFace answers null and the controls draw
// no text (their art and frames still draw).
#include "core/geometry.h"

#include <memory>
#include <string>

class Display;

class TextFace {
public:
    virtual ~TextFace() = default;
    virtual std::int16_t LineHeight() const = 0;
    virtual Dim TextSize(const std::string& text) const = 0;
    // Returns the touched box in the display's coordinates.
    virtual Box DrawText(Display& into, const Point& at, const std::string& text, int mode) = 0;
};

using TextFaceFactory = std::unique_ptr<TextFace> (*)(const char* fontName);

// Installs the factory (null removes it); answers the one it replaces.
TextFaceFactory SetTextFaceFactory(TextFaceFactory factory);
// A face of the named font from the installed factory; null without one.
std::unique_ptr<TextFace> MakeTextFace(const char* fontName);
