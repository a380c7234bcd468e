#pragma once
// The landscape (map) file read into memory.
//
// Invariants of a LandscapeFile that ReadLandscape filled: 1 ≤ columns, 1 ≤ rows ≤ 100;
// elevations holds columns × rows bytes, row by row; the point grid holds
// (2 × columns + 2) × (4 × rows + 1) points and pointStart one more entry than that, ascending,
// its last entry the size of codes; no point has more than 12 codes and no region's centre more
// than 10. A file that breaks any of this is refused and leaves the record as it was.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

struct LandscapeFile {
    static constexpr int MaxPointCodes = 12;
    static constexpr int MaxCentreCodes = 10;
    // Region numbers are column × 100 + row, so a map has at most 100 rows.
    static constexpr int MaxRows = 100;

    std::uint8_t columns = 0;
    std::uint8_t rows = 0;
    std::uint16_t firstHeaderValue = 1000;
    std::int32_t secondHeaderValue = 0;
    std::vector<std::uint8_t> elevations;
    std::vector<std::uint32_t> pointStart;
    std::vector<std::uint16_t> codes;

    int GridWidth() const { return 2 * columns + 2; }
    int GridHeight() const { return 4 * rows + 1; }
    std::span<const std::uint16_t> PointAt(int x, int y) const;
    std::uint8_t ElevationAt(int column, int row) const { return elevations[static_cast<std::size_t>(row) * columns + column]; }
};

// Reads the file's bytes field by field; false (with the reason, for the log) when they are
// damaged or truncated. Bytes after the point grid are not read.
bool ReadLandscape(std::span<const std::uint8_t> bytes, LandscapeFile& out, std::string* reason = nullptr);
bool ReadLandscapeFile(const std::string& path, LandscapeFile& out, std::string* reason = nullptr);
