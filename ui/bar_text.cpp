#include "ui/bar_text.h"

#include "core/application.h"
#include "ui/bitmap.h"
#include "ui/logical_palette.h"
#include "platform/text.h"

#include <algorithm>

std::int16_t PointsToPixels(int points) { return static_cast<std::int16_t>((points * 96 + 36) / 72); }

SystemText::SystemText(std::int16_t height, bool bold, std::uint8_t colour)
    : height_(std::max<std::int16_t>(height, 2)), bold_(bold), colour_(colour) {}

Dim SystemText::Extent(std::string_view text) const {
    const SIZE s = platform::MeasureText(text, height_, bold_);
    return Dim(static_cast<std::int16_t>(std::min<LONG>(s.cx, 32767)), static_cast<std::int16_t>(s.cy));
}

Box SystemText::Draw(Bitmap& into, const Point& at, const Box& clip, std::string_view text, int background) const {
    platform::Surface8 surface;
    surface.bits = into.GetPixels();
    surface.width = into.GetWidth();
    surface.height = into.GetHeight();
    surface.stride = into.Stride();
    surface.bottomUp = Bitmap::BottomUp();
    platform::TextStyle style;
    style.pixelHeight = height_;
    style.bold = bold_;
    style.ink = colour_;
    style.background = background >= 0 && background <= 255 ? background : -1;
    const RECT c{clip.x, clip.y, clip.x + clip.width, clip.y + clip.height};
    const RECT r = platform::DrawText8(surface, c, at.x, at.y, text, style);
    if (r.left >= r.right || r.top >= r.bottom) return Box();
    return into.MarkChanged(Box(static_cast<std::int16_t>(r.left), static_cast<std::int16_t>(r.top),
                                static_cast<std::int16_t>(r.right - r.left), static_cast<std::int16_t>(r.bottom - r.top)));
}

std::uint8_t NearestPaletteIndex(COLORREF colour, std::uint8_t fallback) {
    if (const Application* app = GetApplication())
        if (const LogicalPalette* palette = app->GetPalette())
            if (palette->GetHandle()) return static_cast<std::uint8_t>(GetNearestPaletteIndex(palette->GetHandle(), colour));
    return fallback;
}
