#pragma once
// VhUnit: the rules side of every piece on the battlefield (combat units, missile units, leaders).
// It holds what they all share: where the unit stands (one hex, or two for a wide unit), its
// facing, side, group, movement points, arrival turn, per-turn order flags and the hex lists the
// map highlights for it, and it takes part in the game on the logical layer's bus.
//
// The battlefield (vh_logic) calls units only through virtual operations and the inline accessors
// of these headers, never a function defined in this library: that keeps vh_logic linkable
// without vh_units, which depends on it.
//
// Invariants: region is the unit's first (left) hex and 0xFFFF exactly while the unit is off the
// map; secondRegion is 0xFFFF for a one-hex unit, and for a two-hex unit on the map the right-hand
// neighbour of region for its facing; movementPoints never exceeds what the rules gave it this
// turn; a removed unit (isRemoved) has no class-level subscriptions left. The undo list holds the
// records of one unit at a time.
#include "core/list.h"
#include "core/super_string.h"
#include "core/type_name.h"
#include "game/logic/combat_records.h"
#include "game/logic/game_records.h"
#include "game/logic/logical_layer.h"
#include "game/logic/unit.h"
#include "game/logic/vh_logical_landscape.h"
#include "game/units/unit_records.h"

#include <cstdint>
#include <string>

class Group;
class Leader;

// Kinds of combat units that the rules single out.
constexpr int InfantryKind = 3;
constexpr int SkirmisherKind = 7;
constexpr int CavalryKind = 12;
constexpr int ElephantKind = 13;
constexpr int ArtilleryKind = 15;
constexpr int SupplyWagonKind = 17;

// Menu commands that the unit rules enable and disable themselves.
namespace unit_menu {
constexpr std::uint16_t MountDismount = 193;
constexpr std::uint16_t LimberUnlimber = 194;
constexpr std::uint16_t FormationClockwise = 195;
constexpr std::uint16_t FormationAnticlockwise = 196;
constexpr std::uint16_t GroupMove = 212;
constexpr std::uint16_t Rally = 213;
constexpr std::uint16_t RestoreMorale = 214;
constexpr std::uint16_t MissileFiring = 219;
constexpr std::uint16_t RotateAnticlockwise = 220;
constexpr std::uint16_t RotateClockwise = 221;
constexpr std::uint16_t CenterOnUnit = 222;
constexpr std::uint16_t ViewDetails = 225;
constexpr std::uint16_t AboutFace = 235;
constexpr std::uint16_t BackwardMovement = 246;
constexpr std::uint16_t UndoLastAction = 255;
} // namespace unit_menu

// The neighbour of hex on the right hand of a unit facing `facing` (a vertex code 2, 3, 4, 6, 7, 8)
// by the column-and-row arithmetic of region numbers; 0xFFFF for the facings 1 and 5 and any
// other code. Whether the result lies on the map is the caller's question.
inline std::uint16_t RightHandHex(std::uint16_t hex, std::uint32_t facing) {
    const int h = hex, odd = (h / 100) % 2;
    int r;
    switch (facing) {
    case 2: r = h + 100 + odd; break;
    case 3: r = h + 1; break;
    case 4: r = h - 100 + odd; break;
    case 6: r = h - 100 - (1 - odd); break;
    case 7: r = h - 1; break;
    case 8: r = h + 100 - (1 - odd); break;
    default: return 0xFFFF;
    }
    return r < 0 || r > 0xFFFE ? 0xFFFF : static_cast<std::uint16_t>(r);
}

// The mirror of RightHandHex: the neighbour on the unit's left hand.
inline std::uint16_t LeftHandHex(std::uint16_t hex, std::uint32_t facing) {
    const int h = hex, odd = (h / 100) % 2;
    int r;
    switch (facing) {
    case 2: r = h - 100 - (1 - odd); break;
    case 3: r = h - 1; break;
    case 4: r = h + 100 - (1 - odd); break;
    case 6: r = h + 100 + odd; break;
    case 7: r = h + 1; break;
    case 8: r = h - 100 + odd; break;
    default: return 0xFFFF;
    }
    return r < 0 || r > 0xFFFE ? 0xFFFF : static_cast<std::uint16_t>(r);
}

// The name of the pointer payloads that carry units; fixed here so that no payload name depends
// on the build (and no battlefield code needs the units' run-time type information).
template <> struct TypeNameTraits<class VhUnit*> {
    static std::string Name() { return "VhUnit *"; }
};

// Payload of "LegalUnits": the active leader, its side and the regions within its command range.
struct LegalUnitsInfo {
    std::uint16_t leader = 0xFFFF;
    std::uint32_t side = 0xFFFFFFFF;
    List<short> regions;
};

// The outcome of a path choice: 1 stopped in enemy contact, 2 reached the destination, 3 stopped
// in a threatened hex (or nothing found).
struct MovePathResult {
    std::uint32_t outcome = 3;
    std::uint16_t finalHex = 0xFFFF;
    std::uint32_t direction = 0;
};

// One candidate path of a move: its cost, its cohesion hits and its hexes from the unit's own.
struct PathWeight {
    std::int16_t cost = 0;
    std::int16_t hits = 0;
    List<short> hexes;
};

class VhUnit : public Unit, public LayerObject {
public:
    // A null name gives "Unnamed VhUnit". The region and the unit number come from the record.
    VhUnit(const VhUnitData& data, const char* unitName);
    ~VhUnit() override;

    // Subscribes the class-level messages: "UnitSelected", "UnitLifted", "BeginTurn",
    // "LegalUnits", "UnitOW" and "BeginLeaderOrdersPhase".
    void Connect() override;
    // A short payload equal to the unit's region matches.
    std::int16_t MatchesQuery(ContainerBase* query) override;

    // ---- plain accessors ----
    std::uint32_t GetSide() const { return side; }
    void SetSide(std::uint32_t s) { side = s; }
    int IsHostileTo(std::uint32_t otherSide) const { return side != otherSide; }
    std::int16_t GetGroupNumber() const { return groupNumber; }
    // -1 also forgets the group and clears the legal flag.
    void SetGroupNumber(std::int16_t n) {
        groupNumber = n;
        if (n == -1) group = nullptr, isLegal = 0;
    }
    Group* GetGroup() const { return group; }
    // None also sets the group number to -1 and clears the legal flag.
    void SetGroup(Group* g);
    std::uint16_t GetSecondRegion() const { return isTwoHex ? secondRegion : 0xFFFF; }
    void SetMovementAllowance(std::uint16_t n) { movementAllowance = movementPoints = n; }
    std::uint16_t GetMovementAllowance() const { return movementAllowance; }
    std::uint16_t GetMovementPoints() const { return movementPoints; }
    void SetMovementPoints(std::uint16_t n) { movementPoints = n; }
    int HasMoved() const { return movementPoints != movementAllowance; }
    int IsLegal() const { return isLegal; }
    void SetLegal(std::uint16_t v) { isLegal = v; }
    void SetUsedThisTurn(std::uint16_t v) { usedThisTurn = v; }
    int IsUsedThisTurn() const { return usedThisTurn; }
    int HasActed() const { return hasActed; }
    void SetActed(std::uint16_t v) { hasActed = v; }
    int IsRallyOrResupplyThisTurn() const { return rallyOrResupplyThisTurn; }
    // A unit that rallied or resupplied this turn may not be picked up for orders.
    std::int16_t IsOrderBlocked() const { return static_cast<std::int16_t>(rallyOrResupplyThisTurn); }
    int IsSelected() const { return isSelected; }
    // A unit read back selected from a saved game takes its command handlers again.
    void ResumeSelection() {
        isSelected = 0;
        delete OnSelectionConfirmed();
    }
    int IsAwaitingArrival() const { return arrivalTurn != 0; }
    int IsOnMap() const { return !isRemoved && GetLocation() != 0xFFFF; }
    int IsRemoved() const { return isRemoved; }
    std::uint16_t GetArrivalTurn() const { return arrivalTurn; }
    void SetArrivalTurn(std::uint16_t t) { arrivalTurn = t; }
    std::uint16_t GetEntryRegion() const { return static_cast<std::uint16_t>(entryRegion); }
    std::uint32_t GetRetreatEdge() const { return retreatEdge; }
    void SetRetreatEdge(std::uint32_t edge) { retreatEdge = edge; }
    void SaveLastSelectedRegion() { lastSelectedRegion = static_cast<std::int16_t>(GetLocation()); }
    VhLogicalLandscape* GetLandscape() const { return landscape; }
    void SetLandscape(VhLogicalLandscape* map) { landscape = map; }
    List<short>& GetLegalDestinations() { return legalDestinations; }
    List<short>& GetExcludedDestinations() { return excludedDestinations; }
    List<short>& GetRouteHexes() { return routeHexes; }

    // The neighbour of hex on the unit's right (left) hand for the facing (0: the unit's own);
    // 0xFFFF when the facing names no side or the neighbour is off the map.
    std::uint16_t GetRightRegion(std::uint16_t hex, std::uint32_t forFacing) const {
        const std::uint16_t r = RightHandHex(hex, forFacing ? forFacing : facing);
        return landscape && r != 0xFFFF && landscape->IsValidRegion(r) ? r : 0xFFFF;
    }
    std::uint16_t GetLeftRegion(std::uint16_t hex, std::uint32_t forFacing) const {
        const std::uint16_t r = LeftHandHex(hex, forFacing ? forFacing : facing);
        return landscape && r != 0xFFFF && landscape->IsValidRegion(r) ? r : 0xFFFF;
    }
    // The second hex follows the first: off the map with it, the right-hand neighbour for the
    // hex-side facings, unchanged for 1 and 5.
    void RecomputeSecondRegion();

    // ---- the shared undo list and flags of the class ----
    static List<UndoStruct>& UndoList();
    // Takes the last record off the list; false (record untouched) when the list is empty.
    static bool PopUndo(UndoStruct& out);
    static void ClearUndo();
    static int GetUndoCount();
    static std::uint16_t leaderOutOfCommands;
    static std::uint16_t backwardMovement;
    static std::int16_t deploymentLine;
    static std::uint16_t undoMenuSuppressed;
    // Set when a leader that is not this player's is active.
    static std::uint16_t foreignActivation;
    static void SetLeaderOutOfCommands(std::uint16_t v) { leaderOutOfCommands = v; }
    static void SetBackwardMovement(std::uint16_t v) { backwardMovement = v; }
    static void SetDeploymentLine(std::int16_t v) { deploymentLine = v; }
    static void SetUndoMenuSuppressed(std::uint16_t v) { undoMenuSuppressed = v; }
    // The two option words of the unit code that a finished battle clears: backward movement
    // and the missile firing mode.
    static void ClearOptionWords();

    // ---- virtual operations ----
    // Makes a unit of the concrete class from a record; null when the record is not of the class
    // the unit type needs (a damaged scenario names a type that does not fit its record).
    virtual VhUnit* CreateFromRecord(VhUnitData& record, const char* unitName) = 0;
    void SetLocation(std::uint16_t newRegion) override;
    // The hexes of a wedge `depth` hexes deep from hex, opening in `direction`.
    virtual List<short> WedgeAhead(std::uint16_t hex, int depth, int direction);
    // The movement rules fill these in; here a step costs nothing extra and nothing happens.
    virtual std::int16_t StepCost(std::uint16_t from, std::uint16_t to) { return 0; }
    virtual std::int16_t MovementCohesionHits(std::uint16_t from, std::uint16_t to, std::uint16_t commentary) { return 0; }
    virtual void StepHook(std::uint16_t from, std::uint16_t to) {}
    virtual void UpdateRotateMenu() {}
    virtual void UpdateDeployRotateItems();
    virtual std::int16_t GetTerrainCost(std::uint16_t from, std::uint16_t to) { return 1; }
    // Records the unit's state at the end of the undo list.
    virtual void PushUndo();
    virtual std::string GetCommentaryName() const;
    virtual int IsThreatHex(std::uint16_t hex) const = 0;
    virtual StepCostFunction GetStepCostCallback() = 0;
    // The hexes the unit may move to now, for a facing (0: its own) and movement points (0: its
    // own points left).
    virtual void FindLegalDestinations(List<short>& out, std::uint32_t forFacing, std::uint16_t points) = 0;
    virtual List<short> GetHexLine(std::uint16_t to) const;
    // Plays a move along a path: the unit's region first, "UnitMovement" to the battlefield and
    // its picture (which posts `reply` with `replyPayload` when the walk is over, taking the
    // payload), then the step costs. Answers the cost of each step.
    virtual List<short> Move(List<short>& path, BusMessage reply, ContainerBase* replyPayload);
    virtual std::uint32_t GetFacing() const { return facing; }
    // Stores the facing; answers 2.
    virtual std::int16_t SetFacing(std::uint32_t newFacing);
    // Turns by hex sides in a sense (1 anticlockwise, 2 clockwise): 2 done, 1 stopped in enemy
    // contact, 0 a clockwise pivot left the unit broken.
    virtual std::int16_t Rotate(std::uint32_t sense, std::uint16_t sides);
    virtual int IsMissileCapable() const = 0;
    virtual int IsCombatUnit() const = 0;
    virtual int IsLeader() const = 0;
    virtual int IsTwoHex() const { return isTwoHex; }
    virtual int MayFireInFormation() const { return 0; }
    // Takes the unit out of the game without destroying it.
    virtual void RemoveFromPlay();
    virtual std::int16_t BestDestinationToward(std::uint16_t target, int distance);
    virtual std::int16_t BestDestinationAdjacent(std::uint16_t target) { return BestDestinationToward(target, 1); }
    virtual int MaySelectOutOfCommands() = 0;
    virtual void OnRallied() = 0;
    virtual void OnRouted() = 0;
    // Chooses the path of a move order (fresh order 0: a move resumed after an OW segment).
    virtual MovePathResult ComputeMovePath(std::uint16_t destination, List<short>& path, std::uint16_t freshOrder);
    // The unit's saved-game block; Load answers false when the stream ran out.
    virtual void Save(SuperString& s);
    virtual bool Load(SuperString& s);
    virtual void AddCombatants(std::uint16_t hex) {}
    virtual void EvadeReaction() = 0;
    virtual int ChooseEvasion(std::uint16_t threat, std::uint16_t threat2, List<short>& route) { return 0; }
    // The paths of least cohesion hits, in list order.
    List<List<short>> RankPathsByHits(List<List<short>>& paths);
    // The value the referee adds up for each side.
    virtual std::uint16_t StrengthValue() const = 0;
    virtual int IsRouted() const { return 0; }
    virtual int IsBreaking() const { return 0; }
    virtual void Undo(const UndoStruct& record);
    virtual int CanChangeFormation() const { return 0; }
    // The two values the unit's picture starts with (a combat unit: in line, mounted).
    virtual void GetDisplayWords(std::uint16_t& first, std::uint16_t& second) const { first = second = 0; }
    // Whether a region is one of the unit's front hexes (leaders answer for themselves).
    virtual int IsInFrontHexes(std::uint16_t region) const { return 0; }

    // Bodies of the class-level and selection messages. The selection and turn rules fill in
    // what the unit base leaves open; each answers the payload the message's sender gets back.
    virtual ContainerBase* OnUnitLifted(std::int16_t hex);
    virtual ContainerBase* OnUnitDropped(std::int16_t hex);
    // Deployment: the marker under the mouse, the lifted unit's turns, and whether it may stand
    // on a hex (its side of the dividing line, not walled in, not taken).
    ContainerBase* OnHoverLifted(std::int16_t hex);
    ContainerBase* OnRotateLifted(bool clockwise);
    ContainerBase* OnAboutFaceLifted();
    ContainerBase* OnOtherUnitInserted(const UnitLocationStruct& where);
    int CanDeployTo(std::uint16_t hex);
    int IsLifted() const { return isLifted; }
    virtual ContainerBase* OnLegalUnits(const LegalUnitsInfo& legal);
    virtual ContainerBase* OnUnitSelected(std::int16_t hex);
    virtual ContainerBase* OnSelectionConfirmed();
    virtual ContainerBase* OnRegionClicked(std::int16_t hex);
    virtual ContainerBase* OnUnitDeselected();
    virtual ContainerBase* OnUnitRemoved(const UnitLocationStruct& where);
    virtual ContainerBase* OnBeginTurn(std::int16_t turn);
    virtual ContainerBase* RotateLeft();
    virtual ContainerBase* RotateRight();
    virtual ContainerBase* OnMovementDone(const MoveReturnStruct& result);
    virtual ContainerBase* OnEndOWSegment(const EndOWStruct& flag);
    virtual ContainerBase* OnOWResolved(const ResolveOWStruct& result);
    virtual ContainerBase* OnUnitOW(const OWStruct& threat);
    virtual ContainerBase* OnMissileVolley(std::int16_t unitNumber) { return nullptr; }
    virtual ContainerBase* OnBeginLeaderOrdersPhase();
    virtual ContainerBase* OnViewDetails() { return nullptr; }
    virtual ContainerBase* OnHoverSelected(std::int16_t hex);
    virtual std::int16_t BeginOWSegment() { return 0; }
    virtual ContainerBase* OnAboutFace();
    virtual ContainerBase* OnBackwardMovement();

    // The computer player's unit interface (its rules are written with the computer player).
    virtual std::int16_t MoveToHex(std::uint16_t hex);
    virtual std::int16_t MoveTowards(std::uint16_t target) { return MoveToHex(static_cast<std::uint16_t>(BestDestinationToward(target, 0))); }
    virtual std::int16_t FireAtHex(std::uint16_t hex) { return 0; }
    virtual std::int16_t ChangeFacingBy(std::uint32_t rotation, std::uint16_t steps);
    virtual std::int16_t TurnTowards(std::uint32_t direction);
    // The first hex, ring by ring, holding a unit hostile to this one; -1 when none within 99.
    virtual std::int16_t NearestEnemyRegion();
    virtual std::int16_t NearestEnemyAhead() { return -1; }
    virtual std::int16_t NearestEnemyBehind() { return -1; }
    virtual std::int16_t NearestEnemyOnFlank() { return -1; }
    virtual VhUnit* FirstUnitIn(std::uint16_t where);
    virtual int DistanceTo(std::uint16_t where) const;
    virtual int DistanceToLeader() const;
    virtual int InCommandRange() const { return 0; }
    virtual std::int16_t CanFireAt(std::uint16_t hex) { return 0; }
    virtual std::int16_t EnemyWithin(int range);
    // Numbered questions of the computer player; -1 for every number the class does not know.
    virtual std::int32_t Query(int code) const;
    virtual std::int16_t CanMoveTo(std::uint16_t hex);

    // ---- orders without a virtual slot ----
    // 0 nothing done, 1 stopped in contact, 2 done, 3 stopped in a threatened hex.
    std::uint16_t MoveTo(std::uint16_t hex, std::uint16_t freshOrder);
    static List<List<short>> PickBestPath(List<PathWeight>& weights);
    void StartOWSegment();
    std::uint16_t GetMoveTarget() const { return static_cast<std::uint16_t>(moveTarget); }
    int IsMoving() const { return isMoving; }
    int IsEvading() const { return isEvading; }
    std::int16_t GetLastSelectedRegion() const { return lastSelectedRegion; }
    // Whether a hex is a legal destination that a move may end on.
    int IsLegalEnd(std::uint16_t hex) const {
        return legalDestinations.Contains(static_cast<short>(hex)) && !excludedDestinations.Contains(static_cast<short>(hex));
    }

    // Takes the highlight off the old legal destinations and puts it on fresh ones.
    void RefreshHighlight();
    // The OW segment's subscriptions of a moving unit.
    void SubscribeOWResolved();
    void SubscribeEndOWSegment();
    void UnsubscribeBeginOWSegment();
    void UnsubscribeSelectionClicks();
    void SubscribeFlyby();
    // The selected unit's click handler on REGION_SELECTED, taken off while another (the
    // missile target choice) listens in its place.
    void SubscribeRegionClicks();
    void UnsubscribeRegionClicks();

protected:
    // Registers a handler unless it is registered already (a second registration would run twice).
    void Subscribe(std::string_view name, BusHandler handler);
    void Subscribe(BusMessage event, BusHandler handler);
    void HideMarkers();
    // Posts a menu command event (ENABLE_MENU_ITEM and the like) with the command's number.
    void SendMenu(int event, std::uint16_t command);
    void PostMenu(int event, std::uint16_t command);
    void UnsubscribeClassMessages();

    std::int16_t lastSelectedRegion = -1;
    std::int16_t hexToMoveTo = -1;
    std::int16_t secondHexToMoveTo = -1;
    std::int16_t secondRegion = -1;
    std::uint16_t clickedFirstHex = 1;
    std::uint16_t isTwoHex = 0;
    std::uint16_t isSelected = 0;
    std::uint16_t isMoving = 0;
    std::uint32_t facing = 0;
    std::uint16_t movementAllowance = 0;
    std::uint16_t movementPoints = 0;
    std::uint32_t side = 0xFFFFFFFF;
    std::int16_t groupNumber = -1;
    Group* group = nullptr;
    std::uint16_t arrivalTurn = 0;
    std::int16_t entryRegion = -1;
    std::uint16_t isEvading = 0;
    std::uint16_t isLegal = 0;
    std::uint16_t isDisplayOnly = 0;
    std::uint16_t selectedOutOfCommands = 0;
    std::uint16_t usedThisTurn = 0;
    std::uint16_t hasActed = 0;
    std::uint16_t rallyOrResupplyThisTurn = 0;
    List<OWStruct> owCandidates;
    List<short> pendingOWResolutions;
    std::uint16_t owStopped = 0;
    std::uint16_t isRemoved = 0;
    std::uint16_t isLifted = 0;
    std::uint16_t liftClicks = 0;
    List<short> legalDestinations;
    List<short> excludedDestinations;
    List<short> routeHexes;
    std::int16_t moveTarget = -1;
    std::uint32_t retreatEdge = 0;
    VhLogicalLandscape* landscape = nullptr;
};
