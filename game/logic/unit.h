#pragma once
// The base of every logical unit and of the records that units are created from.
//
// Invariant: a unit's number never changes after construction; its region is 0xFFFF exactly
// while it stands off the map.
#include "game/logic/core_types.h"

#include <cstdint>

// A record from which a unit is created; the game's unit-data classes add their fields and read
// their body from the scenario.
class UnitData {
public:
    virtual ~UnitData() = default;

    std::uint16_t unitNumber = 0xFFFF;
    std::uint16_t region = 0xFFFF;
};

class Unit : public Component {
public:
    Unit(const UnitData& data, const char* unitName);
    ~Unit() override;

    // Each kind of unit registers its own handlers.
    void Connect() override = 0;

    std::uint16_t GetUnitNum() const { return number; }
    std::uint16_t GetLocation() const { return location; }
    virtual void SetLocation(std::uint16_t region) { location = region; }

private:
    std::uint16_t location;
    std::uint16_t number;
};
