#include "game/ai/player/builtins.h"

#include "core/container.h"
#include "game/ai/builtin_table.h"
#include "game/ai/player/vh_ai.h"
#include "game/logic/game_records.h"
#include "game/logic/vh_logical_landscape.h"
#include "game/units/combat.h"
#include "game/units/group.h"
#include "game/units/leader.h"
#include "game/units/missile_capable.h"

#include <array>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

namespace vhai {
namespace {

using Args = BuiltInArgs;

VhAI& Ai(void* owner) { return *static_cast<VhAI*>(owner); }

// Script values carry 16-bit answers widened with their sign.
std::int32_t Widen(std::int32_t v) { return static_cast<std::int16_t>(v); }
std::uint16_t Region(std::int32_t v) { return static_cast<std::uint16_t>(v); }

// ---- queries ----

std::int32_t CanMove(void* o, Args& a) {
    VhUnit* u = Ai(o).FindUnit(a[0]);
    return u && u->IsOnMap() && !u->IsAwaitingArrival() && !u->HasMoved() && !u->IsRouted() ? 1 : 0;
}

std::int32_t CanAttack(void* o, Args& a) {
    Combat* c = AsCombat(Ai(o).FindUnit(a[0]));
    return c && c->IsInFrontHexes(Region(a[1])) ? 1 : 0;
}

std::int32_t HexOccupancy(void* o, Args& a) {
    VhLogicalLandscape* map = Ai(o).Landscape();
    if (a[0] == -1 || !map) return -1;
    VhUnit* u = map->FirstUnitIn(Region(a[0]));
    return u ? Widen(u->GetUnitNum()) : -1;
}

std::int32_t AdjacentHex(void* o, Args& a) {
    VhLogicalLandscape* map = Ai(o).Landscape();
    if (!map || a[1] < 1 || a[1] > 8) return -1;
    return Widen(map->GetNeighbour(Region(a[0]), a[1]));
}

std::int32_t QueryUnit(void* o, Args& a) {
    VhUnit* u = Ai(o).FindUnit(a[1]);
    return u ? Widen(u->Query(a[0])) : -1;
}

std::int32_t GroupListReset(void* o, Args&) {
    Ai(o).GroupReset();
    return 1;
}
std::int32_t GroupListGetNext(void* o, Args&) { return Ai(o).GroupNext(); }
std::int32_t GroupListGetPrevious(void* o, Args&) { return Ai(o).GroupPrevious(); }
std::int32_t GroupListGet(void* o, Args&) { return Ai(o).GroupCurrent(); }
std::int32_t GroupListGetSize(void* o, Args&) { return Ai(o).GroupSize(); }

std::int32_t Direction(void* o, Args& a) {
    VhLogicalLandscape* map = Ai(o).Landscape();
    return map ? Widen(map->FacingTowards(Region(a[0]), Region(a[1]))) : 0;
}

std::int32_t Distance(void* o, Args& a) {
    VhLogicalLandscape* map = Ai(o).Landscape();
    return map ? Widen(map->RegionDistance(Region(a[0]), Region(a[1]))) : 0;
}

// ---- script lists: a handle that names no list answers FAILED or -1 ----

std::int32_t GetList(void* o, Args&) { return Ai(o).NewList(); }

std::int32_t AddToList(void* o, Args& a) {
    std::vector<short>* l = Ai(o).ListAt(a[0]);
    if (!l) return 0;
    l->push_back(static_cast<short>(a[1]));
    return 1;
}

std::int32_t GetNextInList(void* o, Args& a) {
    std::vector<short>* l = Ai(o).ListAt(a[0]);
    if (!l) return -1;
    std::size_t& cursor = *Ai(o).CursorAt(a[0]);
    if (cursor >= l->size()) {
        cursor = 0;
        return -1;
    }
    return (*l)[cursor++];
}

std::int32_t ReleaseList(void* o, Args& a) { return Ai(o).ReleaseList(a[0]) ? 1 : 0; }

std::int32_t SizeOfList(void* o, Args& a) {
    std::vector<short>* l = Ai(o).ListAt(a[0]);
    return l ? static_cast<std::int32_t>(l->size()) : 0;
}

std::int32_t RemoveFromList(void* o, Args& a) {
    std::vector<short>* l = Ai(o).ListAt(a[0]);
    if (!l) return 0;
    *Ai(o).CursorAt(a[0]) = 0;
    for (auto it = l->begin(); it != l->end(); ++it)
        if (*it == static_cast<short>(a[1])) {
            l->erase(it);
            return 1;
        }
    return 0;
}

std::int32_t ResetList(void* o, Args& a) {
    if (!Ai(o).ListAt(a[0])) return 0;
    *Ai(o).CursorAt(a[0]) = 0;
    return 1;
}

std::int32_t GetLast(void* o, Args& a) {
    std::vector<short>* l = Ai(o).ListAt(a[0]);
    return l && !l->empty() ? l->back() : -1;
}

void CopyInto(std::vector<short>& out, const List<short>& in) {
    for (Item<short>* i = in.Head(); i; i = i->next) out.push_back(i->value);
}
void AddNew(std::vector<short>& out, short v) {
    for (short x : out)
        if (x == v) return;
    out.push_back(v);
}

std::int32_t AssignList(void* o, Args& a) {
    VhAI& ai = Ai(o);
    std::vector<short>* l = ai.ListAt(a[0]);
    if (!l) return 0;
    const std::int32_t kind = a[1];
    std::vector<short> out;
    if (kind == 6) {
        if (ai.Units())
            for (Item<Combat*>* i = ai.Units()->Head(); i; i = i->next)
                if (i->value && i->value->IsLegal()) out.push_back(static_cast<short>(i->value->GetUnitNum()));
    } else {
        Combat* c = AsCombat(ai.FindUnit(a[2]));
        VhLogicalLandscape* map = ai.Landscape();
        if (!c) return 0;
        const int facing = static_cast<int>(c->GetFacing());
        const std::uint16_t at = c->GetLocation();
        auto step = [&](int dir) {
            return map ? static_cast<short>(map->GetNeighbour(at, dir)) : static_cast<short>(-1);
        };
        auto turned = [](int f, int by) { return ((f - 1 + by) % 8 + 8) % 8 + 1; };
        switch (kind) {
        case 0:
            if (!c->IsRouted()) CopyInto(out, c->GetFrontHexList());
            break;
        case 1:
            CopyInto(out, c->GetFlankHexList());
            break;
        case 2:
            out.push_back(step(turned(facing, 3)));
            out.push_back(step(turned(facing, 5)));
            break;
        case 3: {
            List<short> legal;
            c->FindLegalDestinations(legal, c->GetFacing(), c->GetMovementPoints());
            CopyInto(out, legal);
            break;
        }
        case 5:
            out.push_back(step(turned(facing, -1)));
            out.push_back(step(turned(facing, 1)));
            for (Item<short>* i = c->GetFlankHexList().Head(); i; i = i->next) AddNew(out, i->value);
            AddNew(out, step(turned(facing, 3)));
            AddNew(out, step(turned(facing, 5)));
            break;
        default:
            return 0;
        }
    }
    *l = std::move(out);
    *ai.CursorAt(a[0]) = 0;
    return 1;
}

std::int32_t IsMemberOf(void* o, Args& a) {
    std::vector<short>* l = Ai(o).ListAt(a[0]);
    if (!l) return 0;
    for (short v : *l)
        if (v == static_cast<short>(a[1])) return 1;
    return 0;
}

std::int32_t ClearList(void* o, Args& a) {
    std::vector<short>* l = Ai(o).ListAt(a[0]);
    if (!l) return 0;
    l->clear();
    *Ai(o).CursorAt(a[0]) = 0;
    return 1;
}

std::int32_t DumpList(void*, Args&) { return 0; }
std::int32_t BreakPoint(void*, Args&) { return 1; }

std::int32_t GetLeader(void* o, Args&) {
    Leader* l = Ai(o).CurrentLeader();
    return l ? Widen(l->GetUnitNum()) : -1;
}

std::int32_t FinishLeader(void* o, Args&) {
    Ai(o).FinishLeader();
    return 1;
}

std::int32_t InCommandRange(void* o, Args& a) {
    VhUnit* u = Ai(o).FindUnit(a[0]);
    return u ? (u->IsLegal() ? 1 : 0) : -1;
}

std::int32_t CanBeOrdered(void* o, Args& a) {
    VhUnit* u = Ai(o).FindUnit(a[0]);
    return u && u->IsLegal() ? 1 : 0;
}

std::int32_t IsLeader(void* o, Args& a) {
    VhUnit* u = Ai(o).FindUnit(a[0]);
    return u && u->IsLeader() ? 1 : 0;
}

std::int32_t IsEnemy(void* o, Args& a) {
    VhUnit* u = Ai(o).FindUnit(a[0]);
    VhUnit* other = Ai(o).FindUnit(a[1]);
    return u && other && u->IsHostileTo(other->GetSide()) ? 1 : 0;
}

std::int32_t IsInGeneralDir(void* o, Args& a) {
    VhAI& ai = Ai(o);
    VhUnit* u = ai.FindUnit(a[0]);
    VhLogicalLandscape* map = ai.Landscape();
    if (!u || !map) return 0;
    return map->IsInFrontArc(u->GetLocation(), Region(a[1]), static_cast<int>(u->GetFacing())) ? 1 : 0;
}

std::int32_t FindClosestEnemyToFire(void* o, Args& a) {
    VhAI& ai = Ai(o);
    MissileCapable* m = AsMissileCapable(ai.FindUnit(a[0]));
    VhLogicalLandscape* map = ai.Landscape();
    if (!m || !map) return -1;
    int best = 999;
    std::int32_t region = -1;
    for (Item<short>* i = m->GetMissileTargets().Head(); i; i = i->next) {
        const int d = map->RegionDistance(m->GetLocation(), static_cast<std::uint16_t>(i->value));
        if (d < best) {
            best = d;
            region = i->value;
        }
    }
    return region;
}

std::int32_t GetTurnNum(void* o, Args&) {
    ContainerBase* answer = Ai(o).SendNamedEvent("GetTurnNum");
    short* turn = PayloadValue<short>(answer);
    const std::int32_t result = turn ? *turn : -1;
    delete answer;
    return result;
}

std::int32_t Random(void*, Args& a) {
    if (a[0] <= 0) return 0;
    return std::rand() % a[0];
}

std::int32_t EnemyWithinRange(void* o, Args& a) {
    VhUnit* u = Ai(o).FindUnit(a[0]);
    return u && u->EnemyWithin(a[1]) ? 1 : 0;
}

std::int32_t GetGroup(void* o, Args& a) {
    VhAI& ai = Ai(o);
    Group* g = ai.FindGroup(a[0]);
    if (!g) return 0;
    std::vector<short>* l = ai.ListAt(a[1]);
    if (!l) return 0;
    for (Item<VhUnit*>* i = g->GetUnits().Head(); i; i = i->next)
        if (i->value) l->push_back(static_cast<short>(i->value->GetUnitNum()));
    return 1;
}

std::int32_t GetGroupLeader(void* o, Args& a) {
    Group* g = Ai(o).FindGroup(a[0]);
    return g && g->GetLeader() ? Widen(g->GetLeader()->GetUnitNum()) : 0;
}

std::int32_t InMomentumPhase(void* o, Args&) {
    Leader* l = Ai(o).CurrentLeader();
    return l && l->HasFinishedActivation() ? 1 : 0;
}

std::int32_t IsReinforcement(void* o, Args& a) {
    Group* g = Ai(o).FindGroup(a[0]);
    return g && g->GetLeader() && g->GetLeader()->IsAwaitingArrival() ? 1 : 0;
}

// ---- orders ----

std::int32_t MoveToward(void* o, Args& a) { return IssueMoveToward(Ai(o), a[0], a[1]); }

std::int32_t MoveTo(void* o, Args& a) {
    VhAI& ai = Ai(o);
    VhUnit* u = ai.FindUnit(a[1]);
    if (!u || u->IsAwaitingArrival()) return 0;
    std::int32_t result = 0;
    u->FindLegalDestinations(u->GetLegalDestinations(), 0, 0);
    if (u->IsLegalEnd(Region(a[0])) && u->CanMoveTo(Region(a[0]))) result = IssueMoveToward(ai, a[0], a[1]);
    ai.CountCommand(u->GetUnitNum());
    return result;
}

std::int32_t Fire(void* o, Args& a) {
    VhAI& ai = Ai(o);
    MissileCapable* m = AsMissileCapable(ai.FindUnit(a[0]));
    if (!m || !m->CanFireNow() || !m->GetMissileTargets().Contains(static_cast<short>(a[1]))) return 0;
    if (!m->FireAtHex(Region(a[1]))) return 0;
    ai.AddPending(m->GetUnitNum());
    ai.CountCommand(m->GetUnitNum());
    return 1;
}

std::int32_t Recover(void* o, Args& a) {
    VhAI& ai = Ai(o);
    Combat* c = AsCombat(ai.FindUnit(a[0]));
    if (!c) return 0;
    c->DoRestoreCohesion();
    ai.CountCommand(c->GetUnitNum());
    return 1;
}

std::int32_t AttemptToRally(void* o, Args& a) {
    VhAI& ai = Ai(o);
    Combat* c = AsCombat(ai.FindUnit(a[0]));
    if (!c) return 0;
    ai.CountCommand(c->GetUnitNum());
    Container<unsigned short> number(c->GetUnitNum());
    ai.PostNamed("GiveOrder", &number);
    const int commands = ai.CurrentLeader() ? ai.CurrentLeader()->GetCommands() : 0;
    if (!c->AttemptRally(static_cast<std::int16_t>(commands))) return 0;
    c->TurnTowardNearestEnemy();
    return 1;
}

std::int32_t TurnToAttack(void* o, Args& a) {
    VhAI& ai = Ai(o);
    VhUnit* u = ai.FindUnit(a[0]);
    if (!u) return 0;
    Combat* c = AsCombat(u);
    if (!c) return -1;
    const int r = c->TurnToEngage();
    if (r == 1) ai.WaitForFire(c->GetUnitNum(), -1);
    return r;
}

std::int32_t Rotate(void* o, Args& a) {
    VhAI& ai = Ai(o);
    VhUnit* u = ai.FindUnit(a[0]);
    if (!u || a[1] < 1 || a[1] > 8) return 0;
    ai.CountCommand(u->GetUnitNum());
    const int r = u->TurnTowards(static_cast<std::uint32_t>(a[1]));
    if (r == 1) ai.WaitForFire(u->GetUnitNum(), -1);
    return Widen(r);
}

std::int32_t CanRotate(void* o, Args& a) {
    VhUnit* u = Ai(o).FindUnit(a[0]);
    if (!u || a[1] < 1 || a[1] > 8) return 0;
    Combat* c = AsCombat(u);
    return !c || c->CanWheelTo(static_cast<std::uint32_t>(a[1])) ? 1 : 0;
}

std::int32_t GetValidMovement(void* o, Args& a) {
    VhUnit* u = Ai(o).FindUnit(a[0]);
    if (!u) return 0;
    u->FindLegalDestinations(u->GetLegalDestinations(), 0, 0);
    return 1;
}

std::int32_t AnyoneToCombat(void* o, Args& a) {
    Combat* c = AsCombat(Ai(o).FindUnit(a[0]));
    return c ? Widen(c->ChooseAttackHex()) : -1;
}

std::int32_t FindClosestEnemyToAttack(void* o, Args& a) {
    Combat* c = AsCombat(Ai(o).FindUnit(a[0]));
    return c ? Widen(c->FindNearestEnemy(static_cast<std::int16_t>(c->GetLocation()))) : -1;
}

// The charge is declared into the region: at once when the enemy there stands before the unit,
// else once the unit has moved to the hex it attacks from (its move completion declares it, as
// for a player's click); noting the target alone would leave the order without effect.
std::int32_t Attack(void* o, Args& a) {
    VhAI& ai = Ai(o);
    Combat* c = AsCombat(ai.FindUnit(a[0]));
    if (!c || c->GetUnitKind() == 7) return 0;
    const std::uint16_t target = Region(a[1]);
    if (c->IsInFrontHexes(target)) {
        ai.CountCommand(c->GetUnitNum());
        c->Attack(target);
        return 1;
    }
    c->FindLegalDestinations(c->GetLegalDestinations(), 0, 0);
    const std::uint16_t from = c->HexToAttackFrom(target);
    if (from == target || from == c->GetLocation() || c->HasMoved()) return 0;
    c->SetAttackTarget(static_cast<std::int16_t>(a[1]));
    if (IssueMoveToward(ai, from, c->GetUnitNum()) == 0) {
        c->SetAttackTarget(-1);
        return 0;
    }
    return 1;
}

std::int32_t FindHurtingUnit(void* o, Args& a) {
    VhAI& ai = Ai(o);
    Leader* leader = ai.CurrentLeader();
    VhLogicalLandscape* map = ai.Landscape();
    if (!leader || !map || !ai.Units()) return -1;
    int routedBest = 999, hurtBest = 999;
    std::int32_t routed = -1, hurt = -1;
    for (Item<Combat*>* i = ai.Units()->Head(); i; i = i->next) {
        Combat* c = i->value;
        if (!c || c->IsHostileTo(leader->GetSide()) || c->IsOrderBlocked() || c->HasActed() || c->IsRemoved()) continue;
        const int d = map->RegionDistance(leader->GetLocation(), c->GetLocation());
        if (c->IsRouted()) {
            if (d < routedBest) routedBest = d, routed = c->GetUnitNum();
        } else if (c->GetCohesionHits() > a[0] && d < hurtBest) {
            hurtBest = d, hurt = c->GetUnitNum();
        }
    }
    if (leader->GetCommands() > 3 && routed != -1) return routed;
    return hurt;
}

std::int32_t GetUnitPaths(void* o, Args& a) {
    VhAI& ai = Ai(o);
    VhUnit* u = ai.FindUnit(a[0]);
    VhLogicalLandscape* map = ai.Landscape();
    std::vector<short>* holder = ai.ListAt(a[1]);
    if (!u || !map || !holder || u->GetLocation() == 0xFFFF) return 0;
    List<DIRECTION> directions;
    static const int kSearch[9][2] = {{0, 0}, {0, 0}, {1, 2}, {2, 4}, {4, 5}, {0, 0}, {5, 6}, {6, 8}, {8, 1}};
    const std::uint32_t f = u->GetFacing();
    if (f < 9 && kSearch[f][0] != 0) {
        directions.AddTail(static_cast<DIRECTION>(kSearch[f][0]));
        directions.AddTail(static_cast<DIRECTION>(kSearch[f][1]));
    }
    List<short> reached;
    List<List<short>> paths;
    if (!directions.IsEmpty())
        map->FindRegionsInRange(reached, directions, u->GetLocation(), static_cast<std::int16_t>(u->GetMovementPoints()), 0,
                                u->GetStepCostCallback(), &paths, nullptr, static_cast<std::uint16_t>(u->IsTwoHex()));
    std::int32_t count = 0;
    for (Item<List<short>>* p = paths.Head(); p; p = p->next) {
        const std::int32_t handle = ai.NewList();
        // The holder may have moved when the arrays grew.
        holder = ai.ListAt(a[1]);
        if (!holder) break;
        holder->push_back(static_cast<short>(handle));
        CopyInto(*ai.ListAt(handle), p->value);
        ++count;
    }
    return count;
}

std::int32_t DoChooseSubLeader(void* o, Args& a) {
    VhAI& ai = Ai(o);
    Group* g = ai.FindGroup(a[0]);
    if (!g || !g->GetLeader() || ai.CommandsLeft() <= 0) return 0;
    ai.HandOverTo(g->GetLeader()->GetUnitNum());
    return 1;
}

// ---- group orders: the current leader's group commands ----

// Only a computer-played leader reports the end of its group command ("AIGroupMoveDone"): the
// player waits for it only then, or it would wait for a report that never comes.
void AwaitGroupCommand(VhAI& ai, Leader& leader) {
    if (leader.IsAIControlled()) ai.SetGroupCommand(true);
}

std::int32_t GroupMove(void* o, Args& a) {
    VhAI& ai = Ai(o);
    Leader* l = ai.CurrentLeader();
    if (!l || !l->FindGroupMoveRegions(0)) return 0;
    const int attempt = l->CanAttemptGroupMove();
    if (attempt == 0 || attempt == 1) return 0;
    // Waiting before the order goes out: the end of the move may be reported while it is given.
    AwaitGroupCommand(ai, *l);
    const int moved = l->AIGroupMoveTowards(Region(a[0]), static_cast<std::uint16_t>(a[1]));
    if (!moved) ai.SetGroupCommand(false);
    return moved;
}

std::int32_t DoGroupRetreat(void* o, Args& a) {
    Leader* l = Ai(o).CurrentLeader();
    return l ? l->DoGroupRetreat(Region(a[0])) : 0;
}

std::int32_t DoGroupBerserk(void* o, Args&) {
    VhAI& ai = Ai(o);
    Leader* l = ai.CurrentLeader();
    if (!l) return 1;
    AwaitGroupCommand(ai, *l);
    if (l->DoGroupAttack() == 0) ai.SetGroupCommand(false);
    return 1;
}

std::int32_t GroupRestoreCohesion(void* o, Args&) {
    if (Leader* l = Ai(o).CurrentLeader()) delete l->DoGroupRestoreMorale();
    return 1;
}

// Names of the table that no built-in answers give FAILED and no order.
std::int32_t FinishedStub(void*, Args&) { return 0; }

const std::map<std::string, BuiltInFunction>& ByName() {
    static const std::map<std::string, BuiltInFunction> table = {
        {"MoveTo", MoveTo},
        {"MoveToward", MoveToward},
        {"CanMove", CanMove},
        {"CanAttack", CanAttack},
        {"Fire", Fire},
        {"HexOccupancy", HexOccupancy},
        {"AdjacentHex", AdjacentHex},
        {"Query", QueryUnit},
        {"GroupListReset", GroupListReset},
        {"GroupListGetNext", GroupListGetNext},
        {"GroupListGetPrevious", GroupListGetPrevious},
        {"GroupListGet", GroupListGet},
        {"GroupListGetSize", GroupListGetSize},
        {"Direction", Direction},
        {"Distance", Distance},
        {"GetList", GetList},
        {"AddToList", AddToList},
        {"GetNextInList", GetNextInList},
        {"ReleaseList", ReleaseList},
        {"SizeOfList", SizeOfList},
        {"RemoveFromList", RemoveFromList},
        {"ResetList", ResetList},
        {"GetLast", GetLast},
        {"AssignList", AssignList},
        {"IsMemberOf", IsMemberOf},
        {"ClearList", ClearList},
        {"DumpList", DumpList},
        {"GetLeader", GetLeader},
        {"FinishLeader", FinishLeader},
        {"InCommandRange", InCommandRange},
        {"IsLeader", IsLeader},
        {"IsEnemy", IsEnemy},
        {"AttemptToRally", AttemptToRally},
        {"BreakPoint", BreakPoint},
        {"Recover", Recover},
        {"CanBeOrdered", CanBeOrdered},
        {"IsInGeneralDir", IsInGeneralDir},
        {"TurnToAttack", TurnToAttack},
        {"FindClosestEnemyToFire", FindClosestEnemyToFire},
        {"GetTurnNum", GetTurnNum},
        {"Random", Random},
        {"EnemyWithinRange", EnemyWithinRange},
        {"GetGroup", GetGroup},
        {"GetGroupLeader", GetGroupLeader},
        {"InMomentumPhase", InMomentumPhase},
        {"IsReinforcement", IsReinforcement},
        {"Rotate", Rotate},
        {"CanRotate", CanRotate},
        {"GetValidMovement", GetValidMovement},
        {"AnyoneToCombat", AnyoneToCombat},
        {"FindClosestEnemyToAttack", FindClosestEnemyToAttack},
        {"Attack", Attack},
        {"FindHurtingUnit", FindHurtingUnit},
        {"GetUnitPaths", GetUnitPaths},
        {"DoChooseSubLeader", DoChooseSubLeader},
        {"GroupMove", GroupMove},
        {"DoGroupRetreat", DoGroupRetreat},
        {"DoGroupBerserk", DoGroupBerserk},
        {"GroupRestoreCohesion", GroupRestoreCohesion},
    };
    return table;
}

}  // namespace

std::span<const BuiltInFunction> BuiltInFunctions() {
    static const std::vector<BuiltInFunction> functions = [] {
        std::vector<BuiltInFunction> out;
        for (const ScriptBuiltIn& row : ScriptBuiltIns()) {
            auto it = ByName().find(row.name);
            out.push_back(it != ByName().end() ? it->second : FinishedStub);
        }
        return out;
    }();
    return functions;
}

std::int32_t IssueMoveToward(VhAI& ai, std::int32_t region, std::int32_t unit) {
    VhUnit* u = ai.FindUnit(unit);
    if (!u || u->IsAwaitingArrival() || u->HasMoved()) return 0;
    int r = u->MoveTowards(Region(region));
    if (r == 0) return 0;
    // Only a segment the unit itself opened is awaited: a wait nobody ends would stall the cycle.
    if (r == 1) ai.WaitForFire(u->GetUnitNum(), static_cast<std::int16_t>(region));
    ai.AddPending(u->GetUnitNum());
    ai.SetResumeDestination(static_cast<std::int16_t>(region));
    ai.CountCommand(u->GetUnitNum());
    return 2;
}

namespace {

bool TakesPart(const VhUnit* u) { return u && u->IsLegal() && u->IsOnMap() && !u->IsOrderBlocked(); }

// Calls a built-in's function the way a script would, with the given arguments.
std::int32_t CallAs(VhAI& ai, BuiltInFunction f, std::int32_t a0, std::int32_t a1 = 0);

void AutomaticPass(VhAI& ai, const std::vector<VhUnit*>& units, int pass) {
    VhLogicalLandscape* map = ai.Landscape();
    for (VhUnit* u : units) {
        if (ai.CommandsLeft() <= 1) return;
        Combat* c = AsCombat(u);
        if (!c || !TakesPart(c)) continue;
        if (pass == 1) {
            if (c->IsRouted()) CallAs(ai, AttemptToRally, c->GetUnitNum());
            continue;
        }
        if (c->IsRouted()) continue;
        if (pass == 2) {
            if (c->GetCohesionHits() > 0) CallAs(ai, Recover, c->GetUnitNum());
            continue;
        }
        if (!map) return;
        const int kind = c->GetUnitKind();
        const std::int16_t e = c->FindNearestEnemy(static_cast<std::int16_t>(c->GetLocation()));
        const int d = e != -1 ? map->RegionDistance(c->GetLocation(), static_cast<std::uint16_t>(e)) : 0;
        MissileCapable* m = AsMissileCapable(c);
        const int range = m ? m->GetMaxRange() : 0;
        const std::int16_t remembered = ai.CommandsLeft();
        bool acted = false;
        c->SetActed(0);
        const std::uint16_t number = c->GetUnitNum();
        if (!m || e == -1 || range < d) {
            if (e == -1) continue;
            if (kind == 15 && c->IsInLine()) {
                Container<LimberUnlimberInfo> limber(LimberUnlimberInfo(number, 1));
                delete ai.SendNamed("DoLimberUnlimber", &limber);
                acted = true;
            }
            if (c->GetMovementPoints() < d) {
                if (kind == 12 && !c->IsMounted()) {
                    Container<MountDismountInfo> mount(MountDismountInfo(number, 1));
                    delete ai.SendNamed("DoMountDismount", &mount);
                    acted = true;
                } else if (kind != 15 && c->IsInLine()) {
                    Container<LineColumnInfo> column(LineColumnInfo(1, number, 0, 1));
                    delete ai.SendNamed("DoLineColumn", &column);
                    acted = true;
                }
            }
            const std::int16_t step = c->BestDestinationToward(static_cast<std::uint16_t>(e), 0);
            if (step != -1) {
                if (!c->HasMoved()) {
                    const int less = kind == 12 ? 4 : kind == 15 ? 8 : kind == 17 ? 2 : 0;
                    const int allowance = c->GetMovementAllowance();
                    c->SetMovementPoints(static_cast<std::uint16_t>(allowance > less ? allowance - less : 0));
                }
                acted = c->MoveToHex(static_cast<std::uint16_t>(step)) != 0;
            }
        } else {
            if (!c->IsInLine()) {
                if (kind == 15) {
                    Container<LimberUnlimberInfo> unlimber(LimberUnlimberInfo(number, 0));
                    delete ai.SendNamed("DoLimberUnlimber", &unlimber);
                } else {
                    Container<LineColumnInfo> line(LineColumnInfo(1, number, 1, 1));
                    delete ai.SendNamed("DoLineColumn", &line);
                }
                acted = true;
            }
            if (kind == 12 && c->IsMounted()) {
                Container<MountDismountInfo> dismount(MountDismountInfo(number, 0));
                delete ai.SendNamed("DoMountDismount", &dismount);
                acted = true;
            }
            if (m->CanFireNow()) CallAs(ai, Fire, number, e);
            if ((kind == 3 || kind == 12) && c->IsInFrontHexes(static_cast<std::uint16_t>(e))) {
                Combat* target = AsCombat(map->FirstUnitIn(static_cast<std::uint16_t>(e)));
                if (target) {
                    const int mine = static_cast<int>(c->GetTQ()) - static_cast<int>(c->GetCohesionHits());
                    const int theirs = static_cast<int>(target->GetTQ()) - static_cast<int>(target->GetCohesionHits());
                    const short here = static_cast<short>(c->GetLocation());
                    if (mine - theirs >= 2 || target->GetFlankHexList().Contains(here) ||
                        target->GetRearZoneList().Contains(here)) {
                        c->SetAttackTarget(e);
                        acted = true;
                    }
                }
            }
        }
        if (acted && ai.CommandsLeft() == remembered) ai.DecrementCommands();
    }
}

}  // namespace

void GiveAutomaticOrders(VhAI& ai) {
    if (ai.CommandsLeft() < 2) return;
    std::vector<VhUnit*> own, all;
    if (Leader* l = ai.CurrentLeader(); l && l->GetGroup())
        for (Item<VhUnit*>* i = l->GetGroup()->GetUnits().Head(); i; i = i->next) own.push_back(i->value);
    if (ai.Units())
        for (Item<Combat*>* i = ai.Units()->Head(); i; i = i->next) all.push_back(i->value);
    for (const std::vector<VhUnit*>* phase : {&own, &all})
        for (int pass = 1; pass <= 3; ++pass) AutomaticPass(ai, *phase, pass);
}

void ChargeAdjacentEnemies(VhAI& ai) {
    Group* g = ai.CurrentGroup();
    VhLogicalLandscape* map = ai.Landscape();
    if (!g || !map || ai.GroupCommandRunning()) return;
    ai.GroupReset();
    for (std::int32_t n = ai.GroupNext(); n != -1; n = ai.GroupNext()) {
        Combat* c = AsCombat(ai.FindUnit(n));
        if (!c || !c->IsLegal()) continue;
        List<short> discarded;
        c->FindLegalDestinations(discarded, 0, 0);
        if (c->IsRouted() || static_cast<int>(c->GetTQ()) - static_cast<int>(c->GetCohesionHits()) < 2) continue;
        for (Item<short>* i = c->GetFrontHexList().Head(); i; i = i->next) {
            VhUnit* there = map->FirstUnitIn(static_cast<std::uint16_t>(i->value));
            if (there && there->IsCombatUnit() && there->IsHostileTo(c->GetSide())) {
                c->SetAttackTarget(i->value);
                break;
            }
        }
    }
}

namespace {

std::int32_t CallAs(VhAI& ai, BuiltInFunction f, std::int32_t a0, std::int32_t a1) {
    BuiltInArgs args;
    args.SetValues({a0, a1});
    return f(&ai, args);
}

}  // namespace

}  // namespace vhai
