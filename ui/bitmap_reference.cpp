#include "ui/bitmap_reference.h"

#include "ui/blitters.h"

#include <algorithm>

BitmapReference::BitmapReference(Bitmap& referenced, const Box& area)
    : Bitmap(Dim(), Bitmap::Plain), origin_(area.Origin()), referenced_(&referenced) {
    SetArea(area);
}

BitmapReference::BitmapReference(Bitmap& referenced, const Point& origin, const Dim& size)
    : BitmapReference(referenced, Box(origin, size)) {}

BitmapReference::~BitmapReference() { ForgetPixels(); }

void BitmapReference::SetArea(const Box& area) {
    int x = area.x, y = area.y, w = area.width, h = area.height;
    offset_ = Point();
    if (x < 0) {
        offset_.x = static_cast<std::int16_t>(-x);
        w += x;
        x = 0;
    }
    if (y < 0) {
        offset_.y = static_cast<std::int16_t>(-y);
        h += y;
        y = 0;
    }
    origin_ = Point(x, y);
    Resize(Dim(std::max(0, w), std::max(0, h)));
}

void BitmapReference::Resize(const Dim& size) {
    const Bitmap& r = *referenced_;
    const int w = std::min<int>(size.width, r.GetWidth() - origin_.x);
    const int h = std::min<int>(size.height, r.GetHeight() - origin_.y);
    if (w <= 0 || h <= 0 || !r.GetPixels()) {
        ForgetPixels();
        size_ = Dim(std::max(0, w), std::max(0, h));
        padding_ = 0;
        dataSize_ = 0;
        return;
    }
    const int stride = r.Stride();
    const int row = BottomUp() ? r.GetHeight() - h - origin_.y : origin_.y;
    AdoptForeignPixels(r.GetPixels() + static_cast<std::ptrdiff_t>(row) * stride + origin_.x, Dim(w, h),
                       static_cast<std::uint16_t>(stride - w));
}

Box BitmapReference::Fill(unsigned char colour) {
    if (!GetPixels() || GetWidth() <= 0 || GetHeight() <= 0) return Box();
    std::uint8_t* row = GetPixels();
    for (int y = 0; y < GetHeight(); ++y, row += Stride()) blit::Fill(row, static_cast<std::size_t>(GetWidth()), colour);
    return Box(0, 0, GetWidth(), GetHeight());
}

Box BitmapReference::Draw(const Point& at, Bitmap& source, const Box& sourceRect, int mode) {
    Point p = at - offset_;
    Box s = sourceRect;
    if (p.x < 0) {
        s.x = static_cast<std::int16_t>(s.x - p.x);
        s.width = static_cast<std::int16_t>(s.width + p.x);
        p.x = 0;
    }
    if (p.y < 0) {
        s.y = static_cast<std::int16_t>(s.y - p.y);
        s.height = static_cast<std::int16_t>(s.height + p.y);
        p.y = 0;
    }
    return Bitmap::Draw(p, source, s, mode);
}

Box BitmapReference::DrawAll(const Point& at, Bitmap& source, int mode) {
    return Draw(at, source, Box(0, 0, source.GetWidth(), source.GetHeight()), mode);
}

Box BitmapReference::MarkChanged(const Box&) { return Box(); }
