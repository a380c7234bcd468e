// A leader's activation and orders: the command range, the order handlers it holds from
// "InitLeader" to "EndOrdersPhase", the counting of commands, its own moves, its casualties and
// its evasion in an enemy's OW segment, and the queries the rest of the game asks of it.
#include "game/units/leader.h"

#include "core/application.h"
#include "game/logic/game_random.h"
#include "game/units/facing.h"
#include "game/units/group.h"
#include "game/units/missile_capable.h"
#include "game/units/resource_text.h"

#include <cstdlib>

namespace {

constexpr const char* Source = "LEADER";

int Level(const LogicalRegion* r) { return r && r->Elevation() != 0 ? r->Elevation() : 1; }

// The leader whose range or moves are being searched: the fill hands its callback the first unit
// of the start hex, which need not be the leader when it shares its hex.
Leader* searching = nullptr;

std::int16_t CommandRangeStep(std::uint16_t a, std::uint16_t b, VhLogicalLandscape* map, VhUnit* unit) {
    VhUnit* leader = searching ? searching : unit;
    if (!map || !leader) return -1;
    const std::uint32_t side = leader->GetSide();
    VhUnit* inA = map->FirstUnitIn(a);
    if (map->IsRegionThreatened(a, side) && (!inA || inA->IsHostileTo(side))) return -1;
    if (map->IsRegionHostile(b, side)) return -1;
    if (map->HasEdgeBetween(a, b, 14)) return -1;
    const int diff = std::abs(Level(map->GetRegion(a)) - Level(map->GetRegion(b)));
    return diff >= 2 ? -1 : static_cast<std::int16_t>(1 + diff);
}

std::int16_t LeaderMoveStep(std::uint16_t a, std::uint16_t b, VhLogicalLandscape* map, VhUnit* unit) {
    VhUnit* leader = searching ? searching : unit;
    return leader ? leader->StepCost(a, b) : -1;
}

template <class F> ContainerBase* Receive(Component* c, int line, F body) {
    Leader* self = nullptr;
    if (!BusReceiver(c, self, Source, line)) return nullptr;
    return body(*self);
}

ContainerBase* InitLeaderEntry(Component* c, BusMessage, ContainerBase*) {
    return Receive(c, __LINE__, [](Leader& l) { return l.OnInitLeader(); });
}
ContainerBase* EndOrdersPhaseEntry(Component* c, BusMessage, ContainerBase*) {
    return Receive(c, __LINE__, [](Leader& l) { return l.OnEndOrdersPhase(); });
}
ContainerBase* LeaderFinishLeaderEntry(Component* c, BusMessage, ContainerBase*) {
    return Receive(c, __LINE__, [](Leader& l) { return l.OnLeaderFinishLeader(); });
}
ContainerBase* FinishLeaderEntry(Component* c, BusMessage, ContainerBase*) {
    return Receive(c, __LINE__, [](Leader& l) { return l.OnFinishLeader(); });
}
ContainerBase* ShortFinishLeaderEntry(Component* c, BusMessage, ContainerBase*);
ContainerBase* CenterOnLeaderEntry(Component* c, BusMessage, ContainerBase*) {
    return Receive(c, __LINE__, [](Leader& l) -> ContainerBase* {
        const VhLogicalLandscape* map = l.GetLandscape();
        if (l.IsOnMap() && (!map || map->IsRegionVisible(l.GetLocation()))) {
            Container<short> here(static_cast<short>(l.GetLocation()));
            l.PostNamed("Center On Region", &here);
        }
        return nullptr;
    });
}
ContainerBase* ShortFinishLeaderEntry(Component* c, BusMessage, ContainerBase*) {
    return Receive(c, __LINE__, [](Leader& l) -> ContainerBase* {
        l.UnregisterNamedHandler("LeaderCenterOnLeader", CenterOnLeaderEntry);
        l.UnregisterNamedHandler("FinishLeader", ShortFinishLeaderEntry);
        Container<BusMessage> item{BusMessage(209)};
        delete l.Send(DISABLE_MENU_ITEM, &item);
        return nullptr;
    });
}
ContainerBase* RallyUnitEntry(Component* c, BusMessage, ContainerBase*) {
    return Receive(c, __LINE__, [](Leader& l) { return l.OnRallyUnit(); });
}

ContainerBase* OrderEntry(Component* c, BusMessage, ContainerBase* p) {
    // The computer player names the unit as an unsigned number, the units as a signed one.
    if (auto* number = PayloadValue<unsigned short>(p)) {
        Leader* self = nullptr;
        if (BusReceiver(c, self, Source, __LINE__)) self->NoteOrder(*number);
        return nullptr;
    }
    Leader* self = nullptr;
    short* unit = nullptr;
    if (!BusArgs(c, p, self, unit, Source, __LINE__)) return nullptr;
    self->NoteOrder(static_cast<std::uint16_t>(*unit));
    return nullptr;
}

ContainerBase* RefreshRangeEntry(Component* c, BusMessage, ContainerBase* p) {
    Leader* self = nullptr;
    EndOWStruct* flag = nullptr;
    if (!BusArgs(c, p, self, flag, Source, __LINE__)) return nullptr;
    return self->RefreshCommandRange(*flag);
}

ContainerBase* UnitRemovedOrderEntry(Component* c, BusMessage, ContainerBase* p) {
    Leader* self = nullptr;
    UnitLocationStruct* where = nullptr;
    if (!BusArgs(c, p, self, where, Source, __LINE__)) return nullptr;
    return self->OnUnitRemoved(*where);
}

void Menu(Leader& l, int event, std::uint16_t id) {
    Container<BusMessage> item{BusMessage(id)};
    delete l.Send(BusMessage(event), &item);
}

} // namespace

StepCostFunction Leader::GetStepCostCallback() { return LeaderMoveStep; }

std::int16_t Leader::StepCost(std::uint16_t a, std::uint16_t b) {
    if (!landscape) return -1;
    if (landscape->IsAdjacentToEnemy(b, side, 0) || landscape->IsRegionHostile(b, side)) return -1;
    const auto road = [&](std::uint16_t h) { return landscape->RegionHasFeature(h, 12) || landscape->RegionHasFeature(h, 16); };
    if (road(a) && road(b)) return 1;
    if (landscape->HasEdgeBetween(a, b, 14)) return -1;
    const int diff = std::abs(Level(landscape->GetRegion(a)) - Level(landscape->GetRegion(b)));
    return diff >= 2 ? -1 : static_cast<std::int16_t>(2 * (1 + diff));
}

void Leader::FindLegalDestinations(List<short>& out, std::uint32_t, std::uint16_t points) {
    if (groupMoveMode) {
        FindGroupLegalDestinations(out);
        return;
    }
    out.Clear();
    if (!landscape || !IsOnMap()) return;
    List<DIRECTION> dirs;
    for (int d : {1, 2, 4, 5, 6, 8}) dirs.AddTail(static_cast<DIRECTION>(d));
    List<short> reach;
    Leader* outer = searching;
    searching = this;
    landscape->FindRegionsInRange(reach, dirs, GetLocation(), static_cast<std::int16_t>(points ? points : movementPoints), 1,
                                  LeaderMoveStep, nullptr, nullptr, 0);
    searching = outer;
    out.AddTail(static_cast<short>(GetLocation()));
    for (Item<short>* i = reach.Head(); i; i = i->next)
        if (static_cast<std::uint16_t>(i->value) != GetLocation() && !landscape->IsRegionOccupied(static_cast<std::uint16_t>(i->value)))
            out.AddTail(i->value);
}

ContainerBase* Leader::OnRegionClicked(std::int16_t hex) {
    const auto h = static_cast<std::uint16_t>(hex);
    if (groupMoveMode) {
        MoveGroupTo(h);
        return nullptr;
    }
    if (h == GetLocation()) {
        PostNamedEvent("UnitDeselected");
        return nullptr;
    }
    if (!legalDestinations.Contains(hex)) return nullptr;
    if (isSelected && !groupCommandMade) {
        PushUndo();
        NoteOrder(GetUnitNum());
    }
    MoveTo(h, 1);
    return nullptr;
}

MovePathResult Leader::ComputeMovePath(std::uint16_t destination, List<short>& path, std::uint16_t freshOrder) {
    MovePathResult result;
    path.Clear();
    if (!landscape || !IsOnMap()) return result;
    const std::uint16_t home = GetLocation();
    const int bearing = landscape->BearingToRegion(home, destination);
    static const int sectorDirections[6] = {2, 3, 4, 6, 7, 8};
    int direction = sectorDirections[(bearing / 4) % 6];
    if (bearing % 4 == 0) {
        const int a = facing::TurnFacing(direction, false), b = facing::TurnFacing(a, false);
        if (static_cast<int>(facing) == a || static_cast<int>(facing) == b) direction = a;
    }
    result.direction = static_cast<std::uint32_t>(direction);

    enum class End { Good, Threatened, Failed };
    // Walks the hexes in order; the hexes walked go into `walked`.
    const auto walk = [&](const List<short>& hexes, List<short>& walked) {
        std::uint16_t prev = home;
        for (Item<short>* i = hexes.Head(); i; i = i->next) {
            const auto h = static_cast<std::uint16_t>(i->value);
            walked.AddTail(i->value);
            if (h == home) continue;
            if (landscape->IsRegionThreatened(h, side)) return End::Threatened;
            VhUnit* there = landscape->FirstUnitIn(h);
            if (there && there->IsHostileTo(side)) return End::Failed;
            if (StepCost(prev, h) < 0) return End::Failed;
            prev = h;
        }
        return End::Good;
    };

    List<List<short>> good, approach, threatened;
    List<short> line = landscape->GetHexLine(home, destination);
    if (!freshOrder) {
        line.Remove(static_cast<short>(home));
        line.AddHead(static_cast<short>(home));
    }
    List<short> straight;
    const End end = walk(line, straight);
    if (end == End::Good) good.AddTail(straight);
    else if (end == End::Threatened) threatened.AddTail(straight);
    if (good.IsEmpty()) {
        static const int sectors[6][2] = {{2, 1}, {2, 4}, {4, 5}, {6, 5}, {6, 8}, {8, 1}};
        const int sector = (bearing / 4) % 6;
        List<DIRECTION> dirs;
        dirs.AddTail(static_cast<DIRECTION>(sectors[sector][0]));
        dirs.AddTail(static_cast<DIRECTION>(sectors[sector][1]));
        List<short> found;
        List<List<short>> paths;
        Leader* outer = searching;
        searching = this;
        landscape->FindRegionsInRange(found, dirs, home, static_cast<std::int16_t>(movementPoints), 1, LeaderMoveStep, &paths, nullptr, 0);
        searching = outer;
        for (Item<List<short>>* p = paths.Head(); p; p = p->next) {
            if (!p->value.Contains(static_cast<short>(destination))) {
                List<short> start;
                int nearest = 999;
                for (Item<short>* h = p->value.Head(); h; h = h->next) {
                    const int d = landscape->RegionDistance(static_cast<std::uint16_t>(h->value), destination);
                    if (d > nearest) break;
                    nearest = d;
                    start.AddTail(h->value);
                }
                approach.AddTail(start);
                continue;
            }
            List<short> upTo;
            for (Item<short>* h = p->value.Head(); h; h = h->next) {
                upTo.AddTail(h->value);
                if (static_cast<std::uint16_t>(h->value) == destination) break;
            }
            List<short> walked;
            const End e = walk(upTo, walked);
            if (e == End::Good) {
                good.AddTail(walked);
                break;
            }
            if (e == End::Threatened) threatened.AddTail(walked);
        }
    }
    const auto shortest = [](List<List<short>>& from) -> const List<short>* {
        const List<short>* pick = nullptr;
        for (Item<List<short>>* p = from.Head(); p; p = p->next)
            if (!pick || p->value.Count() < pick->Count()) pick = &p->value;
        return pick;
    };
    const List<short>* chosen = shortest(good);
    if (!chosen && !threatened.IsEmpty()) chosen = approach.IsEmpty() ? shortest(threatened) : shortest(approach);
    if (!chosen) {
        int best = 999;
        for (Item<List<short>>* p = approach.Head(); p; p = p->next) {
            short last = -1;
            if (!p->value.PeekTail(last)) continue;
            const int d = landscape->RegionDistance(static_cast<std::uint16_t>(last), destination);
            if (d < best) best = d, chosen = &p->value;
        }
    }
    if (!chosen) return result;
    path = *chosen;
    // A leader may pass through its friends but never stops on one.
    for (short last = -1; path.PeekTail(last) && static_cast<std::uint16_t>(last) != home;) {
        VhUnit* there = landscape->FirstUnitIn(static_cast<std::uint16_t>(last));
        if (!there || there == this) break;
        path.RemoveTail();
    }
    for (Item<short>* h = path.Head(); h; h = h->next)
        if (static_cast<std::uint16_t>(h->value) == destination) {
            while (path.Tail() != h) path.RemoveTail();
            break;
        }
    result.outcome = 2;
    result.finalHex = destination;
    return result;
}

List<short> Leader::Move(List<short>& path, BusMessage reply, ContainerBase* replyPayload) {
    Container<List<short>> old(commandRangeRegions);
    delete PostAndWait(HALF_DEHIGHLIGHT_REGION, &old);
    const std::uint16_t before = movementPoints;
    List<short> costs = VhUnit::Move(path, reply, replyPayload);
    if (groupMoveMode) {
        // The group moves as its slowest step: the leader pays the dearest cost of each step.
        if (groupMoveCosts.IsEmpty()) {
            groupMoveCosts = costs;
        } else {
            List<short> merged;
            for (Item<short>*i = groupMoveCosts.Head(), *j = costs.Head(); i && j; i = i->next, j = j->next)
                merged.AddTail(i->value > j->value ? i->value : j->value);
            groupMoveCosts = merged;
        }
        movementPoints = before;
        for (Item<short>* i = groupMoveCosts.Head(); i; i = i->next) {
            if (i->value <= 0) continue;
            if (i->value > movementPoints) {
                movementPoints = 0;
                break;
            }
            movementPoints = static_cast<std::uint16_t>(movementPoints - i->value);
        }
    }
    if (IsOnMap() && !isEvading) {
        ComputeCommandRange(commandRangeRegions);
        if (!computerPlayed) {
            Container<List<short>> fresh(commandRangeRegions);
            Post(HALF_HIGHLIGHT_REGION, &fresh);
        }
        LegalUnitsInfo legal;
        legal.leader = GetUnitNum();
        legal.side = side;
        legal.regions = commandRangeRegions;
        Container<LegalUnitsInfo> payload(legal);
        PostNamed("LegalUnits", &payload);
    }
    return costs;
}

ContainerBase* Leader::OnMovementDone(const MoveReturnStruct& result) {
    if (result.unit != GetUnitNum()) return nullptr;
    return VhUnit::OnMovementDone(result);
}

ContainerBase* Leader::OnHoverSelected(std::int16_t hex) {
    bool charge = false;
    if (group) {
        ListIterator<VhUnit*> it(&group->GetUnits(), 0);
        VhUnit* u = nullptr;
        while (!charge && it.Next(u)) {
            if (!u->IsOnMap()) continue;
            const List<AttackInfo>& options = attackOptions[u->GetUnitNum()];
            for (Item<AttackInfo>* i = options.Head(); i && !charge; i = i->next)
                charge = i->value.attackFrom == static_cast<std::uint16_t>(hex);
        }
    }
    Container<std::string> cursor{std::string(charge ? "charge.ani" : "ArrowCursor")};
    PostNamed("ChangeCursor", &cursor);
    return VhUnit::OnHoverSelected(hex);
}

// ---- command range ----

void Leader::ComputeCommandRange(List<short>& out) {
    out.Clear();
    if (!landscape || !IsOnMap()) return;
    List<DIRECTION> dirs;
    for (int d : {1, 2, 4, 5, 6, 8}) dirs.AddTail(static_cast<DIRECTION>(d));
    Leader* outer = searching;
    searching = this;
    landscape->FindRegionsInRange(out, dirs, GetLocation(), static_cast<std::int16_t>(commandRange), 1, CommandRangeStep, nullptr,
                                  nullptr, 0);
    searching = outer;
}

int Leader::IsInCommandRange(std::uint16_t region) {
    if (commandRangeRegions.IsEmpty()) ComputeCommandRange(commandRangeRegions);
    return commandRangeRegions.Contains(static_cast<short>(region));
}

ContainerBase* Leader::RefreshCommandRange(const EndOWStruct& flag) {
    if (!flag.word) return nullptr;
    List<short> old = commandRangeRegions;
    ComputeCommandRange(commandRangeRegions);
    List<short> gone, added;
    for (Item<short>* i = old.Head(); i; i = i->next)
        if (!commandRangeRegions.Contains(i->value)) gone.AddTail(i->value);
    for (Item<short>* i = commandRangeRegions.Head(); i; i = i->next)
        if (!old.Contains(i->value)) added.AddTail(i->value);
    Container<List<short>> a(gone), b(added);
    delete PostAndWait(HALF_DEHIGHLIGHT_REGION, &a);
    delete PostAndWait(HALF_HIGHLIGHT_REGION, &b);
    return nullptr;
}

// ---- activation ----

ContainerBase* Leader::OnActivateLeader(const ActivateNextLeaderStruct& record) {
    if (record.leader != static_cast<std::int16_t>(GetUnitNum())) return nullptr;
    if (!fullSubscription) return OnResumeActiveLeader(record);
    if (record.fresh) commandsUsed = 0;
    groupCommandsAllowed = static_cast<std::uint16_t>(record.furtherA);
    ordersAllowed = static_cast<std::uint16_t>(record.furtherB);
    activationUnits = record.subLeaders;
    lastOrderedUnit = 32767;
    groupCommandMade = groupMoveMode = roadMove = 0;
    commandsExhausted = commandsUsed >= commands ? 1 : 0;
    if (IsOnMap()) {
        ComputeCommandRange(commandRangeRegions);
        LegalUnitsInfo legal;
        legal.leader = GetUnitNum();
        legal.side = side;
        legal.regions = commandRangeRegions;
        Container<LegalUnitsInfo> payload(legal);
        PostNamed("LegalUnits", &payload);
        if (!landscape || landscape->IsRegionVisible(GetLocation())) {
            Container<short> here(static_cast<short>(GetLocation()));
            PostNamed("Center On Region", &here);
        }
        Menu(*this, ENABLE_MENU_ITEM, 209);
    }
    ShowStatus(false);
    Subscribe("InitLeader", InitLeaderEntry);
    Subscribe("EndOrdersPhase", EndOrdersPhaseEntry);
    Subscribe("LeaderCenterOnLeader", CenterOnLeaderEntry);
    Subscribe("FinishLeader", FinishLeaderEntry);
    Container<std::string> name(GetName());
    PostNamed("LeaderActivated", &name);
    return nullptr;
}

ContainerBase* Leader::OnResumeActiveLeader(const ActivateNextLeaderStruct& record) {
    if (record.leader != static_cast<std::int16_t>(GetUnitNum())) return nullptr;
    if (!fullSubscription) {
        if (IsOnMap()) {
            Container<short> here(static_cast<short>(GetLocation()));
            PostNamed("Center On Region", &here);
            Menu(*this, ENABLE_MENU_ITEM, 209);
        }
        Subscribe("LeaderCenterOnLeader", CenterOnLeaderEntry);
        Subscribe("FinishLeader", ShortFinishLeaderEntry);
        return nullptr;
    }
    commandsExhausted = commandsUsed == commands ? 1 : 0;
    if (IsOnMap()) {
        ComputeCommandRange(commandRangeRegions);
        LegalUnitsInfo legal;
        legal.leader = GetUnitNum();
        legal.side = side;
        legal.regions = commandRangeRegions;
        Container<LegalUnitsInfo> payload(legal);
        PostNamed("LegalUnits", &payload);
        Container<List<short>> range(commandRangeRegions);
        Post(HALF_HIGHLIGHT_REGION, &range);
        PostEvent(INVALIDATE_VIEW);
        Menu(*this, ENABLE_MENU_ITEM, 209);
    }
    ShowStatus(false);
    Subscribe("InitLeader", InitLeaderEntry);
    Subscribe("EndOrdersPhase", EndOrdersPhaseEntry);
    Subscribe("LeaderCenterOnLeader", CenterOnLeaderEntry);
    Subscribe("FinishLeader", FinishLeaderEntry);
    Container<std::string> name(GetName());
    PostNamed("LeaderResumed", &name);
    return nullptr;
}

namespace {
void Resupply(Leader& leader, Group* group, std::uint16_t& commandsUsed, std::uint16_t commands) {
    if (!group) return;
    int refilled = 0;
    ListIterator<VhUnit*> it(&group->GetUnits(), 0);
    VhUnit* u = nullptr;
    while (it.Next(u)) {
        MissileCapable* m = AsMissileCapable(u);
        if (u == &leader || !m || !u->IsOnMap() || u->IsRouted() || m->GetUnitKind() == 16 || m->GetMaxMissiles() == 0 ||
            m->GetMissiles() != 0)
            continue;
        m->Resupply();
        ++refilled;
    }
    if (refilled > 2 && commandsUsed < commands) ++commandsUsed;
}
} // namespace

ContainerBase* Leader::OnInitLeader() {
    if (Application* app = GetApplication()) app->EndWait();
    active = 1;
    Subscribe("GiveOrder", OrderEntry);
    Subscribe("MissileVolley", OrderEntry);
    Subscribe("CohesionRestored", OrderEntry);
    Subscribe("RallyUnit", RallyUnitEntry);
    Subscribe("EndOWSegment", RefreshRangeEntry);
    Subscribe("LeaderFinishLeader", LeaderFinishLeaderEntry);
    Subscribe("UnitRemoved", UnitRemovedOrderEntry);
    PostNamedEvent("UnblockLeaderMenu");
    SubscribeGroupCommands();
    Container<List<short>> range(commandRangeRegions);
    Post(HALF_HIGHLIGHT_REGION, &range);
    PostEvent(INVALIDATE_VIEW);
    Resupply(*this, group, commandsUsed, commands);
    ShowStatus(false);
    return nullptr;
}

void Leader::SubscribeAIOrderHandlers() {
    Subscribe("GiveOrder", OrderEntry);
    Subscribe("MissileVolley", OrderEntry);
    Subscribe("CohesionRestored", OrderEntry);
    Subscribe("RallyUnit", RallyUnitEntry);
    PostEvent(INVALIDATE_VIEW);
    Resupply(*this, group, commandsUsed, commands);
    ShowStatus(false);
}

void Leader::NoteOrder(std::uint16_t unitNumber) {
    if (groupCommandMade || static_cast<std::int16_t>(unitNumber) == lastOrderedUnit) return;
    lastOrderedUnit = static_cast<std::int16_t>(unitNumber);
    for (std::uint16_t menuId : {212, 261, 248, 259, 260}) Menu(*this, DISABLE_MENU_ITEM, menuId);
    const int cost = CommandsUnit(unitNumber) || unitNumber == GetUnitNum() ? 1 : 2;
    commandsUsed = static_cast<std::uint16_t>(commandsUsed + cost > commands ? commands : commandsUsed + cost);
    ShowStatus(commandsUsed == commands);
    if (commandsUsed == commands) {
        if (!computerPlayed && almostFinishedDialog) {
            Container<std::string> name(GetName());
            PostNamed("LeaderAlmostDone", &name);
        }
        commandsExhausted = 1;
        leaderOutOfCommands = 1;
    }
    FaceGroup();
}

void Leader::FaceGroup() {
    if (!group || !IsOnMap()) return;
    int counts[9] = {};
    int counted = 0;
    ListIterator<VhUnit*> it(&group->GetUnits(), 0);
    VhUnit* u = nullptr;
    while (it.Next(u)) {
        if (u == this || !u->IsOnMap() || (u->IsCombatUnit() && u->IsRouted())) continue;
        const std::uint32_t f = u->GetFacing();
        if (f >= 1 && f <= 8) ++counts[f], ++counted;
    }
    if (!counted) return;
    int best = 1;
    for (int f = 2; f <= 8; ++f)
        if (counts[f] > counts[best]) best = f;
    if (best == 1 || best == 5) best = facing::Plain(best, 1);
    if (static_cast<int>(facing) == best) return;
    const facing::Turn turn = facing::ShorterTurn(static_cast<int>(facing), best);
    if (turn.steps == 0) return;
    ChangeFacingStruct change(static_cast<TURN_DIRECTION>(turn.sense), static_cast<std::uint16_t>(turn.steps), GetUnitNum());
    change.facing = static_cast<DIRECTION>(best);
    Container<ChangeFacingStruct> payload(change);
    delete SendNamed("ChangeFacing", &payload);
}

ContainerBase* Leader::OnRallyUnit() {
    if (computerPlayed) ++commands;
    Container<short> left(static_cast<short>(commands));
    PostNamed("Rally", &left);
    return nullptr;
}

void Leader::ShowStatus(bool raise) {
    if (Application* app = GetApplication()) {
        app->SetStatusText(GetName().c_str(), 1);
        const std::string text = ResourceText(143) + " " + std::to_string(commands) + "  " + ResourceText(144) + " " +
                                 std::to_string(commands - commandsUsed) + "/" + std::to_string(commands);
        app->SetStatusText(text.c_str(), 2);
    }
    if (raise) delete SendNamedEvent("RaiseActiveFlags");
}

void Leader::SetCommandsLeft(std::int16_t n) {
    if (commandsExhausted && n > 0) delete PostNamedEventAndWait("CloseLeaderAlmostDoneDlg");
    const bool was = commandsExhausted;
    // A record from before a wound may name more commands than the leader has now.
    commandsUsed = n < 0 ? commands : n > commands ? 0 : static_cast<std::uint16_t>(commands - n);
    commandsExhausted = commandsUsed == commands ? 1 : 0;
    lastOrderedUnit = 32767;
    if (active) {
        if (commandsUsed == 0 && !finishedActivation) {
            if (FindGroupMoveRegions(0)) Menu(*this, ENABLE_MENU_ITEM, 212);
            if (FindGroupMoveRegions(1)) Menu(*this, ENABLE_MENU_ITEM, 261);
            for (std::uint16_t menuId : {248, 259, 260}) Menu(*this, ENABLE_MENU_ITEM, menuId);
        }
        ShowStatus(was || commandsExhausted);
    }
    if (n > 0) commandsExhausted = 0;
    if (commandsUsed < commands) leaderOutOfCommands = 0;
}

ContainerBase* Leader::OnEndOrdersPhase() {
    UnregisterNamedHandler("EndOrdersPhase", EndOrdersPhaseEntry);
    UnregisterNamedHandler("GiveOrder", OrderEntry);
    UnregisterNamedHandler("MissileVolley", OrderEntry);
    UnregisterNamedHandler("CohesionRestored", OrderEntry);
    UnregisterNamedHandler("RallyUnit", RallyUnitEntry);
    UnregisterNamedHandler("EndOWSegment", RefreshRangeEntry);
    UnregisterNamedHandler("UnitRemoved", UnitRemovedOrderEntry);
    UnsubscribeGroupCommands();
    if (groupCommandMade && group) {
        ListIterator<VhUnit*> it(&group->GetUnits(), 0);
        VhUnit* u = nullptr;
        while (it.Next(u)) {
            if (!u->IsOnMap() || u->IsRouted() || !u->HasActed()) continue;
            Container<short> used(static_cast<short>(u->GetUnitNum()));
            PostNamed("UsedThisTurn", &used);
        }
    }
    commandsExhausted = 1;
    Container<short> momentum(static_cast<short>(!groupCommandMade && commandsUsed != 0 && IsOnMap() ? 1 : 0));
    delete PostNamedAndWait("CanAttemptMomentum", &momentum);
    groupCommandMade = 0;
    active = 0;
    ClearUndo();
    Menu(*this, DISABLE_MENU_ITEM, unit_menu::UndoLastAction);
    PostNamedEvent("PerformShock");
    return nullptr;
}

ContainerBase* Leader::OnLeaderFinishLeader() {
    UnregisterNamedHandler("LeaderFinishLeader", LeaderFinishLeaderEntry);
    PostNamedEvent("UnitDeselected");
    Container<List<short>> range(commandRangeRegions);
    Post(HALF_DEHIGHLIGHT_REGION, &range);
    PostEvent(INVALIDATE_VIEW);
    failedGroupCommands = 0;
    PostNamedEvent("EndOrdersPhase");
    return nullptr;
}

ContainerBase* Leader::OnFinishLeader() {
    UnregisterNamedHandler("FinishLeader", FinishLeaderEntry);
    UnsubscribeGroupCommands();
    for (std::uint16_t menuId : {220, 221, 195, 196, 235, 213, 214, 212, 261, 259}) Menu(*this, DISABLE_MENU_ITEM, menuId);
    UnregisterNamedHandler("InitLeader", InitLeaderEntry);
    Menu(*this, DISABLE_MENU_ITEM, 209);
    UnregisterNamedHandler("LeaderCenterOnLeader", CenterOnLeaderEntry);
    UnregisterNamedHandler("LeaderFinishLeader", LeaderFinishLeaderEntry);
    UnregisterNamedHandler("EndOrdersPhase", EndOrdersPhaseEntry);
    UnregisterNamedHandler("GiveOrder", OrderEntry);
    UnregisterNamedHandler("MissileVolley", OrderEntry);
    UnregisterNamedHandler("CohesionRestored", OrderEntry);
    UnregisterNamedHandler("RallyUnit", RallyUnitEntry);
    delete PostNamedEventAndWait("BlockLeaderMenu");
    PostNamedEvent("LeaderFinished");
    finishedActivation = 1;
    groupMoveMode = 0;
    return nullptr;
}

// ---- casualties ----

void Leader::CheckCasualty() {
    int r1 = static_cast<std::int16_t>(GameRandom() % 100);
    if (casualtyTestA || casualtyTestB) r1 = 0;
    std::string text = GetCommentaryName();
    if (r1 < 16) {
        switch (RollCasualty()) {
        case 2: text += " was hit and is \\Bwounded\\b!"; break;
        case 3: text += " was hit and was \\Bkilled\\b! A soldier from the ranks will replace him in command."; break;
        default: text += " was not harmed."; break;
        }
    } else {
        text += " was not harmed.";
    }
    Container<std::string> line(text);
    PostNamed("AddCommentary", &line);
}

int Leader::RollCasualty() {
    int r2 = GameRandom() % 100;
    if (casualtyTestA) r2 = 45;
    if (casualtyTestB) r2 = 99;
    const int low = isEvading ? 0 : 50;
    Container<short> self(static_cast<short>(GetUnitNum()));
    if (r2 >= low && r2 < 85) {
        if (!wounded) {
            PostNamed("FinishedLeader", &self);
            Container<WoundedLeaderInfo> wound(WoundedLeaderInfo(1, GetUnitNum()));
            PostNamed("WoundedLeader", &wound);
            return 2;
        }
        r2 = 99;
    }
    if (r2 >= 85) {
        PostNamed("FinishedLeader", &self);
        PostNamed("EliminateUnit", &self);
        return 3;
    }
    return 0;
}

int Leader::CheckCasualtyEvading(std::uint16_t threat, std::uint16_t threatSecond) {
    Container<ResolveOWStruct> stood(ResolveOWStruct(0, GetLocation()));
    if (!landscape || !IsOnMap()) {
        PostNamed("OWResolved", &stood);
        return 0;
    }
    isEvading = 1;
    int away = landscape->DirectionToRegion(threat, GetLocation());
    if (!away && threatSecond != 0xFFFF) away = landscape->DirectionToRegion(threatSecond, GetLocation());
    List<short> candidates;
    // The ranges run from 2 to the allowance less 2, and never past 99 whatever the allowance.
    const int highest = movementAllowance > 2 ? movementAllowance - 2 : 0;
    Leader* outer = searching;
    searching = this;
    for (int r = 2; r <= highest && r <= 99 && candidates.IsEmpty(); ++r) {
        List<short> ring;
        landscape->FindRegionsAtRange(ring, GetLocation(), static_cast<std::int16_t>(r), LeaderMoveStep, 0);
        for (Item<short>* i = ring.Head(); i; i = i->next) {
            const auto h = static_cast<std::uint16_t>(i->value);
            if (h == GetLocation() || landscape->IsRegionOccupied(h) || landscape->IsAdjacentToEnemy(h, side, 0)) continue;
            candidates.AddTail(i->value);
        }
    }
    searching = outer;
    if (candidates.IsEmpty()) {
        // A leader that could not ride away is no longer evading: its later casualty rolls keep
        // their unharmed band.
        isEvading = 0;
        PostNamed("OWResolved", &stood);
        return 0;
    }
    std::uint16_t destination = 0xFFFF;
    int far = -1;
    for (Item<short>* i = candidates.Head(); i; i = i->next) {
        const auto h = static_cast<std::uint16_t>(i->value);
        const int d = landscape->RegionDistance(threat, h);
        const bool inArc = away && landscape->IsInFrontArc(GetLocation(), h, away);
        const bool chosenInArc = destination != 0xFFFF && away && landscape->IsInFrontArc(GetLocation(), destination, away);
        if (d > far || (d == far && !chosenInArc && inArc)) far = d, destination = h;
    }
    List<short> path = landscape->GetHexLine(GetLocation(), destination);
    int danger = 0;
    for (Item<short>* i = path.Head(); i; i = i->next) {
        const auto h = static_cast<std::uint16_t>(i->value);
        if (h == GetLocation()) continue;
        int chance = 0;
        VhUnit* x = landscape->FirstUnitIn(h);
        if (x) {
            const auto* c = AsCombat(x);
            if (x->IsHostileTo(side) && c) {
                const int k = c->GetUnitKind();
                chance = k >= 8 && k <= 12 ? 90 : k == ArtilleryKind ? 0 : 60;
            }
        } else if (landscape->IsRegionThreatened(h, side)) {
            chance = 20;
        }
        if (chance > danger) danger = chance;
    }
    if (GameRandom() % 100 < danger) {
        const int result = RollCasualty();
        Container<std::string> text(GetCommentaryName() +
                                    (result == 3 ? " was \\Bkilled\\b while evading! A soldier from the ranks will replace him in command."
                                                 : " was \\Bwounded\\b while evading!"));
        PostNamed("AddCommentary", &text);
    }
    Move(path, RegisterMessage("OWMovementDone"), new Container<short>(static_cast<short>(GetUnitNum())));
    Container<ResolveOWStruct> evaded(ResolveOWStruct(1, GetLocation()));
    PostNamed("OWResolved", &evaded);
    isEvading = 0;
    return 1;
}

// ---- queries ----

int Leader::HasUnitsOnMap() {
    if (!IsOnMap()) return 0;
    if (group) {
        ListIterator<VhUnit*> it(&group->GetUnits(), 0);
        VhUnit* u = nullptr;
        while (it.Next(u))
            if (u != this && u->IsOnMap()) return 1;
    }
    if (commandLevel != 2) return 0;
    for (Item<unsigned short>* i = activationUnits.Head(); i; i = i->next) {
        Container<short> asked(static_cast<short>(i->value));
        ContainerBase* answer = SendNamed("GetLeaderByNum", &asked);
        Leader* other = nullptr;
        ExtractData(answer, other);
        delete answer;
        if (other && other != this && other->HasUnitsOnMap()) return 1;
    }
    return 0;
}

int Leader::ChooseSubLeader(std::uint16_t& chosen) {
    List<unsigned short> kept;
    for (Item<unsigned short>* i = activationUnits.Head(); i; i = i->next) {
        Container<short> asked(static_cast<short>(i->value));
        ContainerBase* answer = SendNamed("GetLeaderByNum", &asked);
        Leader* other = nullptr;
        ExtractData(answer, other);
        delete answer;
        if (other && other->HasUnitsOnMap()) kept.AddTail(i->value);
    }
    if (kept.IsEmpty()) return 0;
    int index = GameRandom() % kept.Count();
    for (Item<unsigned short>* i = kept.Head(); i; i = i->next, --index)
        if (index == 0) {
            chosen = i->value;
            return 1;
        }
    return 0;
}

int Leader::ReorderHit(VhUnit* unit) {
    Combat* c = AsCombat(unit);
    if (!c || !c->IsUsedThisTurn() || c->GetReorderHitTaken()) return 0;
    Container<std::string> text(c->GetCommentaryName() + " takes 1 morale hit for being ordered again this turn.");
    PostNamed("AddCommentary", &text);
    c->SetReorderHitTaken(1);
    return c->TQHit(1, 0);
}
