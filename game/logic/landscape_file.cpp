#include "game/logic/landscape_file.h"

#include <cstdio>

namespace {

// Takes little-endian fields off the front of a byte span; every take checks what remains.
class FieldReader {
public:
    explicit FieldReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    std::size_t Remaining() const { return bytes_.size() - pos_; }
    bool Skip(std::size_t n) {
        if (Remaining() < n) return false;
        pos_ += n;
        return true;
    }
    bool U8(std::uint8_t& v) {
        if (Remaining() < 1) return false;
        v = bytes_[pos_++];
        return true;
    }
    bool U16(std::uint16_t& v) {
        if (Remaining() < 2) return false;
        v = static_cast<std::uint16_t>(bytes_[pos_] | (bytes_[pos_ + 1] << 8));
        pos_ += 2;
        return true;
    }
    std::span<const std::uint8_t> Take(std::size_t n) {
        auto s = bytes_.subspan(pos_, n);
        pos_ += n;
        return s;
    }

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t pos_ = 0;
};

bool Refuse(std::string* reason, const char* why) {
    if (reason) *reason = why;
    return false;
}

} // namespace

std::span<const std::uint16_t> LandscapeFile::PointAt(int x, int y) const {
    const auto i = static_cast<std::size_t>(y) * GridWidth() + x;
    return std::span<const std::uint16_t>(codes).subspan(pointStart[i], pointStart[i + 1] - pointStart[i]);
}

bool ReadLandscape(std::span<const std::uint8_t> bytes, LandscapeFile& out, std::string* reason) {
    FieldReader in(bytes);
    LandscapeFile f;
    std::uint16_t nameLength = 0, first = 0, second = 0;
    if (!in.Skip(20) || !in.U16(nameLength)) return Refuse(reason, "file ends inside the header");
    // The length is a signed 16-bit field; a negative one cannot name a real map.
    if (nameLength > 0x7FFF) return Refuse(reason, "negative name length");
    if (!in.Skip(nameLength)) return Refuse(reason, "file ends inside the map's name");
    if (!in.U8(f.columns) || !in.U8(f.rows) || !in.U16(first) || !in.U16(second))
        return Refuse(reason, "file ends inside the map's size");
    if (f.columns == 0 || f.rows == 0) return Refuse(reason, "map without regions");
    if (f.rows > LandscapeFile::MaxRows) return Refuse(reason, "more rows than region numbers can hold");
    f.firstHeaderValue = first;
    f.secondHeaderValue = static_cast<std::int16_t>(second);

    const std::size_t regions = static_cast<std::size_t>(f.columns) * f.rows;
    if (in.Remaining() < regions) return Refuse(reason, "file ends inside the elevations");
    auto elevations = in.Take(regions);
    f.elevations.assign(elevations.begin(), elevations.end());

    const std::size_t pointCount = static_cast<std::size_t>(f.GridWidth()) * f.GridHeight();
    // Every point takes at least its two-byte count; refuse before reserving for a short file.
    if (in.Remaining() / 2 < pointCount) return Refuse(reason, "file ends inside the point grid");
    f.pointStart.reserve(pointCount + 1);
    f.codes.reserve(pointCount);
    for (std::size_t i = 0; i < pointCount; ++i) {
        std::uint16_t k = 0;
        if (!in.U16(k)) return Refuse(reason, "file ends inside the point grid");
        if (k > LandscapeFile::MaxPointCodes) return Refuse(reason, "point with more than 12 codes");
        if (in.Remaining() / 2 < k) return Refuse(reason, "file ends inside the point grid");
        f.pointStart.push_back(static_cast<std::uint32_t>(f.codes.size()));
        for (int j = 0; j < k; ++j) {
            std::uint16_t code = 0;
            in.U16(code);
            f.codes.push_back(code);
        }
    }
    f.pointStart.push_back(static_cast<std::uint32_t>(f.codes.size()));

    for (int c = 0; c < f.columns; ++c)
        for (int r = 0; r < f.rows; ++r)
            if (f.PointAt(2 * c + 2, 4 * r + 2 * (c & 1) + 2).size() > LandscapeFile::MaxCentreCodes)
                return Refuse(reason, "region centre with more than 10 codes");

    out = std::move(f);
    return true;
}

bool ReadLandscapeFile(const std::string& path, LandscapeFile& out, std::string* reason) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return Refuse(reason, "file cannot be opened");
    std::vector<std::uint8_t> bytes;
    std::uint8_t chunk[65536];
    std::size_t n = 0;
    while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes.insert(bytes.end(), chunk, chunk + n);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) return Refuse(reason, "file cannot be read");
    return ReadLandscape(bytes, out, reason);
}
