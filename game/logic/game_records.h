#pragma once
// Records of unit orders and movement that travel on the bus, to the network peer and into saved
// games, and the enumerations that travel as payloads.
//
// Invariants: a unit, leader or group is named by its 16-bit number, 0xFFFF for none, never by
// pointer; enumerations are 32 bits in memory and 16 bits in a stream (read back sign-extended).
// Each record's StreamSize is the exact length of its stream form; the stream operators
// (game_record_streams.h) write and read the fields one by one, little-endian, in the order and
// widths the record lists, whatever the compiler does with the record in memory. A reader resets
// the record first, so whatever a short stream does not reach stays as the reset left it.
#include "game/logic/direction.h"

#include <cstdint>

// Enumerations defined by the parts of the game that fill them; they travel as payloads.
enum COMBATTYPE : std::int32_t {};
enum TURN_DIRECTION : std::int32_t {};
enum NATION : std::int32_t { UnionNation = 0, ConfederateNation = 1, NoNation = -1 };
enum MISSILETYPE : std::int32_t {};
enum MOVE_RESULT : std::int32_t {};
enum METHOD_DEATH : std::int32_t {};
enum SCENARIO : std::int32_t {};
enum LEADERSUBTYPE : std::int32_t {};

constexpr std::uint16_t NoUnit = 0xFFFF;

// The answer of a move, payload of "MovementDone": how the move ended and who moved.
struct MoveReturnStruct {
    static constexpr int StreamSize = 6;
    std::uint32_t result = 0;
    std::uint16_t unit = 0;

    MoveReturnStruct() = default;
    MoveReturnStruct(std::uint32_t resultCode, std::uint16_t unitNumber) : result(resultCode), unit(unitNumber) {}
    void Reset() { *this = MoveReturnStruct(); }
};

// Ten bytes that pass through unchanged.
struct MoveResultStruct {
    static constexpr int StreamSize = 10;
    std::uint8_t bytes[10] = {};
};

// A unit's place: payload of "UnitMovementDone", "UnitRemoved", "UnitInserted", "LockLocation",
// "UnlockLocation". Two records of the same unit are equal wherever they place it.
struct UnitLocationStruct {
    static constexpr int StreamSize = 10;
    std::uint16_t unit = NoUnit;
    std::uint16_t region = 0xFFFF;
    std::uint16_t secondRegion = 0xFFFF;
    std::uint32_t value = 0;

    UnitLocationStruct() = default;
    UnitLocationStruct(std::uint16_t unitNumber, std::uint16_t regionNumber, std::uint16_t second, std::uint32_t v)
        : unit(unitNumber), region(regionNumber), secondRegion(second), value(v) {}
    void Reset() { *this = UnitLocationStruct(); }
    bool operator==(const UnitLocationStruct& o) const { return unit == o.unit; }
};

// Payload of "ChangeFacing"; its stream form is 8 bytes, the facing in its 16-bit form.
struct ChangeFacingStruct {
    static constexpr int StreamSize = 8;
    TURN_DIRECTION turn{};
    DIRECTION facing = NoDirection;
    std::uint16_t mode = 0;
    std::uint16_t unit = NoUnit;

    ChangeFacingStruct() = default;
    ChangeFacingStruct(TURN_DIRECTION t, std::uint16_t modeWord, std::uint16_t unitNumber)
        : turn(t), mode(modeWord), unit(unitNumber) {}
    void Reset() { *this = ChangeFacingStruct(); }
};

// Payload of "DoLineColumn".
struct LineColumnInfo {
    static constexpr int StreamSize = 12;
    std::uint32_t first = 0;
    std::uint16_t order = 0;
    std::uint32_t second = 0;
    std::uint16_t unit = NoUnit;

    LineColumnInfo() = default;
    LineColumnInfo(std::uint32_t firstLong, std::uint16_t unitNumber, std::uint16_t orderWord, std::uint32_t secondLong)
        : first(firstLong), order(orderWord), second(secondLong), unit(unitNumber) {}
    void Reset() { *this = LineColumnInfo(); }
};

// Four-byte unit orders: a word, then a unit (or second word). The constructors take their
// arguments in the order each order's sender has them, which is not always the stream order.
struct MountDismountInfo {
    static constexpr int StreamSize = 4;
    std::uint16_t order = 0;
    std::uint16_t unit = NoUnit;
    MountDismountInfo() = default;
    MountDismountInfo(std::uint16_t unitNumber, std::uint16_t orderValue) : order(orderValue), unit(unitNumber) {}
    void Reset() { *this = MountDismountInfo(); }
};

struct LimberUnlimberInfo {
    static constexpr int StreamSize = 4;
    std::uint16_t order = 0;
    std::uint16_t unit = NoUnit;
    LimberUnlimberInfo() = default;
    LimberUnlimberInfo(std::uint16_t unitNumber, std::uint16_t orderValue) : order(orderValue), unit(unitNumber) {}
    void Reset() { *this = LimberUnlimberInfo(); }
};

struct RestoreCohesionInfo {
    static constexpr int StreamSize = 4;
    std::uint16_t value = 0;
    std::uint16_t unit = NoUnit;
    RestoreCohesionInfo() = default;
    RestoreCohesionInfo(std::uint16_t v, std::uint16_t unitNumber) : value(v), unit(unitNumber) {}
    void Reset() { *this = RestoreCohesionInfo(); }
};

struct ReplenishMissilesInfo {
    static constexpr int StreamSize = 4;
    std::uint16_t value = 0;
    std::uint16_t unit = NoUnit;
    ReplenishMissilesInfo() = default;
    ReplenishMissilesInfo(std::uint16_t v, std::uint16_t unitNumber) : value(v), unit(unitNumber) {}
    void Reset() { *this = ReplenishMissilesInfo(); }
};

struct MissileFireStruct {
    static constexpr int StreamSize = 4;
    std::uint16_t fire = 0xFFFF;
    std::uint16_t unit = NoUnit;
    MissileFireStruct() = default;
    MissileFireStruct(std::uint16_t fireWord, std::uint16_t firingUnit) : fire(fireWord), unit(firingUnit) {}
    void Reset() { *this = MissileFireStruct(); }
};

// "AttemptRefaceFromCharge"; stays inside one program.
struct RefaceFromChargeStruct {
    std::uint16_t first = 0xFFFF;
    std::uint16_t second = 0xFFFF;
    RefaceFromChargeStruct() = default;
    RefaceFromChargeStruct(std::uint16_t a, std::uint16_t b) : first(a), second(b) {}
    void Reset() { *this = RefaceFromChargeStruct(); }
};

// "UnitInCommandRange"; stays inside one program.
struct UnitInCommandRangeStruct {
    std::uint16_t group = 0xFFFF;
    std::uint16_t unit = NoUnit;
    UnitInCommandRangeStruct() = default;
    UnitInCommandRangeStruct(std::uint16_t groupNumber, std::uint16_t unitNumber) : group(groupNumber), unit(unitNumber) {}
    void Reset() { *this = UnitInCommandRangeStruct(); }
    bool operator==(const UnitInCommandRangeStruct& o) const { return group == o.group && unit == o.unit; }
};

// Payload of "PursuitOffMap": the unit and the retreat edge it was given.
struct PursuitInfo {
    static constexpr int StreamSize = 6;
    std::uint16_t unit = NoUnit;
    std::uint32_t edge = 0;
    PursuitInfo() = default;
    PursuitInfo(std::uint16_t unitNumber, std::uint32_t retreatEdge) : unit(unitNumber), edge(retreatEdge) {}
    void Reset() { *this = PursuitInfo(); }
};

// A snapshot of one unit taken before it carries out an order; payload of "Undo".
struct UndoStruct {
    static constexpr int StreamSize = 38;
    std::uint16_t unit = NoUnit;
    std::uint16_t wordA = 0;
    std::uint16_t wordB = 0xFFFF;
    std::uint16_t wordC = 0xFFFF;
    std::uint16_t wordD = 0;
    std::uint32_t longA = 0;
    std::uint16_t state[10] = {};
    std::uint32_t longB = 0;

    void Reset() { *this = UndoStruct(); }
    void Fill(std::uint16_t unitNumber, std::uint16_t a, std::uint16_t b, std::uint16_t c, std::uint32_t la,
              std::uint16_t d, const std::uint16_t states[10], std::uint32_t lb);
    bool operator==(const UndoStruct& o) const;
};

// Opportunity-fire records; they stay inside one program.
struct OWStruct {
    std::uint16_t unit = NoUnit;
    std::uint16_t leader = NoUnit;
    std::uint16_t side = 0xFFFF;
    std::uint16_t fourth = 0xFFFF;
    void Reset() { *this = OWStruct(); }
    void Set(std::uint16_t u, std::uint16_t l, std::uint16_t s, std::uint16_t f) { unit = u, leader = l, side = s, fourth = f; }
    bool operator==(const OWStruct& o) const { return unit == o.unit && leader == o.leader && side == o.side; }
};

struct ResolveOWStruct {
    std::uint16_t first = 0;
    std::uint16_t second = 0xFFFF;
    ResolveOWStruct() = default;
    ResolveOWStruct(std::uint16_t a, std::uint16_t b) : first(a), second(b) {}
    void Reset() { *this = ResolveOWStruct(); }
};

struct EndOWStruct {
    std::uint16_t word = 0;
    std::uint32_t value = 0;
    EndOWStruct() = default;
    EndOWStruct(std::uint16_t w, std::uint32_t v) : word(w), value(v) {}
    void Reset() { *this = EndOWStruct(); }
};

struct MissileDebrisStruct {
    std::uint16_t wordA = 0xFFFF;
    std::uint32_t longA = 0;
    std::uint16_t wordB = 0xFFFF;
    std::int32_t longB = -1;
    MissileDebrisStruct() = default;
    MissileDebrisStruct(std::uint16_t a, std::uint32_t la, std::uint16_t b, std::int32_t lb)
        : wordA(a), longA(la), wordB(b), longB(lb) {}
    void Reset() { *this = MissileDebrisStruct(); }
};
