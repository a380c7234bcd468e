// The layer's answers to the game's flow: who plays which side, the game options, the set-up of
// a scenario's players, each leader's activation, the elite initiative, the pause after combat;
// the turn's and the battle's screens, deployment and the rout phase; and the relays that carry
// a unit's state changes to every machine, with the undo of a unit's last action.
#include "core/absent_payload.h"
#include "game/logic/referee/vh_logical_layer.h"

#include "core/application.h"
#include "game/logic/game_random.h"
#include "game/logic/referee/app_services.h"
#include "game/logic/referee/flow_entries.h"
#include "game/logic/referee/game_control.h"
#include "game/logic/text_of.h"
#include "game/logic/vh_logical_landscape.h"
#include "game/units/group.h"
#include "game/units/unit_types.h"

#include <algorithm>
#include <cstdio>

namespace {

// A saved game may carry any finite factor; a target past the 16-bit range saturates instead of
// wrapping into a negative (or undefined) value.
std::int16_t ScaledTarget(std::int32_t target, float factor) {
    const double v = static_cast<double>(target) * static_cast<double>(factor);
    return static_cast<std::int16_t>(std::clamp(v, -32768.0, 32767.0));
}

constexpr const char* FlowSource = "VHLOG3";
constexpr const char* ScreenSource = "VHLOG5";

template <class T> bool Args(Component* c, ContainerBase* p, VhLogicalLayer*& self, T*& value, const char* source, int line) {
    return BusArgs(c, p, self, value, source, line);
}

VhLogicalLayer* Receiver(Component* c, const char* source, int line) {
    VhLogicalLayer* self = nullptr;
    BusReceiver(c, self, source, line);
    return self;
}

bool TextArgs(Component* c, ContainerBase* p, VhLogicalLayer*& self, std::string& text, int line) {
    self = Receiver(c, FlowSource, line);
    if (self && TextOf(p, text)) return true;
    if (self) Assert(0, kBadBusData, FlowSource, line);
    return false;
}

std::string StripMark(std::string name) {
    const std::string mark = Leader::ReplacementMark;
    for (std::size_t at; (at = name.find(mark)) != std::string::npos;) name.erase(at, mark.size());
    return name;
}

ContainerBase* RoutPhaseRoutingDoneEntry(Component* c, BusMessage, ContainerBase* p) {
    VhLogicalLayer* self = nullptr;
    short* unit = nullptr;
    if (!Args(c, p, self, unit, ScreenSource, __LINE__)) return nullptr;
    self->OnRoutPhaseRoutingDone(*unit);
    return nullptr;
}

ContainerBase* ShowDeploymentsEntry(Component* c, BusMessage, ContainerBase*) {
    if (VhLogicalLayer* self = Receiver(c, ScreenSource, __LINE__)) self->OnShowDeployments();
    return nullptr;
}

ContainerBase* FinisherTick(Component* c, BusMessage, ContainerBase*) {
    if (VhLogicalLayer* self = Receiver(c, FlowSource, __LINE__)) self->FinishViewingCombatResults();
    return nullptr;
}

} // namespace

// ---- entries ----

namespace flow_entries {

#define VH_NO_PAYLOAD(name, source, call)                                                                                    \
    ContainerBase* name(Component* c, BusMessage, ContainerBase*) {                                                         \
        if (VhLogicalLayer* self = Receiver(c, source, __LINE__)) self->call;                                               \
        return nullptr;                                                                                                      \
    }
#define VH_WITH(name, type, source, call)                                                                                    \
    ContainerBase* name(Component* c, BusMessage, ContainerBase* p) {                                                       \
        VhLogicalLayer* self = nullptr;                                                                                      \
        type* value = nullptr;                                                                                               \
        if (!Args(c, p, self, value, source, __LINE__)) return nullptr;                                                      \
        call;                                                                                                                \
        return nullptr;                                                                                                      \
    }

VH_NO_PAYLOAD(LeaderControl, FlowSource, OnLeaderControl())
ContainerBase* GameOptions(Component* c, BusMessage, ContainerBase* p) {
    VhLogicalLayer* self = Receiver(c, FlowSource, __LINE__);
    if (!self) return nullptr;
    // An event posted without a value means 1 (this copy chooses), never the 0 of the empty
    // payload (the other player chooses).
    short v = 1;
    if (!PayloadAbsent(p) && !ExtractData(p, v)) {
        Assert(0, kBadBusData, FlowSource, __LINE__);
        return nullptr;
    }
    self->OnGameOptions(v);
    return nullptr;
}
VH_WITH(InitializeScenario, TeamInfoStruct, FlowSource, self->OnInitializeScenario(*value))
VH_WITH(ReinitializeLeader, LeaderInfo, FlowSource, self->OnReinitializeLeader(*value))
VH_NO_PAYLOAD(RaiseActiveFlags, FlowSource, OnRaiseActiveFlags())
ContainerBase* LeaderActivated(Component* c, BusMessage, ContainerBase* p) {
    VhLogicalLayer* self = nullptr;
    std::string name;
    if (TextArgs(c, p, self, name, __LINE__)) self->OnLeaderActivated(name, false);
    return nullptr;
}
ContainerBase* LeaderResumed(Component* c, BusMessage, ContainerBase* p) {
    VhLogicalLayer* self = nullptr;
    std::string name;
    if (TextArgs(c, p, self, name, __LINE__)) self->OnLeaderActivated(name, true);
    return nullptr;
}
ContainerBase* FirstEliteInitiative(Component* c, BusMessage, ContainerBase* p) {
    VhLogicalLayer* self = nullptr;
    short* number = nullptr;
    if (!Args(c, p, self, number, FlowSource, __LINE__)) return nullptr;
    return self->OnFirstEliteInitiative(*number);
}
VH_NO_PAYLOAD(CombatDone, FlowSource, OnCombatDone())
VH_NO_PAYLOAD(DoneViewingCombatResults, FlowSource, OnDoneViewingCombatResults())
VH_WITH(BeginTurn, short, ScreenSource, self->OnBeginTurn(*value))
VH_WITH(CombatResults, SingleCombatResult, ScreenSource, self->OnCombatResults(*value))
VH_NO_PAYLOAD(GameOverview, ScreenSource, OnGameOverview())
VH_NO_PAYLOAD(GameObjectives, ScreenSource, OnGameObjectives())
VH_WITH(EndOfTurn, EndOfGameResults, ScreenSource, self->OnEndOfTurn(*value))
VH_WITH(EndOfGame, EndOfGameResults, ScreenSource, self->OnEndOfGame(*value))
VH_NO_PAYLOAD(BeginDeploymentPhase, ScreenSource, OnBeginDeploymentPhase())
VH_NO_PAYLOAD(ActivateFreeUnits, ScreenSource, OnActivateFreeUnits())
VH_WITH(RoutPhase, short, ScreenSource, (void)*value; self->OnRoutPhase())
VH_WITH(DoRout, RoutInfo, ScreenSource, self->OnDoRout(*value))

// Relays: the unit of the record's number takes the state change; a number that names no unit of
// the kind the relay needs changes nothing.
VH_WITH(DoMissileFire, MissileFireStruct, ScreenSource,
        if (MissileCapable* m = AsMissileCapable(self->FindCombatUnit(value->unit))) m->DoMissileFire(value->fire))
VH_WITH(DoRestoreCohesion, RestoreCohesionInfo, ScreenSource,
        if (Combat* u = self->FindCombatUnit(value->unit)) u->RestoreCohesion(value->value))
VH_WITH(DoLineColumn, LineColumnInfo, ScreenSource,
        if (MissileCapable* m = AsMissileCapable(self->FindCombatUnit(value->unit))) m->SetFormation(value->first, value->order, value->second))
VH_WITH(DoMountDismount, MountDismountInfo, ScreenSource,
        if (auto* u = self->FindCombatUnit(value->unit); u && u->GetUnitKind() == CavalryKind) static_cast<LightCav*>(u)->SetMounted(value->order))
VH_WITH(DoLimberUnlimber, LimberUnlimberInfo, ScreenSource,
        if (auto* u = self->FindCombatUnit(value->unit); u && u->GetUnitKind() == ArtilleryKind) static_cast<Artillery*>(u)->SetLimbered(value->order))
VH_WITH(WoundedLeader, WoundedLeaderInfo, ScreenSource, if (Leader* l = self->FindLeader(value->leader)) l->Wound(value->word))
VH_WITH(FinishedLeader, short, ScreenSource, if (Leader* l = self->FindLeader(static_cast<std::uint16_t>(*value))) l->SetFinished())
VH_WITH(EliminateUnit, short, ScreenSource,
        if (VhUnit* u = self->FindUnit(static_cast<std::uint16_t>(*value)); u && !u->IsRemoved()) u->RemoveFromPlay())
VH_WITH(UsedThisTurn, short, ScreenSource, if (VhUnit* u = self->FindUnit(static_cast<std::uint16_t>(*value))) u->SetUsedThisTurn(1))
VH_WITH(ReplenishMissiles, ReplenishMissilesInfo, ScreenSource,
        if (MissileCapable* m = AsMissileCapable(self->FindUnit(value->unit))) m->ReplenishMissiles(value->value))
VH_WITH(PursuitOffMap, PursuitInfo, ScreenSource,
        if (VhUnit* u = self->FindUnit(value->unit)) {
            u->SetRetreatEdge(value->edge);
            if (Group* g = u->GetGroup()) g->RemoveUnit(u);
            u->SetGroup(nullptr);
        })
VH_WITH(DoColumnLine, short, ScreenSource, self->FindUnit(static_cast<std::uint16_t>(*value)))
ContainerBase* IsLeaderFriendly(Component* c, BusMessage, ContainerBase* p) {
    VhLogicalLayer* self = nullptr;
    Leader** leader = nullptr;
    if (!Args(c, p, self, leader, ScreenSource, __LINE__)) return nullptr;
    return new Container<short>(self->IsLeaderFriendly(*leader));
}
VH_NO_PAYLOAD(UnitUndo, ScreenSource, OnUnitUndo())
VH_WITH(Undo, UndoStruct, ScreenSource, self->OnUndo(*value))
VH_WITH(ResolveOW, OWStruct, ScreenSource, self->OnResolveOW(*value))

#undef VH_NO_PAYLOAD
#undef VH_WITH
} // namespace flow_entries

// ---- players, options, set-up ----

void VhLogicalLayer::OnLeaderControl() {
    if (AppServices().GetGameMode() == 2) {
        computerControl[0] = computerControl[1] = 0;
        return;
    }
    std::uint16_t a = 0, b = 0;
    if (AppServices().RunLeaderControlDialog(a, b)) computerControl[0] = a, computerControl[1] = b;
}

void VhLogicalLayer::OnGameOptions(std::int16_t deploymentChoice) {
    if (AppServices().GetGameMode() == 1) turnLimitChoice = 1;
    GameAppServices::GameOptions options;
    if (!AppServices().RunGameOptionsDialog(computerControl[0] != 0, deploymentChoice, turnLimitChoice, options)) return;
    difficulty[0] = options.difficulty0;
    difficulty[1] = options.difficulty1;
    difficultyDeployment = options.defaultDeployment;
    turnLimitsWord = options.turnLimits;
    fogOfWarWord = options.fogOfWar;
}

void VhLogicalLayer::OnInitializeScenario(const TeamInfoStruct& teams) {
    const std::int32_t home = scenario.homeNation, visiting = scenario.visitingNation;
    const auto flag = [&](std::int32_t nation) { return nation >= 0 && nation < 2 ? computerControl[nation] : 0; };
    if (flag(home) || flag(visiting)) {
        const bool homeIsComputer = flag(home) != 0;
        const std::int32_t computerSide = homeIsComputer ? home : visiting;
        List<Leader*>& sideLeaders = computerSide == secondNation ? secondNationLeaders : firstNationLeaders;
        for (Item<Leader*>* i = sideLeaders.Head(); i; i = i->next) {
            i->value->SetAIControlled(1);
            computerLeaders.AddTail(i->value);
        }
        if (scriptName.empty()) {
            const std::vector<std::string>& scripts = homeIsComputer ? scenario.homeScripts : scenario.visitingScripts;
            if (scripts.empty()) return;
            const int n = static_cast<int>(scripts.size());
            int r = GameRandom() % n;
            if (r == lastScript) r = (r + 1) % n;
            lastScript = r;
            scriptName = scripts[static_cast<std::size_t>(r)];
        }
        CreateComputerPlayer(homeIsComputer);
    }
    // The dividing line between the armies, and which leaders this machine commands.
    const std::uint32_t homeEdge = GetRetreatEdge(static_cast<std::uint32_t>(home));
    const std::uint32_t visitingEdge = GetRetreatEdge(static_cast<std::uint32_t>(visiting));
    const bool homeIsA = homeEdge == 1 || homeEdge == 7;
    const std::int32_t sideA = homeIsA ? home : visiting;
    const bool north = (homeIsA ? homeEdge : visitingEdge) == 1;
    int a = 0, b = 0;
    if (landscape) {
        const Point size = landscape->GetSize();
        b = north ? size.y : size.x;
    }
    const auto axis = [&](std::uint16_t region) { return north ? region % 100 : region / 100; };
    const auto note = [&](std::int32_t unitSide, std::uint16_t region) {
        if (region == 0xFFFF) return;
        const int v = axis(region);
        if (unitSide == sideA) a = v > a ? v : a;
        else b = v < b ? v : b;
    };
    const auto named = [&](const List<std::string>& names, const std::string& n) { return names.Contains(n); };
    for (Item<Leader*>* i = leaders.Head(); i; i = i->next) {
        Leader* l = i->value;
        const std::string bare = StripMark(l->GetName());
        if (named(teams.homeLeaders, bare) || named(teams.visitingLeaders, bare)) {
            l->SubscribeActivation();
            if (!localLeaders.Contains(l)) localLeaders.AddTail(l);
        } else {
            l->SubscribeActivationOnly();
        }
        if (l->IsOnMap()) note(static_cast<std::int32_t>(l->GetSide()), l->GetLocation());
    }
    for (Item<Combat*>* i = combatUnits.Head(); i; i = i->next) {
        Combat* u = i->value;
        if (!u->IsOnMap()) continue;
        note(static_cast<std::int32_t>(u->GetSide()), u->GetLocation());
        if (u->IsTwoHex()) note(static_cast<std::int32_t>(u->GetSide()), u->GetSecondRegion());
    }
    dividingLine = static_cast<std::int16_t>(b - a > 1 ? a + (b - a) / 2 : -1);
    VhUnit::SetDeploymentLine(dividingLine);
    int points[2] = {0, 0};
    for (Item<Combat*>* i = firstNationCombat.Head(); i; i = i->next) points[0] += i->value->StrengthValue();
    for (Item<Combat*>* i = secondNationCombat.Head(); i; i = i->next) points[1] += i->value->StrengthValue();
    if (fogOfWarWord) {
        int sides = 0;
        std::int32_t s = -1;
        for (Item<Leader*>* i = localLeaders.Head(); i; i = i->next) {
            if (i->value->IsAIControlled()) continue;
            const auto ls = static_cast<std::int32_t>(i->value->GetSide());
            if (s == -1) s = ls, sides = 1;
            else if (s != ls) sides = 2;
        }
        if (sides == 1) {
            // The battlefield and the map layers take the local side as a nation.
            Container<NATION> side(static_cast<NATION>(s));
            delete SendNamed("FogOfWar", &side);
        }
    }
    if (gameControl) {
        const auto factor = [&](std::int32_t nation) { return nation >= 0 && nation < 2 ? difficulty[nation] : 1.0f; };
        gameControl->SetVictoryTarget(0, ScaledTarget(scenario.homeTarget, factor(home)));
        gameControl->SetVictoryTarget(1, ScaledTarget(scenario.visitingTarget, factor(visiting)));
        gameControl->SetDeploymentPhase(difficultyDeployment == 0 ? 1 : 0);
        gameControl->SetTotalPoints(0, static_cast<std::int16_t>(points[0]));
        gameControl->SetTotalPoints(1, static_cast<std::int16_t>(points[1]));
        gameControl->SetNations(home, visiting);
        gameControl->SetSideNames(scenario.homeName, scenario.visitingName);
        gameControl->SetUnitCount(0, static_cast<std::int16_t>(scenario.homeUnits));
        gameControl->SetUnitCount(1, static_cast<std::int16_t>(scenario.visitingUnits));
        gameControl->SetTurnLimitOn(turnLimitsWord);
        gameControl->SetLastTurn(scenario.turnLimit);
        gameControl->SetDefaultWinner(scenario.defaultWinner);
        gameControl->SetStartDate(scenario.startMonth, scenario.startDay, scenario.startYear, scenario.startHour);
        gameControl->SetLandscape(landscape);
    }
}

void VhLogicalLayer::OnReinitializeLeader(const LeaderInfo& info) {
    if (info.first != playerName) return;
    Leader* l = FindLeaderByName(info.second);
    if (!l) return;
    l->UnsubscribeAllActivation();
    l->SubscribeActivation();
    if (!localLeaders.Contains(l)) localLeaders.AddTail(l);
}

void VhLogicalLayer::OnRaiseActiveFlags() {
    if (!activeGroup) return;
    Leader* boss = activeGroup->GetLeader();
    if (!boss) return;
    List<unsigned short> subordinates, side1, others, flags, used;
    for (Item<Leader*>* i = leaders.Head(); i; i = i->next) {
        if (i->value->GetSuperior() == boss) subordinates.AddTail(i->value->GetUnitNum());
        else if (i->value->GetSide() == 1) side1.AddTail(i->value->GetUnitNum());
        else others.AddTail(i->value->GetUnitNum());
    }
    ListIterator<VhUnit*> it(&activeGroup->GetUnits(), 0);
    VhUnit* u = nullptr;
    while (it.Next(u)) {
        if (u == boss || !u->IsOnMap() || u->IsOrderBlocked() || u->HasActed()) continue;
        flags.AddTail(u->GetUnitNum());
        if (u->IsUsedThisTurn()) used.AddTail(u->GetUnitNum());
    }
    if (boss->GetCommandsLeft() > 0) {
        for (Item<unsigned short>* i = subordinates.Head(); i; i = i->next) flags.AddTail(i->value);
        if (boss->GetCommandLevel() == 1) {
            List<unsigned short>& same = boss->GetSide() == 1 ? side1 : others;
            for (Item<unsigned short>* i = same.Head(); i; i = i->next) flags.AddTail(i->value);
        }
    }
    if (!boss->IsAwaitingArrival()) flags.AddTail(boss->GetUnitNum());
    Container<RaiseFlagsStruct> record(RaiseFlagsStruct(used, flags, static_cast<std::int32_t>(boss->GetSide())));
    PostNamed("RaiseFlags", &record);
}

void VhLogicalLayer::OnLeaderActivated(const std::string& name, bool resumed) {
    Leader* l = FindLeaderByName(name);
    if (!l) return;
    activeGroup = l->GetGroup();
    delete SendNamedEvent("RaiseActiveFlags");
    if (!localLeaders.Contains(l)) VhUnit::foreignActivation = 1;
    if (l->IsAIControlled()) {
        l->SubscribeAIOrderHandlers();
        Container<std::string> text(l->GetCommentaryName() + "\\B is now giving commands.  Please wait...\\b");
        PostNamed("AddCommentary", &text);
        Container<Group*> group(activeGroup);
        PostNamed("InitAILeader", &group);
        return;
    }
    PostNamedEvent("InitLeader");
    if (resumed) return;
    char text[256];
    std::snprintf(text, sizeof text, "Turn #%i; %s", currentTurn + 1, name.c_str());
    Container<std::string> save{std::string(text)};
    delete SendNamed("AutoSaveGame", &save);
}

ContainerBase* VhLogicalLayer::OnFirstEliteInitiative(std::int16_t leaderNumber) {
    Leader* l = FindLeader(static_cast<std::uint16_t>(leaderNumber));
    if (!l || !localLeaders.Contains(l) || l->IsAIControlled()) return nullptr;
    List<Leader*>& side = firstNationLeaders.Contains(l) ? firstNationLeaders : secondNationLeaders;
    std::vector<std::string> names;
    for (Item<Leader*>* i = side.Head(); i; i = i->next) names.push_back(i->value->GetName());
    const std::string chosen = AppServices().RunEliteInitiativeDialog(names);
    Leader* picked = chosen.empty() ? nullptr : FindLeaderByName(chosen);
    return new Container<short>(static_cast<short>(picked ? picked->GetUnitNum() : 0));
}

void VhLogicalLayer::OnCombatDone() {
    if (combatResults.IsEmpty()) {
        PostNamedEvent("DoneViewingCombatResults");
        return;
    }
    List<short> scars;
    for (Item<SingleCombatResult>* r = combatResults.Head(); r; r = r->next)
        for (int k = 0; k < 2; ++k)
            for (Item<short>* v = r->value.numbers[k].Head(); v; v = v->next) scars.AddTail(v->value);
    Container<List<short>> payload(scars);
    PostNamed("AddBattleScars", &payload);
    // The overall-results dialog belongs to the application; it reports back with
    // "DoneViewingCombatResults" when the player has seen it.
    if (!showOverallResults) PostNamedEvent("DoneViewingCombatResults");
    else PostNamedEvent("OverallCombatResults");
}

void VhLogicalLayer::OnDoneViewingCombatResults() {
    RemoveTimer(FinisherTick);
    AddTimer(FinisherTick, 2);
}

void VhLogicalLayer::FinishViewingCombatResults() {
    RemoveTimer(FinisherTick);
    std::string what;
    if (!combatResults.IsEmpty()) {
        what = "viewing combat results";
        combatResults.Clear();
    }
    delete PostNamedEventAndWait("ZoomOutAfterCombat");
    delete PostNamedEventAndWait("FinishLeader");
    Container<std::string> text(what);
    PostNamed("SynchronizeGame", &text);
}

// ---- screens, deployment, the rout phase ----

void VhLogicalLayer::OnGameOverview() {
    ContainerBase* answer = PostNamedEventAndWait("GetGameResults");
    EndOfGameResults results;
    const bool got = ExtractData(answer, results);
    delete answer;
    if (got) AppServices().RunEndTurnDialog(results, 0);
}

void VhLogicalLayer::OnGameObjectives() { AppServices().RunObjectivesDialog(); }

void VhLogicalLayer::OnEndOfTurn(const EndOfGameResults& results) {
    if (!AppServices().RunEndTurnDialog(results, 2)) return;
    Container<std::string> text(std::string("viewing end of turn results"));
    PostNamed("SynchronizeGame", &text);
}

void VhLogicalLayer::OnEndOfGame(const EndOfGameResults& results) {
    int won = 0;
    std::int32_t side = -1;
    if (localLeaders.IsEmpty()) {
        won = 1;
        side = results.winner;
    } else {
        for (Item<Leader*>* i = localLeaders.Head(); i; i = i->next) {
            if (i->value->IsAIControlled()) continue;
            side = static_cast<std::int32_t>(i->value->GetSide());
            if (side == results.winner) {
                won = 1;
                break;
            }
        }
    }
    Container<short> music(static_cast<short>(won));
    delete PostNamedAndWait("EndGameMusic", &music);
    for (;;) {
        bool viewField = false;
        if (!AppServices().RunEndOfGameDialog(side, won, viewField)) return;
        if (!viewField) break;
        if (!AppServices().RunViewBattleFieldDialog(128)) return;
    }
    Container<std::string> text(std::string("viewing end of game results"));
    PostNamed("SynchronizeGame", &text);
}

void VhLogicalLayer::OnBeginDeploymentPhase() {
    List<unsigned short> mine;
    for (Item<Leader*>* i = localLeaders.Head(); i; i = i->next) mine.AddTail(i->value->GetUnitNum());
    Container<RaiseFlagsStruct> raise(RaiseFlagsStruct(List<unsigned short>(), mine, -1));
    PostNamed("RaiseFlags", &raise);
    if (landscape) landscape->SetDeploymentHold(1);
    if (!AppServices().RunViewBattleFieldDialog(130)) return;
    Container<short> none(-1);
    delete PostNamedAndWait("UnitDropped", &none);
    if (landscape) landscape->SetDeploymentHold(0);
    Container<RaiseFlagsStruct> lower(RaiseFlagsStruct(List<unsigned short>(), List<unsigned short>(), -1));
    PostNamed("RaiseFlags", &lower);
    RegisterNamedHandler("ShowDeployments", ShowDeploymentsEntry);
    Container<std::string> text(std::string("deploying units"));
    PostNamed("SynchronizeGame", &text);
}

void VhLogicalLayer::OnShowDeployments() {
    UnregisterNamedHandler("ShowDeployments", ShowDeploymentsEntry);
    if (landscape) landscape->ReplayDeferredUnitChanges();
    Container<std::string> text{std::string()};
    PostNamed("SynchronizeGame", &text);
}

void VhLogicalLayer::OnActivateFreeUnits() {
    if (Application* app = GetApplication()) app->EndWait();
    for (std::uint16_t menuId : {220, 221, 235, 196, 195}) {
        Container<BusMessage> item{BusMessage(menuId)};
        Post(DISABLE_MENU_ITEM, &item);
    }
    PostNamedEvent("PerformShock");
}

void VhLogicalLayer::OnRoutPhase() {
    unitCursor.Restart();
    UnregisterNamedHandler("RoutingDone", flow_entries::ShockRoutingDone);
    RegisterNamedHandler("RoutingDone", RoutPhaseRoutingDoneEntry);
    routPhase = true;
    routCount = 0;
    routingWait.Clear();
    List<Combat*> routed;
    for (Item<Combat*>* i = combatUnits.Head(); i; i = i->next)
        if (!i->value->IsRemoved() && i->value->GetRoutCounter() > 0) routed.AddTail(i->value);
    for (Item<Combat*>* i = routed.Head(); i; i = i->next) {
        routingWait.AddTail(static_cast<short>(i->value->GetUnitNum()));
        ++routCount;
    }
    if (routCount == 0) {
        UnregisterNamedHandler("RoutingDone", RoutPhaseRoutingDoneEntry);
        RegisterNamedHandler("RoutingDone", flow_entries::ShockRoutingDone);
        routPhase = false;
        PostNamedEvent("EndOfTurnRoutingDone");
        return;
    }
    for (Item<Combat*>* i = routed.Head(); i; i = i->next) {
        Combat* u = i->value;
        u->DoRout(u->GetRoutCounter() >= 3 ? 99 : u->GetMovementAllowance());
    }
    delete PostNamedEventAndWait("ZoomOutForRout");
}

void VhLogicalLayer::OnRoutPhaseRoutingDone(std::int16_t unit) {
    // Only the units this phase set routing count: a completion from any other rout (a unit
    // routed through and broken, say) must not end the phase early.
    if (!routPhase || !routingWait.Remove(unit)) return;
    if (--routCount > 0) return;
    UnregisterNamedHandler("RoutingDone", RoutPhaseRoutingDoneEntry);
    RegisterNamedHandler("RoutingDone", flow_entries::ShockRoutingDone);
    routPhase = false;
    delete PostNamedEventAndWait("ZoomInAfterRout");
    PostNamedEvent("EndOfTurnRoutingDone");
}

void VhLogicalLayer::OnDoRout(const RoutInfo& record) {
    Combat* u = FindCombatUnit(record.unit);
    if (!u) return;
    List<short> route = record.regions;
    u->TerminalRout(route, static_cast<std::int16_t>(record.word));
}

// ---- undo ----

void VhLogicalLayer::OnUnitUndo() {
    UndoStruct record;
    VhUnit::PopUndo(record);
    Container<UndoStruct> payload(record);
    delete PostNamedAndWait("Undo", &payload);
}

void VhLogicalLayer::OnUndo(const UndoStruct& record) {
    if (VhUnit* u = FindUnit(record.unit)) u->Undo(record);
}

std::int16_t VhLogicalLayer::IsLeaderFriendly(const Leader* leader) const {
    if (!leader) return 0;
    for (Item<Leader*>* i = localLeaders.Head(); i; i = i->next)
        if (i->value->GetSide() == leader->GetSide()) return 1;
    return 0;
}
