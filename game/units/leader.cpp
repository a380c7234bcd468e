#include "game/units/leader.h"

#include "game/logic/text_of.h"
#include "game/logic/combat_records.h"
#include "game/logic/logical_command.h"
#include "game/logic/stream_fields.h"
#include "game/units/group.h"
#include "game/units/missile_capable.h"
#include "game/units/resource_text.h"

using namespace stream_fields;

namespace {

constexpr const char* Source = "LEADER";

ContainerBase* ActivateLeaderEntry(Component* c, BusMessage, ContainerBase* p) {
    Leader* self = nullptr;
    ActivateNextLeaderStruct* record = nullptr;
    if (!BusArgs(c, p, self, record, Source, __LINE__)) return nullptr;
    return self->OnActivateLeader(*record);
}

ContainerBase* ResumeActiveLeaderEntry(Component* c, BusMessage, ContainerBase* p) {
    Leader* self = nullptr;
    ActivateNextLeaderStruct* record = nullptr;
    if (!BusArgs(c, p, self, record, Source, __LINE__)) return nullptr;
    return self->OnResumeActiveLeader(*record);
}

ContainerBase* LeaderGaveOrderEntry(Component* c, BusMessage, ContainerBase* p) {
    Leader* self = nullptr;
    short* number = nullptr;
    if (!BusArgs(c, p, self, number, Source, __LINE__)) return nullptr;
    return self->OnLeaderGaveOrder(*number);
}

ContainerBase* GetLeaderOrdersLeftEntry(Component* c, BusMessage, ContainerBase* p) {
    Leader* self = nullptr;
    short* number = nullptr;
    if (!BusArgs(c, p, self, number, Source, __LINE__)) return nullptr;
    return self->OnGetLeaderOrdersLeft(*number);
}

std::uint16_t Lowered(std::uint16_t value, std::uint16_t by) { return value > by ? static_cast<std::uint16_t>(value - by) : 0; }

} // namespace

std::uint16_t Leader::almostFinishedDialog = 0;
std::uint16_t Leader::confirmGroupCommands = 0;
std::uint16_t Leader::casualtyTestA = 0;
std::uint16_t Leader::casualtyTestB = 0;

void Leader::SetMissileFiringMode(std::uint16_t v) { MissileCapable::missileFiringMode = v; }

Leader::Leader(const LeaderUnitData& data, const char* unitName)
    : VhUnit(data, unitName ? unitName : "Unnamed Leader"), commandRange(data.commandRange), commands(data.commands),
      baseCommands(data.commands), extraRating1(data.extraRating1), extraRating2(data.extraRating2),
      spareValue(data.spare), commandLevel(data.commandLevel), superiorGroup(data.superiorGroup) {
    if (superiorGroup == groupNumber) superiorGroup = -1;
}

Leader::~Leader() {
    // Each fallen leader of the chain owns the older ones behind it.
    delete fallen;
}

int Leader::CommandsUnit(std::uint16_t unitNumber) {
    Container<short> asked(static_cast<short>(unitNumber));
    ContainerBase* answer = SendNamed("GetUnitByNum", &asked);
    VhUnit* unit = nullptr;
    ExtractData(answer, unit);
    delete answer;
    if (!unit || !unit->GetGroup()) return 0;
    const Leader* l = unit->GetGroup()->GetLeader();
    int steps = 0;
    for (; l && steps < 0x10000; l = l->GetSuperior(), ++steps)
        if (l == this) return 1;
    return 0;
}

void Leader::Wound(std::uint16_t n) {
    wounded = 1;
    extraRating1 = Lowered(extraRating1, n);
    commands = Lowered(commands, n);
    extraRating2 = Lowered(extraRating2, n);
    commandRange = Lowered(commandRange, n);
    if (commandsUsed > commands) commandsUsed = commands;
}

void Leader::MarkAsReplacement() {
    std::string mark = ResourceText(90);
    if (mark.empty()) mark = ReplacementMark;
    const std::string name = GetName();
    if (name.find(mark) == std::string::npos) SetName(name + mark);
}

void Leader::Eliminate() {
    Container<EliminateUnitData> record(EliminateUnitData(static_cast<NATION>(side),
                                                          static_cast<std::uint16_t>(2 * baseCommands), -1, GetUnitNum()));
    PostNamed("UnitEliminated", &record);
    Container<LogicalCommandInfo> info(LogicalCommandInfo(GetUnitNum(), nullptr, static_cast<std::int16_t>(GetLocation()),
                                                          RegisterMessage("UnitEliminated")));
    Post(LOGICAL_COMMAND, &info);

    LeaderUnitData keep;
    keep.commands = commands;
    const std::string name = GetName();
    auto* link = new Leader(keep, name.c_str());
    link->isRemoved = 1;
    link->fallen = fallen;
    fallen = link;

    commandRange = ReplacementCommandRange;
    commands = ReplacementCommands;
    if (commandsUsed > commands) commandsUsed = commands;
    MarkAsReplacement();
    finished = 1;
}

void Leader::SubscribeActivation() {
    UnsubscribeAllActivation();
    RegisterNamedHandler("ActivateLeader", ActivateLeaderEntry);
    RegisterNamedHandler("ResumeActiveLeader", ResumeActiveLeaderEntry);
    RegisterNamedHandler("LeaderGaveOrder", LeaderGaveOrderEntry);
    RegisterNamedHandler("GetLeaderOrdersLeft", GetLeaderOrdersLeftEntry);
    fullSubscription = 1;
}

void Leader::SubscribeActivationOnly() {
    UnsubscribeAllActivation();
    RegisterNamedHandler("ActivateLeader", ResumeActiveLeaderEntry);
    RegisterNamedHandler("ResumeActiveLeader", ResumeActiveLeaderEntry);
    fullSubscription = 0;
}

void Leader::UnsubscribeActivation() {
    UnregisterNamedHandler("ActivateLeader", ActivateLeaderEntry);
    UnregisterNamedHandler("ActivateLeader", ResumeActiveLeaderEntry);
    UnregisterNamedHandler("ResumeActiveLeader", ResumeActiveLeaderEntry);
}

void Leader::UnsubscribeAllActivation() {
    UnsubscribeActivation();
    UnregisterNamedHandler("LeaderGaveOrder", LeaderGaveOrderEntry);
    UnregisterNamedHandler("GetLeaderOrdersLeft", GetLeaderOrdersLeftEntry);
}

std::int16_t Leader::MatchesQuery(ContainerBase* query) {
    std::string text;
    if (TextOf(query, text)) return text == GetName() ? 1 : 0;
    return VhUnit::MatchesQuery(query);
}

VhUnit* Leader::CreateFromRecord(VhUnitData& record, const char* unitName) {
    auto* data = dynamic_cast<LeaderUnitData*>(&record);
    return data ? new Leader(*data, unitName) : nullptr;
}


void Leader::Save(SuperString& s) {
    PutU16(s, active);
    PutU16(s, commandsUsed);
    if (active) {
        for (std::uint16_t v : {finished, groupMoveMode, groupCommandMade, failedGroupCommands, fullGroupMove,
                                static_cast<std::uint16_t>(lastOrderedUnit), attackStep, roadMove, finishedActivation})
            PutU16(s, v);
    }
    PutU16(s, wounded);
    if (wounded) {
        PutU16(s, extraRating1);
        PutU16(s, commands);
        PutU16(s, extraRating2);
        PutU16(s, commandRange);
    }
    PutU16(s, fallen ? 1 : 0);
    for (const Leader* link = fallen; link; link = link->fallen) {
        const std::string name = link->GetName();
        PutU16(s, static_cast<std::uint16_t>(name.size()));
        PutText(s, name);
        PutU16(s, link->commands);
        PutU16(s, link->fallen ? 1 : 0);
    }
    PutU16(s, groupCommandsAllowed);
    PutU16(s, ordersAllowed);
    PutU16(s, static_cast<std::uint16_t>(activationUnits.Count()));
    for (Item<unsigned short>* i = activationUnits.Head(); i; i = i->next) PutU16(s, i->value);
    VhUnit::Save(s);
}

bool Leader::Load(SuperString& s) {
    if (!ReadU16(s, active) || !ReadU16(s, commandsUsed)) return false;
    if (active) {
        std::uint16_t last = 0;
        if (!ReadU16(s, finished) || !ReadU16(s, groupMoveMode) || !ReadU16(s, groupCommandMade) ||
            !ReadU16(s, failedGroupCommands) || !ReadU16(s, fullGroupMove) || !ReadU16(s, last) ||
            !ReadU16(s, attackStep) || !ReadU16(s, roadMove) || !ReadU16(s, finishedActivation))
            return false;
        lastOrderedUnit = static_cast<std::int16_t>(last);
    }
    std::uint16_t woundFlag = 0, rating1 = 0, woundedCommands = 0, rating2 = 0, woundedRange = 0;
    if (!ReadU16(s, woundFlag)) return false;
    if (woundFlag && (!ReadU16(s, rating1) || !ReadU16(s, woundedCommands) || !ReadU16(s, rating2) ||
                      !ReadU16(s, woundedRange)))
        return false;

    std::uint16_t more = 0;
    if (!ReadU16(s, more)) return false;
    delete fallen;
    fallen = nullptr;
    Leader* tail = nullptr;
    while (more) {
        std::uint16_t length = 0, linkCommands = 0;
        std::string name;
        if (!ReadU16(s, length) || !ReadText(s, length, name) || !ReadU16(s, linkCommands) || !ReadU16(s, more))
            return false;
        LeaderUnitData keep;
        keep.commands = linkCommands;
        auto* link = new Leader(keep, name.c_str());
        link->isRemoved = 1;
        (tail ? tail->fallen : fallen) = link;
        tail = link;
    }
    if (fallen) {
        commandRange = ReplacementCommandRange;
        commands = ReplacementCommands;
        MarkAsReplacement();
    }
    // The saved ratings of a wounded leader are the ones it had, replacement or not: they come
    // after the replacement's so that a replacement that was then wounded keeps its wound.
    wounded = woundFlag;
    if (wounded) {
        extraRating1 = rating1;
        commands = woundedCommands;
        extraRating2 = rating2;
        commandRange = woundedRange;
    }

    std::uint16_t count = 0;
    if (!ReadU16(s, groupCommandsAllowed) || !ReadU16(s, ordersAllowed) || !ReadU16(s, count) ||
        !Fits(s, 2 * static_cast<std::int64_t>(count)))
        return false;
    activationUnits.Clear();
    for (int k = 0; k < count; ++k) {
        std::uint16_t v = 0;
        if (!ReadU16(s, v)) return false;
        activationUnits.AddTail(v);
    }
    return VhUnit::Load(s);
}

ContainerBase* Leader::OnBeginTurn(std::int16_t turn) {
    finished = 0;
    active = 0;
    finishedActivation = 0;
    return VhUnit::OnBeginTurn(turn);
}

std::int32_t Leader::Query(int code) const {
    switch (code) {
    case 14: return commandRange;
    case 15: return commands;
    case 16: return extraRating1;
    case 17: return extraRating2;
    case 18: return commandsUsed;
    case 19: return static_cast<std::int16_t>(commands - commandsUsed);
    default: return VhUnit::Query(code);
    }
}

ContainerBase* Leader::OnLeaderGaveOrder(std::int16_t unitNumber) {
    if (static_cast<std::uint16_t>(unitNumber) != GetUnitNum()) return nullptr;
    if (commandsUsed < commands) ++commandsUsed;
    if (active) ShowStatus(commandsUsed == commands);
    return nullptr;
}

ContainerBase* Leader::OnGetLeaderOrdersLeft(std::int16_t unitNumber) {
    if (static_cast<std::uint16_t>(unitNumber) != GetUnitNum()) return nullptr;
    return new Container<short>(GetCommandsLeft());
}
