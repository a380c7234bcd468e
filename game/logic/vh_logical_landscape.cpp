#include "game/logic/vh_logical_landscape.h"

#include "game/logic/hex_geometry.h"
#include "game/logic/landscape_file.h"

#include <cstdlib>

namespace {

// The edge type that an edge code sets on a side, or −1 for a code that is no edge.
int EdgeTypeOfCode(std::uint16_t code) {
    switch (code) {
    case 14: return 0;
    case 6: return 1;
    case 11: return 2;
    case 10: return 3;
    case 15: return 3;
    default: return -1;
    }
}

// The edge type that HasEdgeType tests for a code; code 15 is only ever set through code 10.
int TestedEdgeType(std::uint16_t code) {
    switch (code) {
    case 6: return 1;
    case 10: return 3;
    case 11: return 2;
    case 14: return 0;
    default: return -1;
    }
}

// Where each side's midpoint lies in the point grid, relative to the region's centre.
struct Midpoint {
    int side, dx, dy;
};
constexpr Midpoint Midpoints[] = {{1, 0, -2}, {2, 1, -1}, {4, 1, 1}, {5, 0, 2}, {6, -1, 1}, {8, -1, -1}};

bool IsSide(int d) { return d == 1 || d == 2 || d == 4 || d == 5 || d == 6 || d == 8; }

} // namespace

VhLogicalLandscape::VhLogicalLandscape() : LogicalLandscape("Varnhold Logical Landscape") {}

VhLogicalLandscape::~VhLogicalLandscape() = default;

std::uint16_t VhLogicalLandscape::IndexToNumber(int index) const {
    if (size.x <= 0 || index < 0 || index >= regionCount) return 0xFFFF;
    return hex::Number(index % size.x, index / size.x);
}

int VhLogicalLandscape::NumberToIndex(std::uint16_t number) const {
    const int c = hex::Column(number), r = hex::Row(number);
    if (c >= size.x || r >= size.y) return -1;
    return c + r * size.x;
}

std::int32_t VhLogicalLandscape::Load(const std::string& path) {
    LandscapeFile file;
    if (!ReadLandscapeFile(path, file, &loadError)) return 0;
    return LoadFrom(file);
}

std::int32_t VhLogicalLandscape::LoadFromBytes(std::span<const std::uint8_t> bytes) {
    LandscapeFile file;
    if (!ReadLandscape(bytes, file, &loadError)) return 0;
    return LoadFrom(file);
}

std::int32_t VhLogicalLandscape::LoadFrom(const LandscapeFile& file) {
    const int columns = file.columns, rows = file.rows;
    if (columns < 1 || rows < 1 || rows > LandscapeFile::MaxRows) {
        loadError = "map without regions";
        return 0;
    }
    loadError.clear();
    const int count = columns * rows;
    regions.assign(static_cast<std::size_t>(count), LogicalRegion());
    unitLists.assign(static_cast<std::size_t>(count), List<VhUnit*>());
    viewerCounts.assign(static_cast<std::size_t>(count), 0);
    lockOwners.assign(static_cast<std::size_t>(count), 0xFFFF);
    bestPoints.assign(static_cast<std::size_t>(count), -1);
    regionCount = static_cast<std::int16_t>(count);
    size = Point(static_cast<std::int16_t>(columns), static_cast<std::int16_t>(rows));
    firstMapHeaderValue = file.firstHeaderValue;
    secondMapHeaderValue = file.secondHeaderValue;

    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c) {
            const int index = r * columns + c;
            LogicalRegion& region = regions[static_cast<std::size_t>(index)];
            const bool halfHex = hex::IsHalfHex(c, r, rows);
            if (halfHex) viewerCounts[static_cast<std::size_t>(index)] = 0xFFFF;
            region.number = hex::Number(c, r);
            const hex::MapPoint p = hex::PointOf(region.number);
            region.point = Point3D(static_cast<std::int16_t>(p.x), static_cast<std::int16_t>(p.y), file.ElevationAt(c, r));

            // Grid positions of the centre and the side midpoints.
            const int x = p.x + 2, y = p.y + 2;
            for (std::uint16_t code : file.PointAt(x, y)) region.AddFeature(code);
            if (halfHex) continue;
            for (const auto& m : Midpoints)
                for (std::uint16_t code : file.PointAt(x + m.dx, y + m.dy)) {
                    const int type = EdgeTypeOfCode(code);
                    if (type >= 0) region.SetSideFlag(m.side, type, true);
                }
        }
    BuildNeighbourLinks();
    return 1;
}

void VhLogicalLandscape::BuildNeighbourLinks() {
    for (auto& region : regions) {
        const int c = hex::Column(region.number), r = hex::Row(region.number);
        for (int d = 0; d <= 8; ++d) region.neighbours[d] = hex::SideNeighbour(c, r, d, size.x, size.y);
        region.neighbours[9] = 0xFFFF;
        region.neighbourCount = LogicalRegion::NeighbourSlots;
    }
}

Point VhLogicalLandscape::RegionToPoint(std::uint16_t number) const {
    const hex::MapPoint p = hex::PointOf(number);
    return Point(static_cast<std::int16_t>(p.x + 2), static_cast<std::int16_t>(p.y + 2));
}

std::uint16_t VhLogicalLandscape::PointToRegion(Point p) const {
    return static_cast<std::uint16_t>((p.y - 2) / 4 + (p.x - 2) / 2 * 100);
}

int VhLogicalLandscape::RegionDistance(std::uint16_t a, std::uint16_t b) const { return hex::Distance(a, b); }

int VhLogicalLandscape::BearingToRegion(std::uint16_t from, std::uint16_t to) const { return hex::Bearing(from, to); }

DIRECTION VhLogicalLandscape::DirectionToRegion(std::uint16_t from, std::uint16_t to) const {
    const LogicalRegion* r = GetRegion(from);
    if (!r) return NoDirection;
    for (int d = 1; d <= 8; ++d)
        if (r->neighbours[d] != 0xFFFF && r->neighbours[d] == to) return static_cast<DIRECTION>(d);
    return NoDirection;
}

DIRECTION VhLogicalLandscape::FacingTowards(std::uint16_t from, std::uint16_t to) const {
    return static_cast<DIRECTION>(hex::FacingForBearing(hex::Bearing(from, to)));
}

bool VhLogicalLandscape::IsInFrontArc(std::uint16_t from, std::uint16_t to, int facing) const {
    const int bearing = hex::Bearing(from, to);
    for (short b : hex::FrontArc(facing))
        if (b == bearing) return true;
    return false;
}

List<short> VhLogicalLandscape::GetHexLine(std::uint16_t from, std::uint16_t to) const {
    List<short> line;
    if (from == to) {
        line.AddTail(static_cast<short>(to));
        return line;
    }
    const auto sides = hex::FlankingSides(hex::FacingForBearing(hex::Bearing(from, to)));
    const hex::MapPoint t = hex::PointOf(to);
    std::uint16_t current = from;
    // A straight line never takes more steps than the map has regions; the bound only guards a
    // walk that would run along the map's edge past its target.
    for (int steps = 0; current != to; ++steps) {
        line.AddTail(static_cast<short>(current));
        const hex::MapPoint c = hex::PointOf(current);
        const auto deviation = [&](std::uint16_t x) {
            if (x == 0xFFFF) return 999;
            const hex::MapPoint p = hex::PointOf(x);
            return std::abs((t.x - c.x) * (p.y - c.y) - (p.x - c.x) * (t.y - c.y));
        };
        const std::uint16_t a = GetNeighbour(current, sides[0]), b = GetNeighbour(current, sides[1]);
        const std::uint16_t next = deviation(a) < deviation(b) ? a : b;
        if (next == 0xFFFF || steps > regionCount) return line;
        current = next;
    }
    line.AddTail(static_cast<short>(to));
    return line;
}

bool VhLogicalLandscape::IsValidRegion(std::uint16_t number) const {
    const int c = hex::Column(number), r = hex::Row(number);
    return c < size.x && r < size.y - (c & 1);
}

bool VhLogicalLandscape::IsEdgeRegion(std::uint16_t number) const {
    const LogicalRegion* r = GetRegion(number);
    if (!r) return false;
    for (int d : hex::Sides)
        if (r->neighbours[d] == 0xFFFF) return true;
    return false;
}

void VhLogicalLandscape::GetMapEdgeRegions(int edge, List<short>& out) const {
    out.Clear();
    const int columns = size.x, rows = size.y;
    switch (edge) {
    case 1:
        for (int c = 0; c < columns; ++c) out.AddTail(static_cast<short>(hex::Number(c, 0)));
        break;
    case 3:
        for (int r = 0; r < rows; ++r)
            if (!hex::IsHalfHex(columns - 1, r, rows)) out.AddTail(static_cast<short>(hex::Number(columns - 1, r)));
        break;
    case 5:
        for (int c = 0; c < columns; ++c) {
            const int r = (c & 1) ? rows - 2 : rows - 1;
            if (r >= 0) out.AddTail(static_cast<short>(hex::Number(c, r)));
        }
        break;
    case 7:
        for (int r = 0; r < rows; ++r) out.AddTail(static_cast<short>(hex::Number(0, r)));
        break;
    default:
        break;
    }
}

bool VhLogicalLandscape::RegionHasFeature(std::uint16_t region, std::uint16_t code) const {
    const LogicalRegion* r = GetRegion(region);
    return r && r->HasFeature(code);
}

bool VhLogicalLandscape::HasEdgeType(std::uint16_t region, int side, std::uint16_t code) const {
    const LogicalRegion* r = GetRegion(region);
    const int type = TestedEdgeType(code);
    return r && type >= 0 && IsSide(side) && r->TestSideFlag(side, type);
}

bool VhLogicalLandscape::HasEdgeBetween(std::uint16_t from, std::uint16_t to, std::uint16_t code) const {
    const DIRECTION d = DirectionToRegion(from, to);
    return d != NoDirection && HasEdgeType(from, d, code);
}

bool VhLogicalLandscape::IsSurroundedByEdge(std::uint16_t region, std::uint16_t code) const {
    for (int d : hex::Sides)
        if (!HasEdgeType(region, d, code)) return false;
    return true;
}

bool VhLogicalLandscape::IsEnclosedOrNearRoad(std::uint16_t region) const {
    if (IsSurroundedByEdge(region, HedgeCode) || IsSurroundedByEdge(region, StreamCode)) return true;
    const LogicalRegion* r = GetRegion(region);
    if (!r) return false;
    for (int d = 1; d <= 8; ++d) {
        const std::uint16_t n = r->neighbours[d];
        if (n != 0xFFFF && (RegionHasFeature(n, RoadCode) || RegionHasFeature(n, 4))) return true;
    }
    return false;
}

std::int16_t VhLogicalLandscape::MovementCost(std::uint16_t from, std::uint16_t to) const {
    // Cost per code: area terrain 0-5, then the edges 6, 8, 9, 10, 11 (negative: added on top),
    // then the road codes.
    static constexpr int costTable[14] = {2, 4, 4, 4, 6, 4, -2, 0, -2, -4, -4, 198, 1, 1};
    const LogicalRegion* a = RegionAt(from);
    const LogicalRegion* b = RegionAt(to);
    if (!a || !b) return -1;
    const auto onRoad = [](const LogicalRegion* r) {
        for (int i = 0; i < r->terrainCount; ++i)
            if (r->terrain[i] == RoadCode || r->terrain[i] == TrackCode) return true;
        return false;
    };
    if (onRoad(a) && onRoad(b)) return static_cast<std::int16_t>(costTable[RoadCode]);

    // The dearest area terrain of the region entered, at least 2.
    int high = 2, extra = 0;
    for (int i = 0; i < b->terrainCount; ++i)
        if (b->terrain[i] <= 5 && costTable[b->terrain[i]] > high) high = costTable[b->terrain[i]];
    // The edges of the side crossed: a wall sets the cost, a hedge or a stream adds to it. Codes
    // 8 and 9 have no edge type and never count.
    int side = 0;
    for (int d = 1; d <= 8 && !side; ++d)
        if (a->neighbours[d] == to) side = d;
    if (side) {
        if (a->TestSideFlag(side, TestedEdgeType(WallCode)) && costTable[WallCode] > high) high = costTable[WallCode];
        if (a->TestSideFlag(side, TestedEdgeType(HedgeCode))) extra -= costTable[HedgeCode];
        if (a->TestSideFlag(side, TestedEdgeType(StreamCode))) extra -= costTable[StreamCode];
    }
    const int ea = a->point.z == 0 ? 1 : a->point.z;
    const int eb = b->point.z == 0 ? 1 : b->point.z;
    return static_cast<std::int16_t>(high + extra + 2 * std::abs(ea - eb));
}

std::int16_t VhLogicalLandscape::StepCostOne(std::uint16_t, std::uint16_t, VhLogicalLandscape*, VhUnit*) { return 1; }
