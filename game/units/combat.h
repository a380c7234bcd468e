#pragma once
// Combat: the rules object of every unit that fights (infantry, cavalry, artillery, supply
// wagons): troop quality, cohesion hits, size, unit kind, formation, rout state and the hex lists
// that describe its front, flanks, rear and attack options.
//
// Invariants: cohesionHits never exceeds troopQuality; the rout counter is 0 exactly while the
// unit is not routed; the unit kind is 0..17; attackTarget is -1 or a region number.
#include "game/units/fire_tables.h"
#include "game/units/vh_unit.h"

#include <cstdint>
#include <string>

template <> struct TypeNameTraits<class Combat*> {
    static std::string Name() { return "Combat *"; }
};

// The two letters of a unit kind 0..17 ("PH", "LG", ... "SW"); "??" for any other value.
inline const char* UnitKindCode(std::uint32_t kind) {
    static const char* const codes[18] = {"PH", "LG", "HI", "MI", "BI", "LP", "LI", "SK", "HC",
                                          "RC", "BC", "LN", "LC", "EL", "CH", "AT", "CO", "SW"};
    return kind < 18 ? codes[kind] : "??";
}

class Combat;
// The step test of the legal-destination flood fill: the unit's CheckStep.
std::int16_t FloodStepCallback(std::uint16_t from, std::uint16_t to, VhLogicalLandscape* landscape, VhUnit* unit);
// -1 out of a hex that holds a unit, else 1: a fill spreads through empty hexes only.
std::int16_t OccupiedStepCallback(std::uint16_t from, std::uint16_t to, VhLogicalLandscape* landscape, VhUnit* unit);

class Combat : public VhUnit {
public:
    // The record may be a MissileCapableUnitData. A null name gives "Unnamed Combat".
    Combat(const CombatUnitData& data, const char* unitName);
    ~Combat() override;

    void Connect() override;

    // ---- plain accessors ----
    std::uint16_t GetTQ() const { return troopQuality; }
    std::uint16_t GetCohesionHits() const { return cohesionHits; }
    std::uint16_t GetSize() const { return size; }
    int GetUnitKind() const { return static_cast<int>(unitKind); }
    std::string GetKindCode() const { return UnitKindCode(unitKind); }
    std::int16_t GetPendingHits() const { return pendingHits; }
    std::uint16_t GetRoutCounter() const { return routCounter; }
    std::int16_t GetAttackTarget() const { return attackTarget; }
    void SetAttackTarget(std::int16_t hex) { attackTarget = hex; }
    std::uint16_t GetReorderHitTaken() const { return reorderHitTaken; }
    void SetReorderHitTaken(std::uint16_t v) { reorderHitTaken = v; }
    std::uint16_t GetFacingSide() const { return static_cast<std::uint16_t>(facingSide); }
    std::uint16_t GetFormation() const { return formation; }
    List<short>& GetAttackHexes() { return attackHexes; }
    List<short>& GetFrontHexList() { return frontHexes; }
    List<short>& GetFrontZoneList() { return frontZone; }
    List<short>& GetFlankHexList() { return flankHexes; }
    List<short>& GetRearZoneList() { return rearZone; }
    void AddFiredAtBy(std::uint16_t unitNumber) { firedAtBy.AddTail(static_cast<short>(unitNumber)); }
    int WasFiredAtBy(std::uint16_t unitNumber) const { return firedAtBy.Contains(static_cast<short>(unitNumber)); }
    std::uint16_t GetModifierWord(int which) const { return which == 0 ? modifier1 : modifier2; }

    // The two status-bar panes of a selected unit: the name with its kind code, and troop
    // quality, hits and size.
    std::string StatusPane1Text() const;
    std::string StatusPane2Text() const;

    // ---- overrides of the unit base ----
    void PushUndo() override;
    std::string GetCommentaryName() const override;
    ContainerBase* OnSelectionConfirmed() override;
    ContainerBase* OnUnitDeselected() override;
    int IsThreatHex(std::uint16_t hex) const override { return !isRemoved && frontHexes.Contains(static_cast<short>(hex)); }
    StepCostFunction GetStepCostCallback() override;
    void FindLegalDestinations(List<short>& out, std::uint32_t forFacing, std::uint16_t points) override;
    std::int16_t StepCost(std::uint16_t from, std::uint16_t to) override;
    std::int16_t MovementCohesionHits(std::uint16_t from, std::uint16_t to, std::uint16_t commentary) override;
    void StepHook(std::uint16_t from, std::uint16_t to) override;
    // The step test of the legal-destination flood fill (it also gathers the attack hexes).
    virtual std::int16_t CheckStep(std::uint16_t from, std::uint16_t to);
    // The movement class of the cohesion table: 0..3, or -1 when the unit's moves cost no hits.
    int MovementClass() const;
    std::int16_t Rotate(std::uint32_t sense, std::uint16_t sides) override;
    List<short> Move(List<short>& path, BusMessage reply, ContainerBase* replyPayload) override;
    ContainerBase* RotateLeft() override;
    ContainerBase* RotateRight() override;
    ContainerBase* OnAboutFace() override;
    ContainerBase* OnRegionClicked(std::int16_t hex) override;
    ContainerBase* OnMovementDone(const MoveReturnStruct& result) override;
    std::int16_t MoveToHex(std::uint16_t hex) override;
    std::int16_t BeginOWSegment() override;
    ContainerBase* OnUnitOW(const OWStruct& threat) override;
    ContainerBase* OnOWResolved(const ResolveOWStruct& result) override;
    ContainerBase* OnEndOWSegment(const EndOWStruct& flag) override;
    int IsMissileCapable() const override { return 0; }
    int IsCombatUnit() const override { return 1; }
    int IsLeader() const override { return 0; }
    void RemoveFromPlay() override;
    // Only a legal unit facing an enemy in one of its front hexes.
    int MaySelectOutOfCommands() override;
    void OnRallied() override;
    void OnRouted() override;
    void Save(SuperString& s) override;
    bool Load(SuperString& s) override;
    void EvadeReaction() override;
    int ChooseEvasion(std::uint16_t threat, std::uint16_t threat2, List<short>& route) override;
    std::uint16_t StrengthValue() const override { return static_cast<std::uint16_t>(troopQuality + size); }
    int IsRouted() const override { return routCounter != 0; }
    int IsBreaking() const override { return breaking; }
    void Undo(const UndoStruct& record) override;
    int IsInFrontHexes(std::uint16_t region) const override { return frontHexes.Contains(static_cast<short>(region)); }
    // A two-hex unit can only wheel through a free hex that touches both of its hexes.
    void UpdateRotateMenu() override;
    // The charge cursor over a hex the unit may attack, the arrow elsewhere.
    ContainerBase* OnHoverSelected(std::int16_t hex) override;
    ContainerBase* OnUnitSelected(std::int16_t hex) override;
    ContainerBase* OnBeginTurn(std::int16_t turn) override;
    ContainerBase* OnBeginLeaderOrdersPhase() override;
    std::int32_t Query(int code) const override;
    void GetDisplayWords(std::uint16_t& first, std::uint16_t& second) const override {
        first = static_cast<std::uint16_t>(IsInLine());
        second = static_cast<std::uint16_t>(IsMounted());
    }

    // ---- what Combat adds ----
    // Front, flank and rear geometry.
    // The front hexes the unit would have at hex with its current facing.
    List<short> GetFrontHexesAt(std::uint16_t hex);
    virtual void ComputeFrontHexes();
    virtual void ComputeFrontZone();
    virtual void ComputeRearZone();
    virtual void ComputeFlankHexes();
    int IsInFrontZone(std::uint16_t hex, int range) const { return range == 1 && frontZone.Contains(static_cast<short>(hex)); }
    int IsInRearZone(std::uint16_t hex, int range) const { return range == 1 && rearZone.Contains(static_cast<short>(hex)); }
    // side 2 right, 1 left, 0 either.
    int IsOnFlank(std::uint16_t hex, int depth, int flankSide);
    int CanWheelTo(std::uint32_t targetFacing);
    int IsFrontZoneOccupied();
    List<short> GetWedgeAhead(int depth, int direction);
    // The computer player's searches: a hex or -1; every search is bounded.
    std::int16_t FindNearestEnemyAhead();
    std::int16_t FindNearestEnemyBehind();
    std::int16_t FindNearestEnemyOnFlank();
    std::int16_t FindNearestEnemy(std::int16_t from);
    std::int16_t NearestEnemyAhead() override { return FindNearestEnemyAhead(); }
    std::int16_t NearestEnemyBehind() override { return FindNearestEnemyBehind(); }
    std::int16_t NearestEnemyOnFlank() override { return FindNearestEnemyOnFlank(); }
    // 1 when a turn was ordered, 0 when no enemy is on the map.
    int TurnTowardNearestEnemy();
    int TurnToEngage();
    std::int16_t ChooseAttackHex();
    // The hex to move to for an attack on an enemy hex.
    std::uint16_t HexToAttackFrom(std::uint16_t enemyHex);
    // Cohesion: the morale roll's excess over the threshold, the restore-morale order.
    std::int16_t MoraleExcess(std::int16_t die) const;
    virtual std::int16_t DoRestoreCohesion();
    // The morale hits an evasion from a threat hex costs.
    std::int16_t EvasionHits(std::uint16_t threatHex);
    // Rout: the turn toward the retreat edge and the first hexes of flight.
    void BreakAndRout();
    ContainerBase* OnRallyOrder(std::int16_t commands);
    ContainerBase* OnRallyDeselected();
    List<short>& GetEvadedFrom() { return evadedFrom; }
    // The evasion from a threat: 1 when the unit moved away.
    int EvadeFrom(std::uint16_t threatHex, std::uint16_t threatSecond);
    int IsAdvancing() const { return advancing; }
    void SetAdvancing(std::uint16_t v) { advancing = v; }
    // All four, in the order the rules need them.
    virtual void RecomputeAllZones();
    // Refreshes the unit's front and contact records after every move.
    virtual void AfterMove() { RecomputeAllZones(); }
    virtual int IsAttackHex(std::uint16_t hex) const { return attackHexes.Contains(static_cast<short>(hex)); }
    virtual int IsInLine() const { return 0; }
    // Gives a formation order (group commands, the computer player); the unit types decide.
    virtual void SetFormationOrder(std::uint16_t newFormation) {}
    virtual int IsMounted() const { return 0; }
    // Hits given on this machine; answers whether the unit now breaks. The cohesion rules fill
    // this in; until then it only tallies the pending hits.
    virtual int TQHit(std::int16_t hits, std::int32_t source);
    // Applies relayed hits on every machine (the cohesion rules).
    virtual void ApplyCohesionHits(std::uint16_t hits, std::uint32_t method);
    virtual void RestoreCohesion(std::uint16_t hits);
    virtual void SetBreaking() { breaking = 1; }
    // Eliminates the unit: the rout rules fill in the announcement; here the unit leaves play.
    virtual void Eliminate(std::uint16_t points, std::uint16_t flag);
    // Rout and rally, advance and pursuit: the rout and combat rules fill these in.
    virtual int AttemptRally(std::int16_t commands);
    virtual void DoRout(std::uint16_t hexes);
    virtual void TerminalRout(List<short>& route, std::int16_t terminal);
    // Advance after combat into hex: 1 when the unit moves ("AdvancingDone" with its number
    // follows when the move is over), 0 when its way is blocked (nothing follows). checkThreat
    // keeps a unit in a threatened hex where it is.
    virtual std::uint16_t Advance(std::uint16_t hex, std::uint16_t checkThreat);
    // Pursuit of a routed unit: 0 when the pursuit roll fails (nothing follows), else 1 and the
    // pursuit ends with one "PursuitDone", or runs on through "ContinuePursuit".
    virtual std::uint16_t Pursue(Combat* routed);
    // The next step of a pursuit that caught its quarry; numbers other than the unit's own are
    // ignored. Always 0.
    std::uint16_t ContinuePursuit(std::uint16_t unitNumber);
    Combat* GetPursued() const { return pursued; }
    // The hostile leaders next to the unit make their evading check against it.
    void AlertAdjacentLeaders();
    virtual void AttemptRefaceFromCharge(int direction);
    virtual void AttemptChangeFormation();
    void AddCombatants(std::uint16_t hex) override;
    // Declares an attack on a hex: the unit is committed and has acted.
    virtual int Attack(std::uint16_t hex);

protected:
    void SendPicture(const char* command, ContainerBase* payload, bool wait);

    std::uint16_t troopQuality = 0;
    std::uint16_t cohesionHits = 0;
    std::int16_t pendingHits = 0;
    std::uint16_t routCounter = 0;
    std::uint16_t advancing = 0;
    std::uint16_t facingChanged = 0;
    std::uint16_t breaking = 0;
    std::uint16_t size = 0;
    std::uint32_t unitKind = 0;
    std::uint16_t modifier1 = 0;
    std::uint16_t modifier2 = 0;
    std::int16_t attackTarget = -1;
    std::uint16_t reorderHitTaken = 0;
    List<short> evadedFrom;
    std::uint16_t owThreat = 0xFFFF;
    std::uint16_t owThreatSecond = 0xFFFF;
    List<short> firedAtBy;
    std::uint16_t formation = 0;
    std::uint16_t mounted = 0;
    std::uint32_t facingSide = 0;
    List<short> frontHexes;
    List<short> frontZone;
    List<short> flankHexes;
    List<short> rearZone;
    List<short> attackHexes;
    // The quarry of a pursuit, from Pursue to the pursuit's end.
    Combat* pursued = nullptr;
};

// The unit as a combat unit, or null: decided by the unit's own answer, without run-time type
// information (the battlefield uses these).
inline Combat* AsCombat(VhUnit* unit) { return unit && unit->IsCombatUnit() ? static_cast<Combat*>(unit) : nullptr; }
inline const Combat* AsCombat(const VhUnit* unit) {
    return unit && unit->IsCombatUnit() ? static_cast<const Combat*>(unit) : nullptr;
}
