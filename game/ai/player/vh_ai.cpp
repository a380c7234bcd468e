#include "game/ai/player/vh_ai.h"

#include "core/application.h"
#include "core/container.h"
#include "core/events.h"
#include "game/ai/builtin_table.h"
#include "game/ai/player/builtins.h"
#include "game/ai/run_report.h"
#include "game/logic/game_records.h"
#include "game/units/combat.h"
#include "game/units/group.h"
#include "game/units/leader.h"

#include <algorithm>

namespace {

// Shared by every computer player: the finishing work runs on the third timer tick after
// "FinishedGivingAIOrders", whichever player posted it.
int finishingTicks = 0;
// The player whose timer counts the ticks; a player deleted while counting gives the count up.
VhAI* timerOwner = nullptr;

constexpr const char* kSource = "VHAI";

ContainerBase* InitEntry(Component* c, BusMessage, ContainerBase* p) {
    VhAI* self;
    Group** group;
    if (!BusArgs(c, p, self, group, kSource, __LINE__)) return nullptr;
    self->InitAILeader(*group);
    return nullptr;
}

ContainerBase* GiveEntry(Component* c, BusMessage, ContainerBase*) {
    VhAI* self;
    if (BusReceiver(c, self, kSource, __LINE__)) self->GiveAIOrder();
    return nullptr;
}

ContainerBase* FinishedEntry(Component* c, BusMessage, ContainerBase*) {
    VhAI* self;
    if (BusReceiver(c, self, kSource, __LINE__)) self->FinishedGivingAIOrders();
    return nullptr;
}

ContainerBase* GroupMoveDoneEntry(Component* c, BusMessage, ContainerBase* p) {
    VhAI* self;
    short* value;
    if (!BusArgs(c, p, self, value, kSource, __LINE__)) return nullptr;
    self->GroupMoveDone();
    return nullptr;
}

ContainerBase* MovementDoneEntry(Component* c, BusMessage, ContainerBase* p) {
    VhAI* self;
    MoveReturnStruct* result;
    if (!BusArgs(c, p, self, result, kSource, __LINE__)) return nullptr;
    self->UnitOrderDone(result->unit);
    return nullptr;
}

ContainerBase* MissileReturnEntry(Component* c, BusMessage, ContainerBase* p) {
    VhAI* self;
    MissileDebrisStruct* debris;
    if (!BusArgs(c, p, self, debris, kSource, __LINE__)) return nullptr;
    self->UnitOrderDone(debris->wordB);
    return nullptr;
}

ContainerBase* MovementEntry(Component* c, BusMessage, ContainerBase*) {
    VhAI* self;
    if (BusReceiver(c, self, kSource, __LINE__)) self->OnMovement(true);
    return nullptr;
}

ContainerBase* NoMovementEntry(Component* c, BusMessage, ContainerBase*) {
    VhAI* self;
    if (BusReceiver(c, self, kSource, __LINE__)) self->OnMovement(false);
    return nullptr;
}

}  // namespace

ContainerBase* VhAIEndOWSegmentEntry(Component* c, BusMessage, ContainerBase*) {
    VhAI* self;
    if (BusReceiver(c, self, kSource, __LINE__)) self->EndOWSegment();
    return nullptr;
}

VhAI::VhAI(VhLogicalLandscape* landscape)
    : Component("VhAI"), code_(std::make_unique<Code>()), landscape_(landscape) {
    compiler_ = std::make_unique<Compiler>(*code_);
    interpreter_ = std::make_unique<Interpreter>(*code_, this);
    const std::span<const BuiltInFunction> functions = vhai::BuiltInFunctions();
    RegisterScriptNames(*compiler_, functions);
    for (BuiltInFunction f : functions) interpreter_->AddBuiltIn(f);
}

VhAI::~VhAI() {
    if (timerOwner == this) {
        RemoveTimer(FinishedEntry);
        timerOwner = nullptr;
        finishingTicks = 0;
    }
}

void VhAI::Connect() {
    RegisterNamedHandler("InitAILeader", InitEntry);
    RegisterNamedHandler("GiveAIOrder", GiveEntry);
    RegisterNamedHandler("FinishedGivingAIOrders", FinishedEntry);
    RegisterNamedHandler("AIGroupMoveDone", GroupMoveDoneEntry);
    BlockRelayedNamedEvent("FinishedGivingAIOrders", 2);
}

int VhAI::CompileScript(const std::string& path) {
    // A script's imports (the shared tactics, the battle's constants) lie beside it in the game's
    // script directory, wherever the program was started from.
    const std::size_t cut = path.find_last_of("\\/");
    if (cut != std::string::npos) compiler_->SetImportDirectory(path.substr(0, cut));
    const int compiled = compiler_->CompileFile(path.c_str());
    interpreter_->RunProgram();
    return compiled;
}

bool VhAI::Report(int block, int result) {
    if (result > 0) return true;
    bool& seen = reported_[block][result < 0 ? 0 : 1];
    if (seen) return false;
    seen = true;
    ++reportsShown_;
    return ReportBlockRun(static_cast<ScriptBlock>(block), result);
}

bool VhAI::RunConditions() {
    return Report(static_cast<int>(ScriptBlock::Conditions), interpreter_->RunConditions());
}

bool VhAI::RunOrders() {
    RunConditions();
    std::string name = group_ ? group_->GetName() : std::string();
    int result = interpreter_->RunOrders(name);
    if (result < 0) {
        // Script names cannot hold spaces; scripts write a group's spaces as underscores.
        std::replace(name.begin(), name.end(), ' ', '_');
        result = interpreter_->RunOrders(name);
    }
    return Report(static_cast<int>(ScriptBlock::Orders), result);
}

bool VhAI::RunExceptions() {
    return Report(static_cast<int>(ScriptBlock::Exceptions), interpreter_->RunExceptions());
}

bool VhAI::RunGroupExceptions(const std::string& name) {
    return Report(static_cast<int>(ScriptBlock::Exceptions), interpreter_->RunGroupExceptions(name));
}

VhUnit* VhAI::FindUnit(std::int32_t number) const {
    if (number == -1) number = groupUnit_;
    if (number < 0 || number > 0xFFFF) return nullptr;
    if (units_)
        for (Item<Combat*>* i = units_->Head(); i; i = i->next)
            if (i->value && i->value->GetUnitNum() == number) return i->value;
    if (leaders_)
        for (Item<Leader*>* i = leaders_->Head(); i; i = i->next)
            if (i->value && i->value->GetUnitNum() == number) return i->value;
    return nullptr;
}

Group* VhAI::FindGroup(std::int32_t number) const {
    if (!groups_) return nullptr;
    for (Item<Group*>* i = groups_->Head(); i; i = i->next)
        if (i->value && i->value->GetNumber() == number) return i->value;
    return nullptr;
}

// ---- script lists ----

std::int32_t VhAI::NewList() {
    for (std::size_t i = 0; i < lists_.size(); ++i)
        if (!lists_[i]) {
            lists_[i] = std::make_unique<ScriptList>();
            return static_cast<std::int32_t>(i);
        }
    lists_.push_back(std::make_unique<ScriptList>());
    return static_cast<std::int32_t>(lists_.size() - 1);
}

std::vector<short>* VhAI::ListAt(std::int32_t handle) {
    if (handle < 0 || handle >= static_cast<std::int32_t>(lists_.size()) || !lists_[static_cast<std::size_t>(handle)])
        return nullptr;
    return &lists_[static_cast<std::size_t>(handle)]->values;
}

std::size_t* VhAI::CursorAt(std::int32_t handle) {
    if (!ListAt(handle)) return nullptr;
    return &lists_[static_cast<std::size_t>(handle)]->cursor;
}

bool VhAI::ReleaseList(std::int32_t handle) {
    if (!ListAt(handle)) return false;
    lists_[static_cast<std::size_t>(handle)].reset();
    return true;
}

void VhAI::ReleaseAllLists() { lists_.clear(); }

// ---- the group cursor ----

void VhAI::GroupReset() {
    groupIndex_ = 0;
    groupUnit_ = -1;
}

static VhUnit* GroupUnitAt(Group* group, int index) {
    if (!group || index < 0) return nullptr;
    int k = 0;
    for (Item<VhUnit*>* i = group->GetUnits().Head(); i; i = i->next, ++k)
        if (k == index) return i->value;
    return nullptr;
}

std::int32_t VhAI::GroupNext() {
    VhUnit* u = GroupUnitAt(group_, groupIndex_);
    if (!u) {
        groupUnit_ = -1;
        return -1;
    }
    ++groupIndex_;
    groupUnit_ = u->GetUnitNum();
    return groupUnit_;
}

std::int32_t VhAI::GroupPrevious() {
    // The unit before the one last delivered; at the head nothing is before it.
    if (groupIndex_ < 2) {
        groupIndex_ = 0;
        groupUnit_ = -1;
        return -1;
    }
    --groupIndex_;
    VhUnit* u = GroupUnitAt(group_, groupIndex_ - 1);
    groupUnit_ = u ? u->GetUnitNum() : -1;
    return groupUnit_;
}

std::int32_t VhAI::GroupSize() const { return group_ ? group_->GetUnits().Count() : 0; }

// ---- bookkeeping of orders ----

void VhAI::CountCommand(std::uint16_t unit) {
    if (static_cast<std::int16_t>(unit) != lastOrdered_) --commandsLeft_;
    lastOrdered_ = static_cast<std::int16_t>(unit);
    ++ordersThisStep_;
}

void VhAI::WaitForFire(std::uint16_t unit, std::int16_t resume) {
    if (!waitingForFire_) RegisterNamedHandler("EndOWSegment", VhAIEndOWSegmentEntry);
    waitingForFire_ = 1;
    movingUnit_ = unit;
    resume_ = resume;
    ++ordersThisStep_;
}

// ---- the order cycle ----

void VhAI::AddTemporaryHandlers() {
    if (temporaryHandlers_) return;
    RegisterNamedHandler("MovementDone", MovementDoneEntry);
    RegisterNamedHandler("ReturnFromMissileFire", MissileReturnEntry);
    RegisterNamedHandler("Movement", MovementEntry);
    RegisterNamedHandler("NoMovement", NoMovementEntry);
    temporaryHandlers_ = true;
}

void VhAI::RemoveTemporaryHandlers() {
    if (!temporaryHandlers_) return;
    UnregisterNamedHandler("MovementDone", MovementDoneEntry);
    UnregisterNamedHandler("ReturnFromMissileFire", MissileReturnEntry);
    UnregisterNamedHandler("Movement", MovementEntry);
    UnregisterNamedHandler("NoMovement", NoMovementEntry);
    temporaryHandlers_ = false;
}

void VhAI::PostFinished() {
    finishedPosted_ = 1;
    PostNamedEvent("FinishedGivingAIOrders");
}

void VhAI::InitAILeader(Group* group) {
    if (Application* app = GetApplication()) app->BeginWait();
    waitingForFire_ = 0;
    movingUnit_ = 0xFFFF;
    group_ = group;
    finishedPosted_ = 0;
    GroupReset();
    leader_ = nullptr;
    if (leaders_ && group)
        for (Item<Leader*>* i = leaders_->Head(); i; i = i->next)
            if (i->value && i->value->GetGroupNumber() == group->GetNumber()) leader_ = i->value;
    AddTemporaryHandlers();
    pending_.clear();
    done_.clear();
    steps_ = 0;
    leaderNumber_ = leader_ ? leader_->GetUnitNum() : 0;
    // Without a leader there is no one to give orders: the activation ends at the first step.
    commandsLeft_ = leader_ ? leader_->GetCommandsLeft() : 0;
    groupCommand_ = 0;
    lastOrdered_ = -1;
    std::uint16_t sub = 0;
    if (leader_ && leader_->GetCommandLevel() == 2 && commandsLeft_ != 0 && leader_->ChooseSubLeader(sub)) {
        HandOverTo(sub);
        return;
    }
    GroupReset();
    PostNamedEvent("GiveAIOrder");
    leaderFinished_ = 0;
}

void VhAI::HandOverTo(std::uint16_t subLeader) {
    vhai::GiveAutomaticOrders(*this);
    --commandsLeft_;
    ++ordersThisStep_;
    Container<unsigned short> number(subLeader);
    delete SendNamed("DoSelectSubLeader", &number);
    finalCharge_ = 0;
    // The activation now belongs to the sub-leader: further steps would order for this leader
    // after its orders phase was announced over.
    leaderFinished_ = 1;
    PostFinished();
}

void VhAI::GiveAIOrder() {
    // Another computer player's step, or one left over from an ended activation.
    if (!temporaryHandlers_) return;
    if (commandsLeft_ <= 0 || leaderFinished_) {
        if (pending_.empty() && !groupCommand_ && !finishedPosted_ && !animation_) PostFinished();
        return;
    }
    ReleaseAllLists();
    ordersThisStep_ = 0;
    ++steps_;
    const bool ran = RunOrders();
    // A missing or failing Orders table, or a step that gave no order and did not finish the
    // leader, would repeat the same step forever: the leader is finished instead.
    if (!ran || ordersThisStep_ == 0 || steps_ >= MAX_STEPS_PER_ACTIVATION) leaderFinished_ = 1;
    if (!waitingForFire_) PostNamedEvent("GiveAIOrder");
}

void VhAI::UnitOrderDone(std::uint16_t unit) {
    if (pending_.empty() || !temporaryHandlers_) return;
    auto it = std::find(pending_.begin(), pending_.end(), unit);
    if (it != pending_.end()) pending_.erase(it);
    done_.push_back(unit);
    if (pending_.empty() && !waitingForFire_ && !finishedPosted_ && !animation_) PostFinished();
}

void VhAI::EndOWSegment() {
    UnregisterNamedHandler("EndOWSegment", VhAIEndOWSegmentEntry);
    waitingForFire_ = 0;
    if (resume_ != -1) {
        VhUnit* u = FindUnit(movingUnit_);
        if (u && !u->IsRouted() && !u->IsRemoved()) vhai::IssueMoveToward(*this, resume_, movingUnit_);
    }
    if (!waitingForFire_) PostNamedEvent("GiveAIOrder");
}

void VhAI::OnMovement(bool moving) {
    animation_ = moving ? 1 : 0;
    if (moving) return;
    if (pending_.empty() && !groupCommand_ && !finishedPosted_) PostFinished();
}

void VhAI::GroupMoveDone() {
    groupCommand_ = 0;
    if (!finishedPosted_ && !animation_) PostFinished();
}

void VhAI::FinishedGivingAIOrders() {
    // Every computer player on the bus hears the message; only one that is running an
    // activation may end it, or a second player would end a phase it never began.
    if (!temporaryHandlers_) return;
    if (finishingTicks < 3) {
        if (finishingTicks == 0) {
            AddTimer(FinishedEntry, 1);
            timerOwner = this;
        }
        ++finishingTicks;
        return;
    }
    if (timerOwner) timerOwner->RemoveTimer(FinishedEntry);
    timerOwner = nullptr;
    finishingTicks = 0;
    if (!pending_.empty() || waitingForFire_ || groupCommand_ || animation_) {
        finishedPosted_ = 0;
        return;
    }
    RemoveTemporaryHandlers();
    if (leader_ && units_) {
        for (std::uint16_t n : done_) {
            VhUnit* u = FindUnit(n);
            if (u && !u->IsHostileTo(leader_->GetSide())) u->SetUsedThisTurn(1);
        }
    }
    if (finalCharge_ == 0) finalCharge_ = 1;
    else vhai::ChargeAdjacentEnemies(*this);
    PostNamedEvent("EndOrdersPhase");
    for (int word : {220, 221, 235, 196, 195}) {
        Container<BusMessage> command{BusMessage(word)};
        Post(DISABLE_MENU_ITEM, &command);
    }
    if (Application* app = GetApplication()) app->EndWait();
}
