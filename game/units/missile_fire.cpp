// The missile firing flow: the selected unit's firing mode, the fire order on a target hex, the
// volley's result once the picture has played it (hits, a forced dismount, an elimination, the
// leader casualty check), the one volley a target returns, and the computer player's fire orders.
#include "game/units/missile_capable.h"

#include "game/logic/logical_command.h"
#include "game/units/leader.h"

namespace {

constexpr const char* Source = "MISSCAP";

ContainerBase* MissileVolleyEntry(Component* c, BusMessage, ContainerBase* p) {
    MissileCapable* self = nullptr;
    short* unit = nullptr;
    if (!BusArgs(c, p, self, unit, Source, __LINE__)) return nullptr;
    return self->OnMissileVolley(*unit);
}
ContainerBase* ColumnLineLeftEntry(Component* c, BusMessage, ContainerBase*) {
    MissileCapable* self = nullptr;
    if (!BusReceiver(c, self, Source, __LINE__)) return nullptr;
    return self->ChangeFormationLeft();
}
ContainerBase* ColumnLineRightEntry(Component* c, BusMessage, ContainerBase*) {
    MissileCapable* self = nullptr;
    if (!BusReceiver(c, self, Source, __LINE__)) return nullptr;
    return self->ChangeFormationRight();
}
ContainerBase* TargetClickEntry(Component* c, BusMessage, ContainerBase* p) {
    MissileCapable* self = nullptr;
    short* hex = nullptr;
    if (!BusArgs(c, p, self, hex, Source, __LINE__)) return nullptr;
    return self->OrderMissileFire(static_cast<std::uint16_t>(*hex));
}
ContainerBase* FiringOWResolvedEntry(Component* c, BusMessage, ContainerBase* p) {
    MissileCapable* self = nullptr;
    ResolveOWStruct* result = nullptr;
    if (!BusArgs(c, p, self, result, Source, __LINE__)) return nullptr;
    return self->OnFiringModeOWResolved(*result);
}
ContainerBase* VolleyDoneEntry(Component* c, BusMessage, ContainerBase* p) {
    MissileCapable* self = nullptr;
    MissileDebrisStruct* debris = nullptr;
    if (!BusArgs(c, p, self, debris, Source, __LINE__)) return nullptr;
    return self->ResolveMissileFire(*debris);
}
ContainerBase* ReturnVolleyDoneEntry(Component* c, BusMessage, ContainerBase* p) {
    MissileCapable* self = nullptr;
    MissileDebrisStruct* debris = nullptr;
    if (!BusArgs(c, p, self, debris, Source, __LINE__)) return nullptr;
    return self->ResolveReturnFire(*debris);
}

} // namespace

void MissileCapable::RestoreOrderMenu(bool refresh) {
    if (attackTarget != -1) return;
    if (movementPoints > 1 || (unitKind == SkirmisherKind && facingChanged)) {
        SendMenu(ENABLE_MENU_ITEM, unit_menu::RotateClockwise);
        SendMenu(ENABLE_MENU_ITEM, unit_menu::RotateAnticlockwise);
        if (CanChangeFormation()) {
            SendMenu(ENABLE_MENU_ITEM, unit_menu::FormationClockwise);
            SendMenu(ENABLE_MENU_ITEM, unit_menu::FormationAnticlockwise);
        }
    }
    SendMenu(ENABLE_MENU_ITEM, unit_menu::BackwardMovement);
    if (refresh && !isMoving) {
        FindLegalDestinations(legalDestinations, 0, 0);
        Container<List<short>> fresh(legalDestinations);
        Post(HIGHLIGHT_REGION, &fresh);
        PostEvent(INVALIDATE_VIEW);
    }
}

ContainerBase* MissileCapable::OnMissileVolley(std::int16_t) {
    if (!missileFiringMode) {
        UpdateMissileTargets();
        for (std::uint16_t menuId : {unit_menu::RotateClockwise, unit_menu::RotateAnticlockwise, unit_menu::FormationClockwise,
                                 unit_menu::FormationAnticlockwise, unit_menu::MountDismount, unit_menu::LimberUnlimber})
            SendMenu(DISABLE_MENU_ITEM, menuId);
        if (isTwoHex) SendMenu(DISABLE_MENU_ITEM, unit_menu::AboutFace);
        SendMenu(DISABLE_MENU_ITEM, unit_menu::BackwardMovement);
        HideMarkers();
        Container<List<short>> old(legalDestinations), targets(missileTargets);
        Post(DEHIGHLIGHT_REGION, &old);
        Post(HIGHLIGHT_REGION, &targets);
        PostEvent(INVALIDATE_VIEW);
        UnsubscribeRegionClicks();
        Subscribe(REGION_SELECTED, TargetClickEntry);
        Subscribe("OWResolved", FiringOWResolvedEntry);
        missileFiringMode = 1;
        return nullptr;
    }
    Container<List<short>> targets(missileTargets);
    Post(DEHIGHLIGHT_REGION, &targets);
    PostEvent(INVALIDATE_VIEW);
    RestoreOrderMenu(true);
    UnregisterHandler(REGION_SELECTED, TargetClickEntry);
    SubscribeRegionClicks();
    UnregisterNamedHandler("OWResolved", FiringOWResolvedEntry);
    missileFiringMode = 0;
    return nullptr;
}

ContainerBase* MissileCapable::OrderMissileFire(std::uint16_t hex) {
    if (!missileTargets.Contains(static_cast<short>(hex))) return nullptr;
    if (usedThisTurn && !reorderHitTaken) {
        Container<std::string> text(GetCommentaryName() + " is taking a morale hit for being ordered again this turn.");
        delete PostNamedAndWait("AddCommentary", &text);
        reorderHitTaken = 1;
        if (TQHit(1, 0)) return nullptr;
    }
    Subscribe("ReturnFromMissileFire", VolleyDoneEntry);
    Container<short> self(static_cast<short>(GetUnitNum()));
    delete SendNamed("MissileVolley", &self);
    Container<MissileFireStruct> fire(MissileFireStruct(hex, GetUnitNum()));
    delete SendNamed("DoMissileFire", &fire);
    SendMenu(DISABLE_MENU_ITEM, unit_menu::RestoreMorale);
    firedThisPhase = 1;
    hasActed = 1;
    isLegal = 0;
    if (isSelected) {
        Container<List<short>> targets(missileTargets), legal(legalDestinations);
        Post(DEHIGHLIGHT_REGION, &targets);
        Post(HIGHLIGHT_REGION, &legal);
        PostEvent(INVALIDATE_VIEW);
        SendMenu(DISABLE_MENU_ITEM, unit_menu::MissileFiring);
        PostMenu(UNCHECK_MENU_ITEM, unit_menu::MissileFiring);
        UnregisterHandler(REGION_SELECTED, TargetClickEntry);
        SubscribeRegionClicks();
        RestoreOrderMenu(false);
        Container<std::string> cursor{std::string(attackHexes.Contains(static_cast<short>(hex)) ? "charge.ani" : "ArrowCursor")};
        PostNamed("ChangeCursor", &cursor);
    }
    missileFiringMode = 0;
    return nullptr;
}

ContainerBase* MissileCapable::ResolveMissileFire(const MissileDebrisStruct& debris) {
    if (debris.wordB != GetUnitNum()) return nullptr;
    UnregisterNamedHandler("ReturnFromMissileFire", VolleyDoneEntry);
    ResolveVolley(debris, false);
    return nullptr;
}

ContainerBase* MissileCapable::ResolveReturnFire(const MissileDebrisStruct& debris) {
    if (debris.wordB != GetUnitNum()) return nullptr;
    UnregisterNamedHandler("ReturnFromMissileFire", ReturnVolleyDoneEntry);
    ResolveVolley(debris, true);
    return nullptr;
}

void MissileCapable::ResolveVolley(const MissileDebrisStruct& debris, bool returnFire) {
    if (!landscape) return;
    const std::uint16_t hex = debris.wordA;
    VhUnit* target = landscape->FirstUnitIn(hex);
    if (!target || !target->IsHostileTo(side)) return;
    std::string text = GetCommentaryName() + " fires at " + target->GetCommentaryName();
    if (Leader* leader = AsLeader(target)) {
        Container<std::string> line(text + ".");
        delete PostNamedAndWait("AddCommentary", &line);
        leader->CheckCasualty();
        return;
    }
    Combat* victim = AsCombat(target);
    if (!victim) return;
    MissileFireSituation s;
    s.missileType = missileType;
    s.range = static_cast<std::int16_t>(landscape->RegionDistance(GetLocation(), hex));
    s.targetKind = victim->GetUnitKind();
    s.softCover = landscape->RegionHasFeature(hex, 1) ? 1 : 0;
    const DIRECTION towardFirer = landscape->DirectionToRegion(hex, GetLocation());
    s.hardCover = (towardFirer != NoDirection && landscape->HasEdgeType(hex, towardFirer, 10)) || landscape->RegionHasFeature(hex, 16) ? 1 : 0;
    s.targetInColumn = victim->IsInLine() ? 0 : 1;
    s.fireRating = fireRating;
    s.shooterSize = static_cast<std::int16_t>(size);
    std::int16_t hits = 0, second = 0;
    CalculateMissileFireResults(s, hits, second);
    if (!returnFire) {
        if (victim->GetUnitKind() == CavalryKind && victim->IsMounted()) {
            Container<MountDismountInfo> dismount(MountDismountInfo(0, victim->GetUnitNum()));
            delete SendNamed("DoMountDismount", &dismount);
        }
        MissileCapable* shooter = AsMissileCapable(victim);
        if (shooter && !WasFiredAtBy(victim->GetUnitNum()) && shooter->MayFireInFormation()) shooter->ReturnFire(this);
    }
    if (hits > 0 && victim->GetUnitKind() == ElephantKind) hits = 2;
    if (victim->IsRouted() && hits > 0) {
        text += " and " + victim->GetCommentaryName() + " is \\Beliminated\\b.";
        Container<short> eliminated(static_cast<short>(victim->GetUnitNum()));
        PostNamed("EliminateUnit", &eliminated);
    } else {
        victim->TQHit(hits, 2);
        text += " for " + std::to_string(hits) + " morale hit" + (hits == 1 ? "" : "s") + ".";
    }
    Container<std::string> line(text);
    delete PostNamedAndWait("AddCommentary", &line);
}

void MissileCapable::ReturnFire(MissileCapable* firer) {
    if (!firer || missiles == 0 || !MayFireInFormation() || !CanFireAt(firer->GetLocation())) return;
    Subscribe("ReturnFromMissileFire", ReturnVolleyDoneEntry);
    Container<MissileFireStruct> fire(MissileFireStruct(firer->GetLocation(), GetUnitNum()));
    delete SendNamed("DoMissileFire", &fire);
    firer->AddFiredAtBy(GetUnitNum());
}

ContainerBase* MissileCapable::OnFiringModeOWResolved(const ResolveOWStruct& result) {
    if (!result.first || !missileFiringMode) return nullptr;
    List<short> old = missileTargets;
    UpdateMissileTargets();
    List<short> gone, added;
    for (Item<short>* i = old.Head(); i; i = i->next)
        if (!missileTargets.Contains(i->value)) gone.AddTail(i->value);
    for (Item<short>* i = missileTargets.Head(); i; i = i->next)
        if (!old.Contains(i->value)) added.AddTail(i->value);
    Container<List<short>> a(gone), b(added);
    Post(DEHIGHLIGHT_REGION, &a);
    Post(HIGHLIGHT_REGION, &b);
    return nullptr;
}

std::int16_t MissileCapable::FireAtHex(std::uint16_t hex) {
    if (firedThisPhase) return 0;
    UpdateMissileTargets();
    if (!missileTargets.Contains(static_cast<short>(hex))) return 0;
    delete OrderMissileFire(hex);
    return 1;
}

int MissileCapable::FireAtFrontEnemy() {
    if (!MayFireInFormation() || !landscape) return 0;
    UpdateMissileTargets();
    for (Item<short>* i = frontHexes.Head(); i; i = i->next) {
        VhUnit* x = landscape->FirstUnitIn(static_cast<std::uint16_t>(i->value));
        if (x && x->IsHostileTo(side)) {
            delete OrderMissileFire(static_cast<std::uint16_t>(i->value));
            return 1;
        }
    }
    return 0;
}

ContainerBase* MissileCapable::OnSelectionConfirmed() {
    ContainerBase* answer = Combat::OnSelectionConfirmed();
    if (!isSelected || routCounter) return answer;
    Subscribe("MissleVolley", MissileVolleyEntry);
    Subscribe("UnitColumnLineLeft", ColumnLineLeftEntry);
    Subscribe("UnitColumnLineRight", ColumnLineRightEntry);
    SendMenu(CanFireNow() ? ENABLE_MENU_ITEM : DISABLE_MENU_ITEM, unit_menu::MissileFiring);
    if (missileFiringMode) {
        PostMenu(CHECK_MENU_ITEM, unit_menu::MissileFiring);
        missileFiringMode = 0;
        delete OnMissileVolley(static_cast<std::int16_t>(GetUnitNum()));
    }
    return answer;
}

ContainerBase* MissileCapable::OnUnitDeselected() {
    UnregisterNamedHandler("MissleVolley", MissileVolleyEntry);
    UnregisterNamedHandler("UnitColumnLineLeft", ColumnLineLeftEntry);
    UnregisterNamedHandler("UnitColumnLineRight", ColumnLineRightEntry);
    SendMenu(DISABLE_MENU_ITEM, unit_menu::MissileFiring);
    if (missileFiringMode) {
        Container<List<short>> targets(missileTargets), legal(legalDestinations);
        Post(DEHIGHLIGHT_REGION, &targets);
        Post(HIGHLIGHT_REGION, &legal);
        PostEvent(INVALIDATE_VIEW);
        PostMenu(UNCHECK_MENU_ITEM, unit_menu::MissileFiring);
        UnregisterHandler(REGION_SELECTED, TargetClickEntry);
        SubscribeRegionClicks();
        UnregisterNamedHandler("OWResolved", FiringOWResolvedEntry);
        missileFiringMode = 0;
    }
    if (firedThisPhase) hasActed = 1;
    return Combat::OnUnitDeselected();
}

ContainerBase* MissileCapable::OnHoverSelected(std::int16_t hex) {
    if (!missileFiringMode) return Combat::OnHoverSelected(hex);
    const char* cursor = !missileTargets.Contains(hex) ? "ArrowCursor" : missileType >= 19 ? "cannon.ani" : "musket.ani";
    Container<std::string> name{std::string(cursor)};
    PostNamed("ChangeCursor", &name);
    return nullptr;
}

ContainerBase* MissileCapable::OnEndOWSegment(const EndOWStruct& flag) {
    if (!routCounter && !firedThisPhase) SendMenu(ENABLE_MENU_ITEM, unit_menu::MissileFiring);
    return Combat::OnEndOWSegment(flag);
}
