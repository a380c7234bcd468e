#pragma once
// BitmapReference: a Bitmap whose pixels are a rectangle of another bitmap's pixels, so that
// drawing into it draws into that part of the other, without a copy. The area may begin left
// of or above the referenced bitmap; drawing points are then moved back by the overhang.
//
// Invariants: the origin is never negative; width <= referenced width - origin x and height <=
// referenced height - origin y; the stride equals the referenced stride; the pixels are never
// owned (the referenced bitmap must outlive the reference and keep its pixels in place).
#include "ui/bitmap.h"

class BitmapReference : public Bitmap {
public:
    BitmapReference(Bitmap& referenced, const Box& area);
    BitmapReference(Bitmap& referenced, const Point& origin, const Dim& size);
    ~BitmapReference() override;

    void SetArea(const Box& area);
    void Resize(const Dim& size) override;
    Box Fill(unsigned char colour) override;
    Box Draw(const Point& at, Bitmap& source, const Box& sourceRect, int mode) override;
    Box DrawAll(const Point& at, Bitmap& source, int mode) override;
    Box MarkChanged(const Box& rect) override;

    std::int16_t GetX() const { return origin_.x; }
    std::int16_t GetY() const { return origin_.y; }
    Box GetRect() const { return Box(origin_, GetSize()); }
    Point GetOffset() const { return offset_; }
    Bitmap& GetReferenced() const { return *referenced_; }

private:
    Point origin_;
    Point offset_;
    Bitmap* referenced_;
};
