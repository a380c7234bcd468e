#pragma once
// Records the referee hands to the controller and the display while it sets a battle up. None of
// them crosses to another machine: each stays inside one program.
#include "core/geometry.h"
#include "core/type_name.h"
#include "game/logic/player_info.h"

#include <cstdint>
#include <string>

class Leader;

// The controller's entry for one leader; the index into its table is the leader's activation
// index. Two entries are the same leader when their names are equal.
struct LeaderUnitInfo {
    std::string name;
    std::string player;
    std::uint16_t leaderClass = 0;
    std::int32_t side = -1;
    std::uint16_t momentum = 0;
    Leader* leader = nullptr;

    LeaderUnitInfo() = default;
    LeaderUnitInfo(std::string leaderName, std::uint16_t cls, std::int32_t nation, Leader* object)
        : name(std::move(leaderName)), leaderClass(cls), side(nation), leader(object) {}
    bool operator==(const LeaderUnitInfo& o) const { return name == o.name; }
};

// What the display learns of a new unit with LOGICAL_UNIT_CREATED: its type, facing and nation,
// the unit's two picture values (in line, mounted) and whether it waits to arrive.
struct LOCreateInfo {
    std::uint16_t typeIndex = 0xFFFF;
    std::uint32_t facing = 0;
    std::uint32_t nation = 0xFFFFFFFF;
    std::uint16_t firstWord = 0;
    std::uint16_t secondWord = 0;
    std::uint16_t awaitingArrival = 0;

    LOCreateInfo() = default;
    LOCreateInfo(std::uint16_t type, std::uint32_t unitFacing, std::uint32_t unitNation, std::uint16_t awaiting,
                 std::uint16_t first, std::uint16_t second)
        : typeIndex(type), facing(unitFacing), nation(unitNation), firstWord(first), secondWord(second),
          awaitingArrival(awaiting) {}
    bool operator==(const LOCreateInfo&) const = default;
};

// The payload of BEGIN_LANDSCAPE: what the display needs to lay out the map.
struct LandscapeDefinition {
    std::uint16_t scenario = 0;
    Dim size;
    std::uint16_t regionCount = 0;
    std::int32_t secondHeaderValue = 0;
};

