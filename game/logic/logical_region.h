#pragma once
// The record of one region (hex) of the logical map.
//
// Invariants: neighbours[0] is the region's own number, neighbours[1..8] the region across each
// direction (0xFFFF for none, always for the vertex directions 3 and 7) and neighbours[9] 0xFFFF;
// the first terrainCount terrain slots hold codes and the rest 0xFFFF; the side flags use six
// 5-bit fields (sides 1, 2, 4, 5, 6, 8 from bit 0 up) and leave bits 30 and 31 clear.
#include "game/logic/core_types.h"

#include <cstdint>

struct LogicalRegion {
    static constexpr int NeighbourSlots = 10;
    static constexpr int TerrainSlots = 10;

    std::uint16_t number = 0;
    Point3D point;
    std::uint16_t neighbourCount = NeighbourSlots;
    std::uint16_t neighbours[NeighbourSlots] = {0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF,
                                                0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF};
    std::uint16_t terrainCount = 0;
    std::uint16_t terrain[TerrainSlots] = {0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF,
                                           0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF};
    std::uint32_t sideFlags = 0;

    // Sides are the directions 1, 2, 4, 5, 6, 8 and types 0..4; anything else reads false and is
    // never written.
    bool TestSideFlag(int side, int type) const;
    void SetSideFlag(int side, int type, bool on);
    void ClearSideFlags() { sideFlags = 0; }
    bool IsInNeighbourList(std::uint16_t region) const;
    bool HasFeature(std::uint16_t code) const;
    // Adds a terrain code in the first free slot; false when all ten are taken.
    bool AddFeature(std::uint16_t code);
    std::int16_t Elevation() const { return point.z; }

    bool operator==(const LogicalRegion& o) const { return number == o.number; }
};
