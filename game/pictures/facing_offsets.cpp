#include "game/pictures/facing_offsets.h"

#include <cstring>

namespace {

bool ReadI16(HFILE file, std::int16_t& v) {
    unsigned char b[2];
    if (_lread(file, b, 2) != 2) return false;
    v = static_cast<std::int16_t>(b[0] | (b[1] << 8));
    return true;
}

bool ReadI32(HFILE file, std::int32_t& v) {
    unsigned char b[4];
    if (_lread(file, b, 4) != 4) return false;
    v = static_cast<std::int32_t>(static_cast<std::uint32_t>(b[0]) | (static_cast<std::uint32_t>(b[1]) << 8) |
                                  (static_cast<std::uint32_t>(b[2]) << 16) | (static_cast<std::uint32_t>(b[3]) << 24));
    return true;
}

bool WriteI16(HFILE file, std::int16_t v) {
    const unsigned char b[2] = {static_cast<unsigned char>(v & 0xFF), static_cast<unsigned char>((v >> 8) & 0xFF)};
    return _lwrite(file, b, 2) == 2;
}

bool WriteI32(HFILE file, std::int32_t v) {
    const auto u = static_cast<std::uint32_t>(v);
    const unsigned char b[4] = {static_cast<unsigned char>(u & 0xFF), static_cast<unsigned char>((u >> 8) & 0xFF),
                                static_cast<unsigned char>((u >> 16) & 0xFF),
                                static_cast<unsigned char>((u >> 24) & 0xFF)};
    return _lwrite(file, b, 4) == 4;
}

bool ReadPoint(HFILE file, Point3D& p) {
    std::int16_t x = 0, y = 0;
    if (!ReadI16(file, x) || !ReadI16(file, y)) return false;
    p = Point3D(x, y, 0);
    return true;
}

bool SamePoint(const Point3D& a, const Point3D& b) { return a.x == b.x && a.y == b.y && a.z == b.z; }

std::string NameOf(const unsigned char* field) {
    std::size_t n = 0;
    while (n < static_cast<std::size_t>(FacingOffsets::kNameSize) && field[n]) ++n;
    return std::string(reinterpret_cast<const char*>(field), n);
}

// Little-endian reads from a memory record; the caller checked the length.
std::int16_t I16At(const unsigned char* p) { return static_cast<std::int16_t>(p[0] | (p[1] << 8)); }
std::int32_t I32At(const unsigned char* p) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
                                     (static_cast<std::uint32_t>(p[2]) << 16) |
                                     (static_cast<std::uint32_t>(p[3]) << 24));
}

} // namespace

QIFStorage::QIFStorage(const char*, HFILE file) {
    unsigned char field[FacingOffsets::kNameSize];
    if (_lread(file, field, sizeof field) != sizeof field) {
        valid = false;
        return;
    }
    // A name that fills the field without its zero byte ends at the field's end.
    name = NameOf(field);
}

bool HexOffsets::operator==(const HexOffsets& o) const {
    for (int i = 0; i < 3; ++i)
        if (!SamePoint(points[i], o.points[i]) || values[i] != o.values[i]) return false;
    return true;
}

bool HexOffsets::Read(HFILE file) {
    for (Point3D& p : points)
        if (!ReadPoint(file, p)) return false;
    for (std::int32_t& v : values)
        if (!ReadI32(file, v)) return false;
    return true;
}

bool HexOffsets::Write(HFILE file) const {
    for (const Point3D& p : points)
        if (!WriteI16(file, p.x) || !WriteI16(file, p.y)) return false;
    for (std::int32_t v : values)
        if (!WriteI32(file, v)) return false;
    return true;
}

bool HillOffsets::operator==(const HillOffsets& o) const {
    for (int i = 0; i < 3; ++i)
        if (!(hexes[i] == o.hexes[i])) return false;
    return true;
}

bool HillOffsets::Read(HFILE file) {
    for (HexOffsets& h : hexes)
        if (!h.Read(file)) return false;
    return true;
}

bool HillOffsets::Write(HFILE file) const {
    for (const HexOffsets& h : hexes)
        if (!h.Write(file)) return false;
    return true;
}

bool DirectionOffsets::operator==(const DirectionOffsets& o) const {
    for (int d = 1; d <= 10; ++d)
        if (!(entries[d] == o.entries[d])) return false;
    return SamePoint(extra, o.extra);
}

bool DirectionOffsets::Read(HFILE file) {
    for (int d = 1; d <= 10; ++d)
        if (!entries[d].Read(file)) return false;
    return ReadPoint(file, extra);
}

bool DirectionOffsets::Write(HFILE file) const {
    for (int d = 1; d <= 10; ++d)
        if (!entries[d].Write(file)) return false;
    return WriteI16(file, extra.x) && WriteI16(file, extra.y);
}

FacingOffsets::FacingOffsets(const char* library, HFILE file) : QIFStorage(library, file) {
    if (!valid) return;
    for (int f = 1; f <= 8; ++f)
        if (!facings[f].Read(file)) {
            valid = false;
            return;
        }
}

FacingOffsets::FacingOffsets(const char*, const unsigned char*& cursor, const unsigned char* end) {
    if (!cursor || end - cursor < kRecordSize) {
        valid = false;
        return;
    }
    const unsigned char* p = cursor;
    name = NameOf(p);
    p += kNameSize;
    for (int f = 1; f <= 8; ++f) {
        DirectionOffsets& d = facings[f];
        for (int e = 1; e <= 10; ++e)
            for (HexOffsets& h : d.entries[e].hexes) {
                for (Point3D& pt : h.points) {
                    pt = Point3D(I16At(p), I16At(p + 2), 0);
                    p += 4;
                }
                for (std::int32_t& v : h.values) {
                    v = I32At(p);
                    p += 4;
                }
            }
        d.extra = Point3D(I16At(p), I16At(p + 2), 0);
        p += 4;
    }
    cursor = p;
}

bool FacingOffsets::operator==(const FacingOffsets& o) const {
    for (int f = 1; f <= 8; ++f)
        if (!(facings[f] == o.facings[f])) return false;
    return true;
}

bool FacingOffsets::Write(HFILE file) const {
    unsigned char field[kNameSize] = {};
    std::memcpy(field, name.data(), name.size() < kNameSize ? name.size() : kNameSize - 1);
    if (_lwrite(file, field, sizeof field) != sizeof field) return false;
    for (int f = 1; f <= 8; ++f)
        if (!facings[f].Write(file)) return false;
    return true;
}
