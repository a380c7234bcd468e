#pragma once
// Records of combat, losses, leaders, scenarios, the end of a turn and of the game, rampages and
// flags that travel on the bus, to the network peer and into saved games.
//
// Invariants: as for the order records (game_records.h): units by 16-bit number, 0xFFFF for
// none; enumerations 32 bits in memory and 16 in a stream; StreamSize, where a record has one, is
// the exact length of its stream form. The few records that hold pointers stay inside one program
// and have no stream form.
#include "game/logic/direction.h"
#include "game/logic/game_records.h"

#include "game/logic/core_types.h"

#include <cstdint>
#include <string>
#include <utility>

class VhUnit;

// An element of CombatInfo's losses.
struct MethodOfDeathStruct {
    static constexpr int StreamSize = 8;
    std::uint16_t first = 0;
    std::uint32_t method = 4;
    std::uint16_t second = 0xFFFF;

    MethodOfDeathStruct() = default;
    MethodOfDeathStruct(std::uint16_t a, std::uint32_t m, std::uint16_t b) : first(a), method(m), second(b) {}
    bool operator==(const MethodOfDeathStruct& o) const {
        return first == o.first && method == o.method && second == o.second;
    }
};

// Payload of "UnitEliminated".
struct EliminateUnitData {
    static constexpr int StreamSize = 12;
    NATION nation = NoNation;
    std::uint16_t points = 0;
    std::int32_t state = -1;
    std::uint16_t unit = NoUnit;

    EliminateUnitData() = default;
    EliminateUnitData(NATION n, std::uint16_t p, std::int32_t s, std::uint16_t unitNumber)
        : nation(n), points(p), state(s), unit(unitNumber) {}
    void Reset() { *this = EliminateUnitData(); }
};

// A unit's rout or rally ("UnitRouted", "UnitRallied"); stays inside one program.
struct UnitRoutData {
    NATION nation = NoNation;
    std::uint16_t points = 0;
    std::int32_t state = -1;

    UnitRoutData() = default;
    UnitRoutData(NATION n, std::uint16_t p, std::int32_t s) : nation(n), points(p), state(s) {}
    void Reset() { *this = UnitRoutData(); }
};

// Payload of "TQHit".
struct TQHitInfo {
    static constexpr int StreamSize = 8;
    std::uint16_t hits = 0;
    std::uint16_t unit = NoUnit;
    std::uint32_t value = 0;

    TQHitInfo() = default;
    TQHitInfo(std::uint16_t hitWord, std::uint32_t v, std::uint16_t unitNumber) : hits(hitWord), unit(unitNumber), value(v) {}
    void Reset() { *this = TQHitInfo(); }
};

// Payload of "WoundedLeader".
struct WoundedLeaderInfo {
    static constexpr int StreamSize = 4;
    std::uint16_t word = 0;
    std::uint16_t leader = NoUnit;

    WoundedLeaderInfo() = default;
    WoundedLeaderInfo(std::uint16_t w, std::uint16_t leaderNumber) : word(w), leader(leaderNumber) {}
    void Reset() { *this = WoundedLeaderInfo(); }
};

// Payload of "AddBattleArrow" and "RemoveBattleArrow". The display word belongs to the receiving
// display: it never travels, and a record read from a stream has it 0.
struct BattleArrowStruct {
    static constexpr int StreamSize = 6;
    std::int16_t from = 0;
    std::int16_t to = 0;
    DIRECTION direction = NoDirection;
    std::uint32_t display = 0;

    BattleArrowStruct() = default;
    BattleArrowStruct(std::int16_t fromRegion, std::int16_t toRegion, DIRECTION d) : from(fromRegion), to(toRegion), direction(d) {}
    void Reset() { *this = BattleArrowStruct(); }
    bool operator==(const BattleArrowStruct& o) const { return from == o.from && to == o.to; }
};

// The request of "WillCombatFit?": the combatants' bounding rows and columns.
struct WillCombatFitStruct {
    std::uint16_t bounds[4] = {0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF};

    WillCombatFitStruct() = default;
    WillCombatFitStruct(std::uint16_t a, std::uint16_t b, std::uint16_t c, std::uint16_t d) : bounds{a, b, c, d} {}
    void Reset() { *this = WillCombatFitStruct(); }
    bool operator==(const WillCombatFitStruct& o) const {
        return bounds[0] == o.bounds[0] && bounds[1] == o.bounds[1] && bounds[2] == o.bounds[2] && bounds[3] == o.bounds[3];
    }
};

// Elements of the logical layer's advance and pursuit lists; never streamed.
struct CombatAdvance {
    std::int32_t value = 0;
    std::uint16_t first = 0xFFFF;
    std::uint16_t second = 0xFFFF;

    void Reset() { *this = CombatAdvance(); }
    void Set(std::int32_t v, std::uint16_t a, std::uint16_t b) { value = v, first = a, second = b; }
    bool operator==(const CombatAdvance& o) const { return value == o.value && first == o.first && second == o.second; }
};

struct CombatPursuit {
    VhUnit* unit = nullptr;
    std::int32_t value = 0;
    std::uint16_t word = 0xFFFF;

    void Reset() { *this = CombatPursuit(); }
    void Set(VhUnit* u, std::int32_t v, std::uint16_t w) { unit = u, value = v, word = w; }
    bool operator==(const CombatPursuit& o) const { return unit == o.unit && value == o.value && word == o.word; }
};

// Rampage actions of the display and the unit pictures.
struct RampageStruct {
    static constexpr int StreamSize = 10;
    std::uint16_t words[5] = {0xFFFF, 0, 0xFFFF, 0, 0};

    void Reset() { *this = RampageStruct(); }
    void Set(std::uint16_t a, std::uint16_t b, std::uint16_t c, std::uint16_t d, std::uint16_t e) {
        words[0] = a, words[1] = b, words[2] = c, words[3] = d, words[4] = e;
    }
    bool operator==(const RampageStruct& o) const {
        for (int i = 0; i < 5; ++i)
            if (words[i] != o.words[i]) return false;
        return true;
    }
};

struct RampageEventStruct {
    RampageStruct rampage;
    std::int32_t value = 0;

    RampageEventStruct() = default;
    RampageEventStruct(const RampageStruct& r, std::int32_t v) : rampage(r), value(v) {}
    bool operator==(const RampageEventStruct& o) const { return rampage == o.rampage && value == o.value; }
};

struct RampageCohesionHitStruct {
    std::int32_t value = 0;
    std::uint16_t word = 0;

    void Set(std::int32_t v, std::uint16_t w) { value = v, word = w; }
};

class Combat;
class Leader;

// One combat being built or fought; stays inside one program. Two combats against the same
// region are the same combat.
struct CombatStruct {
    CombatStruct() = default;
    List<Combat*> attackers;
    List<Combat*> defenders;
    List<Leader*> attackingLeaders;
    List<Leader*> defendingLeaders;
    // One word per attacker, in the attackers' order: whether it moved before attacking.
    List<short> attackerWords;
    std::uint16_t target = 0xFFFF;

    bool operator==(const CombatStruct& o) const { return target == o.target; }
};

// An attack declaration, payload of "AddCombatants"; stays inside one program.
struct CombatNameStruct {
    CombatNameStruct() = default;
    std::uint16_t attacker = NoUnit;
    List<unsigned short> defenders;
    std::uint16_t second = 0xFFFF;
    List<unsigned short> defendingLeaders;
    std::uint16_t moved = 0;
    std::uint16_t target = 0xFFFF;

    bool operator==(const CombatNameStruct& o) const { return attacker == o.attacker; }
};

// Payload of "CombatResults". Two results are the same when their first names are.
struct SingleCombatResult {
    SingleCombatResult() = default;
    static constexpr int NumberLists = 12;
    List<std::string> firstNames;
    List<std::string> secondNames;
    List<short> numbers[NumberLists];

    bool operator==(const SingleCombatResult& o) const;
};

// The losses of a combat.
struct CombatInfo {
    List<short> first;
    List<short> second;
    List<MethodOfDeathStruct> deaths;

    CombatInfo() = default;
    CombatInfo(const List<short>& a, const List<short>& b, const List<MethodOfDeathStruct>& d) : first(a), second(b), deaths(d) {}
    bool operator==(const CombatInfo& o) const { return first == o.first && second == o.second && deaths == o.deaths; }
};

// Payload of "DoRout": the unit and the regions it routs through. In a stream the word comes
// before the list.
struct RoutInfo {
    std::uint16_t unit = NoUnit;
    List<short> regions;
    std::uint16_t word = 0;

    RoutInfo() = default;
    RoutInfo(std::uint16_t unitNumber, const List<short>& path, std::uint16_t w) : unit(unitNumber), regions(path), word(w) {}
};

// Payload of "ReinitializeLeader".
struct LeaderInfo {
    std::string first;
    std::string second;

    LeaderInfo() = default;
    LeaderInfo(std::string a, std::string b) : first(std::move(a)), second(std::move(b)) {}
    bool operator==(const LeaderInfo& o) const { return first == o.first && second == o.second; }
    bool operator!=(const LeaderInfo& o) const { return !(*this == o); }
};

// Payload of "ActivateLeader" and "ResumeActiveLeader".
struct ActivateNextLeaderStruct {
    ActivateNextLeaderStruct() = default;
    std::int16_t leader = -1;
    std::int16_t fresh = 0;
    std::int16_t furtherA = 0;
    std::int16_t furtherB = 0;
    List<unsigned short> subLeaders;
    std::uint16_t dispatcher = 0;
};

// Payload of "LoadScenario".
struct ScenarioInfoStruct {
    std::string first;
    SCENARIO scenario = static_cast<SCENARIO>(-1);
    std::string second;
    std::string third;
    std::int16_t firstWord = 0;
    std::int16_t secondWord = 1;
    std::uint16_t thirdWord = 0;

    ScenarioInfoStruct() = default;
    ScenarioInfoStruct(std::string a, SCENARIO s, std::string b, std::string c, std::int16_t w1, std::int16_t w2,
                       std::uint16_t w3)
        : first(std::move(a)), scenario(s), second(std::move(b)), third(std::move(c)), firstWord(w1), secondWord(w2),
          thirdWord(w3) {}
};

// Payload of "ScenarioLoaded"; stays inside one program.
struct TeamInfoStruct {
    std::int32_t homeNation = -1;
    std::int32_t visitingNation = -1;
    std::string homeName;
    std::string visitingName;
    List<std::string> homeLeaders;
    List<std::string> visitingLeaders;

    TeamInfoStruct() = default;
    TeamInfoStruct(std::int32_t home, std::string homeSide, const List<std::string>& homeLeaderNames, std::int32_t visiting,
                   std::string visitingSide, const List<std::string>& visitingLeaderNames)
        : homeNation(home), visitingNation(visiting), homeName(std::move(homeSide)), visitingName(std::move(visitingSide)),
          homeLeaders(homeLeaderNames), visitingLeaders(visitingLeaderNames) {}
};

// Payload of "EndOfTurn" and "EndOfGame" and the answer of "GetGameResults". The paired values
// are home first, then visiting.
struct EndOfGameResults {
    EndOfGameResults() = default;
    NATION winner = NoNation;
    NATION home = NoNation;
    NATION visiting = NoNation;
    std::string homeName;
    std::string visitingName;
    std::int16_t lostPoints[2] = {};
    std::int16_t routedPoints[2] = {};
    std::int16_t routedCount[2] = {};
    std::int16_t eliminatedCount[2] = {};
    std::int16_t unitCount[2] = {};
    std::int16_t objectivePoints[2] = {};
    std::int16_t victoryTarget[2] = {};
    std::int16_t totalPoints[2] = {};
};

// The flags to raise over units; stays inside one program. The constructor takes the two lists
// in the other order than it keeps them.
struct RaiseFlagsStruct {
    List<unsigned short> first;
    List<unsigned short> second;
    std::int32_t value = -1;

    RaiseFlagsStruct() = default;
    RaiseFlagsStruct(const List<unsigned short>& a, const List<unsigned short>& b, std::int32_t v) : first(b), second(a), value(v) {}
    bool operator==(const RaiseFlagsStruct& o) const { return first == o.first && second == o.second && value == o.value; }
};

// A point of the map with a word; stays inside one program.
struct PointInfo {
    Point point;
    std::uint16_t word = 1;

    PointInfo() = default;
    PointInfo(Point p, std::uint16_t w) : point(p), word(w) {}
};

struct DoRampageStruct {
    std::uint16_t word = 0xFFFF;
    List<short> regions;

    DoRampageStruct() = default;
    DoRampageStruct(std::uint16_t w, const List<short>& r) : word(w), regions(r) {}
    bool operator==(const DoRampageStruct& o) const { return word == o.word; }
};
