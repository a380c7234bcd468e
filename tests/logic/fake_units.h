#pragma once
// Units for the battlefield's tests: plain records behind the unit interfaces.
#include "game/logic/vh_logical_landscape.h"
#include "game/logic/vh_unit.h"

#include <set>
#include <string>

namespace testing_units {

inline UnitData DataFor(std::uint16_t number, std::uint16_t region) {
    UnitData d;
    d.unitNumber = number;
    d.region = region;
    return d;
}

// A combat unit (missile-capable when asked) whose every answer is a field.
class FakeCombat : public MissileCapable {
public:
    FakeCombat(std::uint16_t unitNumber, std::uint32_t unitSide, int unitKind = InfantryKind)
        : MissileCapable(DataFor(unitNumber, 0xFFFF), "Fake Combat"), side(unitSide), kind(unitKind) {}

    void Connect() override {}
    std::uint32_t GetSide() const override { return side; }
    Group* GetGroup() const override { return group; }
    int IsTwoHex() const override { return twoHex; }
    std::uint16_t GetSecondRegion() const override { return secondRegion; }
    std::uint16_t GetRightRegion(std::uint16_t at, std::uint32_t) const override {
        return twoHex && map ? map->GetNeighbour(at, rightDirection) : 0xFFFF;
    }
    int IsMissileCapable() const override { return missile; }
    int IsRouted() const override { return routed; }
    int HasActed() const override { return acted; }
    std::int16_t IsOrderBlocked() const override { return orderBlocked; }
    int IsInFrontHexes(std::uint16_t region) const override { return front.count(region) ? 1 : 0; }
    std::int16_t SetFacing(std::uint32_t f) override {
        facing = f;
        return 2;
    }
    void SetLocation(std::uint16_t region) override {
        Unit::SetLocation(region);
        ++locationChanges;
    }

    int GetUnitKind() const override { return kind; }
    std::string GetKindCode() const override { return kindCode; }
    std::uint16_t GetTQ() const override { return tq; }
    std::uint16_t GetCohesionHits() const override { return hits; }
    std::uint16_t GetSize() const override { return strength; }
    int IsInLine() const override { return inLine; }
    int IsMounted() const override { return mounted; }
    void AfterMove() override { ++afterMoves; }

    int GetMissileType() const override { return missileType; }
    std::string GetWeaponName() const override { return weapon; }
    int GetRating() const override { return rating; }
    int GetMissiles() const override { return missiles; }
    int GetMaxMissiles() const override { return maxMissiles; }
    int GetMaxRange() const override { return maxRange; }

    std::uint32_t side;
    int kind;
    Group* group = nullptr;
    VhLogicalLandscape* map = nullptr;
    int twoHex = 0;
    int rightDirection = 4;
    std::uint16_t secondRegion = 0xFFFF;
    int missile = 0;
    int routed = 0;
    int acted = 0;
    std::int16_t orderBlocked = 0;
    std::set<std::uint16_t> front;
    std::uint32_t facing = 0;
    int locationChanges = 0;
    std::string kindCode = "IN";
    std::uint16_t tq = 6;
    std::uint16_t hits = 0;
    std::uint16_t strength = 4;
    int inLine = 1;
    int mounted = 0;
    int afterMoves = 0;
    int missileType = 0;
    std::string weapon = "Rifled Musket";
    int rating = 0;
    int missiles = 0;
    int maxMissiles = 0;
    int maxRange = 0;
};

class FakeLeader : public Leader {
public:
    FakeLeader(std::uint16_t unitNumber, std::uint32_t unitSide, const char* unitName = "Fake Leader")
        : Leader(DataFor(unitNumber, 0xFFFF), unitName), side(unitSide) {}

    void Connect() override {}
    std::uint32_t GetSide() const override { return side; }
    Group* GetGroup() const override { return group; }
    int HasActed() const override { return acted; }
    std::int16_t IsOrderBlocked() const override { return orderBlocked; }
    int IsInFrontHexes(std::uint16_t region) const override { return front.count(region) ? 1 : 0; }
    std::int16_t SetFacing(std::uint32_t f) override {
        facing = f;
        return 2;
    }

    Leader* GetSuperior() const override { return superior; }
    int IsUnderCommandOf(const Leader* other) const override {
        for (const Leader* s = superior; s; s = s->GetSuperior())
            if (s == other) return 1;
        return 0;
    }
    std::uint32_t GetCommandLevel() const override { return commandLevel; }
    std::uint16_t GetCommands() const override { return commands; }
    std::int16_t GetCommandsLeft() const override { return commandsLeft; }
    int GetCommandRange() const override { return commandRange; }
    int CommandsUnit(std::uint16_t unitNumber) const override { return commanded.count(unitNumber) ? 1 : 0; }
    int IsActive() const override { return active; }
    int IsGroupMoving() const override { return groupMoving; }
    std::int16_t GetOrderFlag() const override { return orderFlag; }
    std::int16_t HasGroupFlag() const override { return groupFlag; }

    std::uint32_t side;
    Group* group = nullptr;
    int acted = 0;
    std::int16_t orderBlocked = 0;
    std::set<std::uint16_t> front;
    std::uint32_t facing = 0;
    Leader* superior = nullptr;
    std::uint32_t commandLevel = 2;
    std::uint16_t commands = 3;
    std::int16_t commandsLeft = 3;
    int commandRange = 4;
    std::set<std::uint16_t> commanded;
    int active = 0;
    int groupMoving = 0;
    std::int16_t orderFlag = 1;
    std::int16_t groupFlag = 1;
};

} // namespace testing_units
