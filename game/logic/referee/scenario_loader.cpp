// Loading a scenario: the scenario file is read front to back, field by field; the map is loaded
// and handed to the display; the groups, leaders and units are created and linked; the arrivals
// of late groups are varied from the request's seed; and "ScenarioLoaded" carries the two teams.
//
// Every value the file gives is checked before it is used, and every count and length against
// what the file still holds: a damaged file is refused with its message and "GameEnded", never
// read past its end. The file is read whole and closed before anything is built.
#include "core/application.h"
#include "core/assertion.h"
#include "game/logic/game_random.h"
#include "game/logic/referee/app_services.h"
#include "game/logic/referee/game_control.h"
#include "game/logic/referee/vh_logical_layer.h"
#include "game/logic/stream_fields.h"
#include "game/logic/vh_logical_landscape.h"
#include "game/units/group.h"
#include "game/units/missile_capable.h"
#include "platform/path.h"
#include "platform/msgbox.h"

#include <map>
#include <vector>

using namespace stream_fields;

namespace {

constexpr const char* Source = "VHLOG3";
// The longest names the scenario's fields can take.
constexpr std::size_t MaxMapName = 31;
constexpr std::size_t MaxScriptName = 99;
constexpr std::int64_t GroupRecordBytes = 4 + Group::ReservedBytes;
// A group's earliest arrival before any unit of it is seen.
constexpr int NoArrival = 99;

const char* const NoCommanderText = "Every leader in the scenario must serve under a commander of its own side.";

[[noreturn]] void Refuse(int message, const char* text = nullptr) { throw ScenarioError{message, text ? text : ""}; }

std::string Text(int id) {
    Application* app = GetApplication();
    return app ? app->LoadResourceString(static_cast<std::uint32_t>(id)) : std::string();
}

// A nation byte of the file: 0 the Union, 1 the Confederates; anything else is reported and
// gives -1.
std::int32_t NationOf(std::uint8_t byte) {
    if (byte <= 1) return byte;
    Assert(0, "Invalid nation passed in", "VHLOG2", __LINE__);
    return -1;
}

bool IsRetreatEdge(std::uint8_t edge) { return edge == 1 || edge == 3 || edge == 5 || edge == 7; }

std::uint8_t ReadByte(SuperString& s) {
    std::uint8_t v = 0;
    if (!ReadU8(s, v)) Refuse(scenario_message::Damaged);
    return v;
}

std::uint16_t ReadWord(SuperString& s) {
    std::uint16_t v = 0;
    if (!ReadU16(s, v)) Refuse(scenario_message::Damaged);
    return v;
}

std::int16_t ReadSigned(SuperString& s) {
    std::int16_t v = 0;
    if (!ReadI16(s, v)) Refuse(scenario_message::Damaged);
    return v;
}

std::string ReadCounted(SuperString& s, int failure = scenario_message::Damaged) {
    const std::uint8_t n = ReadByte(s);
    std::string text;
    if (!ReadText(s, n, text)) Refuse(failure);
    return text;
}

} // namespace

int VhLogicalLayer::OnLoadScenario(const ScenarioInfoStruct& request) {
    try {
        LoadScenarioFile(request);
    } catch (const ScenarioError& error) {
        ReportFailure(error);
    } catch (const Assertion&) {
        // The player chose to stop at one of the loader's assertions.
        ReportFailure(ScenarioError{});
    } catch (const std::exception&) {
        ReportFailure(ScenarioError{});
    }
    // The translation table serves this load only.
    translation.clear();
    return 0;
}

void VhLogicalLayer::ReportFailure(const ScenarioError& error) {
    std::string text = error.text;
    if (text.empty()) text = Text(error.message);
    if (text.empty()) text = Text(scenario_message::Damaged);
    if (Application* app = GetApplication())
        app->ShowMessage(text.c_str(), Text(scenario_message::ProductName).c_str(), MB_OK | MB_ICONINFORMATION);
    Container<short> ended(0);
    delete PostNamedAndWait("GameEnded", &ended);
}

void VhLogicalLayer::LoadScenarioFile(const ScenarioInfoStruct& request) {
    scenario = ScenarioSettings();
    scenario.campaign = static_cast<std::uint16_t>(request.firstWord);
    Application* app = GetApplication();
    const std::string directory = (app ? app->GetDataDirectory(9) : std::string()) + "\\";

    if (request.secondWord) {
        // A new controller replaces the old one, which would otherwise be lost.
        delete gameControl;
        gameControl = new GameControl("Varnhold Game Controller");
        gameControl->AttachToBus(this);
        gameControl->SetScenario(static_cast<std::int32_t>(request.scenario));
    }

    std::vector<std::uint8_t> bytes;
    if (!platform::ReadWholeFile(directory + request.third, bytes) || bytes.size() > 0x7FFFFFF0u)
        Refuse(scenario_message::Damaged);
    SuperString s(static_cast<std::int32_t>(bytes.size()) + 1);
    if (!bytes.empty()) s.Write(bytes.data(), static_cast<std::int32_t>(bytes.size()));
    bytes.clear();

    if (!Skip(s, 24)) Refuse(scenario_message::Damaged);
    scenario.title = ReadCounted(s);
    AppServices().SetMainTitle(scenario.title);
    ReadCounted(s);
    std::uint32_t opaque = 0;
    if (!ReadU32(s, opaque) || !Skip(s, opaque)) Refuse(scenario_message::Damaged);

    const std::uint8_t mapLength = ReadByte(s);
    std::string mapName;
    if (mapLength == 0 || mapLength > MaxMapName || !ReadText(s, mapLength, mapName)) Refuse(scenario_message::MapDamaged);
    scenario.mapName = mapName;

    delete landscape;
    landscape = new VhLogicalLandscape();
    if (!landscape->Load(platform::MapPath(directory + mapName))) Refuse(scenario_message::MapDamaged);
    landscape->AttachToBus(this);
    regionOffset = landscape->GetFirstMapHeaderValue();
    AnnounceLandscape(static_cast<std::int32_t>(request.scenario));

    ReadSides(s);
    ReadScripts(s);
    ReadSchedule(s);
    ReadGroups(s);
    CreateUnits(s, scenario.campaign);

    if (firstNationLeaders.IsEmpty() || secondNationLeaders.IsEmpty()) Refuse(scenario_message::NoLeaderOnEachSide);

    LinkUnitsAndLeaders();
    CheckChainsOfCommand();

    scenario.homeName = firstNation == 0 ? Text(scenario_message::UnionName) : Text(scenario_message::ConfederateName);
    scenario.visitingName = secondNation == 0 ? Text(scenario_message::UnionName) : Text(scenario_message::ConfederateName);

    VaryArrivals(request.thirdWord);
    SeedGameRandomFromClock();

    List<std::string> homeLeaders, visitingLeaders;
    for (Item<Leader*>* i = firstNationLeaders.Head(); i; i = i->next) homeLeaders.AddTail(i->value->GetName());
    for (Item<Leader*>* i = secondNationLeaders.Head(); i; i = i->next) visitingLeaders.AddTail(i->value->GetName());
    Container<TeamInfoStruct> teams(
        TeamInfoStruct(firstNation, scenario.homeName, homeLeaders, secondNation, scenario.visitingName, visitingLeaders));
    PostNamed("ScenarioLoaded", &teams);
}

void VhLogicalLayer::AnnounceLandscape(std::int32_t scenarioIndex) {
    const Point size = landscape->GetSize();
    LandscapeDefinition definition;
    definition.scenario = static_cast<std::uint16_t>(scenarioIndex);
    definition.size = Dim(size.x, size.y);
    definition.regionCount = static_cast<std::uint16_t>(size.x * size.y);
    definition.secondHeaderValue = landscape->GetSecondMapHeaderValue();
    Container<LandscapeDefinition> begin(definition);
    Post(BEGIN_LANDSCAPE, &begin);
    List<LogicalRegion> regions;
    for (int index = 0; index < size.x * size.y; ++index)
        if (const LogicalRegion* r = landscape->GetRegionByIndex(index)) regions.AddTail(*r);
    Container<List<LogicalRegion>> all(regions);
    Post(CREATE_REGION, &all);
    PostEvent(END_LANDSCAPE);
}

void VhLogicalLayer::ReadSides(SuperString& s) {
    firstNation = NationOf(ReadByte(s));
    secondNation = NationOf(ReadByte(s));
    if (firstNation < 0 || secondNation < 0) Refuse(scenario_message::Damaged);
    scenario.homeNation = firstNation;
    scenario.visitingNation = secondNation;

    const std::uint8_t homeEdge = ReadByte(s), visitingEdge = ReadByte(s);
    if (!IsRetreatEdge(homeEdge) || !IsRetreatEdge(visitingEdge)) Refuse(scenario_message::Damaged);
    firstRetreatEdge = scenario.homeRetreatEdge = homeEdge;
    otherRetreatEdge = scenario.visitingRetreatEdge = visitingEdge;

    scenario.homeTarget = ReadSigned(s);
    scenario.visitingTarget = ReadSigned(s);
    if (scenario.homeTarget < 0 || scenario.visitingTarget < 0) Refuse(scenario_message::Damaged);

    const std::uint8_t pairs = ReadByte(s);
    translation.clear();
    for (int k = 0; k < pairs; ++k) {
        const std::int32_t from = NationOf(ReadByte(s));
        const std::int32_t to = NationOf(ReadByte(s));
        if (from < 0 || to < 0) Refuse(scenario_message::Damaged);
        translation.emplace_back(static_cast<std::uint32_t>(from), static_cast<std::uint32_t>(to));
    }
}

void VhLogicalLayer::ReadScripts(SuperString& s) {
    for (std::vector<std::string>* list : {&scenario.homeScripts, &scenario.visitingScripts}) {
        const std::uint8_t count = ReadByte(s);
        for (int k = 0; k < count; ++k) {
            const std::uint8_t length = ReadByte(s);
            if (length == 0) Refuse(scenario_message::NoScripts);
            std::string name;
            if (length > MaxScriptName || !ReadText(s, length, name)) Refuse(scenario_message::Damaged);
            list->push_back(name);
        }
    }
}

void VhLogicalLayer::ReadSchedule(SuperString& s) {
    // The Game Options dialog offers the turn limit by this flag (a campaign offers it always).
    scenario.turnLimitChoice = ReadByte(s);
    turnLimitChoice = scenario.turnLimitChoice;
    scenario.turnLimit = ReadSigned(s);
    if (scenario.turnLimit < 0) Refuse(scenario_message::Damaged);
    scenario.defaultWinner = ReadByte(s);
    scenario.startMonth = ReadWord(s);
    scenario.startDay = ReadWord(s);
    scenario.startYear = ReadWord(s);
    scenario.startHour = ReadWord(s);
    // The calendar looks its tables up by month and counts days and hours from the start: a date
    // that is not one would send it off its tables.
    if (scenario.startMonth < 1 || scenario.startMonth > 12 || scenario.startDay < 1 ||
        scenario.startDay > GameControl::DaysInMonth(scenario.startMonth - 1) || scenario.startHour > 23)
        Refuse(scenario_message::Damaged);
}

void VhLogicalLayer::ReadGroups(SuperString& s) {
    const std::uint16_t count = ReadWord(s);
    if (static_cast<std::int64_t>(count) * GroupRecordBytes > s.Remaining()) Refuse(scenario_message::Damaged);
    for (int k = 0; k < count; ++k) {
        auto* group = new Group();
        if (!group->Read(s)) {
            delete group;
            Refuse(scenario_message::Damaged);
        }
        groups.AddTail(group);
    }
}

namespace {

int& EarliestOf(std::map<std::int16_t, int>& earliest, std::int16_t group) {
    auto [it, fresh] = earliest.try_emplace(group, NoArrival);
    return it->second;
}

} // namespace

void VhLogicalLayer::LinkUnitsAndLeaders() {
    scenario.homeUnits = scenario.visitingUnits = 0;
    std::map<std::int16_t, int> earliest;
    for (Item<Combat*>* i = combatUnits.Head(); i; i = i->next) {
        Combat* unit = i->value;
        if (static_cast<std::int32_t>(unit->GetSide()) == firstNation) ++scenario.homeUnits;
        else ++scenario.visitingUnits;
        for (Item<Group*>* g = groups.Head(); g; g = g->next) {
            if (g->value->GetNumber() != unit->GetGroupNumber()) continue;
            unit->SetGroup(g->value);
            g->value->AddUnit(unit);
            int& t = EarliestOf(earliest, g->value->GetNumber());
            t = std::min<int>(t, unit->GetArrivalTurn());
        }
    }
    for (List<Leader*>* side : {&firstNationLeaders, &secondNationLeaders}) {
        for (Item<Leader*>* i = side->Head(); i; i = i->next) {
            Leader* leader = i->value;
            int& t = EarliestOf(earliest, leader->GetGroupNumber());
            t = std::min<int>(t, leader->GetArrivalTurn());
            if (leader->GetSuperiorGroupNumber() >= 0) {
                for (Item<Leader*>* j = side->Head(); j; j = j->next)
                    if (j->value->GetGroupNumber() == leader->GetSuperiorGroupNumber()) {
                        leader->SetSuperior(j->value);
                        break;
                    }
            }
            if (Group* group = FindGroup(leader->GetGroupNumber())) {
                leader->SetGroup(group);
                group->SetLeader(leader);
            }
        }
    }
    groupArrivals.clear();
    for (Item<Group*>* g = groups.Head(); g; g = g->next) {
        auto it = earliest.find(g->value->GetNumber());
        groupArrivals.push_back(it == earliest.end() ? NoArrival : it->second);
    }
}

void VhLogicalLayer::CheckChainsOfCommand() const {
    // Every side needs a commander (a leader without a superior) from whom its turns are drawn,
    // and no chain of superiors may run in a circle, which would never reach one.
    for (const List<Leader*>* side : {&firstNationLeaders, &secondNationLeaders}) {
        bool commander = false;
        const int count = side->Count();
        for (Item<Leader*>* i = side->Head(); i; i = i->next) {
            int steps = 0;
            const Leader* l = i->value;
            while (l->GetSuperior() && steps <= count) {
                l = l->GetSuperior();
                ++steps;
            }
            if (steps > count) Refuse(scenario_message::Damaged, NoCommanderText);
            if (!i->value->GetSuperior()) commander = true;
        }
        if (!commander) Refuse(scenario_message::Damaged, NoCommanderText);
    }
}

void VhLogicalLayer::VaryArrivals(std::uint16_t seed) {
    SeedGameRandom(seed);
    std::size_t index = 0;
    for (Item<Group*>* g = groups.Head(); g; g = g->next, ++index) {
        const int t = index < groupArrivals.size() ? groupArrivals[index] : NoArrival;
        if (t <= 0) continue;
        const int r = GameRandom() % 100;
        int shifted = t;
        if (r <= 10) shifted = t - 2;
        else if (r <= 30) shifted = t - 1;
        else if (r <= 50) shifted = t + 1;
        else if (r <= 60) shifted = t + 2;
        if (shifted < 0) shifted = 0;
        const int d = shifted - t;
        // A late group without a leader moves its units all the same.
        if (Leader* leader = g->value->GetLeader()) {
            const int before = leader->GetArrivalTurn();
            int after = before + d;
            if (before != 0 && after <= 0) after = 1;
            leader->SetArrivalTurn(static_cast<std::uint16_t>(after));
        }
        for (Item<Combat*>* i = combatUnits.Head(); i; i = i->next) {
            Combat* unit = i->value;
            if (unit->GetGroupNumber() != g->value->GetNumber()) continue;
            const int after = unit->GetArrivalTurn() + d;
            unit->SetArrivalTurn(static_cast<std::uint16_t>(after < 0 ? 0 : after));
        }
    }
}
