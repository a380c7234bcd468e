#pragma once
// Writes landscape (map) files.
//
// A LandscapeDraft holds a map exactly as the file holds it: the point grid has
// (2 × columns + 2) × (4 × rows + 1) points in grid order, each point a list of codes, and the
// elevations are row by row. The writer puts down whatever the draft holds, without checks, so
// that tests can also write damaged maps; the editing helpers keep within the format (a point
// holds at most 12 codes, a region's centre at most 10) and answer false instead.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace datagen {

class LandscapeDraft {
public:
    static constexpr int MaxPointCodes = 12;
    static constexpr int MaxCentreCodes = 10;

    std::array<std::uint8_t, 20> header{};
    std::string name;
    std::uint8_t columns = 0;
    std::uint8_t rows = 0;
    std::uint16_t firstHeaderValue = 1000;
    std::int16_t secondHeaderValue = 0;
    std::vector<std::uint8_t> elevations;
    std::vector<std::vector<std::uint16_t>> points;

    LandscapeDraft() = default;
    // An open, level map of the given size with every point empty.
    LandscapeDraft(std::uint8_t columnCount, std::uint8_t rowCount);

    int GridWidth() const { return 2 * columns + 2; }
    int GridHeight() const { return 4 * rows + 1; }
    std::vector<std::uint16_t>& PointAt(int x, int y) { return points[y * GridWidth() + x]; }

    // Region numbers are column × 100 + row; sides are the direction codes 1, 2, 4, 5, 6, 8.
    // Each helper answers false when the region or side does not exist or the point is full.
    bool SetElevation(unsigned short region, std::uint8_t elevation);
    bool AddTerrain(unsigned short region, std::uint16_t code);
    bool AddEdge(unsigned short region, int side, std::uint16_t code);

    // Grid position of a region's centre and of a side's midpoint (x, y); false when none.
    bool CentreOf(unsigned short region, int& x, int& y) const;
    bool MidpointOf(unsigned short region, int side, int& x, int& y) const;
};

// The file's bytes, little-endian, field by field.
std::vector<std::uint8_t> WriteLandscape(const LandscapeDraft& draft);
bool WriteLandscapeFile(const std::string& path, const LandscapeDraft& draft);

// A deterministic map with varied ground for benchmarks and demo data: patches of every area
// terrain (codes 0-5, woods as code 1), hills, streams along hex sides (codes 6 and 10), a few
// walls (code 11), and a net of roads (code 12) that crosses the map in both directions.
LandscapeDraft MakeSampleLandscape(std::uint8_t columns, std::uint8_t rows, unsigned seed);

} // namespace datagen
