// Deployment: a unit of this player's leaders is lifted, shown where it may stand, turned and
// put down on its own side of the dividing line; the battlefield takes the new location through
// a region lock so that two players never drop on one hex.
#include "game/units/vh_unit.h"

#include "game/units/facing.h"
#include "game/units/group.h"
#include "game/units/leader.h"

namespace {

constexpr const char* Source = "VHUNIT";

ContainerBase* DroppedEntry(Component* c, BusMessage, ContainerBase* p) {
    VhUnit* self = nullptr;
    short* hex = nullptr;
    if (!BusArgs(c, p, self, hex, Source, __LINE__)) return nullptr;
    return self->OnUnitDropped(*hex);
}
ContainerBase* DropClickEntry(Component* c, BusMessage, ContainerBase* p) {
    VhUnit* self = nullptr;
    short* hex = nullptr;
    if (!BusArgs(c, p, self, hex, Source, __LINE__)) return nullptr;
    return self->OnUnitDropped(*hex);
}
ContainerBase* HoverLiftedEntry(Component* c, BusMessage, ContainerBase* p) {
    VhUnit* self = nullptr;
    short* hex = nullptr;
    if (!BusArgs(c, p, self, hex, Source, __LINE__)) return nullptr;
    return self->OnHoverLifted(*hex);
}
ContainerBase* LiftedLeftEntry(Component* c, BusMessage, ContainerBase*) {
    VhUnit* self = nullptr;
    if (!BusReceiver(c, self, Source, __LINE__)) return nullptr;
    return self->OnRotateLifted(false);
}
ContainerBase* LiftedRightEntry(Component* c, BusMessage, ContainerBase*) {
    VhUnit* self = nullptr;
    if (!BusReceiver(c, self, Source, __LINE__)) return nullptr;
    return self->OnRotateLifted(true);
}
ContainerBase* LiftedAboutEntry(Component* c, BusMessage, ContainerBase*) {
    VhUnit* self = nullptr;
    if (!BusReceiver(c, self, Source, __LINE__)) return nullptr;
    return self->OnAboutFaceLifted();
}
ContainerBase* InsertedEntry(Component* c, BusMessage, ContainerBase* p) {
    VhUnit* self = nullptr;
    UnitLocationStruct* where = nullptr;
    if (!BusArgs(c, p, self, where, Source, __LINE__)) return nullptr;
    return self->OnOtherUnitInserted(*where);
}

void Highlight(VhUnit& u, int event, std::uint16_t hex) {
    if (hex == 0xFFFF) return;
    List<short> one;
    one.AddTail(static_cast<short>(hex));
    Container<List<short>> payload(one);
    delete u.Send(BusMessage(event), &payload);
}

} // namespace

int VhUnit::CanDeployTo(std::uint16_t hex) {
    if (!landscape || hex == 0xFFFF || !landscape->IsValidRegion(hex)) return 0;
    const int column = hex / 100, row = hex % 100, line = deploymentLine;
    switch (retreatEdge) {
    case 1: if (!(row < line)) return 0; break;
    case 3: if (!(column > line)) return 0; break;
    case 5: if (!(row > line)) return 0; break;
    case 7: if (!(column < line)) return 0; break;
    default: break;
    }
    if (landscape->IsSurroundedByEdge(hex, 14) || landscape->RegionHasFeature(hex, 14)) return 0;
    VhUnit* there = landscape->FirstUnitIn(hex);
    return !there || there == this ? 1 : 0;
}

ContainerBase* VhUnit::OnUnitLifted(std::int16_t) {
    const Leader* leader = group ? group->GetLeader() : nullptr;
    if (!leader || leader->IsAIControlled() || !leader->HasFullSubscription() || !IsOnMap()) return nullptr;
    if (IsLeader() && group) {
        List<unsigned short> members;
        ListIterator<VhUnit*> it(&group->GetUnits(), 0);
        VhUnit* u = nullptr;
        while (it.Next(u)) members.AddTail(u->GetUnitNum());
        Container<RaiseFlagsStruct> raise(RaiseFlagsStruct(List<unsigned short>(), members, static_cast<std::int32_t>(side)));
        PostNamed("RaiseFlags", &raise);
    }
    Container<short> none(-1);
    delete SendNamed("UnitDropped", &none);
    isSelected = 1;
    isLifted = 1;
    Subscribe("UnitDropped", DroppedEntry);
    liftClicks = landscape && landscape->IsSurroundedByEdge(GetLocation(), 14) ? 0 : 1;
    if (liftClicks) {
        Subscribe(REGION_SELECTED, DropClickEntry);
        Subscribe(REGION_FLYBY, HoverLiftedEntry);
    }
    if (!IsLeader()) {
        Subscribe("RotateLeft", LiftedLeftEntry);
        Subscribe("RotateRight", LiftedRightEntry);
        if (!isTwoHex) {
            SendMenu(ENABLE_MENU_ITEM, unit_menu::RotateAnticlockwise);
            SendMenu(ENABLE_MENU_ITEM, unit_menu::RotateClockwise);
            if (CanChangeFormation()) {
                SendMenu(ENABLE_MENU_ITEM, unit_menu::FormationAnticlockwise);
                SendMenu(ENABLE_MENU_ITEM, unit_menu::FormationClockwise);
            }
        } else {
            Subscribe("UnitAboutFace", LiftedAboutEntry);
            Subscribe("UnitInserted", InsertedEntry);
            SendMenu(ENABLE_MENU_ITEM, unit_menu::AboutFace);
            UpdateDeployRotateItems();
        }
    }
    hexToMoveTo = static_cast<std::int16_t>(GetLocation());
    Container<short> marker(hexToMoveTo);
    delete SendNamed("ShowHexToMoveTo", &marker);
    Highlight(*this, HIGHLIGHT_REGION, GetLocation());
    if (isTwoHex) Highlight(*this, HIGHLIGHT_REGION, GetSecondRegion());
    delete SendEvent(INVALIDATE_VIEW);
    return nullptr;
}

ContainerBase* VhUnit::OnUnitDropped(std::int16_t hex) {
    if (!isLifted) return nullptr;
    const auto h = static_cast<std::uint16_t>(hex);
    if (hex < 0 || h == GetLocation() || (isTwoHex && h == GetSecondRegion())) {
        isSelected = 0;
        isLifted = 0;
        UnregisterNamedHandler("UnitDropped", DroppedEntry);
        if (liftClicks) {
            UnregisterHandler(REGION_SELECTED, DropClickEntry);
            UnregisterHandler(REGION_FLYBY, HoverLiftedEntry);
        }
        UnregisterNamedHandler("RotateLeft", LiftedLeftEntry);
        UnregisterNamedHandler("RotateRight", LiftedRightEntry);
        UnregisterNamedHandler("UnitAboutFace", LiftedAboutEntry);
        UnregisterNamedHandler("UnitInserted", InsertedEntry);
        for (std::uint16_t menuId : {unit_menu::RotateAnticlockwise, unit_menu::RotateClockwise, unit_menu::FormationAnticlockwise,
                                 unit_menu::FormationClockwise})
            SendMenu(DISABLE_MENU_ITEM, menuId);
        if (isTwoHex) SendMenu(DISABLE_MENU_ITEM, unit_menu::AboutFace);
        HideMarkers();
        Highlight(*this, DEHIGHLIGHT_REGION, GetLocation());
        if (isTwoHex) Highlight(*this, DEHIGHLIGHT_REGION, GetSecondRegion());
        delete SendEvent(INVALIDATE_VIEW);
        return nullptr;
    }
    if (!CanDeployTo(h)) return nullptr;
    const std::uint16_t companion = isTwoHex ? GetRightRegion(h, 0) : 0xFFFF;
    if (isTwoHex && !CanDeployTo(companion)) return nullptr;
    const UnitLocationStruct to(GetUnitNum(), h, companion, facing);
    if (!landscape || !landscape->SendLockLocation(to)) return nullptr;
    const UnitLocationStruct from(GetUnitNum(), GetLocation(), GetSecondRegion(), 0);
    Highlight(*this, DEHIGHLIGHT_REGION, GetLocation());
    Highlight(*this, HIGHLIGHT_REGION, h);
    if (isTwoHex) {
        Highlight(*this, DEHIGHLIGHT_REGION, GetSecondRegion());
        Highlight(*this, HIGHLIGHT_REGION, companion);
    }
    delete SendEvent(INVALIDATE_VIEW);
    Container<UnitLocationStruct> removed(from), inserted(to);
    delete SendNamed("UnitRemoved", &removed);
    delete SendNamed("UnitInserted", &inserted);
    landscape->SendUnlockLocation(to);
    if (isTwoHex) UpdateDeployRotateItems();
    return nullptr;
}

ContainerBase* VhUnit::OnHoverLifted(std::int16_t hex) {
    HideMarkers();
    const auto h = static_cast<std::uint16_t>(hex);
    if (!CanDeployTo(h)) return nullptr;
    const std::uint16_t companion = isTwoHex ? GetRightRegion(h, 0) : 0xFFFF;
    if (isTwoHex && (companion == 0xFFFF || !CanDeployTo(companion))) return nullptr;
    Container<short> marker(hex);
    PostNamed("ShowHexToMoveTo", &marker);
    hexToMoveTo = hex;
    if (isTwoHex) {
        Container<short> second(static_cast<short>(companion));
        PostNamed("ShowHexToMoveTo", &second);
        secondHexToMoveTo = static_cast<std::int16_t>(companion);
    }
    return nullptr;
}

ContainerBase* VhUnit::OnRotateLifted(bool clockwise) {
    const int turned = facing::TurnFacing(static_cast<int>(facing), clockwise);
    const UnitLocationStruct from(GetUnitNum(), GetLocation(), GetSecondRegion(), 0);
    if (!isTwoHex) {
        Container<UnitLocationStruct> removed(from);
        Container<UnitLocationStruct> inserted(UnitLocationStruct(GetUnitNum(), GetLocation(), 0xFFFF, static_cast<std::uint32_t>(turned)));
        delete SendNamed("UnitRemoved", &removed);
        delete SendNamed("UnitInserted", &inserted);
        return nullptr;
    }
    std::uint16_t first = GetLocation(), second = GetSecondRegion(), moved, old;
    if (!clockwise) {
        old = second;
        second = moved = GetRightRegion(first, static_cast<std::uint32_t>(turned));
    } else {
        old = first;
        first = moved = GetLeftRegion(second, static_cast<std::uint32_t>(turned));
    }
    if (moved == 0xFFFF || !CanDeployTo(moved)) return nullptr;
    const UnitLocationStruct to(GetUnitNum(), first, second, static_cast<std::uint32_t>(turned));
    if (!landscape || !landscape->SendLockLocation(to)) return nullptr;
    Highlight(*this, DEHIGHLIGHT_REGION, old);
    Highlight(*this, HIGHLIGHT_REGION, moved);
    Container<UnitLocationStruct> removed(from), inserted(to);
    delete SendNamed("UnitRemoved", &removed);
    delete SendNamed("UnitInserted", &inserted);
    landscape->SendUnlockLocation(to);
    UpdateDeployRotateItems();
    return nullptr;
}

ContainerBase* VhUnit::OnAboutFaceLifted() {
    if (!isTwoHex) return nullptr;
    const UnitLocationStruct from(GetUnitNum(), GetLocation(), GetSecondRegion(), 0);
    const auto reversed = static_cast<std::uint32_t>(facing::Plain(static_cast<int>(facing), 4));
    Container<UnitLocationStruct> removed(from);
    Container<UnitLocationStruct> inserted(UnitLocationStruct(GetUnitNum(), GetSecondRegion(), GetLocation(), reversed));
    delete SendNamed("UnitRemoved", &removed);
    delete SendNamed("UnitInserted", &inserted);
    UpdateDeployRotateItems();
    return nullptr;
}

ContainerBase* VhUnit::OnOtherUnitInserted(const UnitLocationStruct& where) {
    if (where.unit != GetUnitNum()) UpdateDeployRotateItems();
    return nullptr;
}

void VhUnit::UpdateDeployRotateItems() {
    const int ccw = facing::TurnFacing(static_cast<int>(facing), false), cw = facing::TurnFacing(static_cast<int>(facing), true);
    const std::uint16_t right = GetRightRegion(GetLocation(), static_cast<std::uint32_t>(ccw));
    const std::uint16_t left = GetSecondRegion() != 0xFFFF ? GetLeftRegion(GetSecondRegion(), static_cast<std::uint32_t>(cw)) : 0xFFFF;
    PostMenu(right != 0xFFFF && CanDeployTo(right) ? ENABLE_MENU_ITEM : DISABLE_MENU_ITEM, unit_menu::RotateAnticlockwise);
    PostMenu(left != 0xFFFF && CanDeployTo(left) ? ENABLE_MENU_ITEM : DISABLE_MENU_ITEM, unit_menu::RotateClockwise);
    const int event = CanChangeFormation() ? ENABLE_MENU_ITEM : DISABLE_MENU_ITEM;
    PostMenu(event, unit_menu::FormationAnticlockwise);
    PostMenu(event, unit_menu::FormationClockwise);
}
