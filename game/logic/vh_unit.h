#pragma once
// The game's units as the battlefield and the logical layer see them: the questions they ask a
// unit, a combat unit, a missile unit and a leader, and the group that a leader leads. The unit
// rules implement these classes; the battlefield never looks behind them.
//
// Invariants: a unit's side is the nation index 0 or 1; a combat unit's kind is 0..17; a group
// holds each unit at most once and, when it has a leader, does not list the leader among its units.
#include "game/logic/core_types.h"
#include "game/logic/unit.h"

#include <cstdint>
#include <string>

class Group;
class Leader;

// Kinds of combat units that the battlefield's rules single out.
constexpr int InfantryKind = 3;
constexpr int CavalryKind = 12;
constexpr int ArtilleryKind = 15;
constexpr int SupplyWagonKind = 17;

class VhUnit : public Unit {
public:
    VhUnit(const UnitData& data, const char* unitName) : Unit(data, unitName) {}

    virtual std::uint32_t GetSide() const = 0;
    int IsHostileTo(std::uint32_t side) const { return GetSide() != side; }
    virtual Group* GetGroup() const = 0;

    virtual int IsTwoHex() const { return 0; }
    virtual std::uint16_t GetSecondRegion() const { return 0xFFFF; }
    // The region a two-hex unit's second hex takes when its first stands in region, for the
    // given facing (0: the unit's own); 0xFFFF when there is none.
    virtual std::uint16_t GetRightRegion(std::uint16_t region, std::uint32_t facing) const { return 0xFFFF; }
    virtual int IsOnMap() const { return GetLocation() != 0xFFFF; }

    virtual int IsCombatUnit() const { return 0; }
    virtual int IsMissileCapable() const { return 0; }
    virtual int IsLeader() const { return 0; }
    virtual int IsRouted() const { return 0; }

    virtual int HasActed() const = 0;
    virtual std::int16_t IsOrderBlocked() const = 0;
    virtual int IsInFrontHexes(std::uint16_t region) const = 0;
    // Stores the unit's facing; answers 2.
    virtual std::int16_t SetFacing(std::uint32_t facing) = 0;
};

class Combat : public VhUnit {
public:
    using VhUnit::VhUnit;

    int IsCombatUnit() const override { return 1; }

    virtual int GetUnitKind() const = 0;
    // The two letters of the kind in the rules' code table.
    virtual std::string GetKindCode() const = 0;
    virtual std::uint16_t GetTQ() const = 0;
    virtual std::uint16_t GetCohesionHits() const = 0;
    virtual std::uint16_t GetSize() const = 0;
    virtual int IsInLine() const = 0;
    virtual int IsMounted() const = 0;
    // Refreshes the unit's front and contact records after every move.
    virtual void AfterMove() = 0;
};

class MissileCapable : public Combat {
public:
    using Combat::Combat;

    int IsMissileCapable() const override { return 1; }

    virtual int GetMissileType() const = 0;
    virtual std::string GetWeaponName() const = 0;
    virtual int GetRating() const = 0;
    virtual int GetMissiles() const = 0;
    virtual int GetMaxMissiles() const = 0;
    virtual int GetMaxRange() const = 0;
};

class Leader : public VhUnit {
public:
    using VhUnit::VhUnit;

    int IsLeader() const override { return 1; }

    virtual Leader* GetSuperior() const = 0;
    virtual int IsUnderCommandOf(const Leader* other) const = 0;
    virtual std::uint32_t GetCommandLevel() const = 0;
    virtual std::uint16_t GetCommands() const = 0;
    virtual std::int16_t GetCommandsLeft() const = 0;
    virtual int GetCommandRange() const = 0;
    virtual int CommandsUnit(std::uint16_t unitNumber) const = 0;
    virtual int IsActive() const = 0;
    virtual int IsGroupMoving() const = 0;
    virtual std::int16_t GetOrderFlag() const = 0;
    virtual std::int16_t HasGroupFlag() const = 0;
};

// A numbered, named group of units under a leader; owned by the logical layer.
class Group {
public:
    Group() = default;

    std::int16_t GetNumber() const { return number; }
    void SetNumber(std::int16_t n) { number = n; }
    const std::string& GetName() const { return name; }
    void SetName(const std::string& n) { name = n; }
    Leader* GetLeader() const { return leader; }
    void SetLeader(Leader* l) { leader = l; }
    List<VhUnit*>& GetUnits() { return units; }
    void AddUnit(VhUnit* unit) {
        if (!units.Contains(unit)) units.AddTail(unit);
    }
    void RemoveUnit(VhUnit* unit) { units.Remove(unit); }
    int Contains(const VhUnit* unit) const {
        return unit == leader || units.Contains(const_cast<VhUnit*>(unit));
    }

private:
    std::int16_t number = -1;
    std::string name;
    List<VhUnit*> units;
    Leader* leader = nullptr;
};
