#include "game/units/unit_records.h"

#include "game/logic/stream_fields.h"

using namespace stream_fields;

namespace {
int liveObjects = 0;
} // namespace

int LiveUnitObjects() { return liveObjects; }
void CountUnitObject(int delta) { liveObjects += delta; }

VhUnitData::VhUnitData() { CountUnitObject(1); }
VhUnitData::VhUnitData(const VhUnitData& other) : UnitData(other) {
    CountUnitObject(1);
    *this = other;
}
VhUnitData::~VhUnitData() { CountUnitObject(-1); }

bool VhUnitData::Read(SuperString& s) {
    std::uint8_t nameLength = 0;
    std::uint16_t allowance = 0, where = 0, low = 0, high = 0;
    std::int16_t type = -1, groupWord = -1;
    std::uint32_t face = 0, sideWord = 0, unused = 0;
    if (!ReadU8(s, nameLength) || !ReadText(s, nameLength, name) || !ReadU32(s, face) || !ReadU16(s, allowance) ||
        !ReadU32(s, sideWord) || !ReadU16(s, where) || !ReadI16(s, type) || !ReadU32(s, unused) ||
        !ReadI16(s, groupWord) || !ReadU16(s, low) || !ReadU16(s, high))
        return false;
    // No unit of the period moves a hundred hexes in an hour; a larger allowance is a damaged
    // record, and honouring it would let one order's path search run for seconds.
    if (allowance > MAX_STORED_ALLOWANCE) return false;
    // Facings are compass codes 1..8; any other value would turn the unit's flank and zone
    // arithmetic into nonsense (and overflow it).
    if (face > 8) return false;
    facing = face == 0 ? 3 : face;
    movementAllowance = static_cast<std::uint16_t>(allowance * 2);
    side = sideWord;
    region = where;
    typeIndex = type;
    groupNumber = groupWord;
    // The high half of the arrival word has no meaning.
    arrivalTurn = low;
    return true;
}

bool CombatUnitData::Read(SuperString& s) {
    if (!VhUnitData::Read(s)) return false;
    std::uint8_t wide = 0;
    if (!ReadU16(s, troopQuality) || !ReadU16(s, size) || !ReadU8(s, wide)) return false;
    twoHex = wide;
    return true;
}

std::uint32_t MissileTypeFromWeaponCode(std::uint32_t code) { return code >= 1 && code <= 11 ? code + 11 : 0; }

bool MissileCapableUnitData::Read(SuperString& s) {
    if (!CombatUnitData::Read(s)) return false;
    std::uint32_t weapon = 0;
    std::uint8_t formation = 0;
    if (!ReadU32(s, weapon) || !ReadI16(s, fireRating) || !ReadU8(s, formation)) return false;
    missileType = MissileTypeFromWeaponCode(weapon);
    initialFormation = formation;
    return true;
}

bool LeaderUnitData::Read(SuperString& s) {
    if (!VhUnitData::Read(s)) return false;
    std::uint8_t level = 0;
    // The file gives the commands before the command range.
    if (!ReadU16(s, commands) || !ReadU16(s, commandRange) || !ReadU16(s, extraRating1) || !ReadU8(s, level) ||
        !ReadI16(s, superiorGroup))
        return false;
    if (level <= 2) commandLevel = level + 1u;
    extraRating2 = 0;
    return true;
}
