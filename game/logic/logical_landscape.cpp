#include "game/logic/logical_landscape.h"

LogicalLandscape::LogicalLandscape(const char* componentName)
    : Component(componentName ? componentName : "Unnamed Logical Landscape") {}

LogicalLandscape::~LogicalLandscape() = default;

LogicalRegion* LogicalLandscape::GetRegion(std::uint16_t number) { return GetRegionByIndex(NumberToIndex(number)); }

LogicalRegion* LogicalLandscape::GetRegionByIndex(int index) {
    if (index < 0 || index >= static_cast<int>(regions.size())) return nullptr;
    return &regions[static_cast<std::size_t>(index)];
}

std::uint16_t LogicalLandscape::GetNeighbour(std::uint16_t number, int direction) const {
    const LogicalRegion* r = GetRegion(number);
    if (!r || direction < 0 || direction >= LogicalRegion::NeighbourSlots) return 0xFFFF;
    return r->neighbours[direction];
}

LogicalRegion* LogicalLandscape::GetNeighbourRegion(std::uint16_t number, int direction) {
    const std::uint16_t n = GetNeighbour(number, direction);
    return n == 0xFFFF ? nullptr : GetRegion(n);
}
