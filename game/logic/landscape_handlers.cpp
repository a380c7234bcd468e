// The battlefield's answers to the map's events and to the unit bookkeeping messages of the
// logical layer's bus.
#include "core/application.h"
#include "core/component.h"
#include "game/logic/game_record_streams.h"
#include "game/logic/region_payload.h"
#include "game/logic/logical_command.h"
#include "game/logic/vh_logical_landscape.h"
#include "game/units/group.h"
#include "game/units/missile_capable.h"

#include <string>

namespace {

constexpr const char* Source = "VHLGLND";

// Texts of the application's string table.
enum : std::uint32_t {
    NotEnoughCommandsText = 112,
    TroopQualityText = 115,
    HitsText = 116,
    StrengthText = 117,
    RangeText = 118,
    InitiativeText = 119,
    ControlRangeText = 120,
    HexText = 122,
    ElevationText = 160,
};

std::string Text(std::uint32_t id) {
    Application* app = GetApplication();
    return app ? app->LoadResourceString(id) : std::string();
}

void SetStatus(const std::string& text, std::int16_t pane) {
    if (Application* app = GetApplication()) app->SetStatusText(text.c_str(), pane);
}

// The region events share one entry: the region number read from the payload, then the handler.
template <void (VhLogicalLandscape::*Handle)(std::uint16_t)>
ContainerBase* RegionEntry(Component* c, BusMessage, ContainerBase* p) {
    VhLogicalLandscape* self = nullptr;
    std::uint16_t region = 0;
    if (!BusReceiver(c, self, Source, __LINE__)) return nullptr;
    if (!RegionOf(p, region)) {
        Assert(0, kBadBusData, Source, __LINE__);
        return nullptr;
    }
    (self->*Handle)(region);
    return nullptr;
}

ContainerBase* UnitMovementEntry(Component* c, BusMessage, ContainerBase* p) {
    VhLogicalLandscape* self = nullptr;
    LogicalCommandInfo* command = nullptr;
    if (!BusArgs(c, p, self, command, Source, __LINE__)) return nullptr;
    self->OnUnitMovement(*command);
    return nullptr;
}

ContainerBase* UnitRemovedEntry(Component* c, BusMessage, ContainerBase* p) {
    VhLogicalLandscape* self = nullptr;
    UnitLocationStruct* where = nullptr;
    if (!BusArgs(c, p, self, where, Source, __LINE__)) return nullptr;
    self->OnUnitRemoved(*where);
    return nullptr;
}

ContainerBase* UnitInsertedEntry(Component* c, BusMessage, ContainerBase* p) {
    VhLogicalLandscape* self = nullptr;
    UnitLocationStruct* where = nullptr;
    if (!BusArgs(c, p, self, where, Source, __LINE__)) return nullptr;
    self->OnUnitInserted(*where);
    return nullptr;
}

ContainerBase* LockLocationEntry(Component* c, BusMessage, ContainerBase* p) {
    VhLogicalLandscape* self = nullptr;
    UnitLocationStruct* where = nullptr;
    if (!BusArgs(c, p, self, where, Source, __LINE__)) return nullptr;
    return self->OnLockLocation(*where) ? nullptr : new Container<short>(0);
}

ContainerBase* UnlockLocationEntry(Component* c, BusMessage, ContainerBase* p) {
    VhLogicalLandscape* self = nullptr;
    UnitLocationStruct* where = nullptr;
    if (!BusArgs(c, p, self, where, Source, __LINE__)) return nullptr;
    self->OnUnlockLocation(*where);
    return nullptr;
}

ContainerBase* FogOfWarEntry(Component* c, BusMessage, ContainerBase* p) {
    VhLogicalLandscape* self = nullptr;
    NATION* side = nullptr;
    if (!BusArgs(c, p, self, side, Source, __LINE__)) return nullptr;
    self->SetFogOfWar(*side);
    return nullptr;
}

// "Column ", "Mounted-Line " and the like: the formation of a missile unit, by its kind.
std::string FormationWord(const Combat& unit) {
    const bool line = unit.IsInLine() != 0;
    switch (unit.GetUnitKind()) {
    case InfantryKind: return line ? "Line " : "Column ";
    case CavalryKind:
        if (unit.IsMounted()) return line ? "Mounted-Line " : "Mounted-Column ";
        return line ? "Unmounted-Line " : "Unmounted-Column ";
    case ArtilleryKind: return line ? "Unlimbered " : "Limbered ";
    default: return "";
    }
}

} // namespace

void VhLogicalLandscape::Connect() {
    RegisterHandler(REGION_SELECTED, RegionEntry<&VhLogicalLandscape::OnRegionSelected>);
    RegisterHandler(REGION_FLYBY, RegionEntry<&VhLogicalLandscape::OnRegionFlyby>);
    RegisterNamedHandler("UnitMovement", UnitMovementEntry);
    RegisterNamedHandler("UnitRemoved", UnitRemovedEntry);
    RegisterNamedHandler("UnitRemovedLocal", UnitRemovedEntry);
    RegisterNamedHandler("UnitInserted", UnitInsertedEntry);
    RegisterNamedHandler("UnitInsertedLocal", UnitInsertedEntry);
    RegisterNamedHandler("LockLocation", LockLocationEntry);
    RegisterNamedHandler("UnlockLocation", UnlockLocationEntry);
    RegisterNamedHandler("TowerRegion", RegionEntry<&VhLogicalLandscape::OnTowerRegion>);
    RegisterNamedHandler("FogOfWar", FogOfWarEntry);
}

void VhLogicalLandscape::AnnounceShadow(const char* message, List<short>& changed) {
    Container<List<short>*> payload(&changed);
    delete SendNamed(message, &payload);
}

bool VhLogicalLandscape::SendLockLocation(const UnitLocationStruct& request) {
    // What the unit held before asking stays its own whatever the answer.
    const bool heldFirst = GetLockOwner(request.region) == request.unit;
    const bool heldSecond = request.secondRegion != 0xFFFF && GetLockOwner(request.secondRegion) == request.unit;
    Container<UnitLocationStruct> payload(request);
    ContainerBase* answer = SendNamed("LockLocation", &payload);
    if (!answer) return true;
    delete answer;
    UnitLocationStruct release = request;
    if (heldFirst) release.region = 0xFFFF;
    if (heldSecond) release.secondRegion = 0xFFFF;
    if (release.region != 0xFFFF || release.secondRegion != 0xFFFF) SendUnlockLocation(release);
    return false;
}

void VhLogicalLandscape::SendUnlockLocation(const UnitLocationStruct& request) {
    Container<UnitLocationStruct> payload(request);
    delete SendNamed("UnlockLocation", &payload);
}

void VhLogicalLandscape::SetDeploymentHold(std::uint16_t hold) {
    deploymentHold = hold;
    FreeAllLocks();
}

void VhLogicalLandscape::ReplayDeferredUnitChanges() {
    // Taken out first: a change replayed while the hold is still set is deferred again rather
    // than added to the list being walked.
    std::vector<UnitLocationStruct> removals, insertions;
    removals.swap(deferredRemovals);
    insertions.swap(deferredInsertions);
    for (const auto& r : removals) OnUnitRemoved(r);
    for (const auto& i : insertions) OnUnitInserted(i);
}

bool VhLogicalLandscape::IsLeaderOfUnitFriendly(VhUnit* unit) {
    Group* group = unit->GetGroup();
    Container<Leader*> payload(group ? group->GetLeader() : nullptr);
    ContainerBase* answer = SendNamed("IsLeaderFriendly", &payload);
    short friendly = 1;
    ExtractData(answer, friendly);
    delete answer;
    return friendly != 0;
}

void VhLogicalLandscape::OnRegionSelected(std::uint16_t region) {
    VhUnit* u = FirstUnitIn(region);
    if (!u || u->HasActed() || u->IsOrderBlocked() || !u->GetGroup()) return;
    Leader* leader = u->GetGroup()->GetLeader();
    if (!leader) return;

    if (deploymentHold) {
        Container<short> payload(static_cast<short>(region));
        List<VectorBusResponse> answers = CollectNamedFrom(u->GetId(), "UnitLifted", &payload);
        DeleteResponses(answers);
        return;
    }
    if (!leader->IsActive()) {
        ContainerBase* answer = PostNamedEventAndWait("ActiveGroup");
        Group* active = nullptr;
        const bool found = ExtractData(answer, active);
        delete answer;
        if (!found || !active || !active->GetLeader()) return;
        Leader* a = active->GetLeader();
        if (u->IsHostileTo(a->GetSide())) return;
        if (u->IsLeader()) {
            Leader* s = leader;
            if (s != a && (s->IsUnderCommandOf(a) || s->GetCommandLevel() == 1) && a->GetCommandsLeft() > 0) {
                Container<unsigned short> sub(s->GetUnitNum());
                delete SendNamed("DoSelectSubLeader", &sub);
                delete PostNamedEventAndWait("LeaderFinishLeader");
            }
            return;
        }
        if (!a->CommandsUnit(u->GetUnitNum()) && a->GetCommandsLeft() < 2) {
            const std::string message = Text(NotEnoughCommandsText);
            Container<char*> text(message.c_str());
            PostNamed("AddCommentaryLocal", &text);
            return;
        }
        if (!a->GetOrderFlag()) return;
    } else {
        if (leader->IsGroupMoving() && u != leader) return;
        if (!leader->GetOrderFlag()) return;
    }
    Container<short> payload(static_cast<short>(region));
    List<VectorBusResponse> answers = CollectNamedFrom(u->GetId(), "UnitSelected", &payload);
    DeleteResponses(answers);
}

void VhLogicalLandscape::OnRegionFlyby(std::uint16_t region) {
    std::string line1, line2;
    VhUnit* u = FirstUnitIn(region);
    const bool shown = u && (!fogOfWar || static_cast<std::int32_t>(u->GetSide()) == localSide);
    if (shown) {
        line1 = u->GetName() + " ";
        if (const auto* combat = AsCombat(u)) {
            line1 += "(" + combat->GetKindCode() + ") " + Text(TroopQualityText) + " " + std::to_string(combat->GetTQ()) +
                     "  " + Text(HitsText) + " " + std::to_string(combat->GetCohesionHits()) + "  " +
                     Text(StrengthText) + " " + std::to_string(combat->GetSize()) + "    ";
            if (combat->IsMissileCapable()) line1 += FormationWord(*combat);
            Group* group = u->GetGroup();
            if (group && group->GetLeader()) line1 += "   (" + group->GetLeader()->GetName() + ") ";
        } else if (const auto* leader = AsLeader(u)) {
            line1 += Text(InitiativeText) + " " + std::to_string(leader->GetCommands()) + "   " + Text(ControlRangeText) +
                     " " + std::to_string(leader->GetCommandRange()) + "    ";
            const Leader* superior = leader->GetSuperior();
            line1 += superior ? "Commanded By: " + superior->GetName() + " " : std::string("Commanded By: NONE ");
        }
        const auto* missile = AsMissileCapable(u);
        if (missile && missile->IsMissileCapable() && missile->GetMissileType() != 0) {
            const int rating = missile->GetRating();
            line2 = missile->GetWeaponName() + (rating > 0 ? "+" : rating < 0 ? "-" : "") + " (" +
                    std::to_string(missile->GetMissiles()) + "/" + std::to_string(missile->GetMaxMissiles()) + "); " +
                    Text(RangeText) + " " + std::to_string(missile->GetMaxRange()) + "  ";
        }
    }
    const LogicalRegion* r = GetRegion(region);
    line2 += Text(HexText) + " " + std::to_string(region + firstMapHeaderValue) + "  " + Text(ElevationText) + " " +
             std::to_string(r ? r->point.z : 0);
    SetStatus(line1, 1);
    SetStatus(line2, 2);
}

void VhLogicalLandscape::OnUnitMovement(const LogicalCommandInfo& command) {
    List<short> path;
    if (!ExtractData(command.data, path) || path.IsEmpty()) return;
    short first = 0, last = 0;
    path.PeekHead(first);
    path.PeekTail(last);
    const auto from = static_cast<std::uint16_t>(first), to = static_cast<std::uint16_t>(last);

    VhUnit* unit = nullptr;
    {
        ListIterator<VhUnit*> it(&GetUnitsInRegion(from), 0);
        VhUnit* x = nullptr;
        while (!unit && it.Next(x))
            if (x->GetUnitNum() == command.object) unit = x;
    }
    if (!unit) return;
    // A two-hex unit must stand in both of its regions; otherwise the move is not applied at all,
    // rather than half of it.
    const bool twoHex = unit->IsTwoHex() != 0;
    const std::uint16_t from2 = twoHex ? unit->GetRightRegion(from, 0) : 0xFFFF;
    if (twoHex && !GetUnitsInRegion(from2).Contains(unit)) return;

    ShadowRegions(unit, from);
    DeshadowRegions(unit, to);
    unit->SetLocation(to);
    if (twoHex) {
        const std::uint16_t to2 = unit->GetRightRegion(to, 0);
        ShadowRegions(unit, from2);
        DeshadowRegions(unit, to2);
    }
    Container<LogicalCommandInfo> relay(command);
    Post(LOGICAL_COMMAND, &relay);
    if (auto* combat = AsCombat(unit)) combat->AfterMove();
}

void VhLogicalLandscape::OnUnitRemoved(const UnitLocationStruct& where) {
    VhUnit* unit = nullptr;
    {
        ListIterator<VhUnit*> it(&GetUnitsInRegion(where.region), 0);
        VhUnit* x = nullptr;
        while (!unit && it.Next(x))
            if (x->GetUnitNum() == where.unit) unit = x;
    }
    if (!unit) return;
    if (deploymentHold && !IsLeaderOfUnitFriendly(unit)) {
        deferredRemovals.push_back(where);
        return;
    }
    unit->SetLocation(0xFFFF);
    RemoveUnitFromRegion(where.unit, where.region);
    if (where.secondRegion != 0xFFFF) RemoveUnitFromRegion(where.unit, where.secondRegion);
    Container<LogicalCommandInfo> relay(
        LogicalCommandInfo(where.unit, nullptr, static_cast<std::int16_t>(where.region), RegisterMessage("UnitRemoved")));
    Post(LOGICAL_COMMAND, &relay);
}

void VhLogicalLandscape::OnUnitInserted(const UnitLocationStruct& where) {
    Container<short> number(static_cast<short>(where.unit));
    ContainerBase* answer = SendNamed("GetUnitByNum", &number);
    VhUnit* unit = nullptr;
    ExtractData(answer, unit);
    delete answer;
    if (!unit) return;
    if (deploymentHold && !IsLeaderOfUnitFriendly(unit)) {
        std::erase_if(deferredInsertions, [&](const UnitLocationStruct& d) { return d == where; });
        deferredInsertions.push_back(where);
        return;
    }
    if (where.value != 0) unit->SetFacing(where.value);
    unit->SetLocation(where.region);
    DeshadowRegions(unit, where.region);
    if (where.secondRegion != 0xFFFF) DeshadowRegions(unit, where.secondRegion);
    Container<LogicalCommandInfo> relay(LogicalCommandInfo(where.unit, new Container<VhUnit*>(unit),
                                                           static_cast<std::int16_t>(where.region),
                                                           RegisterMessage("UnitInserted")));
    Post(LOGICAL_COMMAND, &relay);
}

void VhLogicalLandscape::OnTowerRegion(std::uint16_t region) {
    if (LogicalRegion* r = GetRegion(region)) r->AddFeature(TowerCode);
}
