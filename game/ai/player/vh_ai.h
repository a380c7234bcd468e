#pragma once
// The computer player of one side. At the start of a battle it compiles the side's script and
// runs its top-level code once; afterwards, each time the turn sequence activates a leader it
// plays ("InitAILeader"), it runs the Conditions table and the Orders table of that leader's
// group once per "GiveAIOrder" step until the leader's commands are used up or the script
// finishes the leader, waits until every ordered unit reports completion, and ends the leader's
// orders phase with "EndOrdersPhase". Scripts see the battle only through the built-ins of
// builtin_table.h, bound here in the same order.
//
// A script can never stall the game: a missing or failing Orders table, or a step that gives no
// order and does not finish the leader, finishes the leader after that step; a missing table is
// reported once per component, not on every step; unit numbers and list handles from scripts are
// checked before use.
#include "core/component.h"
#include "game/ai/code.h"
#include "game/ai/compiler.h"
#include "game/ai/interpreter.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class Combat;
class Group;
class Leader;
class VhLogicalLandscape;
class VhUnit;
template <class T>
class List;

class VhAI : public Component {
public:
    // Steps one activation may take before the leader is finished whatever the script does.
    static constexpr int MAX_STEPS_PER_ACTIVATION = 200;

    explicit VhAI(VhLogicalLandscape* landscape);
    ~VhAI() override;

    void Connect() override;

    void SetUnitList(List<Combat*>* list) { units_ = list; }
    void SetLeaderList(List<Leader*>* list) { leaders_ = list; }
    void SetGroupList(List<Group*>* list) { groups_ = list; }

    // Compiles the script and runs its top-level code once; non-zero when it compiled.
    int CompileScript(const std::string& path);
    // The compiled script as a file; results as Code::Save and Code::Load.
    int SaveCode(const std::string& file) const { return code_->Save(file); }
    std::uint32_t LoadCode(const std::string& file) { return code_->Load(file); }
    const Compiler& GetCompiler() const { return *compiler_; }
    Interpreter& GetInterpreter() { return *interpreter_; }

    bool RunConditions();
    bool RunOrders();
    bool RunExceptions();
    bool RunGroupExceptions(const std::string& name);

    // The unit with that number among the fighting units, then the leaders; -1 is the unit the
    // last group-list step delivered. Null when none.
    VhUnit* FindUnit(std::int32_t number) const;

    // ---- state read by the built-ins and by tests ----
    std::int16_t CommandsLeft() const { return commandsLeft_; }
    std::int16_t LastOrderedUnit() const { return lastOrdered_; }
    Leader* CurrentLeader() const { return leader_; }
    Group* CurrentGroup() const { return group_; }
    bool LeaderFinished() const { return leaderFinished_ != 0; }
    int PendingCount() const { return static_cast<int>(pending_.size()); }
    int DoneCount() const { return static_cast<int>(done_.size()); }
    int OrdersStepsThisActivation() const { return steps_; }
    // How many "Interpretor Error" boxes this component has shown.
    int ReportsShown() const { return reportsShown_; }

    // ---- script lists ----
    // A new empty list; its handle is the lowest released slot, else the next slot.
    std::int32_t NewList();
    // Null for a handle that was never given or was released.
    std::vector<short>* ListAt(std::int32_t handle);
    std::size_t* CursorAt(std::int32_t handle);
    bool ReleaseList(std::int32_t handle);
    void ReleaseAllLists();
    std::int32_t ListCount() const { return static_cast<std::int32_t>(lists_.size()); }

    // ---- the group cursor ----
    void GroupReset();
    // The next unit's number, -1 at the end.
    std::int32_t GroupNext();
    std::int32_t GroupPrevious();
    std::int32_t GroupCurrent() const { return groupUnit_; }
    std::int32_t GroupSize() const;

    // ---- bookkeeping of orders (used by the order built-ins) ----
    void CountCommand(std::uint16_t unit);
    void AddPending(std::uint16_t unit) { pending_.push_back(unit); }
    void NoteOrderGiven() { ++ordersThisStep_; }
    void FinishLeader() { leaderFinished_ = 1; }
    // Gives the automatic orders, spends a command and hands the activation to the sub-leader.
    void HandOverTo(std::uint16_t subLeader);
    void DecrementCommands() { --commandsLeft_; }
    void WaitForFire(std::uint16_t unit, std::int16_t resume);
    void SetResumeDestination(std::int16_t region) { resume_ = region; }
    void SetGroupCommand(bool on) { groupCommand_ = on ? 1 : 0; }
    bool GroupCommandRunning() const { return groupCommand_ != 0; }
    VhLogicalLandscape* Landscape() const { return landscape_; }
    List<Combat*>* Units() const { return units_; }
    List<Leader*>* Leaders() const { return leaders_; }
    Group* FindGroup(std::int32_t number) const;

    // ---- the order cycle (also reached from the bus entries) ----
    void InitAILeader(Group* group);
    void GiveAIOrder();
    void UnitOrderDone(std::uint16_t unit);
    void EndOWSegment();
    void OnMovement(bool moving);
    void GroupMoveDone();
    void FinishedGivingAIOrders();

private:
    void PostFinished();
    void AddTemporaryHandlers();
    void RemoveTemporaryHandlers();
    // Shows the box of a failed or missing table, once for each table and kind of failure.
    bool Report(int block, int result);

    std::uint16_t finalCharge_ = 1;
    std::unique_ptr<Code> code_;
    std::unique_ptr<Compiler> compiler_;
    std::unique_ptr<Interpreter> interpreter_;
    List<Combat*>* units_ = nullptr;
    List<Leader*>* leaders_ = nullptr;
    List<Group*>* groups_ = nullptr;
    std::vector<std::uint16_t> pending_;
    std::vector<std::uint16_t> done_;
    std::uint16_t animation_ = 0;
    Group* group_ = nullptr;
    int groupIndex_ = 0;  // units of the group already stepped over
    std::int32_t groupUnit_ = -1;
    Leader* leader_ = nullptr;
    std::uint16_t leaderNumber_ = 0;
    std::int16_t commandsLeft_ = 0;
    std::int16_t lastOrdered_ = -1;
    std::uint16_t leaderFinished_ = 0;
    std::uint16_t waitingForFire_ = 0;
    std::uint16_t groupCommand_ = 0;
    std::uint16_t movingUnit_ = 0xFFFF;
    std::int16_t resume_ = -1;
    std::uint16_t finishedPosted_ = 0;
    bool temporaryHandlers_ = false;
    int steps_ = 0;
    int ordersThisStep_ = 0;
    int reportsShown_ = 0;
    bool reported_[3][2] = {};
    struct ScriptList {
        std::vector<short> values;
        std::size_t cursor = 0;
    };
    std::vector<std::unique_ptr<ScriptList>> lists_;
    VhLogicalLandscape* landscape_ = nullptr;
};
