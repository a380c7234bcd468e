// The leader's group commands as the menu gives them: group move and group road move, group
// retreat, group restore morale, the confirmation and almost-finished dialogs, the commentary,
// and the bookkeeping of the units whose part in a group command has not reported back yet.
//
// Invariant: groupMovedUnits and pendingKinds have the same length; entry k of pendingKinds is
// the report (a Report value) that entry k of groupMovedUnits still owes. A unit pending twice
// owes two reports, and only both of them end its part.
#include "game/units/leader.h"

#include "core/application.h"
#include "game/logic/combat_records.h"
#include "game/units/combat.h"
#include "game/units/group.h"
#include "game/units/missile_capable.h"
#include "game/units/resource_text.h"
#include "game/units/unit_dialogs.h"

namespace {

constexpr const char* Source = "LEADER";

template <class F> ContainerBase* Receive(Component* c, int line, F body) {
    Leader* self = nullptr;
    if (!BusReceiver(c, self, Source, line)) return nullptr;
    return body(*self);
}

ContainerBase* GroupMoveEntry(Component* c, BusMessage, ContainerBase*) {
    return Receive(c, __LINE__, [](Leader& l) { return l.GroupMove(); });
}
ContainerBase* GroupRoadMoveEntry(Component* c, BusMessage, ContainerBase*) {
    return Receive(c, __LINE__, [](Leader& l) { return l.GroupRoadMove(); });
}
ContainerBase* GroupRetreatEntry(Component* c, BusMessage, ContainerBase*) {
    return Receive(c, __LINE__, [](Leader& l) { return l.GroupRetreat(); });
}
ContainerBase* GroupAttackEntry(Component* c, BusMessage, ContainerBase*) {
    return Receive(c, __LINE__, [](Leader& l) { return l.GroupAttack(); });
}
ContainerBase* GroupRestoreMoraleEntry(Component* c, BusMessage, ContainerBase*) {
    return Receive(c, __LINE__, [](Leader& l) { return l.DoGroupRestoreMorale(); });
}
ContainerBase* LineFormationEntry(Component* c, BusMessage, ContainerBase*) {
    return Receive(c, __LINE__, [](Leader& l) { return l.GroupLineFormation(); });
}
ContainerBase* ColumnFormationEntry(Component* c, BusMessage, ContainerBase*) {
    return Receive(c, __LINE__, [](Leader& l) { return l.GroupColumnFormation(); });
}

ContainerBase* GroupMovementDoneEntry(Component* c, BusMessage, ContainerBase* p) {
    Leader* self = nullptr;
    short* number = nullptr;
    if (!BusArgs(c, p, self, number, Source, __LINE__)) return nullptr;
    return self->GroupMovementDone(*number);
}

// The reports of a group retreat or attack: the payload tells which report it is and whose.
ContainerBase* GroupActionUnitDoneEntry(Component* c, BusMessage, ContainerBase* p) {
    Leader* self = nullptr;
    if (!BusReceiver(c, self, Source, __LINE__)) return nullptr;
    if (const auto* m = PayloadValue<MoveReturnStruct>(p)) return self->GroupActionUnitDone(Leader::Report::Move, static_cast<std::int16_t>(m->unit));
    if (const auto* d = PayloadValue<MissileDebrisStruct>(p))
        return self->GroupActionUnitDone(Leader::Report::Fire, static_cast<std::int16_t>(d->wordB));
    if (const auto* e = PayloadValue<EndOWStruct>(p))
        return self->GroupActionUnitDone(Leader::Report::Segment, static_cast<std::int16_t>(e->value));
    if (const auto* x = PayloadValue<EliminateUnitData>(p))
        return self->GroupActionUnitDone(Leader::Report::Eliminated, static_cast<std::int16_t>(x->unit));
    return self->GroupActionUnitDone(Leader::Report::Eliminated, -1);
}

constexpr const char* ActionReports[] = {"MovementDone", "ReturnFromMissileFire", "EndOWSegment", "UnitEliminated"};

void Menu(Leader& l, int event, std::uint16_t id) {
    Container<BusMessage> item{BusMessage(id)};
    delete l.Send(BusMessage(event), &item);
}

} // namespace

// ---- subscriptions ----

void Leader::SubscribeGroupCommands() {
    if (FindGroupMoveRegions(0)) {
        Subscribe("LeaderGroupMove", GroupMoveEntry);
        Menu(*this, ENABLE_MENU_ITEM, 212);
    } else {
        Menu(*this, DISABLE_MENU_ITEM, 212);
    }
    if (FindGroupMoveRegions(1)) {
        Subscribe("LeaderGroupRoadMove", GroupRoadMoveEntry);
        Menu(*this, ENABLE_MENU_ITEM, 261);
    } else {
        Menu(*this, DISABLE_MENU_ITEM, 261);
    }
    if (GroupHasActiveUnit()) {
        Subscribe("LeaderGroupRetreat", GroupRetreatEntry);
        Subscribe("LeaderGroupAttack", GroupAttackEntry);
        Subscribe("LeaderGroupRestoreMorale", GroupRestoreMoraleEntry);
        for (std::uint16_t item : {248, 259, 260}) Menu(*this, ENABLE_MENU_ITEM, item);
        Subscribe("LeaderGroupLineFormation", LineFormationEntry);
        Subscribe("LeaderGroupColumnFormation", ColumnFormationEntry);
    } else {
        for (std::uint16_t item : {248, 259, 260}) Menu(*this, DISABLE_MENU_ITEM, item);
        if (commandsExhausted && groupMoveMode) {
            Subscribe("LeaderGroupRetreat", GroupRetreatEntry);
            Menu(*this, ENABLE_MENU_ITEM, 248);
        }
    }
}

void Leader::UnsubscribeGroupCommands() {
    UnregisterNamedHandler("LeaderGroupMove", GroupMoveEntry);
    UnregisterNamedHandler("LeaderGroupRoadMove", GroupRoadMoveEntry);
    UnregisterNamedHandler("LeaderGroupRetreat", GroupRetreatEntry);
    UnregisterNamedHandler("LeaderGroupAttack", GroupAttackEntry);
    UnregisterNamedHandler("LeaderGroupRestoreMorale", GroupRestoreMoraleEntry);
    UnregisterNamedHandler("LeaderGroupLineFormation", LineFormationEntry);
    UnregisterNamedHandler("LeaderGroupColumnFormation", ColumnFormationEntry);
}

void Leader::SubscribeGroupMoveReports() { Subscribe("GroupMovementDone", GroupMovementDoneEntry); }

void Leader::SubscribeGroupActionReports() {
    for (const char* name : ActionReports) Subscribe(name, GroupActionUnitDoneEntry);
}

void Leader::UnsubscribeGroupActionReports() {
    for (const char* name : ActionReports) UnregisterNamedHandler(name, GroupActionUnitDoneEntry);
}

// ---- pieces shared by the commands ----

bool Leader::ConfirmGroupCommand(std::uint32_t title) {
    if (!confirmGroupCommands || computerPlayed) return true;
    return GetUnitDialogs().ConfirmGroupCommand(ResourceText(title), *this) != 0;
}

void Leader::ShowAlmostFinished() {
    Container<std::string> name(GetName());
    PostNamed("LeaderAlmostDone", &name);
}

void Leader::FailGroupCommand(const char* what) {
    ++failedGroupCommands;
    if (computerPlayed) return;
    Container<std::string> text(GetCommentaryName() + " failed to make a group " + what + ".");
    PostNamed("AddCommentary", &text);
    Container<List<short>> range(commandRangeRegions);
    Post(HALF_DEHIGHLIGHT_REGION, &range);
    PostEvent(INVALIDATE_VIEW);
    PostNamedEvent("EndOrdersPhase");
}

void Leader::BeginGroupCommand() {
    failedGroupCommands = 0;
    commandsUsed = commands;
    commandsExhausted = 1;
    leaderOutOfCommands = 1;
    groupCommandMade = 1;
    ShowStatus(true);
    for (std::uint16_t item : {212, 261, 248, 259, 260}) Menu(*this, DISABLE_MENU_ITEM, item);
    if (Application* app = GetApplication()) app->BeginWait();
}

void Leader::AddPending(std::uint16_t unitNumber, Report kind) {
    groupMovedUnits.AddTail(static_cast<short>(unitNumber));
    pendingKinds.AddTail(static_cast<short>(kind));
}

int Leader::CountPending(std::uint16_t unitNumber, Report kind) const {
    int n = 0;
    for (Item<short>*e = groupMovedUnits.Head(), *k = pendingKinds.Head(); e && k; e = e->next, k = k->next)
        if (e->value == static_cast<short>(unitNumber) && k->value == static_cast<short>(kind)) ++n;
    return n;
}

void Leader::DropPending(std::uint16_t unitNumber, Report kind, int before) {
    while (CountPending(unitNumber, kind) > before) {
        Item<short>*hit = nullptr, *hitKind = nullptr;
        for (Item<short>*e = groupMovedUnits.Head(), *k = pendingKinds.Head(); e && k; e = e->next, k = k->next)
            if (e->value == static_cast<short>(unitNumber) && k->value == static_cast<short>(kind)) hit = e, hitKind = k;
        groupMovedUnits.RemoveItem(hit);
        pendingKinds.RemoveItem(hitKind);
    }
}

void Leader::SettlePending(bool moves) {
    issuingOrders = 0;
    if (!groupMovedUnits.IsEmpty()) return;
    if (moves) FinishGroupMove();
    else FinishGroupAction();
}

void Leader::FinishGroupMove() {
    UnregisterNamedHandler("GroupMovementDone", GroupMovementDoneEntry);
    if (computerPlayed) {
        Container<short> self(static_cast<short>(GetUnitNum()));
        PostNamed("AIGroupMoveDone", &self);
    }
}

void Leader::FinishGroupAction() {
    UnsubscribeGroupActionReports();
    if (computerPlayed) {
        Container<short> self(static_cast<short>(GetUnitNum()));
        PostNamed("AIGroupMoveDone", &self);
    }
}

std::uint16_t Leader::RetreatTarget() const {
    const std::uint16_t r = GetLocation();
    const Point size = landscape ? landscape->GetSize() : Point();
    switch (retreatEdge) {
    case 1: return static_cast<std::uint16_t>(r / 100 * 100);
    case 3: return static_cast<std::uint16_t>(size.x * 100 + r % 100);
    case 5: return static_cast<std::uint16_t>(r / 100 * 100 + size.y);
    case 7: return static_cast<std::uint16_t>(r % 100);
    default: return r;
    }
}

// ---- group move ----

ContainerBase* Leader::GroupMove() {
    if (!ConfirmGroupCommand(168)) return nullptr;
    delete PostNamedEventAndWait("UnitDeselected");
    const int result = CanAttemptGroupMove();
    if (result == 0) {
        Menu(*this, DISABLE_MENU_ITEM, 212);
        return nullptr;
    }
    for (std::uint16_t item : {212, 261, 259, 260}) Menu(*this, DISABLE_MENU_ITEM, item);
    const char* outcome = result == 3 ? " can do a full group move." : result == 2 ? " can do a one hex group move." : " failed to make a group move.";
    Container<std::string> text(GetCommentaryName() + outcome);
    PostNamed("AddCommentary", &text);
    if (result == 1) {
        Container<List<short>> range(commandRangeRegions);
        Post(HALF_DEHIGHLIGHT_REGION, &range);
        PostEvent(INVALIDATE_VIEW);
        ++failedGroupCommands;
        PostNamedEvent("EndOrdersPhase");
        return nullptr;
    }
    groupCommandMade = 1;
    groupMoveMode = 1;
    attackStep = 0;
    fullGroupMove = result == 3 ? 1 : 0;
    commandsUsed = commands;
    commandsExhausted = 1;
    leaderOutOfCommands = 1;
    ShowStatus(true);
    delete OnSelectionConfirmed();
    if (almostFinishedDialog) ShowAlmostFinished();
    return nullptr;
}

ContainerBase* Leader::GroupRoadMove() {
    roadMove = 1;
    delete GroupMove();
    if (!groupMoveMode) roadMove = 0;
    return nullptr;
}

ContainerBase* Leader::GroupMovementDone(std::int16_t unitNumber) {
    Item<short>* kind = pendingKinds.Head();
    Item<short>* entry = groupMovedUnits.Head();
    for (; entry && kind; entry = entry->next, kind = kind->next)
        if (entry->value == unitNumber && kind->value == static_cast<short>(Report::Move)) break;
    if (!entry || !kind) return nullptr;
    groupMovedUnits.RemoveItem(entry);
    pendingKinds.RemoveItem(kind);
    if (groupMovedUnits.IsEmpty() && !issuingOrders) FinishGroupMove();

    VhUnit* unit = group ? group->FindUnit(static_cast<std::uint16_t>(unitNumber)) : nullptr;
    if (!unit || !unit->IsOnMap()) return nullptr;
    const std::uint16_t here = unit->GetLocation();
    const std::uint16_t allowance = unit->GetMovementAllowance(), left = unit->GetMovementPoints();
    Container<RefaceFromChargeStruct> reface(RefaceFromChargeStruct(here, static_cast<std::uint16_t>(allowance > left ? allowance - left : 0)));
    delete SendNamed("AttemptRefaceFromCharge", &reface);
    Container<short> region(static_cast<short>(here));
    delete SendNamed("EntryReactionFire", &region);
    if (landscape && unit->IsOnMap() && landscape->IsInEnemyContact(unit->GetLocation(), side, unit)) {
        unit->StartOWSegment();
        return nullptr;
    }
    delete SendNamed("AttemptChangeFormation", &region);
    MissileCapable* m = AsMissileCapable(unit);
    if (m && m->IsOnMap() && m->MayFireInFormation()) m->FireAtFrontEnemy();
    return nullptr;
}

// ---- group retreat ----

ContainerBase* Leader::GroupRetreat() {
    if (!ConfirmGroupCommand(170)) return nullptr;
    delete PostNamedEventAndWait("UnitDeselected");
    if (RollGroupCommand() == 1) {
        FailGroupCommand("retreat");
        return nullptr;
    }
    BeginGroupCommand();
    DoGroupRetreat(RetreatTarget());
    if (Application* app = GetApplication()) app->EndWait();
    if (!computerPlayed && almostFinishedDialog) {
        if (groupMoveMode) delete PostNamedEventAndWait("CloseLeaderAlmostDoneDlg");
        ShowAlmostFinished();
    }
    return nullptr;
}

int Leader::DoGroupRetreat(std::uint16_t target) {
    groupMovedUnits.Clear();
    pendingKinds.Clear();
    // Listening before the orders go out: no report can slip past.
    SubscribeGroupActionReports();
    issuingOrders = 1;
    if (group && landscape) {
        ListIterator<VhUnit*> it(&group->GetUnits(), 0);
        VhUnit* u = nullptr;
        while (it.Next(u)) {
            if (u == this || !u->IsOnMap() || u->IsRouted() || u->IsRallyOrResupplyThisTurn()) continue;
            const auto toward = static_cast<std::uint32_t>(landscape->FacingTowards(u->GetLocation(), target));
            if (u->GetFacing() != toward) {
                Combat* c = AsCombat(u);
                if (!c || !c->CanWheelTo(toward)) continue;
                u->TurnTowards(toward);
            }
            const std::uint16_t at = u->GetLocation();
            const std::uint16_t destination = retreatEdge == 1 || retreatEdge == 5 ? static_cast<std::uint16_t>(at / 100 * 100 + target % 100)
                                                                                   : static_cast<std::uint16_t>(target / 100 * 100 + at % 100);
            u->SaveLastSelectedRegion();
            // A unit whose move was refused owes no report: waiting for one would never end.
            Pend(u->GetUnitNum(), Report::Move, [&] { return u->MoveTowards(destination) != 0; });
            if (u->GetMovementAllowance() < movementPoints) movementPoints = u->GetMovementAllowance();
        }
    }
    Container<List<short>> range(commandRangeRegions);
    delete PostAndWait(HALF_DEHIGHLIGHT_REGION, &range);
    FaceGroup();
    MoveTowards(target);
    // With no unit under way (or all back already) nothing else would end the command.
    SettlePending(false);
    return 0;
}

ContainerBase* Leader::GroupActionUnitDone(Report kind, std::int16_t unitNumber) {
    if (unitNumber == -1 || groupMovedUnits.IsEmpty()) return nullptr;
    bool removed = false;
    Item<short>* entry = groupMovedUnits.Head();
    Item<short>* owed = pendingKinds.Head();
    while (entry && owed) {
        Item<short>* nextEntry = entry->next;
        Item<short>* nextOwed = owed->next;
        // An eliminated unit reports nothing more; any other report settles one debt of its kind.
        if (entry->value == unitNumber && (kind == Report::Eliminated || (!removed && owed->value == static_cast<short>(kind)))) {
            groupMovedUnits.RemoveItem(entry);
            pendingKinds.RemoveItem(owed);
            removed = true;
        }
        entry = nextEntry;
        owed = nextOwed;
    }
    if (removed && groupMovedUnits.IsEmpty() && !issuingOrders) FinishGroupAction();
    return nullptr;
}

// ---- group attack and group restore morale ----

ContainerBase* Leader::GroupAttack() {
    if (!ConfirmGroupCommand(169)) return nullptr;
    DoGroupAttack();
    return nullptr;
}

ContainerBase* Leader::DoGroupRestoreMorale() {
    if (!ConfirmGroupCommand(171)) return nullptr;
    delete PostNamedEventAndWait("UnitDeselected");
    if (RollGroupCommand() == 1) {
        FailGroupCommand("restore morale");
        return nullptr;
    }
    BeginGroupCommand();
    if (group) {
        ListIterator<VhUnit*> it(&group->GetUnits(), 0);
        VhUnit* u = nullptr;
        while (it.Next(u)) {
            Combat* c = AsCombat(u);
            if (!c || !c->IsOnMap() || c->IsRouted() || c->IsRallyOrResupplyThisTurn() || c->GetCohesionHits() == 0) continue;
            c->DoRestoreCohesion();
        }
    }
    if (Application* app = GetApplication()) app->EndWait();
    if (!computerPlayed && almostFinishedDialog) ShowAlmostFinished();
    return nullptr;
}
