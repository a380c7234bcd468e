#pragma once
// VhLogicalLayer: the referee of a battle. One object, attached to the application's bus, that
// owns every unit, leader and group of the battle, the logical map, the game controller and the
// computer players, loads scenarios and answers the game's named messages.
//
// Invariants: every unit is in the list of all combat units or in the list of all leaders, and in
// exactly one of the two matching nation lists (the second-nation list when its nation is the
// second nation, the first-nation list otherwise); the owned pointers are null or point at
// objects that only this layer deletes; unit numbers run 0, 1, 2, ... in creation order, leaders
// and combat units sharing one sequence, and nextUnitNumber is the number the next unit gets.
#include "core/dyn_array.h"
#include "game/logic/combat_records.h"
#include "game/logic/logical_layer.h"
#include "game/logic/referee/referee_records.h"

#include <cstdint>
#include <string>
#include <vector>

class Combat;
class Group;
class GameControl;
class Leader;
class MissileCapable;
class SuperString;
class VhLogicalLandscape;
class VhUnit;
class VhUnitData;
class EndTurnDlg;

// A scenario that cannot be loaded: the string-table number of its message, or a text of its own.
struct ScenarioError {
    int message = 670;
    std::string text;
};

// String-table numbers of the scenario loader's messages.
namespace scenario_message {
constexpr int ProductName = 1;
constexpr int UnionName = 38;
constexpr int ConfederateName = 39;
constexpr int NoArtwork = 668;
constexpr int MapDamaged = 669;
constexpr int Damaged = 670;
constexpr int NoScripts = 672;
constexpr int NoLeaderOnEachSide = 673;
} // namespace scenario_message

// The hits a unit takes from its side's total in a shock combat: a supply wagon takes them twice.
std::int16_t ShockHitsFor(const Combat* unit, std::int16_t sideHits);

class VhLogicalLayer : public LogicalLayer {
public:
    // A null name gives "Varnhold LogicalLayer Bus".
    explicit VhLogicalLayer(const char* layerName = nullptr);
    ~VhLogicalLayer() override;

    void Connect() override;
    // The three events of the layer base mean nothing to the game: scenarios come with
    // "LoadScenario" and the battlefield answers the regions.
    void LoadScenario(const std::string&) override {}
    void RegionSelected(std::uint16_t) override {}
    void RegionFlyby(std::uint16_t) override {}

    // ---- queries ----
    std::uint16_t GetSideValue(int nation) const { return nation >= 0 && nation < 2 ? computerControl[nation] : 0; }
    void SetSideValue(int nation, std::uint16_t v) {
        if (nation >= 0 && nation < 2) computerControl[nation] = v;
    }
    List<CombatStruct>& GetCombatList() { return currentCombats; }
    List<Combat*>& GetCombatUnits() { return combatUnits; }
    List<Combat*>& GetFirstNationCombatUnits() { return firstNationCombat; }
    List<Combat*>& GetSecondNationCombatUnits() { return secondNationCombat; }
    List<Leader*>& GetLeaders() { return leaders; }
    List<Leader*>& GetFirstNationLeaders() { return firstNationLeaders; }
    List<Leader*>& GetSecondNationLeaders() { return secondNationLeaders; }
    List<Leader*>& GetLocalLeaders() { return localLeaders; }
    List<Group*>& GetGroups() { return groups; }
    std::uint16_t GetHeaderWord() const { return currentTurn; }
    void SetHeaderWord(std::uint16_t turn) { currentTurn = turn; }
    VhLogicalLandscape* GetLandscape() const { return landscape; }
    GameControl* GetGameControl() const { return gameControl; }
    Group* GetActiveGroup() const { return activeGroup; }
    void SetActiveGroup(Group* g) { activeGroup = g; }
    std::uint16_t GetShowOverallResults() const { return showOverallResults; }
    const std::string& GetPlayerName() const { return playerName; }
    void SetPlayerName(const std::string& name) { playerName = name; }
    std::uint16_t GetNextUnitNumber() const { return nextUnitNumber; }

    // Look-ups: the first match or null.
    VhUnit* FindUnit(std::uint16_t number) const;
    Combat* FindCombatUnit(std::uint16_t number) const;
    Leader* FindLeader(std::uint16_t number) const;
    Combat* FindCombatUnitByName(const std::string& name) const;
    Leader* FindLeaderByName(const std::string& name) const;
    Group* FindGroup(std::int16_t number) const;
    // The region of the first leader of that group; 0xFFFF when no leader leads it.
    std::uint16_t FindLeaderRegion(std::int16_t groupNumber) const;

    // ---- the scenario as loaded ----
    struct ScenarioSettings {
        std::uint16_t campaign = 0;
        std::string title;
        std::string mapName;
        std::int32_t homeNation = -1;
        std::int32_t visitingNation = -1;
        std::string homeName;
        std::string visitingName;
        std::uint32_t homeRetreatEdge = 0;
        std::uint32_t visitingRetreatEdge = 0;
        std::int16_t homeTarget = 0;
        std::int16_t visitingTarget = 0;
        std::vector<std::string> homeScripts;
        std::vector<std::string> visitingScripts;
        std::uint8_t turnLimitChoice = 0;
        std::int16_t turnLimit = 0;
        std::uint8_t defaultWinner = 0;
        std::uint16_t startMonth = 0;
        std::uint16_t startDay = 0;
        std::uint16_t startYear = 0;
        std::uint16_t startHour = 0;
        std::uint16_t homeUnits = 0;
        std::uint16_t visitingUnits = 0;
    };
    const ScenarioSettings& GetScenario() const { return scenario; }
    std::uint16_t GetRegionOffset() const { return regionOffset; }
    std::int32_t GetFirstNation() const { return firstNation; }
    std::int32_t GetSecondNation() const { return secondNation; }
    std::uint32_t GetRetreatEdge(std::uint32_t nation) const {
        return static_cast<std::int32_t>(nation) == firstNation ? firstRetreatEdge : otherRetreatEdge;
    }
    // For unit creation on its own: where units go, what they subtract and how they rout.
    void SetBattleFrame(VhLogicalLandscape* map, std::uint16_t offset, std::int32_t first, std::int32_t second,
                        std::uint32_t firstEdge, std::uint32_t otherEdge) {
        landscape = map, regionOffset = offset, firstNation = first, secondNation = second;
        firstRetreatEdge = firstEdge, otherRetreatEdge = otherEdge;
    }
    // "from" and "to" nations of the scenario's translation table, applied in order.
    void SetNationTranslation(const std::vector<std::pair<std::uint32_t, std::uint32_t>>& pairs) { translation = pairs; }

    // ---- handler bodies ----
    // "LoadScenario": always answers 0; a failure ends in a message box and "GameEnded".
    int OnLoadScenario(const ScenarioInfoStruct& request);
    void CloseGame();
    ContainerBase* OnChangeFacing(const ChangeFacingStruct& record);
    void OnTQHit(const TQHitInfo& record);
    void OnUnitEliminated(const EliminateUnitData& record);
    void OnArmyDetails(EndTurnDlg* dialog);
    void SetShowOverallResults(std::uint16_t v) { showOverallResults = v; }

    // ---- game flow: players, options, activation, combat results ----
    void OnLeaderControl();
    void OnGameOptions(std::int16_t deploymentChoice);
    void OnInitializeScenario(const TeamInfoStruct& teams);
    void OnReinitializeLeader(const LeaderInfo& info);
    void OnRaiseActiveFlags();
    void OnLeaderActivated(const std::string& name, bool resumed);
    ContainerBase* OnFirstEliteInitiative(std::int16_t leaderNumber);
    void OnCombatDone();
    void OnDoneViewingCombatResults();
    // The finisher that the half-second timer runs once after the combat results were seen.
    void FinishViewingCombatResults();
    std::int16_t GetDividingLine() const { return dividingLine; }
    List<Leader*>& GetComputerLeaders() { return computerLeaders; }
    const std::string& GetScriptName() const { return scriptName; }
    // The computer player of the home side (slot A) or of the visiting side (slot B); null when
    // the computer plays neither or no factory is installed (computer_player.h).
    Component* GetComputerPlayer(bool homeSide) const { return homeSide ? computerPlayerA : computerPlayerB; }

    // ---- turn and game screens, deployment, the rout phase ----
    void OnBeginTurn(std::int16_t turn) { currentTurn = static_cast<std::uint16_t>(turn); }
    void OnCombatResults(const SingleCombatResult& result) { combatResults.AddTail(result); }
    List<SingleCombatResult>& GetCombatResults() { return combatResults; }
    void OnGameOverview();
    void OnGameObjectives();
    void OnEndOfTurn(const EndOfGameResults& results);
    void OnEndOfGame(const EndOfGameResults& results);
    void OnBeginDeploymentPhase();
    void OnShowDeployments();
    void OnActivateFreeUnits();
    void OnRoutPhase();
    void OnRoutPhaseRoutingDone(std::int16_t unit);
    void OnDoRout(const RoutInfo& record);
    std::int16_t GetRoutCount() const { return routCount; }
    bool IsInRoutPhase() const { return routPhase; }

    // ---- combat registration: declared attacks collected into combats, with their arrows ----
    void OnAddCombatants(const CombatNameStruct& declaration);
    void OnRemoveFromCombat(std::uint16_t unitNumber);

    // ---- reactions of the units around a region ----
    void OnResolveOW(const OWStruct& candidate);
    void OnEntryReactionFire(std::uint16_t region);
    void OnAttemptRefaceFromCharge(const RefaceFromChargeStruct& charge);
    void OnAttemptChangeFormation(std::uint16_t region);

    // ---- order relays and undo ----
    void OnUnitUndo();
    void OnUndo(const UndoStruct& record);
    std::int16_t IsLeaderFriendly(const Leader* leader) const;

    // ---- the saved-game block ----
    // "SaveGame" and "LoadGame": a failure is shown to the player with its reason.
    void OnSaveGame(const std::string& file);
    void OnLoadGame(const std::string& file);
    // Appends the layer's block, then the controller's, to a saved game whose header is written;
    // false, with the reason in error, when no battle is loaded or the file cannot take it.
    bool SaveGame(const std::string& file, std::string& error);
    // Reads the block back into the battle of the same scenario. A block that is damaged or does
    // not fit this battle is refused whole, before anything changes.
    bool LoadGame(const std::string& file, std::string& error);
    void WriteSavedBlock(SuperString& s);
    bool ReadSavedBlock(SuperString& s, std::string& error);
    float DifficultyOf(std::int32_t nation) const { return nation >= 0 && nation < 2 ? difficulty[nation] : 1.0f; }

    // ---- unit creation ----
    // Reads the unit section and creates every unit and leader in it; throws ScenarioError.
    int CreateUnits(SuperString& s, std::uint16_t campaignFlag);
    Combat* CreateCombatUnit(std::int16_t typeIndex, VhUnitData& record);
    Leader* CreateLeader(std::int16_t typeIndex, VhUnitData& record);
    // A record's nation after the scenario's translation (or the plain mapping without one).
    std::uint32_t TranslateNation(std::uint32_t nation) const;

    // ---- the shock phase: combat grouping and the resolution of each combat ----
    void OnPerformShock();
    // A combat's token (-n) or a broken unit's number: one awaited animation or rout is over.
    void OnRoutingDone(std::int16_t token);
    void OnSomeCombatDone();
    void OnAdvancingDone(std::int16_t unit);
    // Non-zero when the view can show every combatant of the combats at once; no answer from the
    // display counts as a refusal, so grouping stays correct (one combat per group at worst).
    std::int16_t WillCombatFit(const List<CombatStruct>& combats);
    void CenterOnCombats(const List<CombatStruct>& combats);
    void ResolveNextCombatGroup();
    void BeginAdvance();
    // The hit totals of every current combat, kept in the side hit queues in the order in which
    // the combats will be resolved.
    void ComputeShockHits();
    // 1..10, or 0 when either list is empty.
    std::int16_t ShockCategory(List<Combat*>& x, List<Combat*>& y, int xDefends);
    void ResolveShockCombat(CombatStruct& combat);
    // Where an attacker's first hex goes when the defender in region has broken; -1 for nowhere.
    std::int16_t AdvanceRegion(std::uint16_t region, Combat* unit);
    List<List<CombatStruct>>& GetCombatGroups() { return combatGroups; }
    List<CombatAdvance>& GetAdvances() { return advances; }
    const List<short>& GetRoutingWait() const { return routingWait; }
    const List<short>& GetAdvanceWait() const { return advanceWait; }
    const List<short>& GetSideHitQueue(int side) const { return sideHitQueues[side == 0 ? 0 : 1]; }
    std::uint16_t GetGroupedMode() const { return groupedMode; }
    std::uint16_t GetCombatCounter() const { return combatCounter; }
    bool IsShockPhaseRunning() const { return shockState != ShockIdle; }

private:
    // The steps of the shock phase between the handlers.
    void ResolveCombatList(List<CombatStruct>& combats);
    void RoutingFinished();
    void FinishAdvance();
    void PostSomeCombatDone();
    // Forgets a phase cut short (the game closed): its combats hold units that are gone.
    void ResetShockPhase();

    // The steps of loading, each throwing ScenarioError on a bad value.
    void LoadScenarioFile(const ScenarioInfoStruct& request);
    void ReadSides(SuperString& s);
    void ReadScripts(SuperString& s);
    void ReadSchedule(SuperString& s);
    void ReadGroups(SuperString& s);
    void LinkUnitsAndLeaders();
    void CheckChainsOfCommand() const;
    void VaryArrivals(std::uint16_t seed);
    void AnnounceLandscape(std::int32_t scenarioIndex);
    void ReportFailure(const ScenarioError& error);
    // Makes, attaches and compiles the computer player of the side; a script that does not
    // compile is reported (string 674) and ends the game.
    void CreateComputerPlayer(bool homeSide);
    VhUnit* MakeUnit(std::int16_t typeIndex, VhUnitData& record);
    void DeleteBattle();
    // Whether the block at the read position fits this battle whole; the position is left as it was.
    bool CheckSavedBlock(SuperString& s);

    std::uint16_t nextUnitNumber = 0;
    VhLogicalLandscape* landscape = nullptr;
    Component* computerPlayerA = nullptr;
    Component* computerPlayerB = nullptr;
    GameControl* gameControl = nullptr;
    std::uint16_t regionOffset = 0xFFFF;
    std::string playerName;
    std::int32_t firstNation = -1;
    std::int32_t secondNation = -1;
    std::uint32_t firstRetreatEdge = 0;
    std::uint32_t otherRetreatEdge = 0;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> translation;
    std::string scriptName;
    std::uint16_t computerControl[2] = {};
    List<short> routingWait;
    List<short> bookkeepingA;
    List<short> bookkeepingB;
    List<CombatPursuit> pursuitCandidates;
    List<short> pursuitWait;
    List<CombatAdvance> advances;
    List<short> advanceWait;
    std::uint16_t showOverallResults = 0;
    std::uint16_t currentTurn = 0;
    std::int16_t routCount = 0;
    bool routPhase = false;
    std::int16_t dividingLine = -1;
    std::uint16_t difficultyDeployment = 0;
    std::uint16_t turnLimitsWord = 1;
    std::uint16_t fogOfWarWord = 0;
    std::uint16_t turnLimitChoice = 0;
    float difficulty[2] = {1.0f, 1.0f};
    List<Leader*> computerLeaders;
    // The script drawn last for the computer side ("Last AI"), kept between battles of a run.
    int lastScript = -1;
    std::uint16_t stateWords[3] = {0, 1, 0};
    List<short> sideHitQueues[2];
    void* reserved = nullptr;
    Group* activeGroup = nullptr;
    List<Group*> groups;
    List<Combat*> combatUnits;
    List<Combat*> secondNationCombat;
    List<Combat*> firstNationCombat;
    List<Leader*> leaders;
    List<Leader*> firstNationLeaders;
    List<Leader*> secondNationLeaders;
    List<Leader*> furtherLeaders;
    List<Leader*> localLeaders;
    ListIterator<Combat*> unitCursor{&combatUnits, 0};
    List<short> bookkeepingC;
    List<CombatStruct> currentCombats;
    List<List<CombatStruct>> combatGroups;
    List<MissileCapable*> missileUnits;
    List<short> bookkeepingD;
    List<SingleCombatResult> combatResults;
    std::uint16_t groupedMode = 0;
    std::uint16_t combatCounter = 0;
    // Where the shock phase stands: a completion counts only while the phase waits for it, and
    // "SomeCombatDone" only once after the phase posted it, so "CombatDone" goes out once.
    enum ShockState : std::uint16_t { ShockIdle, ShockWaiting, ShockGroupDone };
    ShockState shockState = ShockIdle;
    // While a group is being resolved or its advances ordered, completions that come back at once
    // only leave their lists; the walk itself decides what follows when it is over.
    bool shockResolving = false;
    bool advanceWalk = false;
    ScenarioSettings scenario;
    // The earliest arrival turn of each group, in the group list's order, while loading.
    std::vector<int> groupArrivals;
};
