#include "core/geometry.h"

#include "core/assertion.h"

#include <algorithm>
#include <cmath>

namespace {

// Integer division by zero would end the program; the value stays as it was instead.
bool divisorOk(int divisor) {
    if (divisor != 0) return true;
    AssertFail("Division by zero", "UTILS", __LINE__);
    return false;
}

} // namespace

Dim Dim::operator/(int divisor) const {
    if (!divisorOk(divisor)) return *this;
    return Dim(width / divisor, height / divisor);
}

Point Point::operator/(int divisor) const {
    if (!divisorOk(divisor)) return *this;
    return Point(x / divisor, y / divisor);
}

Point3D Point3D::operator/(int divisor) const {
    if (!divisorOk(divisor)) return *this;
    return Point3D(x / divisor, y / divisor, z / divisor);
}

int Point3D::Distance(const Point3D& o) const {
    double dx = double(x) - o.x, dy = double(y) - o.y, dz = double(z) - o.z;
    return static_cast<int>(std::sqrt(dx * dx + dy * dy + dz * dz));
}

// The fourth value is 32-bit: its arithmetic wraps at 32 bits, done unsigned to stay defined.
static std::int32_t wrap32(std::int64_t v) { return static_cast<std::int32_t>(static_cast<std::uint32_t>(v)); }

Point4 Point4::operator+(const Point4& o) const {
    return Point4(x + o.x, y + o.y, z + o.z, wrap32(std::int64_t(fourth) + o.fourth));
}

Point4 Point4::operator-(const Point4& o) const {
    return Point4(x - o.x, y - o.y, z - o.z, wrap32(std::int64_t(fourth) - o.fourth));
}

Point4 Point4::operator*(int factor) const {
    return Point4(x * factor, y * factor, z * factor, wrap32(std::int64_t(fourth) * factor));
}

Point4 Point4::operator/(int divisor) const {
    if (!divisorOk(divisor)) return *this;
    return Point4(x / divisor, y / divisor, z / divisor, wrap32(std::int64_t(fourth) / divisor));
}

RECT Box::ToRECT() const {
    return RECT{x, y, std::int32_t(x) + width, std::int32_t(y) + height};
}

Box Box::operator|(const Box& o) const {
    int left = std::min<int>(x, o.x);
    int top = std::min<int>(y, o.y);
    int right = std::max<int>(x + width, o.x + o.width);
    int bottom = std::max<int>(y + height, o.y + o.height);
    return Box(left, top, right - left, bottom - top);
}

Box Box::operator-(const Dim& d) const {
    Box r(x, y, width - d.width, height - d.height);
    if (r.width == 0 || r.height == 0) AssertFail("Invalid Box Dimensions", "UTILS", 817);
    if (r.width < 0) {
        r.width = static_cast<std::int16_t>(-r.width);
        r.x = static_cast<std::int16_t>(r.x - r.width);
    }
    if (r.height < 0) {
        r.height = static_cast<std::int16_t>(-r.height);
        r.y = static_cast<std::int16_t>(r.y - r.height);
    }
    return r;
}

Box Box::operator&(const Box& o) const {
    Box r = o;
    Clip(r);
    return r;
}

bool Box::Contains(const Point& p) const {
    return x <= p.x && p.x < int(x) + width && y <= p.y && p.y < int(y) + height;
}

bool Box::Contains(const Box& b) const {
    return b.x >= x && b.y >= y && int(b.x) + b.width <= int(x) + width && int(b.y) + b.height <= int(y) + height;
}

bool Box::Overlaps(const Point& origin, const Dim& size) const {
    return x < int(origin.x) + size.width && y < int(origin.y) + size.height && origin.x < int(x) + width &&
           origin.y < int(y) + height;
}

bool Box::Clip(Box& b) const {
    int r = int(x) + width, d = int(y) + height;
    int bx = b.x, by = b.y, br = int(b.x) + b.width, bd = int(b.y) + b.height;
    if (br < x || bd < y || r < bx || d < by) {
        b = Box();
        return false;
    }
    bx = std::max<int>(bx, x);
    by = std::max<int>(by, y);
    br = std::min(br, r);
    bd = std::min(bd, d);
    b = Box(bx, by, br - bx, bd - by);
    return true;
}

namespace {

constexpr int kBelow = 0x0001; // y past the bottom edge
constexpr int kAbove = 0x0010;
constexpr int kRight = 0x0100;
constexpr int kLeft = 0x1000;

int outcode(const Box& box, const Point& p) {
    int code = 0;
    if (p.y > int(box.y) + box.height) code |= kBelow;
    if (p.y < box.y) code |= kAbove;
    if (p.x > int(box.x) + box.width) code |= kRight;
    if (p.x < box.x) code |= kLeft;
    return code;
}

} // namespace

bool Box::ClipLine(Point& a, Point& b) const {
    int codeA = outcode(*this, a), codeB = outcode(*this, b);
    // Each step puts one point on an edge, so a few steps settle any segment; the bound only
    // guards against a box of negative size.
    for (int step = 0; step < 16; ++step) {
        if ((codeA | codeB) == 0) return true;
        if (codeA & codeB) return false;
        bool moveA = codeA != 0;
        int code = moveA ? codeA : codeB;
        int ax = a.x, ay = a.y, dx = int(b.x) - a.x, dy = int(b.y) - a.y;
        int nx, ny;
        if (code & (kBelow | kAbove)) {
            ny = (code & kBelow) ? int(y) + height : int(y);
            // A segment that crosses a horizontal edge cannot be horizontal; guard all the same.
            nx = dy != 0 ? ax + dx * (ny - ay) / dy : ax;
        } else {
            nx = (code & kRight) ? int(x) + width : int(x);
            ny = dx != 0 ? ay + dy * (nx - ax) / dx : ay;
        }
        Point moved(nx, ny);
        if (moveA) {
            a = moved;
            codeA = outcode(*this, a);
        } else {
            b = moved;
            codeB = outcode(*this, b);
        }
    }
    return false;
}

RECT OffsetRect(const RECT& r, const POINT& p) {
    return RECT{r.left - p.x, r.top - p.y, r.right - p.x, r.bottom - p.y};
}

bool RectsEqual(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
