#include "game/units/vh_unit.h"

#include "core/assertion.h"
#include "game/logic/logical_command.h"
#include "game/logic/stream_fields.h"
#include "game/units/group.h"
#include "game/units/leader.h"
#include "game/units/missile_capable.h"

#include <cstdio>

using namespace stream_fields;

namespace {

constexpr const char* Source = "VHUNIT";

List<UndoStruct>& SharedUndoList() {
    static List<UndoStruct> list;
    return list;
}

ContainerBase* UnitSelectedEntry(Component* c, BusMessage, ContainerBase* p) {
    VhUnit* self = nullptr;
    short* hex = nullptr;
    if (!BusArgs(c, p, self, hex, Source, __LINE__)) return nullptr;
    return self->OnUnitSelected(*hex);
}

ContainerBase* UnitLiftedEntry(Component* c, BusMessage, ContainerBase* p) {
    VhUnit* self = nullptr;
    short* hex = nullptr;
    if (!BusArgs(c, p, self, hex, Source, __LINE__)) return nullptr;
    return self->OnUnitLifted(*hex);
}

ContainerBase* BeginTurnEntry(Component* c, BusMessage, ContainerBase* p) {
    VhUnit* self = nullptr;
    short* turn = nullptr;
    if (!BusArgs(c, p, self, turn, Source, __LINE__)) return nullptr;
    return self->OnBeginTurn(*turn);
}

ContainerBase* LegalUnitsEntry(Component* c, BusMessage, ContainerBase* p) {
    VhUnit* self = nullptr;
    LegalUnitsInfo* legal = nullptr;
    if (!BusArgs(c, p, self, legal, Source, __LINE__)) return nullptr;
    return self->OnLegalUnits(*legal);
}

ContainerBase* UnitOWEntry(Component* c, BusMessage, ContainerBase* p) {
    VhUnit* self = nullptr;
    OWStruct* threat = nullptr;
    if (!BusArgs(c, p, self, threat, Source, __LINE__)) return nullptr;
    return self->OnUnitOW(*threat);
}

ContainerBase* BeginLeaderOrdersPhaseEntry(Component* c, BusMessage, ContainerBase*) {
    VhUnit* self = nullptr;
    if (!BusReceiver(c, self, Source, __LINE__)) return nullptr;
    return self->OnBeginLeaderOrdersPhase();
}

} // namespace

std::uint16_t VhUnit::leaderOutOfCommands = 0;
std::uint16_t VhUnit::backwardMovement = 0;
std::int16_t VhUnit::deploymentLine = -1;
std::uint16_t VhUnit::undoMenuSuppressed = 0;
std::uint16_t VhUnit::foreignActivation = 0;

VhUnit::VhUnit(const VhUnitData& data, const char* unitName)
    : Unit(data, unitName ? unitName : "Unnamed VhUnit"), facing(data.facing), movementAllowance(data.movementAllowance),
      movementPoints(data.movementAllowance), side(data.side), groupNumber(data.groupNumber), arrivalTurn(data.arrivalTurn),
      entryRegion(static_cast<std::int16_t>(data.region)), landscape(data.landscape) {
    CountUnitObject(1);
}

VhUnit::~VhUnit() { CountUnitObject(-1); }

void VhUnit::Connect() {
    RegisterNamedHandler("UnitSelected", UnitSelectedEntry);
    RegisterNamedHandler("UnitLifted", UnitLiftedEntry);
    RegisterNamedHandler("BeginTurn", BeginTurnEntry);
    RegisterNamedHandler("LegalUnits", LegalUnitsEntry);
    RegisterNamedHandler("UnitOW", UnitOWEntry);
    RegisterNamedHandler("BeginLeaderOrdersPhase", BeginLeaderOrdersPhaseEntry);
}

void VhUnit::UnsubscribeClassMessages() {
    UnregisterNamedHandler("UnitSelected", UnitSelectedEntry);
    UnregisterNamedHandler("BeginTurn", BeginTurnEntry);
    UnregisterNamedHandler("LegalUnits", LegalUnitsEntry);
    UnregisterNamedHandler("UnitOW", UnitOWEntry);
    UnregisterNamedHandler("BeginLeaderOrdersPhase", BeginLeaderOrdersPhaseEntry);
}

std::int16_t VhUnit::MatchesQuery(ContainerBase* query) {
    const short* hex = PayloadValue<short>(query);
    return hex && static_cast<std::uint16_t>(*hex) == GetLocation();
}

void VhUnit::SetGroup(Group* g) {
    group = g;
    if (!g) groupNumber = -1, isLegal = 0;
}

void VhUnit::RecomputeSecondRegion() {
    if (GetLocation() == 0xFFFF) {
        secondRegion = -1;
        return;
    }
    switch (facing) {
    case 2: case 3: case 4: case 6: case 7: case 8:
        secondRegion = static_cast<std::int16_t>(GetRightRegion(GetLocation(), facing));
        break;
    default: break;
    }
}

void VhUnit::SetLocation(std::uint16_t newRegion) {
    Unit::SetLocation(newRegion);
    if (isTwoHex) RecomputeSecondRegion();
}

List<UndoStruct>& VhUnit::UndoList() { return SharedUndoList(); }

bool VhUnit::PopUndo(UndoStruct& out) { return SharedUndoList().RemoveTail(out); }

void VhUnit::ClearUndo() { SharedUndoList().Clear(); }

int VhUnit::GetUndoCount() { return SharedUndoList().Count(); }

void VhUnit::ClearOptionWords() {
    backwardMovement = 0;
    MissileCapable::missileFiringMode = 0;
}

List<short> VhUnit::WedgeAhead(std::uint16_t hex, int depth, int direction) {
    List<short> out;
    out.AddTail(static_cast<short>(hex));
    if (depth <= 1 || !landscape) return out;
    auto add = [&out](List<short>& branch) {
        for (Item<short>* i = branch.Head(); i; i = i->next)
            if (!out.Contains(i->value)) out.AddTail(i->value);
    };
    // Right branch: a step clockwise for the vertex-ish directions 3, 4, 7, 8.
    int right = direction;
    if (direction == 3 || direction == 4 || direction == 7 || direction == 8) right = direction % 8 + 1;
    const std::uint16_t r = landscape->GetNeighbour(hex, right);
    if (r != 0xFFFF) {
        List<short> branch = WedgeAhead(r, depth - 1, direction == 3 || direction == 7 ? direction : right);
        add(branch);
    }
    // Left branch: a step anticlockwise for 2, 3, 6, 7.
    int left = direction;
    if (direction == 2 || direction == 3 || direction == 6 || direction == 7) left = direction == 1 ? 8 : direction - 1;
    const std::uint16_t l = landscape->GetNeighbour(hex, left);
    if (l != 0xFFFF) {
        List<short> branch = WedgeAhead(l, depth - 1, direction == 3 || direction == 7 ? direction : left);
        add(branch);
    }
    return out;
}

void VhUnit::PushUndo() {
    List<UndoStruct>& list = SharedUndoList();
    UndoStruct last;
    if (list.PeekTail(last) && last.unit != GetUnitNum()) list.Clear();
    std::uint16_t commandsLeft = 0;
    ContainerBase* answer = SendNamedEvent("ActiveGroup");
    Group* active = nullptr;
    if (ExtractData(answer, active) && active && active->GetLeader())
        commandsLeft = static_cast<std::uint16_t>(active->GetLeader()->GetCommandsLeft());
    delete answer;
    UndoStruct record;
    record.unit = GetUnitNum();
    record.wordA = isSelected;
    record.wordB = GetLocation();
    record.wordC = static_cast<std::uint16_t>(secondRegion);
    record.wordD = movementPoints;
    record.longA = facing;
    record.state[0] = isLegal;
    record.state[1] = usedThisTurn;
    record.state[2] = hasActed;
    record.state[3] = commandsLeft;
    list.AddTail(record);
    if (!undoMenuSuppressed) SendMenu(ENABLE_MENU_ITEM, unit_menu::UndoLastAction);
}

void VhUnit::Undo(const UndoStruct& record) {
    if (SharedUndoList().IsEmpty()) SendMenu(DISABLE_MENU_ITEM, unit_menu::UndoLastAction);
    movementPoints = record.wordD;
    isLegal = record.state[0];
    usedThisTurn = record.state[1];
    hasActed = record.state[2];
    const bool turned = record.longA != facing;
    const bool reversed = turned && record.longA == static_cast<std::uint32_t>((facing + 3) % 8 + 1);
    if (turned) SetFacing(record.longA);
    if (record.wordB != GetLocation() && landscape) {
        const std::uint16_t from = GetLocation();
        if (GetLocation() != 0xFFFF) landscape->ShadowRegions(this, GetLocation());
        if (isTwoHex && secondRegion != -1) landscape->ShadowRegions(this, static_cast<std::uint16_t>(secondRegion));
        SetLocation(record.wordB);
        if (GetLocation() != 0xFFFF) landscape->DeshadowRegions(this, GetLocation());
        if (isTwoHex && secondRegion != -1) landscape->DeshadowRegions(this, static_cast<std::uint16_t>(secondRegion));
        List<short> hexes;
        hexes.AddTail(static_cast<short>(from));
        hexes.AddTail(static_cast<short>(GetLocation()));
        Container<LogicalCommandInfo> info(LogicalCommandInfo(GetUnitNum(), new Container<List<short>>(hexes),
                                                              static_cast<std::int16_t>(GetLocation()), RegisterMessage("UnitTeleport")));
        delete PostAndWait(LOGICAL_COMMAND, &info);
    }
    if (turned) {
        Container<LogicalCommandInfo> info(LogicalCommandInfo(GetUnitNum(), reversed ? nullptr : new Container<std::uint32_t>(facing),
                                                              static_cast<std::int16_t>(GetLocation()),
                                                              RegisterMessage(reversed ? "AboutFaceNA" : "ChangeFacingNA")));
        delete PostAndWait(LOGICAL_COMMAND, &info);
    }
    // The active leader takes back the command the undone order cost.
    ContainerBase* answer = SendNamedEvent("ActiveGroup");
    Group* active = nullptr;
    if (ExtractData(answer, active) && active && active->GetLeader()) {
        Leader* leader = active->GetLeader();
        leader->SetCommandsLeft(static_cast<std::int16_t>(record.state[3]));
        leader->SetLastOrderedUnit(UndoList().IsEmpty() ? 0x7FFF : static_cast<std::int16_t>(GetUnitNum()));
    }
    delete answer;
}

std::string VhUnit::GetCommentaryName() const {
    return std::string("\\B\\N") + static_cast<char>('0' + side) + GetName() + "\\n\\b";
}

List<short> VhUnit::GetHexLine(std::uint16_t to) const {
    if (!landscape) return List<short>();
    return landscape->GetHexLine(GetLocation(), to);
}

std::int16_t VhUnit::SetFacing(std::uint32_t newFacing) {
    facing = newFacing;
    if (isTwoHex) RecomputeSecondRegion();
    return 2;
}

void VhUnit::RemoveFromPlay() {
    ClearUndo();
    SendMenu(DISABLE_MENU_ITEM, unit_menu::UndoLastAction);
    if (landscape) {
        if (GetLocation() != 0xFFFF) landscape->ShadowRegions(this, GetLocation());
        if (isTwoHex && secondRegion != -1) landscape->ShadowRegions(this, static_cast<std::uint16_t>(secondRegion));
    }
    isLegal = 0;
    hasActed = 1;
    isRemoved = 1;
    UnsubscribeClassMessages();
}

void VhUnit::Save(SuperString& s) {
    PutU16(s, arrivalTurn);
    PutI16(s, groupNumber);
    PutU32(s, retreatEdge);
    PutU16(s, movementPoints);
    PutU16(s, hasActed);
    PutU16(s, usedThisTurn);
    PutU16(s, rallyOrResupplyThisTurn);
    PutU16(s, GetLocation());
    PutI16(s, secondRegion);
    PutU32(s, facing);
    PutU16(s, isRemoved);
    PutU16(s, isSelected);
    if (isSelected) {
        PutU16(s, selectedOutOfCommands);
        PutU16(s, backwardMovement);
    }
}

bool VhUnit::Load(SuperString& s) {
    std::uint16_t where = 0xFFFF, removed = 0;
    std::int16_t second = -1, groupRead = -1;
    if (!ReadU16(s, arrivalTurn) || !ReadI16(s, groupRead) || !ReadU32(s, retreatEdge) || !ReadU16(s, movementPoints) ||
        !ReadU16(s, hasActed) || !ReadU16(s, usedThisTurn) || !ReadU16(s, rallyOrResupplyThisTurn) ||
        !ReadU16(s, where) || !ReadI16(s, second) || !ReadU32(s, facing) || !ReadU16(s, removed) ||
        !ReadU16(s, isSelected))
        return false;
    if (isSelected && (!ReadU16(s, selectedOutOfCommands) || !ReadU16(s, backwardMovement))) return false;

    groupNumber = groupRead;
    if (groupRead == -1 && group) {
        group->RemoveUnit(this);
        group = nullptr;
    }
    if (removed) {
        // The saved game already counted this unit out of play: it leaves quietly, without the
        // announcements a fresh elimination would make.
        VhUnit::RemoveFromPlay();
        // Off the map now, so the landscape is not told; the place it left from is kept so the
        // game saves back the same block.
        Unit::SetLocation(where);
        secondRegion = second;
        return true;
    }
    isRemoved = 0;
    if (where != GetLocation()) {
        if (landscape && GetLocation() != 0xFFFF) landscape->ShadowRegions(this, GetLocation());
        Unit::SetLocation(where);
        if (landscape && where != 0xFFFF) landscape->DeshadowRegions(this, where);
    }
    if (second != secondRegion) {
        if (landscape && secondRegion != -1) landscape->ShadowRegions(this, static_cast<std::uint16_t>(secondRegion));
        secondRegion = second;
        if (landscape && second != -1) landscape->DeshadowRegions(this, static_cast<std::uint16_t>(second));
    }
    return true;
}

VhUnit* VhUnit::FirstUnitIn(std::uint16_t where) { return landscape ? landscape->FirstUnitIn(where) : nullptr; }

int VhUnit::DistanceTo(std::uint16_t where) const {
    return landscape ? landscape->RegionDistance(GetLocation(), where) : -1;
}

int VhUnit::DistanceToLeader() const {
    const Leader* leader = group ? group->GetLeader() : nullptr;
    return leader ? DistanceTo(leader->GetLocation()) : -1;
}

std::int32_t VhUnit::Query(int code) const {
    switch (code) {
    case 4: return movementAllowance;
    case 5: return movementPoints;
    case 10: return static_cast<std::int16_t>(GetLocation());
    case 11: return secondRegion;
    case 12: return static_cast<std::int32_t>(facing);
    case 13: return static_cast<std::int32_t>(side);
    case 20: return IsMissileCapable();
    default: return -1;
    }
}

void VhUnit::SendMenu(int event, std::uint16_t command) {
    Container<BusMessage> payload{BusMessage(command)};
    delete Send(BusMessage(event), &payload);
}

void VhUnit::PostMenu(int event, std::uint16_t command) {
    Container<BusMessage> payload{BusMessage(command)};
    Post(BusMessage(event), &payload);
}
