#pragma once
// The unit records of a scenario file: what a unit or leader is when the battle starts. Each
// record reads its body (what follows the kind word of the unit section) field by field.
//
// Invariants of a record that Read accepted: facing is 1..8 (a stored 0 means 3); the
// movement allowance is twice the stored value, which is at most MAX_STORED_ALLOWANCE; a missile record's type is 0 or 12..22; a leader
// record's second extra rating is 0 and its command level is 0..3. A record whose Read answered
// false is damaged and must not be used: the fields it did not reach keep their defaults.
#include "game/logic/unit.h"

#include <cstdint>
#include <string>

class SuperString;
class VhLogicalLandscape;

// Constructors and destructors of the unit records, units and groups keep one count of live
// objects, so that tests can see that a battle leaves nothing behind.
int LiveUnitObjects();
void CountUnitObject(int delta);

// The largest movement allowance a record may hold (before it is doubled).
constexpr std::uint16_t MAX_STORED_ALLOWANCE = 100;

class VhUnitData : public UnitData {
public:
    VhUnitData();
    VhUnitData(const VhUnitData& other);
    VhUnitData& operator=(const VhUnitData& other) = default;
    ~VhUnitData() override;

    // Reads the body after the kind word; false when the stream ran out before its end.
    virtual bool Read(SuperString& s);

    std::string name;
    std::uint16_t movementAllowance = 0;
    std::uint32_t side = 0xFFFFFFFF;
    std::uint32_t facing = 0;
    std::int16_t groupNumber = -1;
    // Index of the unit's art in the application's table of art names; -1 for none.
    std::int32_t typeIndex = -1;
    std::uint16_t arrivalTurn = 0;
    VhLogicalLandscape* landscape = nullptr;
};

class CombatUnitData : public VhUnitData {
public:
    bool Read(SuperString& s) override;

    std::uint16_t troopQuality = 0;
    std::uint16_t size = 0;
    std::uint16_t twoHex = 0;
};

class MissileCapableUnitData : public CombatUnitData {
public:
    bool Read(SuperString& s) override;

    std::uint32_t missileType = 0;
    std::int16_t fireRating = 0;
    std::uint16_t initialFormation = 0;
};

class LeaderUnitData : public VhUnitData {
public:
    bool Read(SuperString& s) override;

    std::uint16_t commandRange = 0;
    std::uint16_t commands = 0;
    std::uint16_t extraRating1 = 0;
    std::uint16_t extraRating2 = 0;
    std::int16_t superiorGroup = -1;
    std::uint16_t spare = 0;
    std::uint32_t commandLevel = 0;
};

// The weapon code of a scenario file (1..11) as a missile type (12..22); 0 for any other code.
std::uint32_t MissileTypeFromWeaponCode(std::uint32_t code);
