#pragma once
// A battle described in a text source and turned into its scenario file and variants.
//
// Statements of the battle's head, one a line:
//   battle INDEX FILE.SCN "Title"        the scenario index of the game's table, file and title
//   subtitle "..."                       the line under the title in the scenario lists
//   about "..."                          description; the lines are joined with blanks
//   map FILE.MAP                         the landscape the battle is fought on
//   date YEAR MONTH DAY HOUR             the first turn's date and hour
//   turns LAST [fixed]                   the last turn; fixed: the Game Options dialog does not offer the
//                                        limit, so a battle outside a campaign plays without one
//   winner NATION                        who wins when the last turn passes undecided
//   home|visitor NATION edge DIRECTION target POINTS
//                                        the two sides, their retreat edges and victory targets
//   script NATION FILE                   a computer-player script for that nation (repeatable)
// The order of battle of each nation follows a "side NATION" line:
//   facing DIRECTION                     the side's usual facing
//   defaults KIND KEY VALUE ...          values every unit of that kind gets unless it says
//   group NAME leader "Name" KEY VALUE ... / ... / end
//                                        a group under its leader; groups nest. Keys: commands,
//                                        range, rating, level, move, at HEX (where the leader
//                                        stands and the group's units gather), facing, arrive
//   infantry|cavalry "Name" men N KEY VALUE ...
//   artillery "Name" guns N KEY VALUE ...
//   wagon "Name" [wagons N] KEY VALUE ...
//                                        a unit of the group. Keys: tq, weapon, at, facing,
//                                        arrive, move, fire (+ or -), and the words line,
//                                        column, limbered, unlimbered, twohex
// Variants follow the order of battle:
//   variant FILE.SCN FILE.VAR "List title" / ... / end
//     with: title "...", arrive GROUP TURN, remove GROUP, turns LAST, target NATION POINTS,
//     hour HOUR, at GROUP HEX (the group and its units start elsewhere).
// NATION is union or confederate; DIRECTION is one of ne, e, se, sw, w, nw for facings and
// north, east, south or west for edges. Group names are single words, for the scripts' Orders
// tables. Units without a hex gather around their group's hex, nearest first. Reinforcements
// arrive on turn 3 or later, since the loader may bring a group up to two turns early.
#include "tools/battlegen/map_source.h"
#include "tools/battlegen/source_text.h"
#include "tools/datagen/scenario_writer.h"
#include "tools/datagen/variant_file.h"

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace battlegen {

enum class UnitKind { Leader, Infantry, Cavalry, Artillery, Wagon };

// The art indexes of the game's unit types, in the order the game registers them.
namespace art {
inline constexpr std::int16_t UnionCorps = 0;
inline constexpr std::int16_t UnionDivision = 1;
inline constexpr std::int16_t ConfederateCorps = 2;
inline constexpr std::int16_t ConfederateDivision = 3;
inline constexpr std::int16_t UnionInfantry = 4;
inline constexpr std::int16_t ConfederateInfantry = 6;
inline constexpr std::int16_t ConfederateWagon = 8;
inline constexpr std::int16_t UnionWagon = 9;
inline constexpr std::int16_t UnionCavalry = 10;
inline constexpr std::int16_t ConfederateCavalry = 11;
inline constexpr std::int16_t UnionBattery = 12;
inline constexpr std::int16_t ConfederateBattery = 13;
} // namespace art

struct UnitSpec {
    UnitKind kind = UnitKind::Infantry;
    std::string name;
    int line = 0;
    // Men for infantry and cavalry, guns for batteries, wagons for trains.
    int strength = 0;
    std::optional<int> tq, weapon, hex, facing, arrival, move, formation, fire;
    bool twoHex = false;
    // Leaders only.
    std::optional<int> commands, range, rating, level;
};

struct GroupSpec {
    std::string name;
    // The group's number in the scenario: groups are numbered from 1 in the order of the source,
    // the Union's first, and a variant keeps the numbers of the plain battle.
    int number = 0;
    int nation = 0;
    int line = 0;
    UnitSpec leader;
    std::optional<int> anchor, facing, arrival;
    std::vector<UnitSpec> units;
    std::vector<GroupSpec> groups;
};

struct SideSpec {
    std::optional<int> facing;
    // Values by unit kind and key, as the "defaults" lines give them.
    std::map<UnitKind, std::map<std::string, int>> defaults;
    std::vector<GroupSpec> groups;
};

struct VariantSpec {
    std::string scenarioFile;
    std::string variantFile;
    std::string listTitle;
    std::vector<SourceLine> changes;
};

struct BattleSpec {
    std::string source;
    int index = 0;
    std::string file;
    std::string title;
    std::string subtitle;
    std::string about;
    std::string mapFile;
    int year = 1863, month = 7, day = 1, hour = 6;
    int turns = 10;
    bool turnsFixed = false;
    int winner = 0;
    int homeNation = 0, visitingNation = 1;
    int homeEdge = 7, visitingEdge = 3;
    int homeTarget = 0, visitingTarget = 0;
    std::array<std::vector<std::string>, 2> scripts;
    std::array<SideSpec, 2> sides;
    std::vector<VariantSpec> variants;
};

BattleSpec ParseBattle(const std::vector<SourceLine>& lines);
BattleSpec ParseBattleText(const std::string& text, const std::string& sourceName);

// A variant's battle: the plain battle with the variant's changes made.
BattleSpec ApplyVariant(const BattleSpec& battle, const VariantSpec& variant);

// The scenario file's contents on its map. Fails with a SourceError when a unit cannot be placed
// or the battle does not fit the map.
datagen::ScenarioDraft BuildScenario(const BattleSpec& battle, const BattleMap& map);

struct BuiltBattle {
    std::string scenarioFile;
    datagen::ScenarioDraft scenario;
};
struct BuiltVariant {
    std::string variantFile;
    datagen::VariantDraft variant;
    BuiltBattle battle;
};
// The plain scenario and every variant with its own scenario.
BuiltBattle BuildPlain(const BattleSpec& battle, const BattleMap& map);
std::vector<BuiltVariant> BuildVariants(const BattleSpec& battle, const BattleMap& map);

// The scripts' names for the battle's group numbers: a file of constants GRP_<group name>, one
// per group, that the battle's scripts import.
std::string GroupNumberConstants(const BattleSpec& battle);
// That file's name: the scenario file's name with the extension ".INC".
std::string GroupNumberFile(const BattleSpec& battle);

// Unit strength in the game's size points: a quarter of a thousand men, half the guns of a
// battery, one a wagon.
int SizeOf(const UnitSpec& unit);

} // namespace battlegen
