#include "game/logic/referee/vh_logical_layer.h"

#include "core/message_registry.h"
#include "game/logic/text_of.h"
#include "game/logic/referee/app_services.h"
#include "game/logic/referee/combat_entries.h"
#include "game/logic/referee/flow_entries.h"
#include "game/logic/referee/game_control.h"
#include "game/logic/vh_logical_landscape.h"
#include "game/units/group.h"
#include "game/units/missile_capable.h"

namespace {

constexpr const char* Source = "VHLOGI";

VhLogicalLayer* Layer(Component* c, int line) {
    VhLogicalLayer* self = nullptr;
    BusReceiver(c, self, Source, line);
    return self;
}

ContainerBase* CanTerminateEntry(Component*, BusMessage, ContainerBase*) { return new Container<short>(1); }

ContainerBase* PlayerNameEntry(Component* c, BusMessage, ContainerBase* p) {
    VhLogicalLayer* self = Layer(c, __LINE__);
    std::string name;
    if (!self || !TextOf(p, name)) {
        if (self) Assert(0, kBadBusData, Source, __LINE__);
        return nullptr;
    }
    self->SetPlayerName(name);
    return nullptr;
}

ContainerBase* CloseGameEntry(Component* c, BusMessage, ContainerBase*) {
    if (VhLogicalLayer* self = Layer(c, __LINE__)) self->CloseGame();
    return nullptr;
}

ContainerBase* LoadScenarioEntry(Component* c, BusMessage, ContainerBase* p) {
    VhLogicalLayer* self = nullptr;
    ScenarioInfoStruct* request = nullptr;
    if (!BusArgs(c, p, self, request, "VHLOG3", __LINE__)) return nullptr;
    const ScenarioInfoStruct copy = *request;
    self->OnLoadScenario(copy);
    return nullptr;
}

ContainerBase* ActiveGroupEntry(Component* c, BusMessage, ContainerBase*) {
    VhLogicalLayer* self = Layer(c, __LINE__);
    return new Container<Group*>(self ? self->GetActiveGroup() : nullptr);
}

ContainerBase* FindLeaderEntry(Component* c, BusMessage, ContainerBase* p) {
    VhLogicalLayer* self = nullptr;
    short* group = nullptr;
    if (!BusArgs(c, p, self, group, Source, __LINE__)) return nullptr;
    return new Container<short>(static_cast<short>(self->FindLeaderRegion(*group)));
}

ContainerBase* ChangeFacingEntry(Component* c, BusMessage, ContainerBase* p) {
    VhLogicalLayer* self = nullptr;
    ChangeFacingStruct* record = nullptr;
    if (!BusArgs(c, p, self, record, Source, __LINE__)) return nullptr;
    return self->OnChangeFacing(*record);
}

ContainerBase* TQHitEntry(Component* c, BusMessage, ContainerBase* p) {
    VhLogicalLayer* self = nullptr;
    TQHitInfo* record = nullptr;
    if (!BusArgs(c, p, self, record, Source, __LINE__)) return nullptr;
    self->OnTQHit(*record);
    return nullptr;
}

ContainerBase* ShowOCREntry(Component* c, BusMessage, ContainerBase* p) {
    VhLogicalLayer* self = nullptr;
    short* value = nullptr;
    if (!BusArgs(c, p, self, value, Source, __LINE__)) return nullptr;
    self->SetShowOverallResults(static_cast<std::uint16_t>(*value));
    return nullptr;
}

ContainerBase* UnitEliminatedEntry(Component* c, BusMessage, ContainerBase* p) {
    VhLogicalLayer* self = nullptr;
    EliminateUnitData* record = nullptr;
    if (!BusArgs(c, p, self, record, Source, __LINE__)) return nullptr;
    self->OnUnitEliminated(*record);
    return nullptr;
}

ContainerBase* ArmyDetailsEntry(Component* c, BusMessage, ContainerBase* p) {
    VhLogicalLayer* self = nullptr;
    EndTurnDlg** dialog = nullptr;
    if (!BusArgs(c, p, self, dialog, Source, __LINE__)) return nullptr;
    self->OnArmyDetails(*dialog);
    return nullptr;
}

ContainerBase* GetUnitByNumEntry(Component* c, BusMessage, ContainerBase* p) {
    VhLogicalLayer* self = nullptr;
    short* number = nullptr;
    if (!BusArgs(c, p, self, number, Source, __LINE__)) return nullptr;
    return new Container<VhUnit*>(self->FindUnit(static_cast<std::uint16_t>(*number)));
}

ContainerBase* GetCombatUnitByNumEntry(Component* c, BusMessage, ContainerBase* p) {
    VhLogicalLayer* self = nullptr;
    short* number = nullptr;
    if (!BusArgs(c, p, self, number, Source, __LINE__)) return nullptr;
    return new Container<Combat*>(self->FindCombatUnit(static_cast<std::uint16_t>(*number)));
}

ContainerBase* GetLeaderByNumEntry(Component* c, BusMessage, ContainerBase* p) {
    VhLogicalLayer* self = nullptr;
    short* number = nullptr;
    if (!BusArgs(c, p, self, number, Source, __LINE__)) return nullptr;
    return new Container<Leader*>(self->FindLeader(static_cast<std::uint16_t>(*number)));
}

ContainerBase* SaveGameEntry(Component* c, BusMessage, ContainerBase* p) {
    VhLogicalLayer* self = nullptr;
    std::string* file = nullptr;
    if (!BusArgs(c, p, self, file, "VHLOG3", __LINE__)) return nullptr;
    self->OnSaveGame(*file);
    return nullptr;
}

ContainerBase* LoadGameEntry(Component* c, BusMessage, ContainerBase* p) {
    VhLogicalLayer* self = nullptr;
    std::string* file = nullptr;
    if (!BusArgs(c, p, self, file, "VHLOG3", __LINE__)) return nullptr;
    self->OnLoadGame(*file);
    return nullptr;
}

struct HandlerRow {
    const char* name;
    BusHandler entry;
    std::uint16_t fixedId;
};

// Every game message the layer answers, in the order it registers them.
const HandlerRow Handlers[] = {
    {"FirstEliteInitiative", flow_entries::FirstEliteInitiative, 0},
    {"PlayerName", PlayerNameEntry, 0},
    {"ResolveOW", flow_entries::ResolveOW, 0},
    {"SaveGame", SaveGameEntry, 0},
    {"LoadGame", LoadGameEntry, 0},
    {"CloseGame", CloseGameEntry, 0},
    {"RaiseActiveFlags", flow_entries::RaiseActiveFlags, 0},
    {"LeaderActivated", flow_entries::LeaderActivated, 0},
    {"ActivateFreeUnits", flow_entries::ActivateFreeUnits, 0},
    {"BeginDeploymentPhase", flow_entries::BeginDeploymentPhase, 0},
    {"LeaderControl", flow_entries::LeaderControl, 0},
    {"InitializeScenario", flow_entries::InitializeScenario, 0},
    {"ReinitializeLeader", flow_entries::ReinitializeLeader, 0},
    {"GameOptions", flow_entries::GameOptions, 0},
    {"LoadScenario", LoadScenarioEntry, 0},
    {"ActiveGroup", ActiveGroupEntry, 0},
    {"AddCombatants", combat_entries::AddCombatants, 0},
    {"PerformShock", flow_entries::PerformShock, 0},
    {"CombatResults", flow_entries::CombatResults, 0},
    {"CombatDone", flow_entries::CombatDone, 0},
    {"GameOverview", flow_entries::GameOverview, 229},
    {"GameObjectives", flow_entries::GameObjectives, 197},
    {"UnitUndo", flow_entries::UnitUndo, 255},
    {"Undo", flow_entries::Undo, 0},
    {"BeginTurn", flow_entries::BeginTurn, 0},
    {"EndOfTurn", flow_entries::EndOfTurn, 0},
    {"EndOfGame", flow_entries::EndOfGame, 0},
    {"RoutingDone", flow_entries::ShockRoutingDone, 0},
    {"RoutPhase", flow_entries::RoutPhase, 0},
    {"FindLeader", FindLeaderEntry, 0},
    {"RemoveFromCombat", combat_entries::RemoveFromCombat, 0},
    {"ChangeFacing", ChangeFacingEntry, 0},
    {"EntryReactionFire", combat_entries::EntryReactionFire, 0},
    {"AttemptRefaceFromCharge", combat_entries::AttemptRefaceFromCharge, 0},
    {"AttemptChangeFormation", combat_entries::AttemptChangeFormation, 0},
    {"DoMissileFire", flow_entries::DoMissileFire, 0},
    {"ReplenishMissiles", flow_entries::ReplenishMissiles, 0},
    {"DoRestoreCohesion", flow_entries::DoRestoreCohesion, 0},
    {"DoLineColumn", flow_entries::DoLineColumn, 0},
    {"DoMountDismount", flow_entries::DoMountDismount, 0},
    {"DoLimberUnlimber", flow_entries::DoLimberUnlimber, 0},
    {"DoRout", flow_entries::DoRout, 0},
    {"DoColumnLine", flow_entries::DoColumnLine, 0},
    {"WoundedLeader", flow_entries::WoundedLeader, 0},
    {"FinishedLeader", flow_entries::FinishedLeader, 0},
    {"TQHit", TQHitEntry, 0},
    {"ShowOCR", ShowOCREntry, 0},
    {"EliminateUnit", flow_entries::EliminateUnit, 0},
    {"UsedThisTurn", flow_entries::UsedThisTurn, 0},
    {"UnitEliminated", UnitEliminatedEntry, 0},
    {"PursuitOffMap", flow_entries::PursuitOffMap, 0},
    {"ArmyDetails", ArmyDetailsEntry, 0},
    {"GetUnitByNum", GetUnitByNumEntry, 0},
    {"GetCombatUnitByNum", GetCombatUnitByNumEntry, 0},
    {"GetLeaderByNum", GetLeaderByNumEntry, 0},
    {"SomeCombatDone", flow_entries::SomeCombatDone, 0},
    {"LeaderResumed", flow_entries::LeaderResumed, 0},
    {"DoneViewingCombatResults", flow_entries::DoneViewingCombatResults, 0},
    {"IsLeaderFriendly", flow_entries::IsLeaderFriendly, 0},
};

// Messages that stay on the machine that raises them: never relayed to the network peer.
const char* const LocalMessages[] = {"CreateLeader", "LegalUnits", "LegalToShock", "DesignateShock", "EndOrdersPhase",
                                     "MovementDone", "UnitSelected", "UnitDeselected"};
const char* const LocalMessagesAfterBeginGame[] = {"BeginOWSegment", "EndOWSegment", "ResolveOW", "UnitOW",
                                                   "OWResolved", "Rally", "FinishLeader", "InitLeader",
                                                   "FindLeader", "ActiveGroup", "GetUnitByNum", "GetCombatUnitByNum"};

template <class T> T* FirstByNumber(const List<T*>& list, std::uint16_t number) {
    for (Item<T*>* i = list.Head(); i; i = i->next)
        if (i->value->GetUnitNum() == number) return i->value;
    return nullptr;
}

template <class T> T* FirstByName(const List<T*>& list, const std::string& name) {
    for (Item<T*>* i = list.Head(); i; i = i->next)
        if (i->value->GetName() == name) return i->value;
    return nullptr;
}

} // namespace

VhLogicalLayer::VhLogicalLayer(const char* layerName) : LogicalLayer(layerName ? layerName : "Varnhold LogicalLayer Bus") {}

VhLogicalLayer::~VhLogicalLayer() { DeleteBattle(); }

void VhLogicalLayer::Connect() {
    LogicalLayer::Connect();
    RegisterHandler(CAN_TERMINATE, CanTerminateEntry);
    for (const HandlerRow& row : Handlers) {
        if (row.fixedId) RegisterMessageId(row.fixedId, row.name);
        RegisterNamedHandler(row.name, row.entry);
    }
    for (const char* name : LocalMessages) BlockRelayedNamedEvent(name, 2);
    BlockRelayedEvent(BEGIN_GAME, 2);
    for (const char* name : LocalMessagesAfterBeginGame) BlockRelayedNamedEvent(name, 2);
}

VhUnit* VhLogicalLayer::FindUnit(std::uint16_t number) const {
    if (Combat* c = FindCombatUnit(number)) return c;
    return FirstByNumber(leaders, number);
}

Combat* VhLogicalLayer::FindCombatUnit(std::uint16_t number) const {
    if (Combat* c = FirstByNumber(secondNationCombat, number)) return c;
    return FirstByNumber(firstNationCombat, number);
}

Leader* VhLogicalLayer::FindLeader(std::uint16_t number) const { return FirstByNumber(leaders, number); }

Combat* VhLogicalLayer::FindCombatUnitByName(const std::string& name) const {
    if (Combat* c = FirstByName(secondNationCombat, name)) return c;
    return FirstByName(firstNationCombat, name);
}

Leader* VhLogicalLayer::FindLeaderByName(const std::string& name) const { return FirstByName(leaders, name); }

Group* VhLogicalLayer::FindGroup(std::int16_t number) const {
    for (Item<Group*>* i = groups.Head(); i; i = i->next)
        if (i->value->GetNumber() == number) return i->value;
    return nullptr;
}

std::uint16_t VhLogicalLayer::FindLeaderRegion(std::int16_t groupNumber) const {
    for (Item<Leader*>* i = leaders.Head(); i; i = i->next)
        if (i->value->GetGroupNumber() == groupNumber) return i->value->GetLocation();
    return 0xFFFF;
}

ContainerBase* VhLogicalLayer::OnChangeFacing(const ChangeFacingStruct& record) {
    VhUnit* unit = FindUnit(record.unit);
    // A number no unit has (a damaged or stale relay) turns nothing.
    const short answer = unit ? unit->Rotate(static_cast<std::uint32_t>(record.turn), record.mode) : 0;
    return new Container<short>(answer);
}

void VhLogicalLayer::OnTQHit(const TQHitInfo& record) {
    if (Combat* unit = FindCombatUnit(record.unit)) unit->ApplyCohesionHits(record.hits, record.value);
}

void VhLogicalLayer::OnUnitEliminated(const EliminateUnitData& record) {
    VhUnit* unit = FindUnit(record.unit);
    if (!unit || !unit->IsCombatUnit()) return;
    Group* group = FindGroup(unit->GetGroupNumber());
    if (!group) return;
    group->RemoveUnit(unit);
    unit->SetGroup(nullptr);
}

void VhLogicalLayer::OnArmyDetails(EndTurnDlg* dialog) {
    GameAppServices& services = AppServices();
    if (services.PressedArmySide(dialog) == 1) services.RunArmyDetails(dialog, firstNationCombat, firstNationLeaders);
    else services.RunArmyDetails(dialog, secondNationCombat, secondNationLeaders);
}

void VhLogicalLayer::DeleteBattle() {
    // The computer players go first: they hold the unit lists and the map.
    delete computerPlayerB;
    delete computerPlayerA;
    computerPlayerA = computerPlayerB = nullptr;
    for (Item<Group*>* i = groups.Head(); i; i = i->next) delete i->value;
    for (Item<Leader*>* i = leaders.Head(); i; i = i->next) delete i->value;
    for (Item<Combat*>* i = combatUnits.Head(); i; i = i->next) delete i->value;
    groups.Clear();
    leaders.Clear();
    combatUnits.Clear();
    delete landscape;
    delete gameControl;
    landscape = nullptr;
    gameControl = nullptr;
}

void VhLogicalLayer::CloseGame() {
    DeleteBattle();
    secondNationCombat.Clear();
    firstNationCombat.Clear();
    firstNationLeaders.Clear();
    secondNationLeaders.Clear();
    furtherLeaders.Clear();
    localLeaders.Clear();
    unitCursor.Restart();
    currentCombats.Clear();
    ResetShockPhase();
    missileUnits.Clear();
    bookkeepingD.Clear();
    combatResults.Clear();
    VhUnit::ClearUndo();
    nextUnitNumber = 0;
    regionOffset = 0xFFFF;
    firstNation = secondNation = -1;
    firstRetreatEdge = otherRetreatEdge = 0;
    scriptName.clear();
    reserved = nullptr;
    activeGroup = nullptr;
    translation.clear();
    currentTurn = 0;
    scenario = ScenarioSettings();
    VhUnit::ClearOptionWords();
}
