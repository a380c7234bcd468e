#include "game/units/combat.h"

#include "core/application.h"
#include "game/logic/combat_records.h"
#include "game/logic/logical_command.h"
#include "game/logic/stream_fields.h"
#include "game/units/group.h"
#include "game/units/leader.h"
#include "game/units/resource_text.h"

using namespace stream_fields;

Combat::Combat(const CombatUnitData& data, const char* unitName)
    : VhUnit(data, unitName ? unitName : "Unnamed Combat"), troopQuality(data.troopQuality), size(data.size) {
    isTwoHex = data.twoHex ? 1 : 0;
    if (isTwoHex) RecomputeSecondRegion();
    ComputeFrontHexes();
    ComputeFrontZone();
    ComputeRearZone();
    ComputeFlankHexes();
    isLegal = 0;
    breaking = 0;
    pendingHits = 0;
    attackTarget = -1;
}

Combat::~Combat() = default;

void Combat::Connect() { VhUnit::Connect(); }

std::string Combat::StatusPane1Text() const { return GetName() + " (" + GetKindCode() + ")"; }

std::string Combat::StatusPane2Text() const {
    return ResourceText(115) + " " + std::to_string(troopQuality) + "  " + ResourceText(116) +
           std::to_string(cohesionHits) + "  " + ResourceText(117) + std::to_string(size);
}

void Combat::PushUndo() {
    VhUnit::PushUndo();
    UndoStruct record;
    if (!UndoList().RemoveTail(record)) return;
    const Leader* leader = group ? group->GetLeader() : nullptr;
    record.state[4] = leader && leader->IsActive() ? 1 : 0;
    record.state[5] = cohesionHits;
    record.state[6] = reorderHitTaken;
    record.state[7] = formation;
    record.state[8] = mounted;
    record.state[9] = 1;
    record.longB = facingSide;
    UndoList().AddTail(record);
}

std::string Combat::GetCommentaryName() const {
    return std::string("\\B\\N") + static_cast<char>('0' + side) + GetName() + " (" + GetKindCode() + ")\\n\\b";
}

void Combat::RemoveFromPlay() { Eliminate(StrengthValue(), 1); }

int Combat::MaySelectOutOfCommands() {
    if (!isLegal || !landscape) return 0;
    for (Item<short>* i = frontHexes.Head(); i; i = i->next) {
        VhUnit* there = landscape->FirstUnitIn(static_cast<std::uint16_t>(i->value));
        if (there && there->IsHostileTo(side)) return 1;
    }
    return 0;
}

void Combat::OnRallied() {
    Container<UnitRoutData> payload(UnitRoutData(static_cast<NATION>(side), StrengthValue(), static_cast<std::int32_t>(unitKind)));
    PostNamed("UnitRallied", &payload);
}

void Combat::OnRouted() {
    Container<UnitRoutData> payload(UnitRoutData(static_cast<NATION>(side), StrengthValue(), static_cast<std::int32_t>(unitKind)));
    PostNamed("UnitRouted", &payload);
    BreakAndRout();
}

void Combat::Save(SuperString& s) {
    VhUnit::Save(s);
    PutU16(s, cohesionHits);
    PutU16(s, routCounter);
    PutU16(s, reorderHitTaken);
    PutU16(s, modifier1);
    PutU16(s, modifier2);
    PutU16(s, formation);
    PutU16(s, mounted);
    PutU32(s, facingSide);
    if (isSelected) {
        PutI16(s, attackTarget);
        PutU16(s, static_cast<std::uint16_t>(attackHexes.Count()));
        for (Item<short>* i = attackHexes.Head(); i; i = i->next) PutI16(s, i->value);
        PutU16(s, static_cast<std::uint16_t>(firedAtBy.Count()));
        for (Item<short>* i = firedAtBy.Head(); i; i = i->next) PutI16(s, i->value);
    }
}

namespace {
bool ReadShortList(SuperString& s, List<short>& out) {
    std::uint16_t n = 0;
    if (!ReadU16(s, n) || !Fits(s, 2 * static_cast<std::int64_t>(n))) return false;
    out.Clear();
    for (int k = 0; k < n; ++k) {
        std::int16_t v = 0;
        if (!ReadI16(s, v)) return false;
        out.AddTail(v);
    }
    return true;
}
} // namespace

bool Combat::Load(SuperString& s) {
    if (!VhUnit::Load(s)) return false;
    if (!ReadU16(s, cohesionHits) || !ReadU16(s, routCounter) || !ReadU16(s, reorderHitTaken) || !ReadU16(s, modifier1) ||
        !ReadU16(s, modifier2) || !ReadU16(s, formation) || !ReadU16(s, mounted) || !ReadU32(s, facingSide))
        return false;
    // A damaged block must not leave more hits than the unit can take.
    if (cohesionHits > troopQuality) cohesionHits = troopQuality;
    if (isSelected && (!ReadI16(s, attackTarget) || !ReadShortList(s, attackHexes) || !ReadShortList(s, firedAtBy)))
        return false;
    if (IsOnMap()) {
        ComputeFrontHexes();
        ComputeRearZone();
        ComputeFlankHexes();
        ComputeFrontZone();
    }
    return true;
}

void Combat::SendPicture(const char* command, ContainerBase* payload, bool wait) {
    Container<LogicalCommandInfo> info(
        LogicalCommandInfo(GetUnitNum(), payload, static_cast<std::int16_t>(GetLocation()), RegisterMessage(command)));
    if (wait) delete PostAndWait(LOGICAL_COMMAND, &info);
    else delete Send(LOGICAL_COMMAND, &info);
}

void Combat::Undo(const UndoStruct& record) {
    VhUnit::Undo(record);
    reorderHitTaken = record.state[6];
    if (record.state[5] < cohesionHits) {
        cohesionHits = record.state[5];
        const short percent = troopQuality ? static_cast<short>(cohesionHits * 100 / troopQuality) : 0;
        SendPicture("RestoreCohesion", new Container<short>(percent), true);
    }
    if (!hasActed) {
        if (cohesionHits) {
            Container<BusMessage> item{BusMessage(unit_menu::RestoreMorale)};
            delete PostAndWait(ENABLE_MENU_ITEM, &item);
        }
        const char* flags = record.state[4] == 0 ? "EndOfTurn" : usedThisTurn ? "RaiseGrayFlags" : "RaiseFlags";
        Container<LogicalCommandInfo> info(LogicalCommandInfo(GetUnitNum(), nullptr, -1, RegisterMessage(flags)));
        delete PostAndWait(LOGICAL_COMMAND, &info);
    }
    if (record.state[9]) {
        if (record.state[7] != formation) {
            formation = record.state[7];
            if (!isTwoHex) {
                if (unitKind == ArtilleryKind) SendPicture(formation == 0 ? "LimberArtilleryNA" : "UnlimberArtilleryNA", nullptr, false);
                else SendPicture(formation == 0 ? "ColumnFormation" : "LineFormation", nullptr, false);
            } else if (formation == 0) {
                facingSide = record.longB;
                SendPicture(facingSide == 1 ? "LeftFaceSprites" : "RightFaceSprites", nullptr, false);
            } else {
                facingSide = 0;
                SendPicture("CenterFaceSprites", nullptr, false);
            }
        }
        if (record.state[8] != mounted) {
            mounted = record.state[8];
            SendPicture(mounted == 0 ? "CavalryDismountNA" : "CavalryMountNA", nullptr, false);
        }
    }
    RecomputeAllZones();
    if (isSelected) {
        Container<List<short>> old(legalDestinations);
        Post(DEHIGHLIGHT_REGION, &old);
        FindLegalDestinations(legalDestinations, 0, 0);
        Container<List<short>> fresh(legalDestinations);
        Post(HIGHLIGHT_REGION, &fresh);
        PostEvent(INVALIDATE_VIEW);
    }
}

void Combat::UpdateRotateMenu() {
    if (!isTwoHex || !landscape) return;
    const LogicalRegion* first = landscape->GetRegion(GetLocation());
    const LogicalRegion* second = secondRegion != -1 ? landscape->GetRegion(static_cast<std::uint16_t>(secondRegion)) : nullptr;
    std::uint16_t pivot = 0xFFFF;
    for (Item<short>* i = frontZone.Head(); i && pivot == 0xFFFF; i = i->next) {
        const auto hex = static_cast<std::uint16_t>(i->value);
        if (first && second && first->IsInNeighbourList(hex) && second->IsInNeighbourList(hex)) pivot = hex;
    }
    if (pivot == 0xFFFF || landscape->IsRegionOccupied(pivot)) {
        SendMenu(DISABLE_MENU_ITEM, unit_menu::RotateClockwise);
        SendMenu(DISABLE_MENU_ITEM, unit_menu::RotateAnticlockwise);
    }
}

ContainerBase* Combat::OnHoverSelected(std::int16_t hex) {
    Container<std::string> cursor{std::string(IsAttackHex(static_cast<std::uint16_t>(hex)) ? "charge.ani" : "ArrowCursor")};
    PostNamed("ChangeCursor", &cursor);
    return VhUnit::OnHoverSelected(hex);
}

ContainerBase* Combat::OnUnitSelected(std::int16_t hex) {
    ContainerBase* answer = VhUnit::OnUnitSelected(hex);
    short value = 0;
    if (ExtractData(answer, value) && value != 0) attackTarget = -1;
    firedAtBy.Clear();
    return answer;
}

ContainerBase* Combat::OnBeginTurn(std::int16_t turn) {
    if (routCounter) ++routCounter;
    return VhUnit::OnBeginTurn(turn);
}

ContainerBase* Combat::OnBeginLeaderOrdersPhase() {
    reorderHitTaken = 0;
    return VhUnit::OnBeginLeaderOrdersPhase();
}

std::int32_t Combat::Query(int code) const {
    switch (code) {
    case 1: return troopQuality;
    case 2: return cohesionHits;
    case 3: return size;
    case 9: return static_cast<std::int32_t>(unitKind);
    case 21: return routCounter;
    default: return VhUnit::Query(code);
    }
}

void Combat::RecomputeAllZones() {
    ComputeFrontZone();
    ComputeFrontHexes();
    ComputeRearZone();
    ComputeFlankHexes();
}


int Combat::Attack(std::uint16_t hex) {
    AddCombatants(hex);
    isLegal = 0;
    hasActed = 1;
    return 1;
}
