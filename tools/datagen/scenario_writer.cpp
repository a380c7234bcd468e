#include "tools/datagen/scenario_writer.h"

#include <cstdio>

namespace datagen {

namespace {

void PutU8(std::vector<std::uint8_t>& out, std::uint8_t v) { out.push_back(v); }
void PutU16(std::vector<std::uint8_t>& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v & 0xFF));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void PutU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<std::uint8_t>((v >> shift) & 0xFF));
}
void PutBytes(std::vector<std::uint8_t>& out, const std::string& text) { out.insert(out.end(), text.begin(), text.end()); }
// A text counted by one byte; the writer keeps whatever length the draft asks for (mod 256).
void PutCounted8(std::vector<std::uint8_t>& out, const std::string& text) {
    PutU8(out, static_cast<std::uint8_t>(text.size()));
    PutBytes(out, text);
}

// The art indexes of the game's unit types, in their registration order.
enum Art : std::int16_t {
    UnionCorps = 0,
    UnionDivision = 1,
    ConfederateCorps = 2,
    ConfederateDivision = 3,
    UnionInfantry = 4,
    ConfederateInfantry = 6,
    ConfederateWagon = 8,
    UnionWagon = 9,
    UnionCavalry = 10,
    ConfederateCavalry = 11,
    UnionBattery = 12,
    ConfederateBattery = 13,
};

} // namespace

std::vector<std::uint8_t> WriteUnitRecord(const UnitRecordDraft& r) {
    std::vector<std::uint8_t> out;
    PutU32(out, r.kindWord);
    PutCounted8(out, r.name);
    PutU32(out, r.facing);
    PutU16(out, r.movement);
    PutU32(out, r.side);
    PutU16(out, r.region);
    PutU16(out, static_cast<std::uint16_t>(r.artIndex));
    PutU32(out, r.unused);
    PutU16(out, static_cast<std::uint16_t>(r.group));
    PutU32(out, r.arrival);
    const int kind = static_cast<int>(r.kindWord & 0xFF);
    if (kind == 0) {
        PutU16(out, r.commands);
        PutU16(out, r.commandRange);
        PutU16(out, r.extraRating1);
        PutU8(out, r.levelCode);
        PutU16(out, static_cast<std::uint16_t>(r.superiorGroup));
        return out;
    }
    PutU16(out, r.troopQuality);
    PutU16(out, r.size);
    PutU8(out, r.twoHex);
    if (kind >= 1 && kind <= 3) {
        PutU32(out, r.weaponCode);
        PutU16(out, static_cast<std::uint16_t>(r.fireRating));
        PutU8(out, r.initialFormation);
    }
    return out;
}

std::vector<std::uint8_t> WriteScenario(const ScenarioDraft& d) {
    std::vector<std::uint8_t> out(d.head.begin(), d.head.end());
    PutCounted8(out, d.title);
    PutCounted8(out, d.secondText);
    PutU32(out, static_cast<std::uint32_t>(d.opaque.size()));
    out.insert(out.end(), d.opaque.begin(), d.opaque.end());
    PutCounted8(out, d.mapName);
    PutU8(out, d.homeNation);
    PutU8(out, d.visitingNation);
    PutU8(out, d.homeEdge);
    PutU8(out, d.visitingEdge);
    PutU16(out, static_cast<std::uint16_t>(d.homeTarget));
    PutU16(out, static_cast<std::uint16_t>(d.visitingTarget));
    PutU8(out, static_cast<std::uint8_t>(d.translation.size()));
    for (const auto& [from, to] : d.translation) {
        PutU8(out, from);
        PutU8(out, to);
    }
    for (const auto* scripts : {&d.homeScripts, &d.visitingScripts}) {
        PutU8(out, static_cast<std::uint8_t>(scripts->size()));
        for (const auto& name : *scripts) PutCounted8(out, name);
    }
    PutU8(out, d.turnLimitChoice);
    PutU16(out, static_cast<std::uint16_t>(d.turnLimit));
    PutU8(out, d.defaultWinner);
    PutU16(out, d.month);
    PutU16(out, d.day);
    PutU16(out, d.year);
    PutU16(out, d.hour);
    PutU16(out, d.groupCountOverride ? *d.groupCountOverride : static_cast<std::uint16_t>(d.groups.size()));
    for (const auto& g : d.groups) {
        PutU16(out, static_cast<std::uint16_t>(g.number));
        PutU16(out, static_cast<std::uint16_t>(g.name.size()));
        PutBytes(out, g.name);
        out.insert(out.end(), 328, 0);
    }
    PutU32(out, d.unitCountOverride ? *d.unitCountOverride : static_cast<std::uint32_t>(d.units.size()));
    for (const auto& u : d.units) {
        const auto bytes = WriteUnitRecord(u);
        out.insert(out.end(), bytes.begin(), bytes.end());
    }
    return out;
}

bool WriteScenarioFile(const std::string& path, const ScenarioDraft& draft) {
    const auto bytes = WriteScenario(draft);
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

UnitRecordDraft LeaderRecord(const std::string& name, std::uint32_t side, std::uint16_t region, std::int16_t art,
                             std::int16_t group, std::int16_t superiorGroup, std::uint8_t levelCode) {
    UnitRecordDraft r;
    r.kindWord = 0;
    r.name = name;
    r.side = side;
    r.region = region;
    r.artIndex = art;
    r.group = group;
    r.superiorGroup = superiorGroup;
    r.levelCode = levelCode;
    r.movement = 6;
    return r;
}

namespace {
UnitRecordDraft Fighting(std::uint32_t kindWord, const std::string& name, std::uint32_t side, std::uint16_t region,
                         std::int16_t art, std::int16_t group) {
    UnitRecordDraft r;
    r.kindWord = kindWord;
    r.name = name;
    r.side = side;
    r.region = region;
    r.artIndex = art;
    r.group = group;
    return r;
}
} // namespace

UnitRecordDraft InfantryRecord(const std::string& name, std::uint32_t side, std::uint16_t region, std::int16_t art,
                               std::int16_t group) {
    UnitRecordDraft r = Fighting(1, name, side, region, art, group);
    r.weaponCode = 5;
    r.troopQuality = 5;
    r.size = 6;
    return r;
}

UnitRecordDraft CavalryRecord(const std::string& name, std::uint32_t side, std::uint16_t region, std::int16_t art,
                              std::int16_t group) {
    UnitRecordDraft r = Fighting(2, name, side, region, art, group);
    r.weaponCode = 2;
    r.movement = 8;
    r.troopQuality = 4;
    r.size = 3;
    return r;
}

UnitRecordDraft ArtilleryRecord(const std::string& name, std::uint32_t side, std::uint16_t region, std::int16_t art,
                                std::int16_t group) {
    UnitRecordDraft r = Fighting(3, name, side, region, art, group);
    r.weaponCode = 10;
    r.initialFormation = 0;
    r.troopQuality = 4;
    r.size = 2;
    return r;
}

UnitRecordDraft WagonRecord(const std::string& name, std::uint32_t side, std::uint16_t region, std::int16_t art,
                            std::int16_t group) {
    UnitRecordDraft r = Fighting(4, name, side, region, art, group);
    r.movement = 3;
    r.troopQuality = 2;
    r.size = 1;
    return r;
}

ScenarioDraft MakeSampleScenario(const std::string& mapName, std::uint16_t offset) {
    ScenarioDraft d;
    d.title = "Skirmish at Varnhold Crossing";
    d.secondText = "A sample battle";
    d.mapName = mapName;
    d.homeScripts = {"HOMEAI.SCR"};
    d.visitingScripts = {"AWAYAI.SCR"};
    auto at = [offset](int column, int row) { return static_cast<std::uint16_t>(offset + column * 100 + row); };
    d.groups = {{1, "Army of the Potomac"}, {2, "1st Brigade"}, {3, "2nd Brigade"},
                {11, "Army of Northern Virginia"}, {12, "Stonewall Brigade"}, {13, "Texas Brigade"}};
    d.units = {
        LeaderRecord("Gen. Ashcombe", 0, at(1, 4), UnionCorps, 1, -1, 0),
        LeaderRecord("Gen. Thorne", 0, at(2, 3), UnionDivision, 2, 1),
        InfantryRecord("19th Indiana", 0, at(2, 2), UnionInfantry, 2),
        InfantryRecord("2nd Wisconsin", 0, at(2, 4), UnionInfantry, 2),
        ArtilleryRecord("Battery B", 0, at(1, 3), UnionBattery, 2),
        LeaderRecord("Gen. Kettering", 0, at(1, 7), UnionDivision, 3, 1),
        CavalryRecord("8th Illinois", 0, at(1, 6), UnionCavalry, 3),
        WagonRecord("Union Train", 0, at(0, 5), UnionWagon, 1),
        LeaderRecord("Gen. Harrowgate", 1, at(10, 4), ConfederateCorps, 11, -1, 0),
        LeaderRecord("Gen. Vell", 1, at(9, 3), ConfederateDivision, 12, 11),
        InfantryRecord("4th Virginia", 1, at(9, 2), ConfederateInfantry, 12),
        InfantryRecord("27th Virginia", 1, at(9, 4), ConfederateInfantry, 12),
        ArtilleryRecord("Rockbridge Artillery", 1, at(10, 3), ConfederateBattery, 12),
        LeaderRecord("Gen. Brackley", 1, at(10, 7), ConfederateDivision, 13, 11),
        CavalryRecord("1st Virginia Cavalry", 1, at(10, 6), ConfederateCavalry, 13),
        WagonRecord("Confederate Train", 1, at(11, 5), ConfederateWagon, 11),
    };
    d.units[5].arrival = 3;
    d.units[6].arrival = 3;
    d.units[13].arrival = 4;
    d.units[14].arrival = 4;
    return d;
}

} // namespace datagen
