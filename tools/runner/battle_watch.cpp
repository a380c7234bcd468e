#include "tools/runner/battle_watch.h"

#include "core/application.h"
#include "core/container.h"
#include "game/logic/game_records.h"
#include "game/logic/referee/game_control.h"
#include "game/logic/referee/vh_logical_layer.h"
#include "game/units/combat.h"

#include <utility>

namespace runner {

namespace {

// The layout of the combat results screen's number lists: each comes as a pair, the attackers'
// list and then the defenders'.
constexpr int HitsTakenList = 2;
constexpr int BrokeList = 8;

BattleWatch* Self(Component* c) { return dynamic_cast<BattleWatch*>(c); }

std::string Joined(const List<std::string>& names) {
    std::string out;
    for (const Item<std::string>* i = names.Head(); i; i = i->next) out += (out.empty() ? "" : ", ") + i->value;
    return out;
}

int Sum(const List<short>& values) {
    int sum = 0;
    for (const Item<short>* i = values.Head(); i; i = i->next) sum += i->value;
    return sum;
}

// The names whose "broke" mark is set.
std::string Broken(const List<std::string>& names, const List<short>& broke) {
    std::string out;
    const Item<short>* b = broke.Head();
    for (const Item<std::string>* i = names.Head(); i && b; i = i->next, b = b->next)
        if (b->value) out += (out.empty() ? "" : ", ") + i->value;
    return out;
}

} // namespace

BattleWatch::BattleWatch(VhLogicalLayer& layer_, std::function<void(const std::string&)> story_)
    : Component("Battle Watch"), layer(layer_), story(std::move(story_)) {}

void BattleWatch::Connect() {
    RegisterNamedHandler("DoMissileFire", OnVolley);
    RegisterNamedHandler("CombatResults", OnCombatResults);
    RegisterNamedHandler("UnitEliminated", OnEliminated);
    RegisterNamedHandler("UnitRouted", OnRouted);
    RegisterNamedHandler("GiveOrder", OnOrder);
    RegisterNamedHandler("MissileVolley", OnOrder);
    RegisterNamedHandler("CohesionRestored", OnOrder);
    RegisterNamedHandler("MovementDone", OnOrder);
    RegisterNamedHandler("AddCombatants", OnAttack);
    RegisterNamedHandler("AutomaticWin", OnAutomaticWin);
    RegisterNamedHandler("EndOfTurn", OnScoreTaken);
    RegisterNamedHandler("EndOfGame", OnScoreTaken);
    RegisterNamedHandler("BeginTurn", OnBeginTurn);
}

int BattleWatch::SlotOfNation(std::int32_t nation) const {
    const VhLogicalLayer::ScenarioSettings& s = layer.GetScenario();
    if (nation == s.homeNation) return 0;
    if (nation == s.visitingNation) return 1;
    return -1;
}

int BattleWatch::SlotOfUnit(std::uint16_t unit) const {
    const VhUnit* u = layer.FindUnit(unit);
    return u ? SlotOfNation(static_cast<std::int32_t>(u->GetSide())) : -1;
}

int BattleWatch::SlotOfName(const std::string& name) const {
    for (const Item<Combat*>* i = layer.GetCombatUnits().Head(); i; i = i->next)
        if (i->value && i->value->GetName() == name) return SlotOfNation(static_cast<std::int32_t>(i->value->GetSide()));
    return -1;
}

std::string BattleWatch::SideName(int slot) const {
    const VhLogicalLayer::ScenarioSettings& s = layer.GetScenario();
    return slot == 0 ? s.homeName : slot == 1 ? s.visitingName : std::string("?");
}

std::string BattleWatch::TurnText() const { return "Turn " + std::to_string(TurnsBegun()) + ": "; }

void BattleWatch::Say(const std::string& line) {
    if (story) story(TurnText() + line);
}

void BattleWatch::Heard(const std::string& line) {
    if (line.find("for being ordered again this turn") == std::string::npos) return;
    // The line names the unit; its side is found by the longest unit name it starts with.
    int slot = -1;
    std::size_t best = 0;
    for (const Item<Combat*>* i = layer.GetCombatUnits().Head(); i; i = i->next) {
        if (!i->value) continue;
        const std::string& name = i->value->GetName();
        if (name.size() > best && line.find(name) != std::string::npos) {
            best = name.size();
            slot = SlotOfNation(static_cast<std::int32_t>(i->value->GetSide()));
        }
    }
    if (slot >= 0) ++tally[slot].reorderHits;
}

void BattleWatch::StartFrom() {
    holders.clear();
    if (const GameControl* control = layer.GetGameControl())
        for (int k = 0; k < control->GetObjectiveCount(); ++k) holders.push_back(control->GetObjective(k).holder);
    startHolders = holders;
}

void BattleWatch::LookAtObjectives() {
    const GameControl* control = layer.GetGameControl();
    if (!control) return;
    for (int k = 0; k < control->GetObjectiveCount() && k < static_cast<int>(holders.size()); ++k) {
        const Objective& o = control->GetObjective(k);
        if (o.holder == holders[k]) continue;
        holders[k] = o.holder;
        const int slot = SlotOfNation(o.holder);
        if (slot < 0) continue;
        ++tally[slot].objectivesTaken;
        std::string name;
        if (Application* app = GetApplication()) name = app->LoadResourceString(static_cast<std::uint32_t>(o.nameId));
        if (name.empty()) name = "objective " + std::to_string(k + 1);
        Say(SideName(slot) + " took " + name + " (" + std::to_string(o.points) + " points)");
    }
}

ContainerBase* BattleWatch::OnVolley(Component* c, BusMessage, ContainerBase* p) {
    BattleWatch* self = Self(c);
    const MissileFireStruct* fire = PayloadValue<MissileFireStruct>(p);
    if (!self || !fire) return nullptr;
    if (const int slot = self->SlotOfUnit(fire->unit); slot >= 0) ++self->tally[slot].volleys;
    return nullptr;
}

ContainerBase* BattleWatch::OnCombatResults(Component* c, BusMessage, ContainerBase* p) {
    BattleWatch* self = Self(c);
    const SingleCombatResult* r = PayloadValue<SingleCombatResult>(p);
    if (!self || !r) return nullptr;
    const int attacker = r->firstNames.Head() ? self->SlotOfName(r->firstNames.Head()->value) : -1;
    if (attacker >= 0) ++self->tally[attacker].shockCombats;
    std::string line = "shock: " + Joined(r->firstNames) + " (" + self->SideName(attacker) + ") against " +
                       Joined(r->secondNames) + "; hits " + std::to_string(Sum(r->numbers[HitsTakenList])) + " taken, " +
                       std::to_string(Sum(r->numbers[HitsTakenList + 1])) + " given";
    const std::string brokeA = Broken(r->firstNames, r->numbers[BrokeList]);
    const std::string brokeD = Broken(r->secondNames, r->numbers[BrokeList + 1]);
    if (!brokeD.empty()) line += "; broken: " + brokeD;
    if (!brokeA.empty()) line += "; attackers broken: " + brokeA;
    if (brokeA.empty() && brokeD.empty()) line += "; nobody broke";
    self->Say(line);
    return nullptr;
}

ContainerBase* BattleWatch::OnEliminated(Component* c, BusMessage, ContainerBase* p) {
    BattleWatch* self = Self(c);
    const EliminateUnitData* record = PayloadValue<EliminateUnitData>(p);
    if (!self || !record) return nullptr;
    const int slot = self->SlotOfNation(record->nation);
    if (slot < 0) return nullptr;
    const VhUnit* u = self->layer.FindUnit(record->unit);
    const std::string name = u ? u->GetName() : "unit " + std::to_string(record->unit);
    if (record->state == -1) {
        ++self->tally[slot].leadersLost;
        self->Say(self->SideName(slot) + " leader fell: " + name);
    } else {
        ++self->tally[slot].unitsLost;
        self->Say(self->SideName(slot) + " lost " + name + " (" + std::to_string(record->points) + " points)");
    }
    return nullptr;
}

ContainerBase* BattleWatch::OnRouted(Component* c, BusMessage, ContainerBase* p) {
    BattleWatch* self = Self(c);
    const UnitRoutData* record = PayloadValue<UnitRoutData>(p);
    if (!self || !record) return nullptr;
    if (const int slot = self->SlotOfNation(record->nation); slot >= 0) ++self->tally[slot].routs;
    return nullptr;
}

ContainerBase* BattleWatch::OnOrder(Component* c, BusMessage, ContainerBase* p) {
    BattleWatch* self = Self(c);
    if (!self) return nullptr;
    int unit = -1;
    if (const auto* u = PayloadValue<unsigned short>(p)) unit = *u;
    else if (const auto* s = PayloadValue<short>(p)) unit = static_cast<unsigned short>(*s);
    else if (const auto* m = PayloadValue<MoveReturnStruct>(p)) unit = m->unit;
    if (unit < 0) return nullptr;
    // A leader's own moves are no unit orders.
    if (const VhUnit* u = self->layer.FindUnit(static_cast<std::uint16_t>(unit)); !u || u->IsLeader()) return nullptr;
    if (const int slot = self->SlotOfUnit(static_cast<std::uint16_t>(unit)); slot >= 0) ++self->tally[slot].orders;
    return nullptr;
}

ContainerBase* BattleWatch::OnAttack(Component* c, BusMessage, ContainerBase* p) {
    BattleWatch* self = Self(c);
    const CombatNameStruct* record = PayloadValue<CombatNameStruct>(p);
    if (!self || !record) return nullptr;
    if (const int slot = self->SlotOfUnit(record->attacker); slot >= 0) ++self->tally[slot].orders;
    return nullptr;
}

ContainerBase* BattleWatch::OnAutomaticWin(Component* c, BusMessage, ContainerBase*) {
    if (BattleWatch* self = Self(c)) self->automaticWin = true;
    return nullptr;
}

ContainerBase* BattleWatch::OnBeginTurn(Component* c, BusMessage, ContainerBase* p) {
    BattleWatch* self = Self(c);
    const short* turn = PayloadValue<short>(p);
    if (self && turn) self->turnBegun = *turn;
    return nullptr;
}

ContainerBase* BattleWatch::OnScoreTaken(Component* c, BusMessage, ContainerBase*) {
    if (BattleWatch* self = Self(c)) self->LookAtObjectives();
    return nullptr;
}

} // namespace runner
