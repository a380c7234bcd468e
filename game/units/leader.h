#pragma once
// Leader: a unit of its own on the map that commands a group and, through its chain of
// superiors, the groups of the leaders under it. It never fires, melees, routs or rallies.
//
// Invariants: commandsUsed never exceeds commands; superiorGroup is never the leader's own group
// number (that reads as -1); the fallen-predecessors chain holds removed leaders only, newest
// first, each owned by the link before it (the head by this leader).
#include "core/sparse_array.h"
#include "game/units/vh_unit.h"

#include <cstdint>
#include <string>

template <> struct TypeNameTraits<class Leader*> {
    static std::string Name() { return "Leader *"; }
};

// A place a unit of a group move would move to and the region it would attack from there.
struct AttackInfo {
    std::uint16_t moveTo = 0xFFFF;
    std::uint16_t attackFrom = 0xFFFF;
    bool operator==(const AttackInfo&) const = default;
};

class Leader : public VhUnit {
public:
    // The ratings a leader who replaces a fallen one commands with.
    static constexpr std::uint16_t ReplacementCommandRange = 4;
    static constexpr std::uint16_t ReplacementCommands = 2;
    // What a killed leader's name is marked with, once.
    static constexpr const char* ReplacementMark = "(R)";

    // A null name gives "Unnamed Leader".
    Leader(const LeaderUnitData& data, const char* unitName);
    ~Leader() override;

    // Class-wide preferences and test switches, set from the application's preferences.
    static std::uint16_t almostFinishedDialog;
    static std::uint16_t confirmGroupCommands;
    static std::uint16_t casualtyTestA;
    static std::uint16_t casualtyTestB;
    static void SetMissileFiringMode(std::uint16_t v);

    // ---- accessors ----
    std::uint16_t GetCommands() const { return commands; }
    std::uint16_t GetCommandRange() const { return commandRange; }
    std::uint16_t GetBaseCommands() const { return baseCommands; }
    std::uint16_t GetExtraRating1() const { return extraRating1; }
    std::uint16_t GetExtraRating2() const { return extraRating2; }
    std::uint16_t GetSpareValue() const { return spareValue; }
    std::uint32_t GetCommandLevel() const { return commandLevel; }
    std::uint16_t GetCommandsUsed() const { return commandsUsed; }
    std::int16_t GetCommandsLeft() const { return static_cast<std::int16_t>(commands - commandsUsed); }
    Leader* GetSuperior() const { return superior; }
    void SetSuperior(Leader* l) { superior = l; }
    std::int16_t GetSuperiorGroupNumber() const { return superiorGroup; }
    std::uint16_t IsWounded() const { return wounded; }
    std::uint16_t IsFinished() const { return finished; }
    void SetFinished() { finished = 1; }
    Leader* GetFallenPredecessors() const { return fallen; }
    std::uint16_t IsAIControlled() const { return computerPlayed; }
    void SetAIControlled(std::uint16_t v = 1) { computerPlayed = v; }
    std::uint16_t HasFullSubscription() const { return fullSubscription; }
    std::uint16_t IsActive() const { return active; }
    std::uint16_t HasFinishedActivation() const { return finishedActivation; }
    std::uint16_t IsGroupMoving() const { return groupMoveMode; }
    std::uint16_t HasGroupCommandMade() const { return groupCommandMade; }
    std::uint16_t IsFullGroupMove() const { return fullGroupMove; }
    std::int16_t GetLastOrderedUnit() const { return lastOrderedUnit; }
    // While 0 the battlefield picks up no unit for this leader.
    std::int16_t GetOrderFlag() const { return static_cast<std::int16_t>(ordersAllowed); }
    // While 0 a group move goes one hex.
    std::int16_t HasGroupFlag() const { return static_cast<std::int16_t>(fullGroupMove); }
    std::uint16_t GetGroupCommandsAllowed() const { return groupCommandsAllowed; }
    List<short>& GetCommandRangeRegions() { return commandRangeRegions; }
    // The sub-leader this leader hands its next command to (null: none).
    Leader* GetSubLeader() const { return subLeader; }
    void SetSubLeader(Leader* l) { subLeader = l; }
    // The sub-leaders this leader may still hand commands to.
    List<unsigned short> GetDispatchList() const { return activationUnits; }
    void SetDispatchList(const List<unsigned short>& list) { activationUnits = list; }

    // Whether the given leader stands above this one in the chain of superiors. A chain that
    // runs in a circle is cut after as many steps as there can be leaders.
    int IsUnderCommandOf(const Leader* other) const {
        int steps = 0;
        for (const Leader* s = superior; s && steps < 0x10000; s = s->superior, ++steps)
            if (s == other) return 1;
        return 0;
    }
    // Whether the unit of that number belongs to a group led by this leader or one under it.
    virtual int CommandsUnit(std::uint16_t unitNumber);

    // Lowers every rating by n and marks the leader wounded.
    void Wound(std::uint16_t n);
    // The leader falls: the victory value and the picture are announced, the fallen leader is
    // kept in the chain and this one commands on as the replacement.
    void Eliminate();

    // Activation subscriptions (the activation rules give the handlers their bodies).
    void SubscribeActivation();
    void SubscribeActivationOnly();
    void UnsubscribeActivation();
    void UnsubscribeAllActivation();

    // ---- overrides of the unit base ----
    std::int16_t MatchesQuery(ContainerBase* query) override;
    VhUnit* CreateFromRecord(VhUnitData& record, const char* unitName) override;
    int IsThreatHex(std::uint16_t hex) const override { return 0; }
    StepCostFunction GetStepCostCallback() override;
    // Empty regions the leader reaches with its points and its own step cost, and its own region.
    void FindLegalDestinations(List<short>& out, std::uint32_t forFacing, std::uint16_t points) override;
    std::int16_t StepCost(std::uint16_t from, std::uint16_t to) override;
    ContainerBase* OnRegionClicked(std::int16_t hex) override;
    List<short> Move(List<short>& path, BusMessage reply, ContainerBase* replyPayload) override;
    // The leader's own way: through friends, around enemies and what its step cost forbids.
    MovePathResult ComputeMovePath(std::uint16_t destination, List<short>& path, std::uint16_t freshOrder) override;
    ContainerBase* OnMovementDone(const MoveReturnStruct& result) override;
    ContainerBase* OnHoverSelected(std::int16_t hex) override;
    int IsMissileCapable() const override { return 0; }
    int IsCombatUnit() const override { return 0; }
    int IsLeader() const override { return 1; }
    void RemoveFromPlay() override { Eliminate(); }
    int MaySelectOutOfCommands() override { return 0; }
    void OnRallied() override {}
    void OnRouted() override {}
    void Save(SuperString& s) override;
    bool Load(SuperString& s) override;
    void EvadeReaction() override {}
    std::uint16_t StrengthValue() const override { return static_cast<std::uint16_t>(2 * commands); }
    ContainerBase* OnBeginTurn(std::int16_t turn) override;
    std::int32_t Query(int code) const override;

    // Activation bodies.
    virtual ContainerBase* OnActivateLeader(const ActivateNextLeaderStruct& record);
    virtual ContainerBase* OnResumeActiveLeader(const ActivateNextLeaderStruct& record);
    ContainerBase* OnInitLeader();
    ContainerBase* OnEndOrdersPhase();
    ContainerBase* OnLeaderFinishLeader();
    ContainerBase* OnFinishLeader();
    ContainerBase* OnRallyUnit();
    // Counts one order to a unit against the leader's commands.
    void NoteOrder(std::uint16_t unitNumber);
    // The leader turns toward the facing most of its group's units have.
    void FaceGroup();
    void SubscribeAIOrderHandlers();
    void SetCommandsLeft(std::int16_t n);
    void SetLastOrderedUnit(std::int16_t n) { lastOrderedUnit = n; }
    void ShowStatus(bool raise);
    std::uint16_t AreCommandsExhausted() const { return commandsExhausted; }
    // Command range: the regions, filled on demand.
    void ComputeCommandRange(List<short>& out);
    int IsInCommandRange(std::uint16_t region);
    ContainerBase* RefreshCommandRange(const EndOWStruct& flag);
    // Casualties: the check of a leader under fire, the second roll (0 unharmed, 2 wounded, 3
    // killed) and the evasion of a leader next to a moving enemy (1 when it rode away).
    void CheckCasualty();
    int RollCasualty();
    int CheckCasualtyEvading(std::uint16_t threat, std::uint16_t threatSecond);
    // Queries and settings.
    int HasUnitsOnMap();
    int ChooseSubLeader(std::uint16_t& chosen);
    int ReorderHit(VhUnit* unit);
    static void SetShowFinishLeader(std::uint16_t v) { almostFinishedDialog = v; }
    static void SetGroupCommandConfirm(std::uint16_t v) { confirmGroupCommands = v; }
    static void SetCasualtyTestA(std::uint16_t v) { casualtyTestA = v; }
    static void SetCasualtyTestB(std::uint16_t v) { casualtyTestB = v; }
    virtual ContainerBase* OnLeaderGaveOrder(std::int16_t unitNumber);
    virtual ContainerBase* OnGetLeaderOrdersLeft(std::int16_t unitNumber);

    // ---- group commands ----
    // The group's shape: a row of hexes beside the leader (mode 1 line, 0 column) facing `toFacing`.
    ContainerBase* GroupLineFormation();
    ContainerBase* GroupColumnFormation();
    void GroupFormation(std::uint16_t mode, std::uint32_t toFacing);
    int SetGroupFormation(std::uint16_t mode);
    // One facing step for the leader and its group; each costs the leader 2 movement points.
    ContainerBase* RotateClockwise();
    ContainerBase* RotateCounterClockwise();
    ContainerBase* RotateLeft() override { return RotateCounterClockwise(); }
    ContainerBase* RotateRight() override { return RotateClockwise(); }
    ContainerBase* OnUnitDeselected() override;
    ContainerBase* OnSelectionConfirmed() override;

    // The group move engine. FindGroupMoveRegions: whether a group move (road 0) or group road
    // move (road 1) could go anywhere now.
    int FindGroupMoveRegions(std::uint16_t road);
    int GroupHasActiveUnit();
    // 3 when no enemy stands within one hex of the group, else 0.
    int CanAttemptGroupMove();
    // 3 full success, 2 partial, 1 failed.
    int RollGroupCommand();
    virtual void MoveGroupTo(std::uint16_t destination);
    // 1 when the group moved.
    int AIGroupMoveTowards(std::uint16_t target, std::uint16_t attack);
    StepCostFunction GetGroupStepCallback();

    // The menu commands and the computer player's entries.
    ContainerBase* GroupMove();
    ContainerBase* GroupRoadMove();
    ContainerBase* GroupRetreat();
    int DoGroupRetreat(std::uint16_t target);
    ContainerBase* GroupAttack();
    // 1 when at least one unit took part.
    int DoGroupAttack();
    ContainerBase* DoGroupRestoreMorale();
    ContainerBase* GroupMovementDone(std::int16_t unitNumber);
    // What kind of report a pending unit of a group retreat or attack owes.
    enum class Report : std::uint16_t { Move, Fire, Segment, Eliminated };
    ContainerBase* GroupActionUnitDone(Report kind, std::int16_t unitNumber);
    // Notes a unit as under way in the running group command, owing one report of that kind.
    void AddPending(std::uint16_t unitNumber, Report kind);
    // The group commands the leader offers at the start of its orders (menu items follow).
    void SubscribeGroupCommands();
    void UnsubscribeGroupCommands();
    // The target of a group retreat toward the leader's retreat edge.
    std::uint16_t RetreatTarget() const;

    // Units whose part in the running group command has not reported back yet.
    const List<short>& GetPendingUnits() const { return groupMovedUnits; }
    const List<short>& GetGroupMoveCosts() const { return groupMoveCosts; }
    std::uint16_t GetFailedGroupCommands() const { return failedGroupCommands; }
    void SetFailedGroupCommands(std::uint16_t n) { failedGroupCommands = n; }
    std::uint16_t IsRoadMove() const { return roadMove; }
    std::uint16_t IsAttackStep() const { return attackStep; }
    List<AttackInfo>& AttackOptionsOf(std::uint16_t unitNumber) { return attackOptions[unitNumber]; }

protected:
    // Adds the replacement mark unless the name carries it already.
    void MarkAsReplacement();

    std::uint16_t commandRange = 0;
    std::uint16_t commands = 0;
    std::uint16_t baseCommands = 0;
    std::uint16_t extraRating1 = 0;
    std::uint16_t extraRating2 = 0;
    std::uint16_t spareValue = 0;
    std::uint32_t commandLevel = 0;
    std::uint16_t commandsUsed = 0;
    std::uint16_t wounded = 0;
    std::uint16_t finished = 0;
    std::uint16_t fullSubscription = 1;
    std::int16_t superiorGroup = -1;
    Leader* superior = nullptr;
    Leader* fallen = nullptr;
    List<short> commandRangeRegions;
    std::uint16_t active = 0;
    std::uint16_t computerPlayed = 0;
    std::uint16_t finishedActivation = 0;
    std::int16_t lastOrderedUnit = 32767;
    std::uint16_t groupMoveMode = 0;
    std::uint16_t groupCommandMade = 0;
    std::uint16_t attackStep = 0;
    std::uint16_t roadMove = 0;
    SparseArray<List<AttackInfo>> attackOptions;
    List<short> groupMovedUnits;
    List<short> groupMoveCosts;
    std::uint16_t fullGroupMove = 0;
    std::uint16_t failedGroupCommands = 0;
    std::uint16_t commandsExhausted = 0;
    std::uint16_t groupCommandsAllowed = 1;
    std::uint16_t ordersAllowed = 1;
    List<unsigned short> activationUnits;
    Leader* subLeader = nullptr;

private:
    // Confirmation, failure and the common start of a group command that is carried out.
    bool ConfirmGroupCommand(std::uint32_t title);
    void FailGroupCommand(const char* what);
    void BeginGroupCommand();
    void ShowAlmostFinished();
    // Ends the wait of a group command: the handlers go and the computer player hears of it.
    void FinishGroupAction();
    void FinishGroupMove();
    // Reports can arrive while the order is still being given, so a unit is noted before its
    // order goes out; an order that was refused takes its note back (down to `before` notes).
    int CountPending(std::uint16_t unitNumber, Report kind) const;
    void DropPending(std::uint16_t unitNumber, Report kind, int before);
    template <class Order> bool Pend(std::uint16_t unitNumber, Report kind, Order order) {
        const int before = CountPending(unitNumber, kind);
        AddPending(unitNumber, kind);
        const bool given = order();
        if (!given) DropPending(unitNumber, kind, before);
        return given;
    }
    // The end of a group command waits until all its orders are out.
    void SettlePending(bool moves);
    void SubscribeGroupMoveReports();
    void SubscribeGroupActionReports();
    void UnsubscribeGroupActionReports();
    void FindGroupLegalDestinations(List<short>& out);
    List<short> RoadPathFor(VhUnit& unit, std::uint16_t destination, int leaderLength);

    // Which report each entry of the pending units owes, entry by entry.
    List<short> pendingKinds;
    // Set when the last group move got past its checks and gave its orders.
    std::uint16_t groupMoveIssued = 0;
    // Set while a group command gives its orders: reports that empty the pending units then do not
    // yet end the command.
    std::uint16_t issuingOrders = 0;
};

inline Leader* AsLeader(VhUnit* unit) { return unit && unit->IsLeader() ? static_cast<Leader*>(unit) : nullptr; }
inline const Leader* AsLeader(const VhUnit* unit) {
    return unit && unit->IsLeader() ? static_cast<const Leader*>(unit) : nullptr;
}
