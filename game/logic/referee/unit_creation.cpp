// Unit creation: the unit section of a scenario becomes the battle's units and leaders, numbered
// in file order, filed by nation, placed on the map (or held for their arrival) and announced to
// the controller and the display.
#include "core/assertion.h"
#include "game/logic/logical_command.h"
#include "game/logic/referee/app_services.h"
#include "game/logic/referee/game_control.h"
#include "game/logic/referee/vh_logical_layer.h"
#include "game/logic/stream_fields.h"
#include "game/logic/vh_logical_landscape.h"
#include "game/units/group.h"
#include "game/units/missile_capable.h"

#include <memory>

using namespace stream_fields;

namespace {

// The fewest bytes a unit record can take: its kind word and an unnamed base record.
constexpr std::int64_t SmallestRecord = 4 + 25;

const char* const UnitOffMapText = "A unit in the scenario stands off the map.";
const char* const NoTroopQualityText = "A unit in the scenario has a troop quality of 0.";

[[noreturn]] void Refuse(int message, const char* text = nullptr) {
    throw ScenarioError{message, text ? text : ""};
}

} // namespace

std::uint32_t VhLogicalLayer::TranslateNation(std::uint32_t nation) const {
    if (!translation.empty()) {
        for (const auto& [from, to] : translation)
            if (nation == from) nation = to;
        return nation;
    }
    const std::uint32_t low = nation & 0xFF;
    if (low <= 1) return low;
    Assert(0, "Invalid nation passed in", "VHLOG2", __LINE__);
    return 0xFFFFFFFF;
}

VhUnit* VhLogicalLayer::MakeUnit(std::int16_t typeIndex, VhUnitData& record) {
    auto* prototype = dynamic_cast<VhUnit*>(GetRegisteredObject(typeIndex));
    if (!prototype) return nullptr;
    return prototype->CreateFromRecord(record, record.name.c_str());
}

Combat* VhLogicalLayer::CreateCombatUnit(std::int16_t typeIndex, VhUnitData& record) {
    record.unitNumber = nextUnitNumber;
    VhUnit* made = MakeUnit(typeIndex, record);
    if (made && !made->IsCombatUnit()) {
        delete made;
        made = nullptr;
    }
    if (!made) return nullptr;
    auto* unit = static_cast<Combat*>(made);
    unit->AttachToBus(this);
    combatUnits.AddTail(unit);
    if (static_cast<std::int32_t>(record.side) == secondNation) secondNationCombat.AddTail(unit);
    else firstNationCombat.AddTail(unit);

    const bool awaiting = record.arrivalTurn != 0 && record.arrivalTurn > currentTurn;
    std::uint16_t first = 0, second = 0;
    unit->GetDisplayWords(first, second);
    if (!awaiting) {
        if (landscape) {
            landscape->DeshadowRegions(unit, unit->GetLocation());
            if (unit->IsTwoHex() && unit->GetSecondRegion() != 0xFFFF) landscape->DeshadowRegions(unit, unit->GetSecondRegion());
        }
    } else {
        unit->SetLocation(0xFFFF);
    }
    const std::uint16_t number = nextUnitNumber++;
    Container<LogicalCommandInfo> created(LogicalCommandInfo(
        number, new Container<LOCreateInfo>(LOCreateInfo(static_cast<std::uint16_t>(typeIndex), record.facing, record.side,
                                                         awaiting ? 1 : 0, first, second)),
        static_cast<std::int16_t>(record.region)));
    delete PostAndWait(LOGICAL_UNIT_CREATED, &created);
    return unit;
}

Leader* VhLogicalLayer::CreateLeader(std::int16_t typeIndex, VhUnitData& record) {
    record.unitNumber = nextUnitNumber;
    VhUnit* made = MakeUnit(typeIndex, record);
    if (made && !made->IsLeader()) {
        delete made;
        made = nullptr;
    }
    if (!made) return nullptr;
    auto* leader = static_cast<Leader*>(made);
    leader->AttachToBus(this);
    leaders.AddTail(leader);
    if (static_cast<std::int32_t>(record.side) == secondNation) secondNationLeaders.AddTail(leader);
    else firstNationLeaders.AddTail(leader);

    const bool awaiting = record.arrivalTurn != 0;
    if (!awaiting) {
        if (landscape) landscape->DeshadowRegions(leader, leader->GetLocation());
    } else {
        leader->SetLocation(0xFFFF);
    }
    const auto* data = dynamic_cast<const LeaderUnitData*>(&record);
    const std::uint16_t leaderClass = data ? static_cast<std::uint16_t>(data->commandLevel) : 0;
    Container<LeaderUnitInfo> info(
        LeaderUnitInfo(record.name, leaderClass, static_cast<std::int32_t>(record.side), leader));
    delete PostNamedAndWait("CreateLeader", &info);

    const std::uint16_t number = nextUnitNumber++;
    Container<LogicalCommandInfo> created(LogicalCommandInfo(
        number, new Container<LOCreateInfo>(LOCreateInfo(static_cast<std::uint16_t>(typeIndex), record.facing, record.side,
                                                         awaiting ? 1 : 0, 0, 0)),
        static_cast<std::int16_t>(record.region)));
    delete PostAndWait(LOGICAL_UNIT_CREATED, &created);
    return leader;
}

int VhLogicalLayer::CreateUnits(SuperString& s, std::uint16_t campaignFlag) {
    List<short> used;
    std::uint32_t count = 0;
    // A count the section cannot hold is refused before anything is made.
    if (!ReadU32(s, count) || static_cast<std::int64_t>(count) * SmallestRecord > s.Remaining())
        Refuse(scenario_message::Damaged);
    for (std::uint32_t n = 0; n < count; ++n) {
        if (s.Failed()) Refuse(scenario_message::Damaged);
        std::uint32_t kindWord = 0;
        if (!ReadU32(s, kindWord)) Refuse(scenario_message::Damaged);
        // Only the low byte of the kind word decides.
        const int kind = static_cast<int>(kindWord & 0xFF);
        std::unique_ptr<VhUnitData> record;
        if (kind == 0) record = std::make_unique<LeaderUnitData>();
        else if (kind <= 3) record = std::make_unique<MissileCapableUnitData>();
        else if (kind == 4) record = std::make_unique<CombatUnitData>();
        else Refuse(scenario_message::Damaged);
        if (!record->Read(s)) Refuse(scenario_message::Damaged);

        record->side = TranslateNation(record->side);
        // A unit of neither side would be nobody's: the scenario is damaged.
        if (record->side > 1) Refuse(scenario_message::Damaged);
        if (record->typeIndex == -1) Refuse(scenario_message::NoArtwork);
        std::string artName;
        if (!AppServices().GetUnitArtName(record->typeIndex, artName)) Refuse(scenario_message::NoArtwork);

        record->region = static_cast<std::uint16_t>(record->region - regionOffset);
        record->landscape = landscape;
        if (!landscape || !landscape->IsValidRegion(record->region)) Refuse(scenario_message::Damaged, UnitOffMapText);
        if (kind != 0) {
            const auto& combat = static_cast<const CombatUnitData&>(*record);
            if (combat.troopQuality == 0) Refuse(scenario_message::Damaged, NoTroopQualityText);
            const std::uint16_t second = RightHandHex(record->region, record->facing);
            if (combat.twoHex && (second == 0xFFFF || !landscape->IsValidRegion(second)))
                Refuse(scenario_message::Damaged, UnitOffMapText);
        }

        Container<std::string> name(artName);
        ContainerBase* answer = SendNamed("GetIndexOfUnitType", &name);
        short typeIndex = -1;
        const bool known = ExtractData(answer, typeIndex);
        delete answer;
        // An art name the application does not know gives no unit type to build from.
        if (!known || typeIndex < 0 || !dynamic_cast<VhUnit*>(GetRegisteredObject(typeIndex)))
            Refuse(scenario_message::NoArtwork);

        VhUnit* unit = kind == 0 ? static_cast<VhUnit*>(CreateLeader(typeIndex, *record))
                                 : static_cast<VhUnit*>(CreateCombatUnit(typeIndex, *record));
        // The unit type does not fit the record (a leader's art on a regiment's record).
        if (!unit) Refuse(scenario_message::Damaged);
        unit->SetRetreatEdge(static_cast<std::int32_t>(record->side) == firstNation ? firstRetreatEdge : otherRetreatEdge);
        if (!used.Contains(typeIndex)) used.AddTail(typeIndex);
    }
    Container<List<short>> preload(used);
    delete SendNamed("PreloadArt", &preload);
    return 1;
}
