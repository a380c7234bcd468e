#include "game/units/unit_types.h"

#include "game/logic/logical_command.h"

namespace {

constexpr const char* Source = "VHUNI3";

std::uint32_t TurnedTwo(std::uint32_t facing, bool clockwise) {
    if (facing < 1 || facing > 8) return facing;
    const int f = static_cast<int>(facing) - 1;
    return static_cast<std::uint32_t>((clockwise ? f + 2 : f + 6) % 8 + 1);
}

ContainerBase* LimberEntry(Component* c, BusMessage, ContainerBase*) {
    Artillery* self = nullptr;
    if (!BusReceiver(c, self, Source, __LINE__)) return nullptr;
    return self->LimberOrder();
}

ContainerBase* MountEntry(Component* c, BusMessage, ContainerBase*) {
    LightCav* self = nullptr;
    if (!BusReceiver(c, self, Source, __LINE__)) return nullptr;
    return self->MountOrder();
}

void SendCommand(VhUnit& unit, const char* command, bool post) {
    Container<LogicalCommandInfo> info(LogicalCommandInfo(unit.GetUnitNum(), nullptr,
                                                          static_cast<std::int16_t>(unit.GetLocation()),
                                                          RegisterMessage(command)));
    if (post) unit.Post(LOGICAL_COMMAND, &info);
    else delete unit.Send(LOGICAL_COMMAND, &info);
}

} // namespace

// ---- supply wagon ----

SupplyWagon::SupplyWagon(const CombatUnitData& data, const char* unitName)
    : Combat(data, unitName ? unitName : "Unnamed Supply Wagon") {
    unitKind = SupplyWagonKind;
}

VhUnit* SupplyWagon::CreateFromRecord(VhUnitData& record, const char* unitName) {
    auto* data = dynamic_cast<CombatUnitData*>(&record);
    return data ? new SupplyWagon(*data, unitName) : nullptr;
}

void SupplyWagon::FindLegalDestinations(List<short>& out, std::uint32_t forFacing, std::uint16_t mode) {
    Combat::FindLegalDestinations(out, forFacing, mode);
    attackHexes.Clear();
}

void SupplyWagon::RemoveFromPlay() {
    if (landscape && GetLocation() != 0xFFFF) {
        for (int d = 1; d <= 5; ++d) {
            List<short> ring;
            landscape->FindRegionsAtRange(ring, GetLocation(), static_cast<std::int16_t>(d), VhLogicalLandscape::StepCostOne, 0);
            for (Item<short>* i = ring.Head(); i; i = i->next) {
                const auto hex = static_cast<std::uint16_t>(i->value);
                if (hex == GetLocation()) continue;
                VhUnit* there = landscape->FirstUnitIn(hex);
                if (there && there->IsHostileTo(side) && there->IsMissileCapable())
                    static_cast<MissileCapable*>(there)->ResupplyFull();
            }
        }
    }
    Combat::RemoveFromPlay();
}

// ---- infantry ----

MediumInfantry::MediumInfantry(const MissileCapableUnitData& data, const char* unitName)
    : MissileCapable(data, unitName ? unitName : "Unnamed Medium Infantry") {
    unitKind = InfantryKind;
}

VhUnit* MediumInfantry::CreateFromRecord(VhUnitData& record, const char* unitName) {
    auto* data = dynamic_cast<MissileCapableUnitData*>(&record);
    return data ? new MediumInfantry(*data, unitName) : nullptr;
}

std::uint32_t MediumInfantry::GetFacing() const {
    if (isTwoHex && formation == 0) return TurnedTwo(facing, facingSide == 1);
    return facing;
}

void MediumInfantry::FindLegalDestinations(List<short>& out, std::uint32_t forFacing, std::uint16_t mode) {
    if (!isTwoHex || formation) {
        MissileCapable::FindLegalDestinations(out, forFacing, mode);
        return;
    }
    // A two-hex column moves along its files, not toward its front.
    const bool clockwise = facingSide == 1;
    std::uint32_t f = TurnedTwo(forFacing ? forFacing : facing, clockwise);
    if (f == 3 || f == 7) f = clockwise ? f % 8 + 1 : (f + 6) % 8 + 1;
    MissileCapable::FindLegalDestinations(out, f, mode);
}

void MediumInfantry::SetFormationOrder(std::uint16_t newFormation) {
    Container<LineColumnInfo> order(LineColumnInfo(1, GetUnitNum(), newFormation, facingSide));
    delete SendNamed("DoLineColumn", &order);
}

// ---- artillery ----

Artillery::Artillery(const MissileCapableUnitData& data, const char* unitName)
    : MissileCapable(data, unitName ? unitName : "Unnamed Artillery") {
    unitKind = ArtilleryKind;
}

VhUnit* Artillery::CreateFromRecord(VhUnitData& record, const char* unitName) {
    auto* data = dynamic_cast<MissileCapableUnitData*>(&record);
    return data ? new Artillery(*data, unitName) : nullptr;
}

void Artillery::SetFormationOrder(std::uint16_t newFormation) {
    if ((newFormation ? 1 : 0) != formation) LimberOrder();
}

void Artillery::SetLimbered(std::uint16_t limbered) {
    formation = limbered ? 0 : 1;
    SendCommand(*this, limbered ? "LimberArtilleryNA" : "UnlimberArtilleryNA", limbered == 0);
}

ContainerBase* Artillery::LimberOrder() {
    if (isSelected) {
        PushUndo();
        Container<short> self(static_cast<short>(GetUnitNum()));
        PostNamed("GiveOrder", &self);
    }
    const std::uint32_t kept = facing;
    // An evasion or a move order may limber a battery with fewer than 2 points left: it keeps 0.
    movementPoints = movementPoints > 2 ? static_cast<std::uint16_t>(movementPoints - 2) : 0;
    hasActed = 1;
    formation = formation ? 0 : 1;
    Container<LimberUnlimberInfo> order(LimberUnlimberInfo(GetUnitNum(), formation == 0 ? 1 : 0));
    delete SendNamed("DoLimberUnlimber", &order);
    SendMenu(DISABLE_MENU_ITEM, unit_menu::RestoreMorale);
    facing = kept;
    if (isSelected) {
        Container<List<short>> old(legalDestinations);
        Post(DEHIGHLIGHT_REGION, &old);
        FindLegalDestinations(legalDestinations, 0, 0);
        Container<List<short>> fresh(legalDestinations);
        Post(HIGHLIGHT_REGION, &fresh);
        PostEvent(INVALIDATE_VIEW);
    }
    return nullptr;
}

void Artillery::FindLegalDestinations(List<short>& out, std::uint32_t forFacing, std::uint16_t mode) {
    MissileCapable::FindLegalDestinations(out, forFacing, mode);
    SendMenu(isSelected && movementPoints >= 2 ? ENABLE_MENU_ITEM : DISABLE_MENU_ITEM, unit_menu::LimberUnlimber);
    attackHexes.Clear();
    if (formation) out.Clear();
}

ContainerBase* Artillery::OnSelectionConfirmed() {
    ContainerBase* answer = MissileCapable::OnSelectionConfirmed();
    RegisterNamedHandler("UnitLimberUnlimber", LimberEntry);
    return answer;
}

ContainerBase* Artillery::OnUnitDeselected() {
    SendMenu(DISABLE_MENU_ITEM, unit_menu::LimberUnlimber);
    UnregisterNamedHandler("UnitLimberUnlimber", LimberEntry);
    return MissileCapable::OnUnitDeselected();
}

std::int16_t Artillery::MoveToHex(std::uint16_t hex) {
    if (formation) LimberOrder();
    return MissileCapable::MoveToHex(hex);
}

void Artillery::EvadeReaction() {
    if (formation) LimberOrder();
    MissileCapable::EvadeReaction();
}

// ---- cavalry ----

LightCav::LightCav(const MissileCapableUnitData& data, const char* unitName)
    : MissileCapable(data, unitName ? unitName : "Unnamed Greek Light Cavalry") {
    unitKind = CavalryKind;
    mounted = 1;
}

VhUnit* LightCav::CreateFromRecord(VhUnitData& record, const char* unitName) {
    auto* data = dynamic_cast<MissileCapableUnitData*>(&record);
    return data ? new LightCav(*data, unitName) : nullptr;
}

void LightCav::SetFormationOrder(std::uint16_t newFormation) {
    if (newFormation == 0 || formation) {
        if (!mounted) {
            Container<MountDismountInfo> mount(MountDismountInfo(GetUnitNum(), 1));
            delete SendNamed("DoMountDismount", &mount);
        }
    }
    Container<LineColumnInfo> order(LineColumnInfo(1, GetUnitNum(), newFormation, facingSide));
    delete SendNamed("DoLineColumn", &order);
}

void LightCav::SetMounted(std::uint16_t nowMounted) {
    mounted = nowMounted ? 1 : 0;
    if (!mounted) {
        SendCommand(*this, "CavalryDismount", false);
        return;
    }
    SendCommand(*this, "InfantryToCavalry", false);
    SendCommand(*this, "CavalryMount", false);
}

void LightCav::EvadeReaction() {
    if (!mounted) MountOrder();
    MissileCapable::EvadeReaction();
}

ContainerBase* LightCav::MountOrder() {
    if (isSelected) {
        PushUndo();
        Container<short> self(static_cast<short>(GetUnitNum()));
        PostNamed("GiveOrder", &self);
    }
    mounted = mounted ? 0 : 1;
    hasActed = 1;
    // The order costs 2 points; dismounting costs 4 more (never below 0), mounting gives 4 back.
    if (!mounted) movementPoints = movementPoints > 6 ? static_cast<std::uint16_t>(movementPoints - 6) : 0;
    else movementPoints = static_cast<std::uint16_t>(movementPoints + 2);
    Container<MountDismountInfo> order(MountDismountInfo(GetUnitNum(), mounted));
    delete SendNamed("DoMountDismount", &order);
    SendMenu(DISABLE_MENU_ITEM, unit_menu::RestoreMorale);
    if (isSelected) {
        Container<List<short>> old(legalDestinations);
        Post(DEHIGHLIGHT_REGION, &old);
        FindLegalDestinations(legalDestinations, 0, 0);
        Container<List<short>> fresh(legalDestinations);
        Post(HIGHLIGHT_REGION, &fresh);
        PostEvent(INVALIDATE_VIEW);
    }
    return nullptr;
}

void LightCav::FindLegalDestinations(List<short>& out, std::uint32_t forFacing, std::uint16_t mode) {
    MissileCapable::FindLegalDestinations(out, forFacing, mode);
    SendMenu(isSelected && movementPoints >= 2 ? ENABLE_MENU_ITEM : DISABLE_MENU_ITEM, unit_menu::MountDismount);
}

ContainerBase* LightCav::OnSelectionConfirmed() {
    if (!mounted) movementPoints = movementPoints > 4 ? static_cast<std::uint16_t>(movementPoints - 4) : 0;
    ContainerBase* answer = MissileCapable::OnSelectionConfirmed();
    RegisterNamedHandler("UnitMountDismount", MountEntry);
    return answer;
}

ContainerBase* LightCav::OnUnitDeselected() {
    SendMenu(DISABLE_MENU_ITEM, unit_menu::MountDismount);
    UnregisterNamedHandler("UnitMountDismount", MountEntry);
    return MissileCapable::OnUnitDeselected();
}

// ---- the table of unit types ----

namespace {

template <class T, class Record> std::unique_ptr<VhUnit> Make(const char* name) {
    Record empty;
    return std::make_unique<T>(empty, name);
}

const UnitTypeEntry Table[] = {
    {"Union Corp Commander", 0, nullptr, Make<Leader, LeaderUnitData>},
    {"Union Div Commander", 0, nullptr, Make<Leader, LeaderUnitData>},
    {"Confederate Corp Commander", 0, nullptr, Make<Leader, LeaderUnitData>},
    {"Confederate Div Commander", 0, nullptr, Make<Leader, LeaderUnitData>},
    {"Union Medium Infantry", 8, nullptr, Make<MediumInfantry, MissileCapableUnitData>},
    {"Union Heavy Infantry", 2, "Union Medium Infantry", Make<MediumInfantry, MissileCapableUnitData>},
    {"Confederate Medium Infantry", 8, nullptr, Make<MediumInfantry, MissileCapableUnitData>},
    {"Confederate Heavy Infantry", 2, "Confederate Medium Infantry", Make<MediumInfantry, MissileCapableUnitData>},
    {"Confederate Supply Wagon", 17, nullptr, Make<SupplyWagon, CombatUnitData>},
    {"Union Supply Wagon", 17, nullptr, Make<SupplyWagon, CombatUnitData>},
    {"Union Cavalry", 13, nullptr, Make<LightCav, MissileCapableUnitData>},
    {"Confederate Cavalry", 13, nullptr, Make<LightCav, MissileCapableUnitData>},
    {"Union Iron Battery", 17, "Union Iron Limbered Battery", Make<Artillery, MissileCapableUnitData>},
    {"Confederate Iron Battery", 17, "Confederate Iron Limbered Battery", Make<Artillery, MissileCapableUnitData>},
};

} // namespace

const UnitTypeEntry* UnitTypeTable() { return Table; }
int UnitTypeCount() { return static_cast<int>(sizeof Table / sizeof Table[0]); }
