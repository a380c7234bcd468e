#pragma once
// Writes scenario files and their unit records.
//
// A ScenarioDraft holds a scenario exactly as the file holds it, field by field; the writer puts
// down whatever the draft holds, without checks, so that tests can also write damaged
// scenarios. Unit regions are written as given: a scenario names hexes in the map's own numbering
// (hex number plus the map's first header value, 1000 for the maps the landscape writer makes).
// The count overrides write a count that differs from what follows, for damaged variants.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace datagen {

// One unit record: the kind word and the body of its class.
struct UnitRecordDraft {
    // 0 leader, 1..3 missile unit, 4 combat unit without missiles (only the low byte counts).
    std::uint32_t kindWord = 0;
    std::string name;
    std::uint32_t facing = 3;
    // As stored: the game doubles it.
    std::uint16_t movement = 4;
    std::uint32_t side = 0;
    std::uint16_t region = 0;
    // Index into the application's table of unit art names; -1 for none.
    std::int16_t artIndex = -1;
    std::uint32_t unused = 0;
    std::int16_t group = -1;
    std::uint32_t arrival = 0;
    // Combat and missile records.
    std::uint16_t troopQuality = 5;
    std::uint16_t size = 4;
    std::uint8_t twoHex = 0;
    // Missile records: the weapon code 1..11 (12..22 in the game), fire rating, initial formation.
    std::uint32_t weaponCode = 5;
    std::int16_t fireRating = 0;
    std::uint8_t initialFormation = 1;
    // Leader records.
    std::uint16_t commands = 3;
    std::uint16_t commandRange = 4;
    std::uint16_t extraRating1 = 0;
    // 0, 1, 2 for command levels 1, 2, 3.
    std::uint8_t levelCode = 1;
    std::int16_t superiorGroup = -1;
};

struct GroupDraft {
    std::int16_t number = 0;
    std::string name;
};

struct ScenarioDraft {
    std::array<std::uint8_t, 24> head{};
    std::string title;
    std::string secondText;
    std::vector<std::uint8_t> opaque;
    std::string mapName;
    std::uint8_t homeNation = 0;
    std::uint8_t visitingNation = 1;
    std::uint8_t homeEdge = 7;
    std::uint8_t visitingEdge = 3;
    std::int16_t homeTarget = 20;
    std::int16_t visitingTarget = 20;
    std::vector<std::pair<std::uint8_t, std::uint8_t>> translation;
    std::vector<std::string> homeScripts;
    std::vector<std::string> visitingScripts;
    std::uint8_t turnLimitChoice = 1;
    std::int16_t turnLimit = 10;
    std::uint8_t defaultWinner = 0;
    std::uint16_t month = 7;
    std::uint16_t day = 1;
    std::uint16_t year = 63;
    std::uint16_t hour = 5;
    std::vector<GroupDraft> groups;
    std::vector<UnitRecordDraft> units;
    std::optional<std::uint16_t> groupCountOverride;
    std::optional<std::uint32_t> unitCountOverride;
};

// The record's bytes: kind word, then its body.
std::vector<std::uint8_t> WriteUnitRecord(const UnitRecordDraft& record);
std::vector<std::uint8_t> WriteScenario(const ScenarioDraft& draft);
bool WriteScenarioFile(const std::string& path, const ScenarioDraft& draft);

// Records of each kind, with the fields a battle needs and the others at their defaults.
UnitRecordDraft LeaderRecord(const std::string& name, std::uint32_t side, std::uint16_t region, std::int16_t art,
                             std::int16_t group, std::int16_t superiorGroup, std::uint8_t levelCode = 1);
UnitRecordDraft InfantryRecord(const std::string& name, std::uint32_t side, std::uint16_t region, std::int16_t art,
                               std::int16_t group);
UnitRecordDraft CavalryRecord(const std::string& name, std::uint32_t side, std::uint16_t region, std::int16_t art,
                              std::int16_t group);
UnitRecordDraft ArtilleryRecord(const std::string& name, std::uint32_t side, std::uint16_t region, std::int16_t art,
                                std::int16_t group);
UnitRecordDraft WagonRecord(const std::string& name, std::uint32_t side, std::uint16_t region, std::int16_t art,
                            std::int16_t group);

// A small battle for a map of at least 12 by 10 hexes whose first header value is `offset`: a
// commander and two brigades with infantry, cavalry, artillery and a wagon on each side, one
// late brigade per side. Art indexes follow the order of the game's table of unit types.
ScenarioDraft MakeSampleScenario(const std::string& mapName, std::uint16_t offset = 1000);

} // namespace datagen
