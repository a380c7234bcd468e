// What a combat unit's moves and turns cost: the step costs and prohibited steps, the cohesion
// hits of terrain and elevation, the legal destinations with the attack hexes found on the way,
// the movement points and re-order hits of facing changes, and the attack move that ends in
// "AddCombatants".
#include "game/units/combat.h"

#include "game/units/facing.h"
#include "game/units/group.h"
#include "game/units/leader.h"
#include "game/units/missile_capable.h"

#include <cstdlib>

namespace {

// Cohesion hits by terrain code 0..11 and movement class 0..3.
constexpr std::int16_t TerrainHits[12][4] = {
    {0, 0, 0, 0}, {0, 1, 0, 0}, {1, 1, 1, 99}, {1, 99, 2, 99}, {1, 1, 2, 1}, {0, 0, 0, 0},
    {0, 0, 0, 0}, {1, 1, 1, 0}, {0, 0, 0, 0},  {0, 0, 0, 0},  {1, 1, 1, 99}, {1, 1, 1, 0},
};

std::int16_t ElevationHits(int d, int cls) {
    static constexpr std::int16_t one[4] = {1, 1, 1, 0}, two[4] = {1, 99, 2, 99}, three[4] = {1, 99, 99, 99};
    switch (std::abs(d)) {
    case 1: return one[cls];
    case 2: return two[cls];
    case 3: return three[cls];
    default: return 0;
    }
}

const char* TerrainText(int code) {
    switch (code) {
    case 1: return "in woods";
    case 2: return "in rocky terrain";
    case 3: return "in marsh";
    case 4: case 5: return "into a major river";
    case 6: return "across a minor river";
    case 10: return "across a berm and ditch";
    default: return "into some sort of terrain...";
    }
}

bool IsCavalryKind(int kind) { return kind >= 8 && kind <= 12; }

int Level(const LogicalRegion* r) { return r && r->Elevation() != 0 ? r->Elevation() : 1; }

// The unit whose legal destinations are being searched: the fill hands its callback the first
// unit of the start hex, which need not be this unit when units share a hex.
Combat* floodUnit = nullptr;

} // namespace

std::int16_t FloodStepCallback(std::uint16_t from, std::uint16_t to, VhLogicalLandscape*, VhUnit* unit) {
    Combat* self = floodUnit ? floodUnit : AsCombat(unit);
    return self ? self->CheckStep(from, to) : -1;
}

std::int16_t OccupiedStepCallback(std::uint16_t from, std::uint16_t, VhLogicalLandscape* landscape, VhUnit*) {
    return landscape && landscape->IsRegionOccupied(from) ? -1 : 1;
}

StepCostFunction Combat::GetStepCostCallback() { return FloodStepCallback; }

int Combat::MovementClass() const {
    switch (unitKind) {
    case InfantryKind: return IsInLine() ? 0 : -1;
    case CavalryKind: return !IsInLine() ? -1 : IsMounted() ? 2 : 0;
    case ArtilleryKind: return 1;
    case SupplyWagonKind: return 3;
    default: return 0;
    }
}

std::int16_t Combat::MovementCohesionHits(std::uint16_t from, std::uint16_t to, std::uint16_t commentary) {
    const int cls = MovementClass();
    if (cls < 0 || !landscape) return 0;
    std::string text = GetCommentaryName() + " moved ";
    const bool roadInLine = landscape->RegionHasFeature(to, 12) && IsInLine();
    int terrain = 0;
    if (!roadInLine) {
        bool any = false;
        for (int code = 0; code <= 11; ++code) {
            bool counts = false;
            int h = TerrainHits[code][cls];
            if (code <= 5) counts = landscape->RegionHasFeature(to, static_cast<std::uint16_t>(code));
            else if (code == 6 || code == 8 || code == 9 || code == 11) counts = landscape->HasEdgeBetween(from, to, static_cast<std::uint16_t>(code));
            else if (code == 10) {
                counts = landscape->HasEdgeBetween(from, to, 10);
                if (counts && !landscape->RegionHasFeature(from, 10) && landscape->RegionHasFeature(to, 10)) ++h;
            }
            if (!counts || h <= 0) continue;
            if (any) text += " and ";
            text += std::string(TerrainText(code)) + " for " + std::to_string(h) + " hit" + (h > 1 ? "s" : "");
            any = true;
            terrain += h;
        }
        if (terrain > 0 && commentary) {
            Container<std::string> line(text + ".");
            PostNamed("AddCommentary", &line);
        }
    }
    int elephant = 0;
    if (IsCavalryKind(static_cast<int>(unitKind))) {
        for (int d : {1, 2, 4, 5, 6, 8}) {
            const Combat* x = AsCombat(landscape->FirstUnitIn(landscape->GetNeighbour(to, d)));
            if (x && x->GetUnitKind() == ElephantKind) {
                elephant = 2;
                if (commentary) {
                    Container<std::string> line(GetCommentaryName() + " moved next to an elephant for 2 hits.");
                    PostNamed("AddCommentary", &line);
                }
                break;
            }
        }
    }
    int elevation = 0;
    const int d = Level(landscape->GetRegion(from)) - Level(landscape->GetRegion(to));
    if (d != 0) {
        int h = ElevationHits(d, cls);
        if (roadInLine && (std::abs(d) == 1 || std::abs(d) == 2)) h = h == 99 ? 3 : h - 1;
        if (h > 0) {
            elevation = h;
            if (commentary) {
                const int levels = std::abs(d);
                Container<std::string> line(GetCommentaryName() + " takes " + std::to_string(h) + " morale hit" + (h > 1 ? "s" : "") +
                                            " for moving " + (d < 0 ? "up " : "down ") + std::to_string(levels) + " level" +
                                            (levels > 1 ? "s" : "") + ".");
                PostNamed("AddCommentary", &line);
            }
        }
    }
    return static_cast<std::int16_t>(terrain + elephant + elevation);
}

std::int16_t Combat::StepCost(std::uint16_t from, std::uint16_t to) {
    if (!landscape) return -1;
    const LogicalRegion* a = landscape->GetRegion(from);
    const LogicalRegion* b = landscape->GetRegion(to);
    if (!a || !b) return -1;
    int ea = a->Elevation(), eb = b->Elevation();
    if (ea == 0 && eb < 2) ea = 1;
    if (eb == 0 && ea < 2) eb = 1;
    int diff = std::abs(ea - eb);
    if (landscape->HasEdgeBetween(from, to, 14) || landscape->HasEdgeBetween(from, to, 11)) return -1;
    if (isTwoHex) {
        const std::uint16_t rf = GetRightRegion(from, 0), rt = GetRightRegion(to, 0);
        if (rf == 0xFFFF || rt == 0xFFFF) return -1;
        const DIRECTION d = landscape->DirectionToRegion(from, to);
        if (landscape->HasEdgeType(rf, d, 14) || landscape->HasEdgeType(rf, d, 11)) return -1;
        const int second = std::abs(Level(landscape->GetRegion(rf)) - Level(landscape->GetRegion(rt)));
        if (second > diff) diff = second;
    }
    if (unitKind == SupplyWagonKind && landscape->RegionHasFeature(to, 2)) return -1;
    if (IsCavalryKind(static_cast<int>(unitKind))) {
        for (int d : {1, 2, 4, 5, 6, 8}) {
            Combat* x = AsCombat(landscape->FirstUnitIn(landscape->GetNeighbour(to, d)));
            if (x && x->GetUnitKind() == ElephantKind && x->IsInFrontHexes(to)) return -1;
        }
    }
    if (diff > 1 && (unitKind == ArtilleryKind || unitKind == SupplyWagonKind)) return -1;
    if (diff > 2 && unitKind != InfantryKind) return -1;
    return landscape->MovementCost(from, to);
}

void Combat::StepHook(std::uint16_t from, std::uint16_t to) {
    const std::int16_t hits = MovementCohesionHits(from, to, 1);
    if (hits > 0) TQHit(hits, 0);
}

std::int16_t Combat::CheckStep(std::uint16_t from, std::uint16_t to) {
    if (!landscape) return -1;
    std::uint16_t rf = 0xFFFF, rt = 0xFFFF;
    if (isTwoHex) {
        rf = GetRightRegion(from, 0);
        rt = GetRightRegion(to, 0);
        if (rt == 0xFFFF) return -1;
    }
    const bool agSkirmisher = unitKind == SkirmisherKind && GetName().find("Ag") == std::string::npos;
    if (!isEvading && !agSkirmisher) {
        List<short> front = GetFrontHexesAt(from);
        for (Item<short>* i = front.Head(); i; i = i->next) {
            VhUnit* u = landscape->FirstUnitIn(static_cast<std::uint16_t>(i->value));
            if (u && u->IsHostileTo(side) && !u->IsLeader() && !attackHexes.Contains(i->value)) attackHexes.AddTail(i->value);
        }
    }
    if (!isEvading && static_cast<std::int16_t>(from) != lastSelectedRegion &&
        (landscape->IsRegionThreatened(from, side) || (rf != 0xFFFF && landscape->IsRegionThreatened(rf, side))))
        return -1;
    const auto barred = [&](std::uint16_t hex) {
        VhUnit* u = landscape->FirstUnitIn(hex);
        if (!u || u == this) return false;
        if (u->IsHostileTo(side) || isEvading) return true;
        const Combat* c = AsCombat(u);
        return !(u->IsLeader() || (c && c->GetUnitKind() == ArtilleryKind));
    };
    if (to != rf && barred(to)) return -1;
    if (rt != 0xFFFF && rt != from && barred(rt)) return -1;
    std::int16_t cost = StepCost(from, to);
    if (isTwoHex && cost != -1 && rf != 0xFFFF) {
        isTwoHex = 0;
        const std::int16_t second = StepCost(rf, rt);
        isTwoHex = 1;
        if (second > cost) cost = second;
    }
    return cost;
}

void Combat::FindLegalDestinations(List<short>& out, std::uint32_t forFacing, std::uint16_t points) {
    out.Clear();
    if (!landscape || GetLocation() == 0xFFFF) return;
    std::uint32_t f = forFacing ? forFacing : facing;
    std::uint16_t budget = points ? points : movementPoints;
    if (backwardMovement) {
        f = static_cast<std::uint32_t>(facing::Plain(static_cast<int>(f), 4));
        if (budget > 2) budget = 2;
    }
    List<DIRECTION> dirs;
    const bool three = isTwoHex && !IsInLine();
    switch (f) {
    case 2: dirs.AddTail(NorthEast), dirs.AddTail(North); if (three) dirs.AddTail(SouthEast); break;
    case 3: dirs.AddTail(NorthEast), dirs.AddTail(SouthEast); break;
    case 4: dirs.AddTail(SouthEast), dirs.AddTail(South); if (three) dirs.AddTail(NorthEast); break;
    case 6: dirs.AddTail(South), dirs.AddTail(SouthWest); if (three) dirs.AddTail(NorthWest); break;
    case 7: dirs.AddTail(SouthWest), dirs.AddTail(NorthWest); break;
    case 8: dirs.AddTail(NorthWest), dirs.AddTail(North); if (three) dirs.AddTail(SouthWest); break;
    default: break;
    }
    attackHexes.Clear();
    excludedDestinations.Clear();
    Combat* outer = floodUnit;
    floodUnit = this;
    landscape->FindRegionsInRange(out, dirs, GetLocation(), static_cast<std::int16_t>(budget), 1, FloodStepCallback, nullptr,
                                  &excludedDestinations, 1);
    floodUnit = outer;
    for (Item<short>* i = out.Head(); i;) {
        Item<short>* next = i->next;
        const auto h = static_cast<std::uint16_t>(i->value);
        VhUnit* there = landscape->FirstUnitIn(h);
        if (h != GetLocation() && there && there != this) out.Remove(i->value);
        i = next;
    }
    if (isSelected) {
        const auto item = [&](std::uint16_t menuId, bool on) { SendMenu(on ? ENABLE_MENU_ITEM : DISABLE_MENU_ITEM, menuId); };
        item(unit_menu::AboutFace, isTwoHex && movementPoints > 5);
        bool rotate = !isTwoHex && movementPoints >= 2;
        if (isTwoHex && movementPoints > 0) {
            const auto free = [&](std::uint16_t moved, std::uint16_t from) {
                if (moved == 0xFFFF || landscape->IsRegionOccupied(moved)) return false;
                isTwoHex = 0;
                const bool ok = StepCost(from, moved) >= 0;
                isTwoHex = 1;
                return ok;
            };
            const int ccw = facing::TurnFacing(static_cast<int>(facing), false), cw = facing::TurnFacing(static_cast<int>(facing), true);
            item(unit_menu::RotateAnticlockwise, free(GetRightRegion(GetLocation(), static_cast<std::uint32_t>(ccw)), static_cast<std::uint16_t>(secondRegion)));
            item(unit_menu::RotateClockwise, free(GetLeftRegion(static_cast<std::uint16_t>(secondRegion), static_cast<std::uint32_t>(cw)), GetLocation()));
        } else {
            item(unit_menu::RotateAnticlockwise, rotate);
            item(unit_menu::RotateClockwise, rotate);
        }
        const bool canReform = CanChangeFormation() && movementPoints >= 2;
        item(unit_menu::FormationClockwise, canReform);
        item(unit_menu::FormationAnticlockwise, canReform);
    }
}

// ---- order costs ----

namespace {
// Takes points from a count that must not wrap below 0.
std::uint16_t Spend(std::uint16_t points, int cost) { return cost >= points ? 0 : static_cast<std::uint16_t>(points - cost); }
} // namespace

std::int16_t Combat::Rotate(std::uint32_t sense, std::uint16_t sides) {
    const std::int16_t result = VhUnit::Rotate(sense, sides);
    SendMenu(DISABLE_MENU_ITEM, unit_menu::RestoreMorale);
    RecomputeAllZones();
    SetFacing(facing);
    return result;
}

List<short> Combat::Move(List<short>& path, BusMessage reply, ContainerBase* replyPayload) {
    List<short> costs = VhUnit::Move(path, reply, replyPayload);
    SendMenu(DISABLE_MENU_ITEM, unit_menu::RestoreMorale);
    return costs;
}

namespace {
// The facing change's charge; false when the unit broke under it and the turn is dropped.
bool ChargeFacingChange(Combat& unit, std::uint16_t& points, std::uint16_t& facingChanged, std::uint16_t usedThisTurn,
                        int kind) {
    unit.PushUndo();
    if (!(kind == SkirmisherKind && facingChanged)) points = Spend(points, 2);
    facingChanged = 1;
    Container<short> self(static_cast<short>(unit.GetUnitNum()));
    unit.PostNamed("GiveOrder", &self);
    if (usedThisTurn && !unit.GetReorderHitTaken()) {
        unit.SetReorderHitTaken(1);
        Container<std::string> text(unit.GetCommentaryName() + " is taking a morale hit for being ordered again this turn.");
        unit.PostNamed("AddCommentary", &text);
        if (unit.TQHit(1, 0)) return false;
    }
    if (kind == 14) {
        Container<std::string> text(unit.GetCommentaryName() + " is taking 2 morale hits for changing facing.");
        unit.PostNamed("AddCommentary", &text);
        if (unit.TQHit(2, 0)) return false;
    }
    return true;
}
} // namespace

ContainerBase* Combat::RotateLeft() {
    if (!ChargeFacingChange(*this, movementPoints, facingChanged, usedThisTurn, static_cast<int>(unitKind))) return new Container<short>(0);
    return VhUnit::RotateLeft();
}

ContainerBase* Combat::RotateRight() {
    if (!ChargeFacingChange(*this, movementPoints, facingChanged, usedThisTurn, static_cast<int>(unitKind))) return new Container<short>(0);
    return VhUnit::RotateRight();
}

ContainerBase* Combat::OnAboutFace() {
    PushUndo();
    Container<short> self(static_cast<short>(GetUnitNum()));
    PostNamed("GiveOrder", &self);
    if (usedThisTurn && !reorderHitTaken) {
        reorderHitTaken = 1;
        Container<std::string> text(GetCommentaryName() + " is taking a morale hit for being ordered again this turn.");
        PostNamed("AddCommentary", &text);
        if (TQHit(1, 0)) return nullptr;
    }
    return VhUnit::OnAboutFace();
}

std::uint16_t Combat::HexToAttackFrom(std::uint16_t enemyHex) {
    if (!landscape) return enemyHex;
    FindLegalDestinations(legalDestinations, 0, 0);
    for (int d : {1, 2, 4, 5, 6, 8}) {
        const std::uint16_t n = landscape->GetNeighbour(enemyHex, d);
        if (n == 0xFFFF || !legalDestinations.Contains(static_cast<short>(n))) continue;
        if (!GetFrontHexesAt(n).Contains(static_cast<short>(enemyHex))) continue;
        if (!isTwoHex) return n;
        const std::uint16_t right = GetRightRegion(n, 0);
        if (legalDestinations.Contains(static_cast<short>(right)) && !excludedDestinations.Contains(static_cast<short>(n))) return n;
        return GetLeftRegion(n, 0);
    }
    return enemyHex;
}

ContainerBase* Combat::OnRegionClicked(std::int16_t hex) {
    const auto h = static_cast<std::uint16_t>(hex);
    const bool attack = attackHexes.Contains(hex);
    if (attack || IsLegalEnd(h)) attackTarget = -1;
    std::uint16_t goTo = h;
    if (!IsLegalEnd(h) || h == GetLocation()) {
        if (attack) {
            attackTarget = hex;
            goTo = HexToAttackFrom(h);
            if (goTo != GetLocation()) {
                Container<short> self(static_cast<short>(GetUnitNum()));
                PostNamed("GiveOrder", &self);
            }
        }
    } else {
        if (isSelected) PushUndo();
        Container<short> self(static_cast<short>(GetUnitNum()));
        PostNamed("GiveOrder", &self);
        if (usedThisTurn && !reorderHitTaken) {
            Container<std::string> text(GetCommentaryName() + " takes 1 morale hit for being ordered again this turn.");
            PostNamed("AddCommentary", &text);
            reorderHitTaken = 1;
            if (TQHit(1, 0)) return new Container<short>(0);
        }
    }
    facingChanged = 0;
    const bool inPlace = goTo == GetLocation() || (isTwoHex && static_cast<std::int16_t>(goTo) == secondRegion);
    if (attackTarget == -1 || !inPlace) return VhUnit::OnRegionClicked(static_cast<std::int16_t>(goTo));
    AddCombatants(static_cast<std::uint16_t>(attackTarget));
    return nullptr;
}

ContainerBase* Combat::OnMovementDone(const MoveReturnStruct& result) {
    ContainerBase* answer = VhUnit::OnMovementDone(result);
    if (result.unit != GetUnitNum()) return answer;
    if (attackTarget != -1 && moveTarget >= 0 && GetLocation() == static_cast<std::uint16_t>(moveTarget))
        AddCombatants(static_cast<std::uint16_t>(attackTarget));
    else attackTarget = -1;
    return answer;
}

void Combat::AddCombatants(std::uint16_t target) {
    ClearUndo();
    SendMenu(DISABLE_MENU_ITEM, unit_menu::UndoLastAction);
    CombatNameStruct record;
    record.attacker = GetUnitNum();
    record.target = target;
    bool settled = false;
    if (landscape) {
        for (Item<short>* i = frontHexes.Head(); i; i = i->next) {
            ListIterator<VhUnit*> it(&landscape->GetUnitsInRegion(static_cast<std::uint16_t>(i->value)), 0);
            VhUnit* x = nullptr;
            while (it.Next(x)) {
                if (!x->IsHostileTo(side)) continue;
                if (x->IsLeader()) {
                    record.defendingLeaders.AddTail(x->GetUnitNum());
                    continue;
                }
                record.defenders.AddTail(x->GetUnitNum());
                if (x->GetLocation() == target) record.target = target, settled = true;
                else if (!settled && x->IsTwoHex()) record.target = x->GetLocation();
            }
        }
    }
    record.moved = movementPoints < movementAllowance ? 1 : 0;
    if (!record.defenders.IsEmpty()) {
        Container<CombatNameStruct> payload(record);
        delete SendNamed("AddCombatants", &payload);
        isLegal = 0;
        hasActed = 1;
    }
    for (std::uint16_t menuId : {unit_menu::RotateAnticlockwise, unit_menu::RotateClockwise, unit_menu::FormationClockwise,
                             unit_menu::FormationAnticlockwise})
        SendMenu(DISABLE_MENU_ITEM, menuId);
    if (isTwoHex) SendMenu(DISABLE_MENU_ITEM, unit_menu::AboutFace);
    SendMenu(DISABLE_MENU_ITEM, unit_menu::RestoreMorale);
    SendMenu(DISABLE_MENU_ITEM, unit_menu::BackwardMovement);
    attackHexes.Clear();
    Container<List<short>> old(legalDestinations);
    Post(DEHIGHLIGHT_REGION, &old);
    PostEvent(INVALIDATE_VIEW);
    legalDestinations.Clear();
}

void Combat::AttemptRefaceFromCharge(int sense) {
    ClearUndo();
    SendMenu(DISABLE_MENU_ITEM, unit_menu::UndoLastAction);
    Container<ChangeFacingStruct> turn(sense == 0 ? ChangeFacingStruct(static_cast<TURN_DIRECTION>(1), 3, GetUnitNum())
                                                  : ChangeFacingStruct(static_cast<TURN_DIRECTION>(sense), 1, GetUnitNum()));
    delete SendNamed("ChangeFacing", &turn);
    if (!IsInLine()) SetFormationOrder(1);
}

void Combat::AttemptChangeFormation() {
    if (IsInLine()) return;
    ClearUndo();
    SendMenu(DISABLE_MENU_ITEM, unit_menu::UndoLastAction);
    SetFormationOrder(1);
}

std::int16_t Combat::MoveToHex(std::uint16_t hex) {
    const std::int16_t result = VhUnit::MoveToHex(hex);
    if (result != 0 && usedThisTurn && !reorderHitTaken) {
        Container<std::string> text(GetCommentaryName() + " takes 1 morale hit for being ordered again this turn.");
        PostNamed("AddCommentary", &text);
        reorderHitTaken = 1;
        if (TQHit(1, 0)) return 0;
    }
    return result;
}
