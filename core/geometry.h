#pragma once
// Small value types for positions and sizes: Dim, Point, Point3D, Point4 and Box. Coordinates are
// signed 16-bit and arithmetic wraps at 16 bits, except the fourth value of Point4 (32-bit) and
// the right and bottom edges that Box computes in 32 bits. The window system's 32-bit POINT,
// SIZE and RECT convert in by taking the low 16 bits and out by widening with sign.
// A zero divisor is refused through the assertion box and leaves the value unchanged.
#include "platform/wintypes.h"

#include <cstdint>

struct Box;

struct Dim {
    std::int16_t width = 0;
    std::int16_t height = 0;

    constexpr Dim() = default;
    constexpr Dim(int w, int h) : width(static_cast<std::int16_t>(w)), height(static_cast<std::int16_t>(h)) {}
    explicit Dim(const SIZE& s) : Dim(s.cx, s.cy) {}
    explicit Dim(const RECT& r) : Dim(r.right - r.left, r.bottom - r.top) {}

    bool IsZero() const { return width == 0 && height == 0; }
    bool operator==(const Dim&) const = default;

    Dim operator+(const Dim& o) const { return Dim(width + o.width, height + o.height); }
    Dim& operator+=(const Dim& o) { return *this = *this + o; }
    Dim operator-(const Dim& o) const { return Dim(width - o.width, height - o.height); }
    Dim& operator-=(const Dim& o) { return *this = *this - o; }
    Dim operator*(int factor) const { return Dim(width * factor, height * factor); }
    Dim& operator*=(int factor) { return *this = *this * factor; }
    Dim operator/(int divisor) const;
    Dim& operator/=(int divisor) { return *this = *this / divisor; }

    Box ToBox() const;
    SIZE ToSIZE() const { return SIZE{width, height}; }
};

struct Point {
    std::int16_t x = 0;
    std::int16_t y = 0;

    constexpr Point() = default;
    constexpr Point(int x_, int y_) : x(static_cast<std::int16_t>(x_)), y(static_cast<std::int16_t>(y_)) {}
    explicit Point(const POINT& p) : Point(p.x, p.y) {}

    bool IsZero() const { return x == 0 && y == 0; }
    bool operator==(const Point&) const = default;

    Point operator+(const Point& o) const { return Point(x + o.x, y + o.y); }
    Point& operator+=(const Point& o) { return *this = *this + o; }
    Point operator-() const { return Point(-x, -y); }
    Point operator-(const Point& o) const { return Point(x - o.x, y - o.y); }
    Point& operator-=(const Point& o) { return *this = *this - o; }
    Point operator*(int factor) const { return Point(x * factor, y * factor); }
    Point& operator*=(int factor) { return *this = *this * factor; }
    Point operator/(int divisor) const;
    Point& operator/=(int divisor) { return *this = *this / divisor; }

    POINT ToPOINT() const { return POINT{x, y}; }
};

struct Point3D {
    std::int16_t x = 0;
    std::int16_t y = 0;
    std::int16_t z = 0;

    constexpr Point3D() = default;
    constexpr Point3D(int x_, int y_, int z_)
        : x(static_cast<std::int16_t>(x_)), y(static_cast<std::int16_t>(y_)), z(static_cast<std::int16_t>(z_)) {}
    constexpr Point3D(const Point& p) : x(p.x), y(p.y), z(0) {}
    constexpr Point3D(const Point& p, int z_) : x(p.x), y(p.y), z(static_cast<std::int16_t>(z_)) {}

    bool IsZero() const { return x == 0 && y == 0 && z == 0; }
    bool operator==(const Point3D&) const = default;

    Point3D operator+(const Point3D& o) const { return Point3D(x + o.x, y + o.y, z + o.z); }
    Point3D& operator+=(const Point3D& o) { return *this = *this + o; }
    Point3D operator-(const Point3D& o) const { return Point3D(x - o.x, y - o.y, z - o.z); }
    Point3D& operator-=(const Point3D& o) { return *this = *this - o; }
    Point3D operator*(int factor) const { return Point3D(x * factor, y * factor, z * factor); }
    Point3D& operator*=(int factor) { return *this = *this * factor; }
    Point3D operator/(int divisor) const;
    Point3D& operator/=(int divisor) { return *this = *this / divisor; }

    // Euclidean distance, the fraction dropped.
    int Distance(const Point3D& other) const;
    static int Distance(const Point3D& a, const Point3D& b) { return a.Distance(b); }
};

struct Point4 {
    std::int16_t x = 0;
    std::int16_t y = 0;
    std::int16_t z = 0;
    std::int32_t fourth = 0;

    constexpr Point4() = default;
    constexpr Point4(int x_, int y_, int z_, std::int32_t fourth_)
        : x(static_cast<std::int16_t>(x_)), y(static_cast<std::int16_t>(y_)), z(static_cast<std::int16_t>(z_)),
          fourth(fourth_) {}
    constexpr Point4(const Point3D& p) : x(p.x), y(p.y), z(p.z), fourth(0) {}
    constexpr Point4(const Point3D& p, std::int32_t fourth_) : x(p.x), y(p.y), z(p.z), fourth(fourth_) {}

    bool IsZero() const { return x == 0 && y == 0 && z == 0 && fourth == 0; }
    bool operator==(const Point4&) const = default;

    Point4 operator+(const Point4& o) const;
    Point4& operator+=(const Point4& o) { return *this = *this + o; }
    Point4 operator-(const Point4& o) const;
    Point4& operator-=(const Point4& o) { return *this = *this - o; }
    Point4 operator*(int factor) const;
    Point4& operator*=(int factor) { return *this = *this * factor; }
    Point4 operator/(int divisor) const;
    Point4& operator/=(int divisor) { return *this = *this / divisor; }
};

// An axis-aligned rectangle: it covers x <= px < x + width and y <= py < y + height.
struct Box {
    std::int16_t x = 0;
    std::int16_t y = 0;
    std::int16_t width = 0;
    std::int16_t height = 0;

    constexpr Box() = default;
    constexpr Box(int x_, int y_, int w, int h)
        : x(static_cast<std::int16_t>(x_)), y(static_cast<std::int16_t>(y_)), width(static_cast<std::int16_t>(w)),
          height(static_cast<std::int16_t>(h)) {}
    constexpr Box(const Point& origin, const Dim& size) : Box(origin.x, origin.y, size.width, size.height) {}
    // From a top-left and a bottom-right point.
    constexpr Box(const Point& a, const Point& b) : Box(a.x, a.y, b.x - a.x, b.y - a.y) {}
    explicit Box(const RECT& r) : Box(r.left, r.top, r.right - r.left, r.bottom - r.top) {}

    bool operator==(const Box&) const = default;
    // All four fields 0.
    bool IsEmpty() const { return x == 0 && y == 0 && width == 0 && height == 0; }

    Point Origin() const { return Point(x, y); }
    Point TopRight() const { return Point(x + width, y); }
    Point BottomLeft() const { return Point(x, y + height); }
    Point BottomRight() const { return Point(x + width, y + height); }
    Dim Size() const { return Dim(width, height); }
    RECT ToRECT() const;

    // The smallest box holding both (an empty box is not treated specially).
    Box operator|(const Box& o) const;
    Box& operator|=(const Box& o) { return *this = *this | o; }
    Box operator+(const Point& p) const { return Box(x + p.x, y + p.y, width, height); }
    Box& operator+=(const Point& p) { return *this = *this + p; }
    Box operator-(const Point& p) const { return Box(x - p.x, y - p.y, width, height); }
    Box& operator-=(const Point& p) { return *this = *this - p; }
    Box operator+(const Dim& d) const { return Box(x, y, width + d.width, height + d.height); }
    Box& operator+=(const Dim& d) { return *this = *this + d; }
    // Shrinks; a width or height that becomes 0 is reported ("Invalid Box Dimensions"), and a
    // negative one flips the box to the other side of its origin.
    Box operator-(const Dim& d) const;
    Box& operator-=(const Dim& d) { return *this = *this - d; }
    // The other box clipped to this one; (0, 0, 0, 0) when they do not touch.
    Box operator&(const Box& o) const;
    Box& operator&=(const Box& o) { return *this = *this & o; }

    bool Contains(const Point& p) const;
    // The other box lies wholly inside this one.
    bool Contains(const Box& b) const;
    // At least one common pixel; shared edges do not overlap.
    bool Overlaps(const Point& origin, const Dim& size) const;
    bool Overlaps(const Box& b) const { return Overlaps(b.Origin(), b.Size()); }

    // Clips b to this box. Boxes that only share an edge touch and give a width or height of 0;
    // without contact b becomes (0, 0, 0, 0) and the result is false.
    bool Clip(Box& b) const;
    // Cohen-Sutherland: moves a and b onto this box's edges; false when the segment misses it.
    // The right and bottom edges count as inside.
    bool ClipLine(Point& a, Point& b) const;
    // The verdict of ClipLine without changing the caller's points.
    bool ClipLineTest(Point a, Point b) const { return ClipLine(a, b); }
};

inline Box Dim::ToBox() const { return Box(0, 0, width, height); }

// RECT helpers: offset by a point (each coordinate minus the point's) and equality.
RECT OffsetRect(const RECT& r, const POINT& p);
bool RectsEqual(const RECT& a, const RECT& b);
