#pragma once
// Units for the battlefield's tests: the game's own unit classes, with setters for the state a
// test needs and counters of what the battlefield did to them.
#include "game/logic/vh_logical_landscape.h"
#include "game/units/group.h"
#include "game/units/missile_capable.h"

#include <initializer_list>
#include <string>

namespace testing_units {

inline MissileCapableUnitData CombatRecordFor(std::uint16_t number, std::uint32_t side) {
    MissileCapableUnitData d;
    d.unitNumber = number;
    d.region = 0xFFFF;
    d.side = side;
    d.troopQuality = 6;
    d.size = 4;
    d.initialFormation = 1;
    return d;
}

inline LeaderUnitData LeaderRecordFor(std::uint16_t number, std::uint32_t side) {
    LeaderUnitData d;
    d.unitNumber = number;
    d.region = 0xFFFF;
    d.side = side;
    d.commands = 3;
    d.commandRange = 4;
    d.commandLevel = 2;
    return d;
}

// A combat unit of any kind; missile-capable only when asked.
class FakeCombat : public MissileCapable {
public:
    FakeCombat(std::uint16_t unitNumber, std::uint32_t unitSide, int kind = InfantryKind)
        : MissileCapable(CombatRecordFor(unitNumber, unitSide), "Fake Combat") {
        unitKind = static_cast<std::uint32_t>(kind);
    }

    void Connect() override {}
    VhUnit* CreateFromRecord(VhUnitData&, const char*) override { return nullptr; }
    int IsMissileCapable() const override { return missile; }
    void SetLocation(std::uint16_t region) override {
        MissileCapable::SetLocation(region);
        ++locationChanges;
    }
    void AfterMove() override { ++afterMoves; }

    void SetKind(int k) { unitKind = static_cast<std::uint32_t>(k); }
    void SetRouted(bool on) { routCounter = on ? 1 : 0; }
    void SetOrderBlocked(bool on) { rallyOrResupplyThisTurn = on ? 1 : 0; }
    void SetFront(std::initializer_list<int> hexes) {
        frontHexes.Clear();
        for (int h : hexes) frontHexes.AddTail(static_cast<short>(h));
    }
    void SetQuality(std::uint16_t tq, std::uint16_t hits, std::uint16_t strength) {
        troopQuality = tq;
        cohesionHits = hits;
        size = strength;
    }
    void SetInLine(bool on) { formation = on ? 1 : 0; }
    void SetMountedFlag(bool on) { mounted = on ? 1 : 0; }
    void SetWeapon(std::uint32_t type, std::int16_t rating, std::uint16_t left, std::uint16_t full, std::uint16_t range) {
        missileType = type;
        fireRating = rating;
        missiles = left;
        maxMissiles = full;
        maxRange = range;
    }
    // A two-hex unit on this map whose second hex lies across the given hex side.
    void MakeTwoHex(VhLogicalLandscape* map, int rightSide) {
        isTwoHex = 1;
        landscape = map;
        // The right-hand neighbour lies two compass steps clockwise of the facing.
        facing = static_cast<std::uint32_t>((rightSide + 5) % 8 + 1);
    }

    int missile = 0;
    int locationChanges = 0;
    int afterMoves = 0;
};

class FakeLeader : public Leader {
public:
    FakeLeader(std::uint16_t unitNumber, std::uint32_t unitSide, const char* unitName = "Fake Leader")
        : Leader(LeaderRecordFor(unitNumber, unitSide), unitName) {}

    void Connect() override {}
    int IsInFrontHexes(std::uint16_t region) const override { return front.Contains(static_cast<short>(region)); }
    int CommandsUnit(std::uint16_t unitNumber) override { return commanded.Contains(static_cast<short>(unitNumber)); }

    void SetOrderBlocked(bool on) { rallyOrResupplyThisTurn = on ? 1 : 0; }
    void SetRatings(std::uint16_t leaderCommands, std::uint16_t range) {
        commands = leaderCommands;
        commandRange = range;
    }
    void SetCommandsLeft(std::uint16_t left) { commandsUsed = static_cast<std::uint16_t>(commands > left ? commands - left : 0); }
    void SetCommandLevel(std::uint32_t level) { commandLevel = level; }
    void SetActive(bool on) { active = on ? 1 : 0; }
    void SetGroupMoving(bool on) { groupMoveMode = on ? 1 : 0; }
    void SetOrdersAllowed(bool on) { ordersAllowed = on ? 1 : 0; }
    void SetFullGroupMove(bool on) { fullGroupMove = on ? 1 : 0; }
    void Command(std::uint16_t unitNumber) { commanded.AddTail(static_cast<short>(unitNumber)); }

    List<short> front;
    List<short> commanded;
};

} // namespace testing_units
