#include "ui/bar_text.h"

#include "core/application.h"
#include "ui/bitmap.h"
#include "ui/logical_palette.h"

#include <algorithm>

namespace {

// Fills the part of `box` inside both `clip` and the bitmap; the rows follow the bitmap's
// orientation.
Box FillClipped(Bitmap& into, Box box, const Box& clip, std::uint8_t colour) {
    if (!clip.Clip(box) || !Box(0, 0, into.GetWidth(), into.GetHeight()).Clip(box)) return Box();
    std::uint8_t* pixels = into.GetPixels();
    if (box.width <= 0 || box.height <= 0 || !pixels) return Box();
    for (int y = box.y; y < box.y + box.height; ++y) {
        const int row = Bitmap::BottomUp() ? into.GetHeight() - 1 - y : y;
        std::fill_n(pixels + static_cast<std::ptrdiff_t>(row) * into.Stride() + box.x, box.width, colour);
    }
    return into.MarkChanged(box);
}

} // namespace

std::int16_t PointsToPixels(int points) { return static_cast<std::int16_t>((points * 96 + 36) / 72); }

BlockText::BlockText(std::int16_t height, bool bold, std::uint8_t colour)
    : height_(std::max<std::int16_t>(height, 2)), cellWidth_(static_cast<std::int16_t>(height_ / 2 + (bold ? 2 : 1))),
      bold_(bold), colour_(colour) {}

Dim BlockText::Extent(std::string_view text) const {
    return Dim(static_cast<std::int16_t>(cellWidth_ * static_cast<int>(text.size())), height_);
}

Box BlockText::Draw(Bitmap& into, const Point& at, const Box& clip, std::string_view text, int background) const {
    Box touched;
    if (background >= 0 && background <= 255)
        touched = FillClipped(into, Box(at, Extent(text)), clip, static_cast<std::uint8_t>(background));
    const std::int16_t blockWidth = static_cast<std::int16_t>(cellWidth_ - (bold_ ? 1 : 2));
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == ' ') continue;
        const Box block(static_cast<std::int16_t>(at.x + cellWidth_ * static_cast<int>(i) + 1),
                        static_cast<std::int16_t>(at.y + 1), blockWidth, static_cast<std::int16_t>(height_ - 2));
        const Box b = FillClipped(into, block, clip, colour_);
        if (b.width > 0) touched = touched.width > 0 ? (touched | b) : b;
    }
    return touched;
}

std::uint8_t NearestPaletteIndex(COLORREF colour, std::uint8_t fallback) {
    if (const Application* app = GetApplication())
        if (const LogicalPalette* palette = app->GetPalette())
            if (palette->GetHandle()) return static_cast<std::uint8_t>(GetNearestPaletteIndex(palette->GetHandle(), colour));
    return fallback;
}
