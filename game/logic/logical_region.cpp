#include "game/logic/logical_region.h"

namespace {

// Bit position of a side's 5-bit field, or −1 for a direction that is no hex side.
int SideShift(int side) {
    switch (side) {
    case 1: return 0;
    case 2: return 5;
    case 4: return 10;
    case 5: return 15;
    case 6: return 20;
    case 8: return 25;
    default: return -1;
    }
}

} // namespace

bool LogicalRegion::TestSideFlag(int side, int type) const {
    const int shift = SideShift(side);
    if (shift < 0 || type < 0 || type >= 5) return false;
    return (sideFlags >> (shift + type)) & 1u;
}

void LogicalRegion::SetSideFlag(int side, int type, bool on) {
    const int shift = SideShift(side);
    if (shift < 0 || type < 0 || type >= 5) return;
    const std::uint32_t bit = 1u << (shift + type);
    sideFlags = on ? (sideFlags | bit) : (sideFlags & ~bit);
}

bool LogicalRegion::IsInNeighbourList(std::uint16_t region) const {
    for (int i = 0; i < neighbourCount && i < NeighbourSlots; ++i)
        if (neighbours[i] == region) return true;
    return false;
}

bool LogicalRegion::HasFeature(std::uint16_t code) const {
    // Slots past the count hold 0xFFFF, so that value is found exactly when a slot is free.
    const int used = terrainCount < TerrainSlots ? terrainCount : TerrainSlots;
    if (code == 0xFFFF && used < TerrainSlots) return true;
    for (int i = 0; i < used; ++i)
        if (terrain[i] == code) return true;
    return false;
}

bool LogicalRegion::AddFeature(std::uint16_t code) {
    if (terrainCount >= TerrainSlots) return false;
    terrain[terrainCount++] = code;
    return true;
}
