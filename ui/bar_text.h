#pragma once
// BarText: the little the status bar and the tool tips need of text: a text's extent and
// drawing it at a point, clipped to a box. SystemText writes with the system's typeface (the
// window system's text output, platform/text.h) in one palette colour.
#include "core/geometry.h"
#include "platform/gdi.h"

#include <cstdint>
#include <string_view>

class Bitmap;

class BarText {
public:
    virtual ~BarText() = default;
    // Width and height of the text in one line; the height of "A" is the line height.
    virtual Dim Extent(std::string_view text) const = 0;
    // Writes the text with its top-left corner at `at`, touching nothing outside `clip` or the
    // bitmap; the background stays as it was unless `background` is 0-255. Returns the touched box.
    virtual Box Draw(Bitmap& into, const Point& at, const Box& clip, std::string_view text,
                     int background = -1) const = 0;
};

class SystemText : public BarText {
public:
    // height: the character height in pixels (PointsToPixels of the point size).
    SystemText(std::int16_t height, bool bold, std::uint8_t colour);

    Dim Extent(std::string_view text) const override;
    Box Draw(Bitmap& into, const Point& at, const Box& clip, std::string_view text, int background = -1) const override;

    std::int16_t PixelHeight() const { return height_; }
    bool Bold() const { return bold_; }
    std::uint8_t Colour() const { return colour_; }

private:
    std::int16_t height_;
    bool bold_;
    std::uint8_t colour_;
};

// Font heights in points at the screen's 96 pixels per inch, rounded as the system rounds.
std::int16_t PointsToPixels(int points);

// The index of the application palette nearest to a colour (text and tip colours), or
// `fallback` while there is no palette.
std::uint8_t NearestPaletteIndex(COLORREF colour, std::uint8_t fallback);
