// The unit base's orders: selection by the active leader, the move order with its path choice,
// the turn by hex sides, the start of a turn and of an orders phase, the moving unit's side of
// the OW segment, and the computer player's move, turn and query operations.
#include "game/units/vh_unit.h"

#include "game/logic/logical_command.h"
#include "game/units/facing.h"
#include "game/units/group.h"
#include "game/units/leader.h"
#include "game/units/missile_capable.h"

namespace {

constexpr const char* Source = "VHUNIT";

ContainerBase* SelectionConfirmedEntry(Component* c, BusMessage, ContainerBase* p) {
    VhUnit* self = nullptr;
    LogicalCommandInfo* info = nullptr;
    if (!BusArgs(c, p, self, info, Source, __LINE__)) return nullptr;
    // Only the confirmation of this unit's own selection counts.
    if (info->object != self->GetUnitNum()) return nullptr;
    return self->OnSelectionConfirmed();
}

ContainerBase* RegionSelectedEntry(Component* c, BusMessage, ContainerBase* p) {
    VhUnit* self = nullptr;
    short* hex = nullptr;
    if (!BusArgs(c, p, self, hex, Source, __LINE__)) return nullptr;
    return self->OnRegionClicked(*hex);
}

ContainerBase* RegionFlybyEntry(Component* c, BusMessage, ContainerBase* p) {
    VhUnit* self = nullptr;
    short* hex = nullptr;
    if (!BusArgs(c, p, self, hex, Source, __LINE__)) return nullptr;
    return self->OnHoverSelected(*hex);
}

ContainerBase* UnitDeselectedEntry(Component* c, BusMessage, ContainerBase*) {
    VhUnit* self = nullptr;
    if (!BusReceiver(c, self, Source, __LINE__)) return nullptr;
    return self->OnUnitDeselected();
}

ContainerBase* UnitRemovedEntry(Component* c, BusMessage, ContainerBase* p) {
    VhUnit* self = nullptr;
    UnitLocationStruct* where = nullptr;
    if (!BusArgs(c, p, self, where, Source, __LINE__)) return nullptr;
    return self->OnUnitRemoved(*where);
}

ContainerBase* RotateLeftEntry(Component* c, BusMessage, ContainerBase*) {
    VhUnit* self = nullptr;
    if (!BusReceiver(c, self, Source, __LINE__)) return nullptr;
    return self->RotateLeft();
}

ContainerBase* RotateRightEntry(Component* c, BusMessage, ContainerBase*) {
    VhUnit* self = nullptr;
    if (!BusReceiver(c, self, Source, __LINE__)) return nullptr;
    return self->RotateRight();
}

ContainerBase* AboutFaceEntry(Component* c, BusMessage, ContainerBase*) {
    VhUnit* self = nullptr;
    if (!BusReceiver(c, self, Source, __LINE__)) return nullptr;
    return self->OnAboutFace();
}

ContainerBase* BackwardMovementEntry(Component* c, BusMessage, ContainerBase*) {
    VhUnit* self = nullptr;
    if (!BusReceiver(c, self, Source, __LINE__)) return nullptr;
    return self->OnBackwardMovement();
}

ContainerBase* MovementDoneEntry(Component* c, BusMessage, ContainerBase* p) {
    VhUnit* self = nullptr;
    MoveReturnStruct* result = nullptr;
    if (!BusArgs(c, p, self, result, Source, __LINE__)) return nullptr;
    return self->OnMovementDone(*result);
}

ContainerBase* BeginOWSegmentEntry(Component* c, BusMessage, ContainerBase*) {
    VhUnit* self = nullptr;
    if (!BusReceiver(c, self, Source, __LINE__)) return nullptr;
    self->BeginOWSegment();
    return nullptr;
}

ContainerBase* OWResolvedEntry(Component* c, BusMessage, ContainerBase* p) {
    VhUnit* self = nullptr;
    ResolveOWStruct* result = nullptr;
    if (!BusArgs(c, p, self, result, Source, __LINE__)) return nullptr;
    return self->OnOWResolved(*result);
}

ContainerBase* EndOWSegmentEntry(Component* c, BusMessage, ContainerBase* p) {
    VhUnit* self = nullptr;
    EndOWStruct* flag = nullptr;
    if (!BusArgs(c, p, self, flag, Source, __LINE__)) return nullptr;
    // The segment of another mover is not this unit's to end.
    if (flag->value != self->GetUnitNum()) return nullptr;
    return self->OnEndOWSegment(*flag);
}

ContainerBase* RoutingOrEliminatedEntry(Component* c, BusMessage, ContainerBase*) {
    VhUnit* self = nullptr;
    if (!BusReceiver(c, self, Source, __LINE__)) return nullptr;
    if (self->IsSelected()) self->RefreshHighlight();
    return nullptr;
}

int DirectionOfBearing(int bearing) {
    static const int directions[6] = {2, 3, 4, 6, 7, 8};
    return directions[(bearing / 4) % 6];
}

} // namespace

void VhUnit::Subscribe(std::string_view name, BusHandler handler) {
    if (!IsHandlerRegistered(RegisterMessage(std::string(name).c_str()), handler)) RegisterNamedHandler(name, handler);
}

void VhUnit::Subscribe(BusMessage event, BusHandler handler) {
    if (!IsHandlerRegistered(event, handler)) RegisterHandler(event, handler);
}

void VhUnit::RefreshHighlight() {
    Container<List<short>> old(legalDestinations);
    Post(DEHIGHLIGHT_REGION, &old);
    FindLegalDestinations(legalDestinations, 0, 0);
    Container<List<short>> fresh(legalDestinations);
    Post(HIGHLIGHT_REGION, &fresh);
    PostEvent(INVALIDATE_VIEW);
}

void VhUnit::HideMarkers() {
    if (hexToMoveTo >= 0) {
        Container<short> hex(hexToMoveTo);
        PostNamed("HideHexToMoveTo", &hex);
    }
    if (isTwoHex && secondHexToMoveTo >= 0) {
        Container<short> hex(secondHexToMoveTo);
        PostNamed("HideHexToMoveTo", &hex);
    }
    hexToMoveTo = secondHexToMoveTo = -1;
}

// ---- selection ----

ContainerBase* VhUnit::OnLegalUnits(const LegalUnitsInfo& legal) {
    isLegal = 0;
    if (hasActed || !IsOnMap() || groupNumber == -1 || legal.side != side || rallyOrResupplyThisTurn) return nullptr;
    const bool inRange = legal.regions.Contains(static_cast<short>(GetLocation())) ||
                         (isTwoHex && legal.regions.Contains(secondRegion));
    const Leader* leader = group ? group->GetLeader() : nullptr;
    const bool ownLeader = leader && leader->GetUnitNum() == legal.leader && leader->GetCommandLevel() != 3;
    if (inRange || ownLeader) isLegal = 1;
    return nullptr;
}

ContainerBase* VhUnit::OnUnitSelected(std::int16_t hex) {
    if (isSelected) return new Container<short>(0);
    if (!isLegal) {
        if (rallyOrResupplyThisTurn) {
            Container<std::string> text(std::string("You may not command a unit who has rallied or re-suppled ammunition this turn."));
            PostNamed("AddCommentaryLocal", &text);
        }
        return new Container<short>(0);
    }
    if (leaderOutOfCommands && !MaySelectOutOfCommands()) return new Container<short>(0);
    selectedOutOfCommands = leaderOutOfCommands;
    isDisplayOnly = 0;
    clickedFirstHex = static_cast<std::uint16_t>(hex) == GetLocation() ? 1 : 0;
    Subscribe(LOGICAL_OBJECT_SELECTED, SelectionConfirmedEntry);
    delete PostNamedEventAndWait("UnitDeselected");
    Container<LogicalCommandInfo> info(LogicalCommandInfo(GetUnitNum(), nullptr, static_cast<std::int16_t>(GetLocation())));
    Post(LOGICAL_OBJECT_SELECTED, &info);
    lastSelectedRegion = static_cast<std::int16_t>(GetLocation());
    return new Container<short>(1);
}

ContainerBase* VhUnit::OnSelectionConfirmed() {
    if (isSelected) return nullptr;
    isSelected = 1;
    Subscribe(REGION_SELECTED, RegionSelectedEntry);
    Subscribe("UnitDeselected", UnitDeselectedEntry);
    Subscribe("RoutingDone", RoutingOrEliminatedEntry);
    Subscribe("UnitEliminated", RoutingOrEliminatedEntry);
    SendMenu(ENABLE_MENU_ITEM, unit_menu::CenterOnUnit);
    if (!IsLeader()) {
        Subscribe("UnitRemoved", UnitRemovedEntry);
        SendMenu(ENABLE_MENU_ITEM, unit_menu::ViewDetails);
    }
    if (isDisplayOnly) return nullptr;
    if (!selectedOutOfCommands) {
        if (!IsLeader()) {
            Subscribe("RotateLeft", RotateLeftEntry);
            Subscribe("RotateRight", RotateRightEntry);
            Subscribe("UnitAboutFace", AboutFaceEntry);
            Subscribe("UnitBackwardMovement", BackwardMovementEntry);
            SendMenu(ENABLE_MENU_ITEM, unit_menu::BackwardMovement);
            if (backwardMovement) PostMenu(CHECK_MENU_ITEM, unit_menu::BackwardMovement);
        }
        FindLegalDestinations(legalDestinations, 0, 0);
    } else {
        legalDestinations.Clear();
        legalDestinations.AddTail(static_cast<short>(GetLocation()));
        if (isTwoHex && secondRegion != -1) legalDestinations.AddTail(secondRegion);
    }
    Container<List<short>> highlight(legalDestinations);
    Post(HIGHLIGHT_REGION, &highlight);
    PostEvent(INVALIDATE_VIEW);
    Subscribe(REGION_FLYBY, RegionFlybyEntry);
    hexToMoveTo = static_cast<std::int16_t>(GetLocation());
    Container<short> marker(hexToMoveTo);
    PostNamed("ShowHexToMoveTo", &marker);
    if (isTwoHex && secondRegion != -1) {
        secondHexToMoveTo = secondRegion;
        Container<short> second(secondRegion);
        PostNamed("ShowHexToMoveTo", &second);
    }
    return nullptr;
}

ContainerBase* VhUnit::OnHoverSelected(std::int16_t hex) {
    const auto h = static_cast<std::uint16_t>(hex);
    if (!legalDestinations.Contains(hex)) {
        HideMarkers();
        return nullptr;
    }
    if (hexToMoveTo == hex) return nullptr;
    HideMarkers();
    if (!isTwoHex) {
        Container<short> marker(hex);
        PostNamed("ShowHexToMoveTo", &marker);
        hexToMoveTo = hex;
        return nullptr;
    }
    const auto companion = static_cast<std::int16_t>(GetRightRegion(h, 0));
    if (legalDestinations.Contains(companion) && !excludedDestinations.Contains(hex)) {
        Container<short> a(companion), b(hex);
        PostNamed("ShowHexToMoveTo", &a);
        PostNamed("ShowHexToMoveTo", &b);
        hexToMoveTo = hex;
        secondHexToMoveTo = companion;
    }
    return nullptr;
}

ContainerBase* VhUnit::OnRegionClicked(std::int16_t hex) {
    const auto h = static_cast<std::uint16_t>(hex);
    if (h == GetLocation()) {
        PostNamedEvent("UnitDeselected");
        return nullptr;
    }
    if (IsLegalEnd(h)) MoveTo(h, 1);
    return nullptr;
}

ContainerBase* VhUnit::OnUnitDeselected() {
    if (!isSelected) return nullptr;
    if (HasMoved() || hasActed) {
        if (!UndoList().IsEmpty()) PushUndo();
        usedThisTurn = 1;
        movementPoints = 0;
    }
    isSelected = 0;
    UnregisterHandler(LOGICAL_OBJECT_SELECTED, SelectionConfirmedEntry);
    UnregisterHandler(REGION_SELECTED, RegionSelectedEntry);
    if (!isDisplayOnly) {
        HideMarkers();
        UnregisterHandler(REGION_FLYBY, RegionFlybyEntry);
        if (!IsLeader()) {
            SendMenu(DISABLE_MENU_ITEM, unit_menu::BackwardMovement);
            PostMenu(UNCHECK_MENU_ITEM, unit_menu::BackwardMovement);
            UnregisterNamedHandler("UnitBackwardMovement", BackwardMovementEntry);
            backwardMovement = 0;
        }
    }
    UnregisterNamedHandler("UnitDeselected", UnitDeselectedEntry);
    UnregisterNamedHandler("RotateLeft", RotateLeftEntry);
    UnregisterNamedHandler("RotateRight", RotateRightEntry);
    UnregisterNamedHandler("UnitAboutFace", AboutFaceEntry);
    UnregisterNamedHandler("RoutingDone", RoutingOrEliminatedEntry);
    UnregisterNamedHandler("UnitEliminated", RoutingOrEliminatedEntry);
    SendMenu(DISABLE_MENU_ITEM, unit_menu::AboutFace);
    Container<List<short>> old(legalDestinations);
    Post(DEHIGHLIGHT_REGION, &old);
    PostEvent(INVALIDATE_VIEW);
    Container<short> self(static_cast<short>(GetUnitNum()));
    Post(LOGICAL_OBJECT_DESELECTED, &self);
    SendMenu(DISABLE_MENU_ITEM, unit_menu::CenterOnUnit);
    if (!IsLeader()) {
        UnregisterNamedHandler("UnitRemoved", UnitRemovedEntry);
        SendMenu(DISABLE_MENU_ITEM, unit_menu::ViewDetails);
    }
    if (usedThisTurn) PostNamed("UsedThisTurn", &self);
    return nullptr;
}

ContainerBase* VhUnit::OnUnitRemoved(const UnitLocationStruct& where) {
    if (where.unit != GetUnitNum()) return nullptr;
    ClearUndo();
    SendMenu(DISABLE_MENU_ITEM, unit_menu::UndoLastAction);
    delete SendNamedEvent("UnitDeselected");
    if (IsLeader()) PostNamedEvent("EndOrdersPhase");
    return nullptr;
}

ContainerBase* VhUnit::OnAboutFace() {
    // Points are a count: an about face with fewer than 6 left spends what there is.
    movementPoints = movementPoints > 6 ? static_cast<std::uint16_t>(movementPoints - 6) : 0;
    Container<ChangeFacingStruct> turn(ChangeFacingStruct(static_cast<TURN_DIRECTION>(2), 3, GetUnitNum()));
    delete SendNamed("ChangeFacing", &turn);
    return nullptr;
}

ContainerBase* VhUnit::OnBackwardMovement() {
    backwardMovement = backwardMovement ? 0 : 1;
    if (!isMoving) RefreshHighlight();
    return nullptr;
}

// ---- turn start ----

ContainerBase* VhUnit::OnBeginTurn(std::int16_t turn) {
    usedThisTurn = 0;
    rallyOrResupplyThisTurn = 0;
    if (arrivalTurn == 0 || isRemoved || arrivalTurn > turn || !landscape) return nullptr;
    const auto entry = static_cast<std::uint16_t>(entryRegion);
    const auto freeOfEnemies = [&](std::uint16_t h) {
        return h != 0xFFFF && landscape->IsValidRegion(h) && !landscape->IsRegionOccupied(h) &&
               !landscape->IsAdjacentToEnemy(h, side, 0);
    };
    if (!freeOfEnemies(entry)) return nullptr;
    std::uint16_t second = 0xFFFF;
    if (isTwoHex) {
        second = GetRightRegion(entry, 0);
        if (!freeOfEnemies(second)) return nullptr;
    }
    arrivalTurn = 0;
    Container<UnitLocationStruct> where(UnitLocationStruct(GetUnitNum(), entry, second, 0));
    delete SendNamed("UnitInsertedLocal", &where);
    // The battlefield places units it is told of; a unit it has not placed takes its hexes here.
    if (GetLocation() != entry) {
        Unit::SetLocation(entry);
        if (isTwoHex) secondRegion = static_cast<std::int16_t>(second);
    }
    if (IsLeader()) {
        Container<std::string> text(GetCommentaryName() + "\\B has entered the battle.\\b");
        delete SendNamed("AddCommentaryLocal", &text);
    }
    return nullptr;
}

ContainerBase* VhUnit::OnBeginLeaderOrdersPhase() {
    leaderOutOfCommands = 0;
    movementPoints = movementAllowance;
    hasActed = 0;
    isLegal = 0;
    return nullptr;
}

// ---- facing ----

std::int16_t VhUnit::Rotate(std::uint32_t sense, std::uint16_t sides) {
    std::int16_t result = 2;
    if (!IsLeader()) {
        isLegal = 0;
        hasActed = 1;
    }
    const bool clockwise = sense != 1;
    const int target = facing::Turned(static_cast<int>(facing), clockwise, sides);
    if (isSelected && !isDisplayOnly) {
        Container<List<short>> old(legalDestinations);
        Post(DEHIGHLIGHT_REGION, &old);
    }
    const BusMessage done = RegisterMessage("ChangeFacingDone");
    if (isTwoHex && sides == 3) {
        Container<LogicalCommandInfo> info(LogicalCommandInfo(GetUnitNum(), new Container<char>(0), 0,
                                                              RegisterMessage("AboutFace"), RegisterMessage("AboutFaceDone"),
                                                              new Container<short>(0)));
        Post(LOGICAL_COMMAND, &info);
        const std::uint16_t first = GetLocation();
        const auto second = static_cast<std::uint16_t>(secondRegion);
        facing = static_cast<std::uint32_t>(target);
        // The two hexes swap roles: the old second hex is the new first, and the old first hex is
        // its right-hand neighbour under the reversed facing.
        Unit::SetLocation(second);
        secondRegion = static_cast<std::int16_t>(first);
        SetFacing(static_cast<std::uint32_t>(target));
    } else if (isTwoHex) {
        int steps = 0;
        while (static_cast<int>(facing) != target && steps++ < 8) {
            const int next = facing::TurnFacing(static_cast<int>(facing), clockwise);
            const std::uint16_t pivot = clockwise ? static_cast<std::uint16_t>(secondRegion) : GetLocation();
            Container<LogicalCommandInfo> info(LogicalCommandInfo(GetUnitNum(), new Container<std::uint32_t>(next),
                                                                  static_cast<std::int16_t>(pivot), BusMessage(CHANGE_UNIT_FACING),
                                                                  done, new Container<short>(0)));
            Post(LOGICAL_COMMAND, &info);
            std::uint16_t moved;
            if (!clockwise) {
                moved = GetRightRegion(GetLocation(), static_cast<std::uint32_t>(next));
                if (landscape && secondRegion != -1) landscape->ShadowRegions(this, static_cast<std::uint16_t>(secondRegion));
                facing = static_cast<std::uint32_t>(next);
                secondRegion = static_cast<std::int16_t>(moved);
                if (landscape && moved != 0xFFFF) landscape->DeshadowRegions(this, moved);
            } else {
                moved = GetLeftRegion(static_cast<std::uint16_t>(secondRegion), static_cast<std::uint32_t>(next));
                if (landscape && GetLocation() != 0xFFFF) landscape->ShadowRegions(this, GetLocation());
                facing = static_cast<std::uint32_t>(next);
                Unit::SetLocation(moved);
                if (landscape && moved != 0xFFFF) landscape->DeshadowRegions(this, moved);
                if (IsRouted() || IsBreaking()) {
                    PostNamedEvent("ChangeFacingDone");
                    return 0;
                }
            }
            if (!IsRouted() && landscape && moved != 0xFFFF && landscape->IsInEnemyContact(moved, side, this)) {
                result = 1;
                break;
            }
        }
    } else {
        facing = static_cast<std::uint32_t>(target);
        Container<LogicalCommandInfo> info(LogicalCommandInfo(GetUnitNum(), new Container<std::uint32_t>(facing),
                                                              static_cast<std::int16_t>(GetLocation()),
                                                              BusMessage(CHANGE_UNIT_FACING), done, new Container<short>(0)));
        Post(LOGICAL_COMMAND, &info);
    }
    SetFacing(facing);
    if (isSelected && !isDisplayOnly) {
        if (movementPoints == 0) {
            PostMenu(DISABLE_MENU_ITEM, unit_menu::RotateClockwise);
            PostMenu(DISABLE_MENU_ITEM, unit_menu::RotateAnticlockwise);
            PostMenu(DISABLE_MENU_ITEM, unit_menu::FormationAnticlockwise);
            PostMenu(DISABLE_MENU_ITEM, unit_menu::FormationClockwise);
        }
        if (isTwoHex) UpdateRotateMenu();
        FindLegalDestinations(legalDestinations, 0, 0);
        if (!isMoving) {
            Container<List<short>> fresh(legalDestinations);
            Post(HIGHLIGHT_REGION, &fresh);
            PostEvent(INVALIDATE_VIEW);
        }
    }
    return result;
}

namespace {
short SendChangeFacing(VhUnit& unit, int sense, std::uint16_t sides) {
    Container<ChangeFacingStruct> turn(ChangeFacingStruct(static_cast<TURN_DIRECTION>(sense), sides, unit.GetUnitNum()));
    ContainerBase* answer = unit.SendNamed("ChangeFacing", &turn);
    short result = 0;
    ExtractData(answer, result);
    delete answer;
    return result;
}
} // namespace

ContainerBase* VhUnit::RotateLeft() {
    if (SendChangeFacing(*this, 1, 1) == 1) StartOWSegment();
    return new Container<short>(0);
}

ContainerBase* VhUnit::RotateRight() {
    const std::uint16_t before = GetLocation();
    const short result = SendChangeFacing(*this, 2, 1);
    if (isTwoHex && before != GetLocation()) StepHook(before, GetLocation());
    if (result == 1) StartOWSegment();
    return new Container<short>(0);
}

// ---- moving ----

std::uint16_t VhUnit::MoveTo(std::uint16_t hex, std::uint16_t freshOrder) {
    if (isTwoHex && (!legalDestinations.Contains(static_cast<short>(GetRightRegion(hex, 0))) ||
                     excludedDestinations.Contains(static_cast<short>(hex))))
        return 0;
    if (!legalDestinations.Contains(static_cast<short>(hex))) return 0;
    if (isSelected) {
        Container<List<short>> old(legalDestinations);
        Post(DEHIGHLIGHT_REGION, &old);
    }
    moveTarget = static_cast<std::int16_t>(hex);
    const MovePathResult chosen = ComputeMovePath(hex, routeHexes, freshOrder);
    const std::uint32_t outcome = chosen.outcome == 1 ? 1 : 2;
    if (!isMoving) Subscribe("MovementDone", MovementDoneEntry);
    if (routeHexes.Count() < 2) {
        // Nothing to walk: the order still ends as a move that stopped where it stood.
        if (!isMoving) {
            Container<MoveReturnStruct> done(MoveReturnStruct(1, GetUnitNum()));
            PostNamed("MovementDone", &done);
        }
        return 0;
    }
    Move(routeHexes, RegisterMessage("MovementDone"), new Container<MoveReturnStruct>(MoveReturnStruct(outcome, GetUnitNum())));
    if (chosen.outcome == 1) return IsRouted() || IsBreaking() ? 2 : 1;
    // A path that ends short of the destination did not reach it, whatever the search called it.
    short last = -1;
    routeHexes.PeekTail(last);
    if (chosen.outcome == 2 && static_cast<std::uint16_t>(last) != hex) return 3;
    return static_cast<std::uint16_t>(chosen.outcome);
}

List<List<short>> VhUnit::PickBestPath(List<PathWeight>& weights) {
    List<List<short>> best;
    int least = 999;
    for (Item<PathWeight>* i = weights.Head(); i; i = i->next) {
        if (i->value.hits < least) {
            best.Clear();
            least = i->value.hits;
            best.AddTail(i->value.hexes);
        } else if (i->value.hits == least) {
            best.AddTail(i->value.hexes);
        }
    }
    return best;
}

List<List<short>> VhUnit::RankPathsByHits(List<List<short>>& paths) {
    List<PathWeight> weights;
    for (Item<List<short>>* p = paths.Head(); p; p = p->next) {
        PathWeight w;
        w.hexes = p->value;
        for (Item<short>* h = p->value.Head(); h && h->next; h = h->next)
            w.hits = static_cast<std::int16_t>(
                w.hits + MovementCohesionHits(static_cast<std::uint16_t>(h->value), static_cast<std::uint16_t>(h->next->value), 0));
        weights.AddTail(w);
    }
    return PickBestPath(weights);
}

MovePathResult VhUnit::ComputeMovePath(std::uint16_t destination, List<short>& path, std::uint16_t freshOrder) {
    MovePathResult result;
    path.Clear();
    if (!landscape || GetLocation() == 0xFFFF) return result;
    const std::uint16_t home = GetLocation();
    const int bearing = landscape->BearingToRegion(home, destination);
    int direction = DirectionOfBearing(bearing);
    if (bearing % 4 == 0) {
        const int a = facing::TurnFacing(direction, false), b = facing::TurnFacing(a, false);
        if (static_cast<int>(facing) == a || static_cast<int>(facing) == b) direction = a;
    }
    result.direction = static_cast<std::uint32_t>(direction);

    List<PathWeight> reached, contact, threatened;
    enum class End { Ran, Reached, Contact, Threatened, Blocked };
    // Walks hexes with the step test; the walk's path, cost and hits go into w.
    const auto walk = [&](const List<short>& hexes, bool detour, PathWeight& w) {
        std::uint16_t prev = home;
        bool first = true;
        for (Item<short>* i = hexes.Head(); i; i = i->next) {
            const auto h = static_cast<std::uint16_t>(i->value);
            if (first && !freshOrder && h == home) {
                first = false;
                w.hexes.AddTail(i->value);
                continue;
            }
            first = false;
            w.hexes.AddTail(i->value);
            const std::uint16_t h2 = isTwoHex ? GetRightRegion(h, 0) : 0xFFFF;
            bool passable = false;
            if (h != home && static_cast<std::int16_t>(h) != secondRegion) {
                const auto blocks = [&](std::uint16_t x) {
                    VhUnit* there = landscape->FirstUnitIn(x);
                    if (!there || there == this) return false;
                    if (there->IsLeader()) return false;
                    const Combat* c = AsCombat(there);
                    return !(c && c->GetUnitKind() == ArtilleryKind);
                };
                if (blocks(h) || (isTwoHex && h2 != 0xFFFF && blocks(h2))) return End::Blocked;
                VhUnit* there = landscape->FirstUnitIn(h);
                passable = there && there != this;
            }
            if (static_cast<std::int16_t>(h) != lastSelectedRegion &&
                (landscape->IsRegionThreatened(h, side) || (isTwoHex && h2 != 0xFFFF && landscape->IsRegionThreatened(h2, side)))) {
                if (passable) w.hexes.RemoveTail();
                return End::Threatened;
            }
            const auto charge = [&](std::uint16_t from) -> bool {
                if (h == from) return true;
                const std::int16_t cost = StepCost(from, h);
                if (cost < 0) return false;
                w.cost = static_cast<std::int16_t>(w.cost + cost);
                w.hits = static_cast<std::int16_t>(w.hits + MovementCohesionHits(from, h, 0));
                return true;
            };
            if (detour && h == destination) return charge(prev) ? End::Reached : End::Blocked;
            if (landscape->IsInEnemyContact(h, side, this)) {
                if (passable) w.hexes.RemoveTail();
                return End::Contact;
            }
            if (!charge(prev)) return End::Blocked;
            prev = h;
        }
        return End::Ran;
    };
    const auto file = [&](End end, PathWeight& w) {
        if (end == End::Contact) contact.AddTail(w);
        else if (end == End::Threatened) threatened.AddTail(w);
    };

    List<short> line = landscape->GetHexLine(home, destination);
    PathWeight straight;
    const End end = walk(line, false, straight);
    bool straightReached = false;
    if (end == End::Ran && straight.cost <= static_cast<int>(movementPoints) && straight.hits == 0) {
        reached.AddTail(straight);
        straightReached = true;
    } else {
        file(end, straight);
    }
    if (!straightReached) {
        List<DIRECTION> dirs;
        const bool wide = isTwoHex && IsCombatUnit() && !AsCombat(this)->IsInLine();
        switch (direction) {
        case 2: dirs.AddTail(NorthEast), dirs.AddTail(North); if (wide) dirs.AddTail(SouthEast); break;
        case 3: dirs.AddTail(NorthEast), dirs.AddTail(SouthEast); break;
        case 4: dirs.AddTail(SouthEast), dirs.AddTail(South); if (wide) dirs.AddTail(NorthEast); break;
        case 6: dirs.AddTail(South), dirs.AddTail(SouthWest); if (wide) dirs.AddTail(NorthWest); break;
        case 7: dirs.AddTail(SouthWest), dirs.AddTail(NorthWest); break;
        default: dirs.AddTail(NorthWest), dirs.AddTail(North); if (wide) dirs.AddTail(SouthWest); break;
        }
        List<short> found;
        List<List<short>> paths;
        landscape->FindRegionsInRange(found, dirs, home, static_cast<std::int16_t>(movementPoints), 1, GetStepCostCallback(),
                                      &paths, nullptr, 0);
        for (Item<List<short>>* p = paths.Head(); p; p = p->next) {
            if (!p->value.Contains(static_cast<short>(destination))) continue;
            PathWeight w;
            const End e = walk(p->value, true, w);
            if (e == End::Reached && w.cost <= static_cast<int>(movementPoints)) reached.AddTail(w);
            else file(e, w);
        }
    }

    List<PathWeight>* chosen = !reached.IsEmpty() ? &reached : !contact.IsEmpty() ? &contact : !threatened.IsEmpty() ? &threatened : nullptr;
    if (!chosen) return result;
    result.outcome = chosen == &reached ? 2 : chosen == &contact ? 1 : 3;
    List<List<short>> best = PickBestPath(*chosen);
    const List<short>* pick = nullptr;
    for (Item<List<short>>* p = best.Head(); p; p = p->next) {
        if (!pick) pick = &p->value;
        else if (result.outcome == 2 ? p->value.Count() < pick->Count() : p->value.Count() > pick->Count()) pick = &p->value;
    }
    if (pick) path = *pick;
    short last = -1;
    path.PeekTail(last);
    result.finalHex = static_cast<std::uint16_t>(last);
    return result;
}

List<short> VhUnit::Move(List<short>& path, BusMessage reply, ContainerBase* replyPayload) {
    List<short> costs;
    if (backwardMovement && !HasMoved()) movementPoints = 2;
    isLegal = 0;
    hasActed = 1;
    short first = -1;
    if (!path.PeekHead(first) || static_cast<std::uint16_t>(first) != GetLocation()) path.AddHead(static_cast<short>(GetLocation()));
    const std::uint16_t start = GetLocation();
    Container<LogicalCommandInfo> info(LogicalCommandInfo(GetUnitNum(), new Container<List<short>>(path),
                                                          static_cast<std::int16_t>(start), BusMessage(LOGICAL_OBJECT_MOVED),
                                                          reply, replyPayload));
    delete SendNamed("UnitMovement", &info);
    Container<UnitLocationStruct> where(UnitLocationStruct(GetUnitNum(), GetLocation(), GetSecondRegion(), 0));
    delete SendNamed("UnitMovementDone", &where);
    for (Item<short>* i = path.Head(); i && i->next; i = i->next) {
        const auto from = static_cast<std::uint16_t>(i->value), to = static_cast<std::uint16_t>(i->next->value);
        const std::int16_t cost = landscape ? landscape->MovementCost(from, to) : 0;
        StepHook(from, to);
        // Points are a count: a step dearer than what is left spends it all, never wraps.
        if (cost > 0) movementPoints = cost >= movementPoints ? 0 : static_cast<std::uint16_t>(movementPoints - cost);
        costs.AddTail(cost);
    }
    const Leader* leader = group ? group->GetLeader() : nullptr;
    if (!(leader && leader->HasGroupCommandMade())) FindLegalDestinations(legalDestinations, 0, 0);
    if (isTwoHex) UpdateRotateMenu();
    if (isSelected) isMoving = 1;
    return costs;
}

ContainerBase* VhUnit::OnMovementDone(const MoveReturnStruct& result) {
    if (result.unit != GetUnitNum()) return nullptr;
    isMoving = 0;
    UnregisterNamedHandler("MovementDone", MovementDoneEntry);
    if (isRemoved) return nullptr;
    if (IsOnMap()) {
        Container<RefaceFromChargeStruct> reface(RefaceFromChargeStruct(
            GetLocation(), static_cast<std::uint16_t>(movementAllowance > movementPoints ? movementAllowance - movementPoints : 0)));
        delete SendNamed("AttemptRefaceFromCharge", &reface);
        Container<short> here(static_cast<short>(GetLocation()));
        delete SendNamed("EntryReactionFire", &here);
        if (landscape && landscape->IsInEnemyContact(GetLocation(), side, this)) {
            StartOWSegment();
            return nullptr;
        }
        delete SendNamed("AttemptChangeFormation", &here);
    }
    if (isSelected) {
        const MissileCapable* m = AsMissileCapable(this);
        if (m && m->IsMissileFiringMode()) return nullptr;
        FindLegalDestinations(legalDestinations, 0, 0);
        Container<List<short>> fresh(legalDestinations);
        Post(HIGHLIGHT_REGION, &fresh);
        PostEvent(INVALIDATE_VIEW);
    }
    return nullptr;
}

// ---- the moving unit's side of the OW segment ----

void VhUnit::StartOWSegment() {
    Subscribe("BeginOWSegment", BeginOWSegmentEntry);
    PostNamedEvent("BeginOWSegment");
}

ContainerBase* VhUnit::OnOWResolved(const ResolveOWStruct& result) {
    if (!pendingOWResolutions.Contains(static_cast<short>(result.second))) return nullptr;
    if (result.first) owStopped = 1;
    pendingOWResolutions.Remove(static_cast<short>(result.second));
    if (pendingOWResolutions.IsEmpty()) {
        UnregisterNamedHandler("OWResolved", OWResolvedEntry);
        Container<EndOWStruct> end(EndOWStruct(owStopped, GetUnitNum()));
        PostNamed("EndOWSegment", &end);
    }
    return nullptr;
}

ContainerBase* VhUnit::OnEndOWSegment(const EndOWStruct& flag) {
    UnregisterNamedHandler("EndOWSegment", EndOWSegmentEntry);
    if (isSelected) Subscribe(REGION_SELECTED, RegionSelectedEntry);
    const bool onTarget = moveTarget >= 0 && static_cast<std::uint16_t>(moveTarget) == GetLocation();
    const auto hold = [&] {
        const MissileCapable* m = AsMissileCapable(this);
        return m && m->IsMissileFiringMode();
    };
    if (flag.word && isSelected) {
        ClearUndo();
        SendMenu(DISABLE_MENU_ITEM, unit_menu::UndoLastAction);
        if (legalDestinations.IsEmpty()) {
            FindLegalDestinations(legalDestinations, 0, 0);
            if (!hold()) {
                Container<List<short>> fresh(legalDestinations);
                Post(HIGHLIGHT_REGION, &fresh);
                PostEvent(INVALIDATE_VIEW);
            }
        }
    } else if (flag.word && onTarget) {
        Container<MoveReturnStruct> done(MoveReturnStruct(2, GetUnitNum()));
        PostNamed("MovementDone", &done);
    } else if (onTarget || moveTarget < 0) {
        if (legalDestinations.IsEmpty()) FindLegalDestinations(legalDestinations, 0, 0);
        if (isSelected && !hold()) {
            Container<List<short>> fresh(legalDestinations);
            Post(HIGHLIGHT_REGION, &fresh);
            PostEvent(INVALIDATE_VIEW);
        }
    } else {
        FindLegalDestinations(legalDestinations, 0, 0);
        MoveTo(static_cast<std::uint16_t>(moveTarget), 0);
    }
    return nullptr;
}

void VhUnit::SubscribeOWResolved() { Subscribe("OWResolved", OWResolvedEntry); }
void VhUnit::SubscribeEndOWSegment() { Subscribe("EndOWSegment", EndOWSegmentEntry); }
void VhUnit::UnsubscribeBeginOWSegment() { UnregisterNamedHandler("BeginOWSegment", BeginOWSegmentEntry); }
void VhUnit::UnsubscribeSelectionClicks() {
    UnregisterHandler(REGION_SELECTED, RegionSelectedEntry);
    UnregisterHandler(REGION_FLYBY, RegionFlybyEntry);
}
void VhUnit::SubscribeFlyby() { Subscribe(REGION_FLYBY, RegionFlybyEntry); }
void VhUnit::SubscribeRegionClicks() { Subscribe(REGION_SELECTED, RegionSelectedEntry); }
void VhUnit::UnsubscribeRegionClicks() { UnregisterHandler(REGION_SELECTED, RegionSelectedEntry); }

ContainerBase* VhUnit::OnUnitOW(const OWStruct& threat) {
    List<short> route;
    if (!ChooseEvasion(threat.leader, threat.side, route)) {
        Container<ResolveOWStruct> stood(ResolveOWStruct(0, GetLocation()));
        PostNamed("OWResolved", &stood);
        return nullptr;
    }
    Container<short> self(static_cast<short>(GetUnitNum()));
    delete SendNamed("RemoveFromCombat", &self);
    EvadeReaction();
    return nullptr;
}

// ---- the computer player's operations ----

std::int16_t VhUnit::MoveToHex(std::uint16_t hex) {
    FindLegalDestinations(legalDestinations, 0, 0);
    if (!IsLegalEnd(hex)) return 0;
    return static_cast<std::int16_t>(MoveTo(hex, 1));
}

std::int16_t VhUnit::ChangeFacingBy(std::uint32_t rotation, std::uint16_t steps) {
    if (steps == 0) return 0;
    const short answer = SendChangeFacing(*this, static_cast<int>(rotation), steps);
    if (IsCombatUnit()) FindLegalDestinations(legalDestinations, 0, 0);
    if (answer == 1) StartOWSegment();
    return answer;
}

std::int16_t VhUnit::TurnTowards(std::uint32_t direction) {
    const bool wide = isTwoHex && IsCombatUnit() && !AsCombat(this)->IsInLine();
    const int skipA = wide ? 3 : 1, skipB = wide ? 7 : 5;
    int target = static_cast<int>(direction);
    if (target == skipA || target == skipB) target = facing::Plain(target, 1);
    const facing::Turn turn = facing::ShorterTurn(static_cast<int>(facing), target, skipA, skipB);
    return ChangeFacingBy(static_cast<std::uint32_t>(turn.sense), static_cast<std::uint16_t>(turn.steps));
}

std::int16_t VhUnit::NearestEnemyRegion() {
    if (!landscape || GetLocation() == 0xFFFF) return -1;
    // A bounded search: with no enemy on the map the rings would otherwise never end.
    for (int r = 1; r <= 99; ++r) {
        List<short> ring;
        landscape->FindRegionsAtRange(ring, GetLocation(), static_cast<std::int16_t>(r), nullptr, 0);
        bool any = false;
        for (Item<short>* i = ring.Head(); i; i = i->next) {
            if (static_cast<std::uint16_t>(i->value) == GetLocation()) continue;
            any = true;
            if (landscape->IsRegionHostile(static_cast<std::uint16_t>(i->value), side)) return i->value;
        }
        if (!any) break;
    }
    return -1;
}

std::int16_t VhUnit::EnemyWithin(int range) {
    if (!landscape || GetLocation() == 0xFFFF || range < 1) return 0;
    List<short> area;
    landscape->FindRegionsWithinRange(area, GetLocation(), static_cast<std::int16_t>(range), nullptr, 0);
    for (Item<short>* i = area.Head(); i; i = i->next)
        if (landscape->IsRegionHostile(static_cast<std::uint16_t>(i->value), side)) return 1;
    return 0;
}

std::int16_t VhUnit::CanMoveTo(std::uint16_t hex) {
    FindLegalDestinations(legalDestinations, 0, 0);
    return IsLegalEnd(hex) ? 1 : 0;
}

std::int16_t VhUnit::BestDestinationToward(std::uint16_t target, int distance) {
    List<short> candidates;
    FindLegalDestinations(candidates, 0, 0);
    if (!candidates.Contains(static_cast<short>(GetLocation()))) candidates.AddTail(static_cast<short>(GetLocation()));
    if (!landscape) return -1;
    if (candidates.Contains(static_cast<short>(target)) &&
        (!isTwoHex || candidates.Contains(static_cast<short>(GetRightRegion(target, 0)))))
        return static_cast<std::int16_t>(target);
    int best = 999;
    std::int16_t answer = -1;
    for (Item<short>* i = candidates.Head(); i; i = i->next) {
        const auto h = static_cast<std::uint16_t>(i->value);
        const int d = std::abs(distance - landscape->RegionDistance(h, target));
        if (d >= best) continue;
        if (isTwoHex) {
            const std::uint16_t r = GetRightRegion(h, 0);
            if (!candidates.Contains(static_cast<short>(r)) || (landscape->IsRegionOccupied(r) && landscape->FirstUnitIn(r) != this)) continue;
        }
        best = d;
        answer = i->value;
    }
    return answer;
}
