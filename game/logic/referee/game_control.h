#pragma once
// GameControl: the referee of one battle on the logical layer's bus. It keeps the leader table,
// the turn counter and calendar, the per-side tallies of losses and routs, the objectives and
// victory targets, the human players of a network game and the barrier that makes every player
// acknowledge a step before the next.
//
// Invariants: leaders holds leaderCount entries (entry 0 is "Free Units", with no leader) and
// leaderDone as many marks; slot 0 of every paired tally is the home side, slot 1 the visiting
// side; eliminatedCount counts combat units only, so it never exceeds the units a side started
// with; objectiveCount entries of objectives are the scenario's; syncRemaining is -1 while no
// barrier is counting; playerCount is the length of players, at least 1 in a local game.
#include "core/component.h"
#include "core/date_time.h"
#include "core/dyn_array.h"
#include "game/logic/combat_records.h"
#include "game/logic/objective.h"
#include "game/logic/referee/referee_records.h"

#include <cstdint>
#include <string>

class SuperString;
class VhLogicalLandscape;

class GameControl : public Component {
public:
    static constexpr const char* FreeUnitsName = "Free Units";
    // The calendar: the hours a day of battle runs, by month (0 January).
    static int DaysInMonth(int month);
    static int FirstHourOfDay(int month);
    static int LastHourOfDay(int month);

    explicit GameControl(const char* componentName = nullptr);
    ~GameControl() override;

    void Connect() override;

    // ---- set-up by the logical layer ----
    void SetVictoryTarget(int slot, std::int16_t points) { victoryTarget[slot & 1] = points; }
    void SetDeploymentPhase(std::uint16_t on) { deploymentPhase = on; }
    void SetTotalPoints(int slot, std::int16_t points) { totalPoints[slot & 1] = points; }
    void SetNations(std::int32_t home, std::int32_t visiting) { homeNation = home, visitingNation = visiting; }
    void SetSideNames(const std::string& home, const std::string& visiting) { homeName = home, visitingName = visiting; }
    void SetUnitCount(int slot, std::int16_t count) { unitCount[slot & 1] = count; }
    void SetTurnLimitOn(std::uint16_t on) { turnLimitOn = on; }
    void SetLastTurn(std::int16_t turnNumber) { lastTurn = turnNumber; }
    void SetDefaultWinner(std::uint16_t winner) { defaultWinner = winner; }
    // month 1..12, day, years after 1800, hour; minute 0.
    void SetStartDate(int month, int day, int yearsAfter1800, int hour);
    void SetLandscape(VhLogicalLandscape* map) { landscape = map; }
    // The built-in scenario's index; takes that scenario's objectives.
    void SetScenario(std::int32_t index);

    std::uint16_t GetDeploymentPhase() const { return deploymentPhase; }
    std::uint16_t GetTurnLimitOn() const { return turnLimitOn; }
    std::int16_t GetLastTurn() const { return lastTurn; }
    std::uint16_t GetDefaultWinner() const { return defaultWinner; }
    std::int32_t GetScenario() const { return scenario; }
    const DateTime& GetStartDate() const { return startDate; }
    std::int16_t GetTurn() const { return turn; }
    void SetTurn(std::int16_t t) { turn = t; }
    std::uint16_t IsGameOver() const { return gameOver; }
    std::uint16_t HasGameBegun() const { return gameBegun; }
    std::int16_t GetCurrentLeader() const { return currentLeader; }
    std::uint16_t GetLeaderOrder() const { return leaderOrder; }
    std::int16_t GetPlayerCount() const { return playerCount; }
    const List<std::string>& GetPlayers() const { return players; }
    std::int16_t GetSyncRemaining() const { return syncRemaining; }

    // ---- the leader table ----
    std::int16_t GetLeaderCount() const { return leaderCount; }
    const LeaderUnitInfo& GetLeaderInfo(int index) const { return leaders[index]; }
    std::int16_t GetLeaderDone(int index) const { return leaderDone[index]; }
    // "CreateLeader": the entry joins the table at the next index.
    void AddLeader(const LeaderUnitInfo& info);
    // The leader's name for the commentary, with its player in parentheses when it has one.
    std::string CommentaryLeaderName(int index) const;

    // ---- the calendar and the caption ----
    DateTime GetTurnDate(int turnNumber) const;
    // The main window's title for the current turn.
    std::string MainCaption() const;
    void UpdateMainCaption();

    // ---- victory ----
    std::int16_t GetObjectiveCount() const { return objectiveCount; }
    const Objective& GetObjective(int index) const { return objectives[index]; }
    // side non-zero: the home side; 0: the visiting side.
    std::int16_t GetObjectivePoints(int sideFlag) const;
    std::int16_t GetVictoryPoints(int sideFlag, bool withObjectives) const;
    // Whether the battle is over and, when it is, whether the home side won.
    bool CheckGameOver(bool withObjectives, bool& homeWins) const;
    // The score as it stands, with the winner given.
    EndOfGameResults Results(NATION winner) const;
    // The holder of objective k as the units on its regions decide it (-1 disputed).
    std::int32_t UpdateObjectiveHolder(int k);
    // The same decision without taking it: the holder objective k would have if updated now.
    std::int32_t HolderOnField(int k) const;
    // Every objective's holder brought up to the units on it, so that a score taken now counts
    // the field as it stands (after an automatic win the holders it gave stay).
    void RefreshObjectiveHolders();

    // Tallies.
    void OnUnitEliminated(const EliminateUnitData& record);
    void OnUnitRouted(const UnitRoutData& record);
    void OnUnitRallied(const UnitRoutData& record);
    std::int16_t GetLostPoints(int slot) const { return lostPoints[slot & 1]; }
    std::int16_t GetRoutedPoints(int slot) const { return routedPoints[slot & 1]; }
    std::int16_t GetRoutedCount(int slot) const { return routedCount[slot & 1]; }
    std::int16_t GetEliminatedCount(int slot) const { return eliminatedCount[slot & 1]; }
    std::int16_t GetUnitCount(int slot) const { return unitCount[slot & 1]; }
    std::int16_t GetVictoryTarget(int slot) const { return victoryTarget[slot & 1]; }
    std::int16_t GetTotalPoints(int slot) const { return totalPoints[slot & 1]; }

    // ---- game flow ----
    void OnBeginGame(std::int16_t resumed);
    void OnEndGame();
    void OnAutomaticWin(std::int16_t homeWins);
    // One player's report at the barrier; the last one opens it with "GameSynchronized".
    void OnSynchronizeGame(const std::string& what);
    void OnSetPlayerInfo(const PlyrInfo& info);
    void OnPlayerDeleted(const std::string& player);
    void OnSelectSubLeader(std::uint16_t unitNumber);
    void OnCanAttemptMomentum(std::int16_t value);
    void SetLeaderOrder(std::uint16_t order) { leaderOrder = order; }
    // The turn sequence: the turn's start with the commanders' draw, the activation of the leader
    // at currentLeader, the choice of the next one (false when nothing is left this turn) and the
    // end of the turn once its routing is done.
    // What BEGIN_GAME starts after the caption: deployment, the first turn or the resumed activation.
    void StartPlay(std::int16_t resumed);
    void BeginTurn();
    void ActivateCurrent();
    bool ChooseNextLeader();
    void OnEndOfTurnRoutingDone();
    std::int16_t GetCommandsLeft(int side) const { return side ? commandsLeft1 : commandsLeft0; }
    const std::string& GetCommanderName(int side) const { return side ? commanderName1 : commanderName0; }
    std::int32_t GetLastSide() const { return lastSide; }
    std::int16_t GetRunLength() const { return runLength; }
    std::uint16_t GetPhaseWord() const { return phaseWord; }
    // Whether a continuation waits for "GameSynchronized".
    bool IsWaitingForSynchronized() const { return waiting != nullptr; }

    // ---- the saved-game block ----
    void Save(SuperString& s) const;
    // Reads the block into the controller the reloaded scenario built; false when the stream ran
    // out or a count or length does not fit what it holds.
    bool Load(SuperString& s);
    // Whether Load would take the block at the read position, found without changing anything:
    // the read position ends past the block when it is whole, and back at its start (failure
    // flag set) when it is not.
    bool CheckBlock(SuperString& s) const;

    ActivateNextLeaderStruct& GetActivation() { return activation; }
    List<short>& GetDispatchStack() { return dispatchStack; }

private:
    // Registers the continuation that "GameSynchronized" will run (one at a time).
    void WaitForSynchronized(BusHandler continuation);
    static ContainerBase* EndOfGameAcknowledged(Component* c, BusMessage, ContainerBase*);
    static ContainerBase* AfterActivation(Component* c, BusMessage, ContainerBase*);
    static ContainerBase* AfterDeploymentScreen(Component* c, BusMessage, ContainerBase*);
    static ContainerBase* AfterDeploymentShown(Component* c, BusMessage, ContainerBase*);
    static ContainerBase* AfterEndOfTurn(Component* c, BusMessage, ContainerBase*);
    void StopWaiting(BusHandler continuation);
    void GoToRoutPhase();
    List<unsigned short> DispatchCandidates(int entry) const;
    std::int16_t AskOrdersLeft(Leader* leader);
    bool ReassignLeader(int entry);
    int SlotOfNation(std::int32_t nation) const;

    DynArray<LeaderUnitInfo> leaders{10};
    DynArray<short> leaderDone{10};
    List<short> dispatchStack;
    std::int16_t commandsLeft1 = 0;
    std::int16_t commandsLeft0 = 0;
    std::string commanderName1;
    std::string commanderName0;
    ActivateNextLeaderStruct activation;
    std::int16_t leaderCount = 0;
    std::uint16_t turnWord = 0;
    std::int16_t currentLeader = -1;
    std::int16_t turn = 0;
    std::uint16_t phaseWord = 0xFFFF;
    std::int16_t lostPoints[2] = {};
    std::int16_t routedPoints[2] = {};
    std::int16_t routedCount[2] = {};
    std::int16_t eliminatedCount[2] = {};
    std::int16_t unitCount[2] = {};
    std::int32_t homeNation = -1;
    std::int32_t visitingNation = -1;
    std::string homeName;
    std::string visitingName;
    std::int16_t victoryTarget[2] = {};
    std::int16_t totalPoints[2] = {};
    std::uint16_t spareWord = 0;
    std::int32_t scenario = -1;
    std::string baseCaption;
    std::uint16_t gameOver = 0;
    std::uint16_t gameBegun = 0;
    // Set by an automatic win: its holders decide the objectives, not the units on them.
    bool holdersFixed = false;
    std::uint16_t leaderOrder = 0;
    std::uint16_t deploymentPhase = 0;
    List<std::string> players;
    std::int16_t playerCount = 1;
    std::int16_t syncRemaining = -1;
    std::uint16_t turnLimitOn = 1;
    std::int16_t lastTurn = -1;
    std::uint16_t defaultWinner = 0;
    std::int16_t objectiveCount = 0;
    DynArray<Objective> objectives{10};
    DateTime startDate;
    std::int16_t runLength = 0;
    std::int32_t lastSide = -1;
    VhLogicalLandscape* landscape = nullptr;
    BusHandler waiting = nullptr;
    EndOfGameResults finalResults;
};
