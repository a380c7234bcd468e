#pragma once
// The engine's logical map: a component that holds the region records of a hex map by index.
//
// Invariants: regions holds exactly columns × rows records once a map is loaded (none before);
// NumberToIndex and IndexToNumber are inverse on every region of the map; every neighbour entry
// of a record is 0xFFFF or the number of a record of the same map.
#include "game/logic/core_types.h"
#include "game/logic/logical_region.h"

#include <cstdint>
#include <vector>

class LogicalLandscape : public Component {
public:
    explicit LogicalLandscape(const char* componentName = nullptr);
    ~LogicalLandscape() override;

    // Each game's map registers its own handlers.
    void Connect() override = 0;

    virtual std::uint16_t IndexToNumber(int index) const { return static_cast<std::uint16_t>(index); }
    virtual int NumberToIndex(std::uint16_t number) const { return number; }
    // The record of a region, or null for a number that names no region of the map.
    virtual LogicalRegion* GetRegion(std::uint16_t number);
    const LogicalRegion* GetRegion(std::uint16_t number) const {
        return const_cast<LogicalLandscape*>(this)->GetRegion(number);
    }

    // Entry d of the region's neighbour list (d = 0 gives the region itself); 0xFFFF for none.
    std::uint16_t GetNeighbour(std::uint16_t number, int direction) const;
    LogicalRegion* GetNeighbourRegion(std::uint16_t number, int direction);
    std::int16_t GetRegionCount() const { return regionCount; }
    Point GetSize() const { return size; }
    LogicalRegion* GetRegionByIndex(int index);

protected:
    std::vector<LogicalRegion> regions;
    std::int16_t regionCount = 0;
    Point size;
};
