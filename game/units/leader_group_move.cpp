// The group move engine: whether a group command is offered, the enemy-proximity test, the
// group-command roll, the leader's steering of a group move, and the move itself, which shifts
// every unit of the group by the leader's displacement (across country, or each along its road).
#include "game/units/leader.h"

#include "core/application.h"
#include "game/logic/game_random.h"
#include "game/units/combat.h"
#include "game/units/facing.h"
#include "game/units/group.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace {

constexpr const char* Source = "LEADER";

// The leader whose group is being searched: the battlefield's callbacks name only the unit they
// are asked about.
Leader* moving = nullptr;

struct SearchScope {
    Leader* outer;
    explicit SearchScope(Leader* l) : outer(moving) { moving = l; }
    ~SearchScope() { moving = outer; }
};

int Level(const LogicalRegion* r) { return r && r->Elevation() != 0 ? r->Elevation() : 1; }

// The leader's terrain step cost without the road rate.
std::int16_t TerrainStep(VhLogicalLandscape* map, std::uint16_t a, std::uint16_t b) {
    if (map->HasEdgeBetween(a, b, 14)) return -1;
    const int diff = std::abs(Level(map->GetRegion(a)) - Level(map->GetRegion(b)));
    return diff >= 2 ? -1 : static_cast<std::int16_t>(2 * (1 + diff));
}

std::int16_t GroupStep(std::uint16_t a, std::uint16_t b, VhLogicalLandscape* map, VhUnit* unit) {
    if (!map || !moving) return -1;
    const std::uint32_t side = moving->GetSide();
    VhUnit* there = map->FirstUnitIn(b);
    if (there && there->IsHostileTo(side)) return -1;
    if (unit && !unit->IsLeader()) {
        const Combat* c = AsCombat(unit);
        if (c && c->GetUnitKind() == SupplyWagonKind && (map->RegionHasFeature(b, 2) || map->RegionHasFeature(b, 10))) return -1;
        if (map->IsAdjacentToEnemy(b, side, 0)) return -1;
    }
    return TerrainStep(map, a, b);
}

std::int16_t UnitPathStep(std::uint16_t a, std::uint16_t b, VhLogicalLandscape* map, VhUnit*) {
    return map && map->HasEdgeBetween(a, b, 14) ? -1 : 1;
}

void NoteAttackOptions(std::uint16_t region, VhUnit* unit) {
    const Combat* c = AsCombat(unit);
    VhLogicalLandscape* map = unit ? unit->GetLandscape() : nullptr;
    if (!moving || !c || !map || c->GetUnitKind() == SkirmisherKind) return;
    const int f = static_cast<int>(moving->GetFacing());
    for (bool clockwise : {false, true}) {
        const std::uint16_t ahead = map->GetNeighbour(region, facing::TurnSide(f, clockwise));
        if (ahead == 0xFFFF) continue;
        VhUnit* there = map->FirstUnitIn(ahead);
        if (!there || !there->IsHostileTo(moving->GetSide())) continue;
        AttackInfo option;
        option.moveTo = region;
        option.attackFrom = ahead;
        List<AttackInfo>& options = moving->AttackOptionsOf(unit->GetUnitNum());
        if (!options.Contains(option)) options.AddTail(option);
    }
}

// The two directions a group facing that way advances into.
List<DIRECTION> FrontDirections(std::uint32_t f) {
    List<DIRECTION> out;
    int a = 0, b = 0;
    switch (f) {
    case 2: a = 2, b = 1; break;
    case 3: a = 2, b = 4; break;
    case 4: a = 4, b = 5; break;
    case 6: a = 5, b = 6; break;
    case 7: a = 6, b = 8; break;
    case 8: a = 8, b = 1; break;
    default: return out;
    }
    out.AddTail(static_cast<DIRECTION>(a));
    out.AddTail(static_cast<DIRECTION>(b));
    return out;
}

// The region `from` moved by the map-point difference between two regions; 0xFFFF off the map.
std::uint16_t Shifted(const VhLogicalLandscape& map, std::uint16_t from, std::uint16_t base, std::uint16_t to) {
    const Point p = map.RegionToPoint(from), a = map.RegionToPoint(base), b = map.RegionToPoint(to);
    const int x = p.x + (b.x - a.x), y = p.y + (b.y - a.y);
    if (x < 2 || y < 2) return 0xFFFF;
    const std::uint16_t r = map.PointToRegion(Point(x, y));
    return map.IsValidRegion(r) ? r : 0xFFFF;
}

// The larger cost position by position, as long as the shorter list.
void MergeCosts(List<short>& into, const List<short>& costs) {
    if (into.IsEmpty()) {
        into = costs;
        return;
    }
    List<short> merged;
    for (Item<short>*i = into.Head(), *j = costs.Head(); i && j; i = i->next, j = j->next)
        merged.AddTail(std::max(i->value, j->value));
    into = merged;
}

std::uint16_t SmallestAllowance(Leader& leader, Group* group) {
    std::uint16_t least = leader.GetMovementAllowance();
    if (!group) return least;
    for (Item<VhUnit*>* i = group->GetUnits().Head(); i; i = i->next)
        if (i->value != &leader && i->value->IsOnMap()) least = std::min(least, i->value->GetMovementAllowance());
    return least;
}

void SendFormation(VhUnit& unit, const char* message, std::uint16_t flag) {
    if (std::string(message) == "DoLimberUnlimber") {
        Container<LimberUnlimberInfo> info(LimberUnlimberInfo(unit.GetUnitNum(), flag));
        delete unit.SendNamed(message, &info);
    } else {
        Container<MountDismountInfo> info(MountDismountInfo(unit.GetUnitNum(), flag));
        delete unit.SendNamed(message, &info);
    }
}

ContainerBase* RotateLeftEntry(Component* c, BusMessage, ContainerBase*) {
    Leader* self = nullptr;
    if (!BusReceiver(c, self, Source, __LINE__)) return nullptr;
    return self->RotateCounterClockwise();
}

ContainerBase* RotateRightEntry(Component* c, BusMessage, ContainerBase*) {
    Leader* self = nullptr;
    if (!BusReceiver(c, self, Source, __LINE__)) return nullptr;
    return self->RotateClockwise();
}

void Menu(Leader& l, int event, std::uint16_t id) {
    Container<BusMessage> item{BusMessage(id)};
    delete l.Send(BusMessage(event), &item);
}

} // namespace

StepCostFunction Leader::GetGroupStepCallback() { return GroupStep; }

int Leader::GroupHasActiveUnit() {
    if (!groupCommandsAllowed || commandsUsed != 0 || !group) return 0;
    for (Item<VhUnit*>* i = group->GetUnits().Head(); i; i = i->next)
        if (i->value != this && i->value->IsOnMap() && !i->value->IsRouted()) return 1;
    return 0;
}

int Leader::FindGroupMoveRegions(std::uint16_t road) {
    if (!groupCommandsAllowed || commandsUsed != 0 || !group || !landscape || !IsOnMap()) return 0;
    std::uint16_t budget = movementAllowance;
    int counted = 0;
    for (Item<VhUnit*>* i = group->GetUnits().Head(); i; i = i->next) {
        VhUnit* u = i->value;
        if (u == this || !u->IsOnMap() || u->IsRouted()) continue;
        if (road) {
            if (!landscape->RegionHasFeature(u->GetLocation(), VhLogicalLandscape::RoadCode)) return 0;
            if (u->GetSecondRegion() != 0xFFFF && !landscape->RegionHasFeature(u->GetSecondRegion(), VhLogicalLandscape::RoadCode))
                return 0;
        }
        budget = std::min(budget, u->GetMovementPoints());
        ++counted;
    }
    if (!counted) return 0;
    List<short> reach;
    SearchScope scope(this);
    if (road) {
        landscape->FindGroupRoadRegions(reach, group, static_cast<std::int16_t>(budget));
    } else {
        List<DIRECTION> dirs = FrontDirections(facing);
        landscape->FindGroupRegionsInRange(reach, dirs, group, static_cast<std::int16_t>(budget), GroupStep, nullptr, 0);
    }
    return reach.Count() > 1 ? 1 : 0;
}

int Leader::CanAttemptGroupMove() {
    Application* app = GetApplication();
    if (app) app->BeginWait();
    int result = 3;
    if (group && landscape) {
        for (Item<VhUnit*>* i = group->GetUnits().Head(); i && result; i = i->next) {
            VhUnit* u = i->value;
            if (u == this || !u->IsOnMap()) continue;
            List<short> near;
            landscape->FindRegionsWithinRange(near, u->GetLocation(), 1, nullptr, 0);
            for (Item<short>* r = near.Head(); r; r = r->next) {
                VhUnit* there = landscape->FirstUnitIn(static_cast<std::uint16_t>(r->value));
                if (!there || !there->IsHostileTo(side)) continue;
                if (!computerPlayed) {
                    Container<std::string> text(GetName() + " cannot attempt group move: enemy is within " + "one hex" + " of group.");
                    PostNamed("AddCommentary", &text);
                }
                result = 0;
                break;
            }
        }
    }
    if (app) app->EndWait();
    return result;
}

int Leader::RollGroupCommand() {
    const int a = std::min(20 * (static_cast<int>(commands) - 2) + 30, 100);
    const int b = std::min(a + 20, 100);
    int r = static_cast<int>(GameRandom() % 100);
    if (failedGroupCommands == 1) r = std::max(r - 30, 0);
    else if (failedGroupCommands >= 2) r = 0;
    if (r < a) return 3;
    if (r < b) return 2;
    return 1;
}

// ---- steering ----

ContainerBase* Leader::OnSelectionConfirmed() {
    if (!groupMoveMode) return VhUnit::OnSelectionConfirmed();
    bool wide = false;
    if (group)
        for (Item<VhUnit*>* i = group->GetUnits().Head(); i; i = i->next)
            if (i->value != this && i->value->IsOnMap() && i->value->IsTwoHex()) wide = true;
    if (movementPoints > 1 && !wide) {
        Subscribe("RotateLeft", RotateLeftEntry);
        Subscribe("RotateRight", RotateRightEntry);
        Menu(*this, ENABLE_MENU_ITEM, unit_menu::RotateAnticlockwise);
        Menu(*this, ENABLE_MENU_ITEM, unit_menu::RotateClockwise);
    }
    if (movementPoints == movementAllowance) movementPoints = fullGroupMove ? SmallestAllowance(*this, group) : 2;
    // The group command has spent the commands; the leader still steers its group.
    selectedOutOfCommands = 0;
    return VhUnit::OnSelectionConfirmed();
}

ContainerBase* Leader::OnUnitDeselected() {
    UnregisterNamedHandler("RotateLeft", RotateLeftEntry);
    UnregisterNamedHandler("RotateRight", RotateRightEntry);
    return VhUnit::OnUnitDeselected();
}

void Leader::FindGroupLegalDestinations(List<short>& out) {
    out.Clear();
    if (attackStep || !landscape || !group || !IsOnMap()) return;
    SearchScope scope(this);
    if (roadMove) {
        if (movementPoints == 0) out.AddTail(static_cast<short>(GetLocation()));
        else landscape->FindGroupRoadRegions(out, group, static_cast<std::int16_t>(movementPoints));
        return;
    }
    // Options of an earlier search would name regions the group no longer reaches.
    for (Item<VhUnit*>* i = group->GetUnits().Head(); i; i = i->next) attackOptions[i->value->GetUnitNum()].Clear();
    List<DIRECTION> dirs = FrontDirections(facing);
    landscape->FindGroupRegionsInRange(out, dirs, group, static_cast<std::int16_t>(movementPoints), GroupStep, NoteAttackOptions, 0);
}

// ---- the move ----

List<short> Leader::RoadPathFor(VhUnit& unit, std::uint16_t destination, int leaderLength) {
    List<short> path;
    landscape->FindRoadPath(path, unit.GetLocation(), destination, group);
    while (path.Count() > leaderLength && leaderLength > 0) path.RemoveTail();
    const auto isFree = [&](std::uint16_t h) {
        if (h == destination) return false;
        List<VhUnit*>& there = landscape->GetUnitsInRegion(h);
        return there.IsEmpty() || (there.Count() == 1 && there.Head()->value == this);
    };
    while (path.Count() > 1) {
        short last = -1;
        path.PeekTail(last);
        if (isFree(static_cast<std::uint16_t>(last))) break;
        path.RemoveTail();
    }
    return path;
}

void Leader::MoveGroupTo(std::uint16_t destination) {
    attackStep = 0;
    groupMoveIssued = 0;
    if (!landscape || !IsOnMap()) return;
    const std::uint16_t here = GetLocation();
    if (group) {
        bool found = false;
        for (Item<VhUnit*>* i = group->GetUnits().Head(); i && !found; i = i->next) {
            VhUnit* u = i->value;
            if (u == this || !u->IsOnMap()) continue;
            for (Item<AttackInfo>* o = attackOptions[u->GetUnitNum()].Head(); o; o = o->next) {
                if (o->value.attackFrom != destination) continue;
                destination = Shifted(*landscape, here, u->GetLocation(), o->value.moveTo);
                attackStep = 1;
                found = true;
                break;
            }
        }
    }
    if (!legalDestinations.Contains(static_cast<short>(destination))) return;
    bool prepare = true;
    if (destination == here) {
        if (!attackStep) {
            movementPoints = 0;
            PostNamedEvent("UnitDeselected");
            return;
        }
        prepare = false;
    }
    groupMoveIssued = 1;
    groupMovedUnits.Clear();
    pendingKinds.Clear();
    if (prepare) SubscribeGroupMoveReports();
    issuingOrders = 1;

    Application* app = GetApplication();
    if (app) app->BeginWait();
    groupMoveCosts.Clear();

    std::vector<VhUnit*> order;
    int leaderLength = 0;
    if (group) {
        if (roadMove) {
            List<short> leaderPath;
            landscape->FindRoadPath(leaderPath, here, destination, group);
            leaderLength = leaderPath.Count();
            std::vector<std::pair<int, VhUnit*>> ranked;
            for (Item<VhUnit*>* i = group->GetUnits().Head(); i; i = i->next) {
                VhUnit* u = i->value;
                if (u == this || !u->IsOnMap()) continue;
                List<short> own;
                landscape->FindRoadPath(own, u->GetLocation(), destination, group);
                int shared = 0;
                for (Item<short>* h = own.Head(); h; h = h->next)
                    if (leaderPath.Contains(h->value)) ++shared;
                if (shared > 1) ranked.emplace_back(own.Count(), u);
            }
            std::stable_sort(ranked.begin(), ranked.end(), [](const auto& x, const auto& y) { return x.first < y.first; });
            for (const auto& r : ranked) order.push_back(r.second);
        } else {
            for (Item<VhUnit*>* i = group->GetUnits().Head(); i; i = i->next)
                if (i->value != this) order.push_back(i->value);
        }
    }

    for (VhUnit* u : order) {
        if (!u->IsOnMap() || u->IsRouted()) continue;
        Combat* c = AsCombat(u);
        const int kind = c ? c->GetUnitKind() : -1;
        const std::uint16_t unitNumber = u->GetUnitNum();
        if (prepare && c) {
            if (kind == ArtilleryKind && c->IsInLine()) SendFormation(*u, "DoLimberUnlimber", 1);
            else if (kind == CavalryKind && !c->IsMounted()) SendFormation(*u, "DoMountDismount", 1);
        }
        List<short> path;
        if (!roadMove) {
            if (u->GetFacing() != facing) {
                const bool wide = u->IsTwoHex() && c && !c->IsInLine();
                const facing::Turn turn =
                    facing::ShorterTurn(static_cast<int>(u->GetFacing()), static_cast<int>(facing), wide ? 3 : 1, wide ? 7 : 5);
                if (turn.steps > 0) {
                    ChangeFacingStruct change(static_cast<TURN_DIRECTION>(turn.sense), static_cast<std::uint16_t>(turn.steps), unitNumber);
                    change.facing = static_cast<DIRECTION>(facing);
                    Container<ChangeFacingStruct> payload(change);
                    delete SendNamed("ChangeFacing", &payload);
                }
            }
            const std::uint16_t target = Shifted(*landscape, u->GetLocation(), here, destination);
            if (target != 0xFFFF && target != u->GetLocation()) {
                List<DIRECTION> dirs = FrontDirections(facing);
                List<short> reached;
                List<List<short>> paths;
                landscape->FindRegionsInRange(reached, dirs, u->GetLocation(),
                                              static_cast<std::int16_t>(landscape->RegionDistance(u->GetLocation(), target)), 1,
                                              UnitPathStep, &paths, nullptr, 0);
                for (Item<List<short>>* p = paths.Head(); p; p = p->next) {
                    short last = -1;
                    if (p->value.PeekTail(last) && static_cast<std::uint16_t>(last) == target) {
                        path = p->value;
                        break;
                    }
                }
            }
        } else {
            path = RoadPathFor(*u, destination, leaderLength);
            if (path.Count() > 1) {
                short last = -1, before = -1;
                path.PeekTail(last);
                for (Item<short>* h = path.Head(); h && h->next; h = h->next) before = h->value;
                const int d = static_cast<int>(landscape->DirectionToRegion(static_cast<std::uint16_t>(before), static_cast<std::uint16_t>(last)));
                const std::uint16_t at = u->GetLocation();
                if (d) u->TurnTowards(static_cast<std::uint32_t>(d));
                if (u->GetLocation() != at) path = RoadPathFor(*u, destination, leaderLength);
            }
        }
        if (path.Count() > 1) {
            if (prepare) AddPending(unitNumber, Report::Move);
            List<short> costs = u->Move(path, RegisterMessage("GroupMovementDone"), new Container<short>(static_cast<short>(unitNumber)));
            MergeCosts(groupMoveCosts, costs);
        }
        if (attackStep && c) {
            if (kind == ArtilleryKind && !c->IsInLine()) SendFormation(*u, "DoLimberUnlimber", 0);
            else if (kind == CavalryKind && c->IsMounted()) SendFormation(*u, "DoMountDismount", 0);
            const List<AttackInfo>& options = attackOptions[unitNumber];
            for (Item<short>* h = c->GetFrontHexList().Head(); h; h = h->next) {
                AttackInfo wanted;
                wanted.moveTo = u->GetLocation();
                wanted.attackFrom = static_cast<std::uint16_t>(h->value);
                if (!options.Contains(wanted)) continue;
                if (static_cast<int>(c->GetTQ()) - static_cast<int>(c->GetCohesionHits()) >= 2 && kind != SkirmisherKind)
                    c->Attack(static_cast<std::uint16_t>(h->value));
                Menu(*this, DISABLE_MENU_ITEM, 248);
                break;
            }
        }
        attackOptions[unitNumber].Clear();
    }
    if (app) app->EndWait();
    // With no unit under way (or all back already) nothing else would end the wait.
    if (prepare) SettlePending(true);
    else issuingOrders = 0;
    MoveTo(destination, 1);
    if (attackStep) {
        Container<List<short>> old(legalDestinations);
        Post(DEHIGHLIGHT_REGION, &old);
        PostEvent(INVALIDATE_VIEW);
        legalDestinations.Clear();
    }
}

int Leader::AIGroupMoveTowards(std::uint16_t target, std::uint16_t attack) {
    commandsUsed = commands;
    commandsExhausted = 1;
    groupCommandMade = 1;
    groupMoveMode = 1;
    attackStep = 0;
    movementPoints = SmallestAllowance(*this, group);
    FindLegalDestinations(legalDestinations, 0, 0);
    groupMoveMode = 0;
    if (!landscape) return 0;
    std::int32_t destination = -1;
    if (legalDestinations.Contains(static_cast<short>(target))) {
        destination = target;
    } else {
        int best = 999;
        for (Item<short>* i = legalDestinations.Head(); i; i = i->next) {
            const int d = landscape->RegionDistance(static_cast<std::uint16_t>(i->value), target);
            if (d < best) best = d, destination = i->value;
        }
        if (destination != -1 && best >= 1 && group) {
            for (Item<VhUnit*>* i = group->GetUnits().Head(); i; i = i->next)
                for (Item<AttackInfo>* o = attackOptions[i->value->GetUnitNum()].Head(); o; o = o->next)
                    if (o->value.attackFrom == target) destination = target;
        }
    }
    if (destination == -1 || static_cast<std::uint16_t>(destination) == GetLocation()) return 0;
    MoveGroupTo(static_cast<std::uint16_t>(destination));
    if (!groupMoveIssued) return 0;
    if (attack && group) {
        for (Item<VhUnit*>* i = group->GetUnits().Head(); i; i = i->next) {
            Combat* c = AsCombat(i->value);
            if (!c || !c->IsOnMap()) continue;
            for (Item<short>* h = c->GetFrontHexList().Head(); h; h = h->next) {
                VhUnit* there = landscape->FirstUnitIn(static_cast<std::uint16_t>(h->value));
                if (there && there->IsHostileTo(side)) {
                    c->Attack(static_cast<std::uint16_t>(h->value));
                    break;
                }
            }
        }
    }
    return 1;
}
