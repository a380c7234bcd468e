#include "core/date_time.h"
#include "game/logic/referee/game_control.h"
#include "scenario_fixture.h"

namespace {

using referee_testing::ScenarioTest;

// A controller on a layer of its own, with the shell's application around it.
class ControlTest : public ::testing::Test {
protected:
    void SetUp() override {
        shell = std::make_unique<shell::GameShell>();
        control = new GameControl("Varnhold Game Controller");
        control->AttachToBus(&shell->Layer());
    }
    void TearDown() override {
        delete control;
        shell.reset();
    }
    void Post(const char* message, ContainerBase* payload) {
        shell->App().Post(&shell->App(), RegisterMessage(message), payload);
        shell->App().DrainTasks();
    }
    void Eliminated(std::int32_t nation, std::uint16_t points, std::int32_t state, std::uint16_t unit = 0xFFFF) {
        Container<EliminateUnitData> record(EliminateUnitData(static_cast<NATION>(nation), points, state, unit));
        Post("UnitEliminated", &record);
    }
    // A battle between the Union at home and the Confederates, each side with its units.
    void Battle(std::int16_t homeUnits, std::int16_t visitingUnits, std::int16_t homeTarget, std::int16_t visitingTarget) {
        control->SetNations(0, 1);
        control->SetSideNames("Union", "Confederate");
        control->SetUnitCount(0, homeUnits);
        control->SetUnitCount(1, visitingUnits);
        control->SetVictoryTarget(0, homeTarget);
        control->SetVictoryTarget(1, visitingTarget);
        control->SetLastTurn(10);
    }

    std::unique_ptr<shell::GameShell> shell;
    GameControl* control = nullptr;
};

TEST_F(ControlTest, StartsWithTheFreeUnitsAndNothingElse) {
    ASSERT_EQ(control->GetLeaderCount(), 1);
    EXPECT_EQ(control->GetLeaderInfo(0).name, "Free Units");
    EXPECT_EQ(control->GetLeaderInfo(0).leaderClass, 3);
    EXPECT_EQ(control->GetLeaderInfo(0).leader, nullptr);
    EXPECT_EQ(control->GetLeaderDone(0), 0);
    EXPECT_EQ(control->GetTurn(), 0);
    EXPECT_EQ(control->GetCurrentLeader(), -1);
    EXPECT_EQ(control->GetPlayerCount(), 1);
    EXPECT_EQ(control->GetSyncRemaining(), -1);
    EXPECT_EQ(control->GetTurnLimitOn(), 1);
    EXPECT_EQ(control->GetLastTurn(), -1);
    EXPECT_EQ(control->GetScenario(), -1);
    EXPECT_EQ(control->GetObjectiveCount(), 0);
}

TEST_F(ControlTest, CreateLeaderAppendsTheEntryAndMarksAFinishedLeader) {
    LeaderUnitData data;
    data.commands = 3;
    Leader fresh(data, "Gen. Orrin"), done(data, "Gen. Pennard");
    done.SetFinished();
    Container<LeaderUnitInfo> a(LeaderUnitInfo("Gen. Orrin", 2, 0, &fresh));
    Container<LeaderUnitInfo> b(LeaderUnitInfo("Gen. Pennard", 1, 0, &done));
    delete shell->Layer().PostNamedAndWait("CreateLeader", &a);
    delete shell->Layer().PostNamedAndWait("CreateLeader", &b);
    ASSERT_EQ(control->GetLeaderCount(), 3);
    EXPECT_EQ(control->GetLeaderInfo(1).name, "Gen. Orrin");
    EXPECT_EQ(control->GetLeaderInfo(1).leader, &fresh);
    EXPECT_EQ(control->GetLeaderDone(1), 0);
    EXPECT_EQ(control->GetLeaderInfo(2).leaderClass, 1);
    EXPECT_EQ(control->GetLeaderDone(2), 1);
    // Entries are the same leader when their names are, whoever plays them.
    LeaderUnitInfo x("Gen. Pennard", 1, 0, nullptr), y("Gen. Pennard", 3, 1, &done);
    x.player = "Ann";
    y.player = "Bob";
    EXPECT_TRUE(x == y);
    EXPECT_FALSE(x == LeaderUnitInfo("Gen. Quillan", 1, 0, nullptr));
}

TEST_F(ControlTest, TheCalendarSkipsTheNight) {
    struct Case {
        int month, day, hour, turn;
        int year, expectMonth, expectDay, expectHour;
    } cases[] = {
        {7, 1, 5, 0, 1863, 6, 1, 5},      // turn 0 is the start
        {7, 1, 5, 3, 1863, 6, 1, 8},      // hour by hour
        {6, 30, 20, 1, 1863, 6, 1, 4},    // 20:00 on 30 June, then 04:00 on 1 July
        {12, 31, 20, 1, 1864, 0, 1, 5},   // into the next year
        {2, 28, 19, 2, 1863, 2, 1, 5},    // no leap years
        {5, 31, 20, 1, 1863, 5, 1, 4},    // June's first hour
        {7, 1, 20, 17, 1863, 6, 2, 20},   // a whole day of 16 hours
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.turn);
        control->SetStartDate(c.month, c.day, 63, c.hour);
        const DateTime d = control->GetTurnDate(c.turn);
        EXPECT_EQ(d.year, c.year);
        EXPECT_EQ(d.month, c.expectMonth);
        EXPECT_EQ(d.day, c.expectDay);
        EXPECT_EQ(d.hour, c.expectHour);
        EXPECT_EQ(d.minute, 0);
    }
}

TEST_F(ControlTest, TheCaptionCarriesTheTurnAndTheSavedGame) {
    shell->Services().SetMainTitle("Gettysburg");
    Container<short> fresh(0);
    shell->App().Post(&shell->App(), BEGIN_GAME, &fresh);
    shell->App().DrainTasks();
    EXPECT_EQ(control->HasGameBegun(), 1);
    ASSERT_FALSE(shell->Application().captions.empty());
    EXPECT_EQ(shell->Application().captions.back(), "Gettysburg - Turn 1");

    control->SetTurn(4);
    shell->SetSaveName("Day two");
    Post("UpdateMainCaption", nullptr);
    EXPECT_EQ(shell->Application().captions.back(), "Gettysburg - Turn 5 (Day two)");
    ContainerBase* answer = shell->Layer().SendNamedEvent("GetTurnNum");
    short number = 0;
    EXPECT_TRUE(ExtractData(answer, number));
    EXPECT_EQ(number, 5);
    delete answer;
}

TEST_F(ControlTest, PlayersTakeTheirLeadersAndLeave) {
    LeaderUnitData data;
    Leader lee(data, "Gen. Harrowgate"), jackson(data, "Gen. Vell");
    control->AddLeader(LeaderUnitInfo("Gen. Harrowgate", 1, 1, &lee));
    control->AddLeader(LeaderUnitInfo("Gen. Vell", 2, 1, &jackson));
    control->AddLeader(LeaderUnitInfo("Gen. Brackley", 2, 1, nullptr));

    Container<PlyrInfo> ann(PlyrInfo{"Ann", "(Gen. Harrowgate,Gen. Brackley)"});
    Post("SetPlayerInfo", &ann);
    EXPECT_EQ(control->GetPlayerCount(), 1);
    EXPECT_EQ(control->GetLeaderInfo(1).player, "Ann");
    EXPECT_EQ(control->GetLeaderInfo(2).player, "");
    EXPECT_EQ(control->GetLeaderInfo(3).player, "Ann");
    EXPECT_EQ(control->CommentaryLeaderName(1), "Gen. Harrowgate (Ann)");
    EXPECT_EQ(control->CommentaryLeaderName(2), "Gen. Vell");
    // A list without "(" only adds the player.
    Container<PlyrInfo> bob(PlyrInfo{"Bob", "Gen. Vell"});
    Post("SetPlayerInfo", &bob);
    EXPECT_EQ(control->GetPlayerCount(), 2);
    EXPECT_EQ(control->GetLeaderInfo(2).player, "");
    // The record as the leader-choice dialog makes it: the name, the leaders in parentheses
    // each followed by ", " until the last, a trailing blank, and its flags.
    Container<PlyrInfo> cy(PlyrInfo{"Cy", "Cy (Gen. Vell) ", 0, 1, 1});
    Post("SetPlayerInfo", &cy);
    EXPECT_EQ(control->GetPlayerCount(), 3);
    EXPECT_EQ(control->GetLeaderInfo(2).player, "Cy");

    Container<std::string> gone("Ann");
    Post("PlayerDeleted", &gone);
    EXPECT_EQ(control->GetPlayerCount(), 2);
    EXPECT_EQ(control->GetLeaderInfo(1).player, "");
    EXPECT_EQ(control->GetLeaderInfo(3).player, "");
    ASSERT_FALSE(shell->Application().commentary.empty());
    EXPECT_EQ(shell->Application().commentary.back(), "\\BAnn has left the game.\\b");
}

TEST_F(ControlTest, TheBarrierWaitsForEveryPlayer) {
    // One player: every report opens the barrier at once.
    int opened = 0;
    struct Listener : Component {
        int* count;
        explicit Listener(int* c) : Component("Listener"), count(c) {}
        void Connect() override { RegisterNamedHandler("GameSynchronized", Opened); }
        static ContainerBase* Opened(Component* c, BusMessage, ContainerBase*) {
            ++*static_cast<Listener*>(c)->count;
            return nullptr;
        }
    } listener(&opened);
    listener.AttachToBus(&shell->Layer());
    Container<std::string> viewing("viewing combat results");
    Post("SynchronizeGame", &viewing);
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(control->GetSyncRemaining(), -1);

    // Three players: two wait with a word of what the others are doing, the third opens it.
    Container<PlyrInfo> a(PlyrInfo{"A", ""}), b(PlyrInfo{"B", ""}), c(PlyrInfo{"C", ""});
    Post("SetPlayerInfo", &a);
    Post("SetPlayerInfo", &b);
    Post("SetPlayerInfo", &c);
    ASSERT_EQ(control->GetPlayerCount(), 3);
    shell->Application().commentary.clear();
    Post("SynchronizeGame", &viewing);
    Post("SynchronizeGame", &viewing);
    EXPECT_EQ(opened, 1);
    ASSERT_EQ(shell->Application().commentary.size(), 2u);
    EXPECT_EQ(shell->Application().commentary[0], "\\B2 players\\b are still viewing combat results...");
    EXPECT_EQ(shell->Application().commentary[1], "\\B1 player\\b is still viewing combat results...");
    Post("SynchronizeGame", &viewing);
    EXPECT_EQ(opened, 2);
    EXPECT_EQ(control->GetSyncRemaining(), -1);
}

TEST_F(ControlTest, ASubLeaderIsChosenForTheCurrentLeaderOnly) {
    LeaderUnitData data;
    data.unitNumber = 4;
    Leader meade(data, "Gen. Ashcombe");
    data.unitNumber = 7;
    Leader reynolds(data, "Gen. Thorne");
    control->AddLeader(LeaderUnitInfo("Gen. Ashcombe", 1, 0, &meade));
    control->AddLeader(LeaderUnitInfo("Gen. Thorne", 2, 0, &reynolds));
    Container<unsigned short> pick(7);
    // No current leader yet: nobody is told.
    Post("DoSelectSubLeader", &pick);
    EXPECT_EQ(meade.GetSubLeader(), nullptr);
}

// A leader hands his activation to a sub-leader who is not his own: the sub-leader's superior is
// activated to pass it on. A computer-played superior starts afresh (his used commands forgotten)
// unless he is himself dispatching further up the same chain, where starting afresh would let his
// script hand the activation round for ever.
TEST_F(ControlTest, ASuperiorReachedThroughAnotherLeadersHandOverStartsAfreshUnlessHeIsDispatching) {
    struct Case {
        const char* what;
        bool armyOnStack;  // the army commander dispatched to the leader who hands over
        bool throughRide;  // the hand-over comes from the commander's ride, else from the army
        std::uint16_t fresh;
        std::int16_t activated; // entry index of the superior activated
    } cases[] = {
        {"the army commander hands straight to a division: its corps commander starts afresh", false, false, 1, 2},
        {"a ride under the army hands to a corps: the dispatching army commander goes on", true, true, 0, 1},
        {"a ride hands to a corps while the army commander is not dispatching: afresh", false, true, 1, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        delete control;
        control = new GameControl("Varnhold Game Controller");
        control->AttachToBus(&shell->Layer());
        LeaderUnitData data;
        data.commands = 3;
        data.unitNumber = 1;
        data.commandLevel = 1;
        Leader army(data, "Gen. Army");
        data.unitNumber = 2;
        data.commandLevel = 2;
        Leader corps(data, "Gen. Corps");
        data.unitNumber = 3;
        data.commandLevel = 3;
        Leader division(data, "Gen. Division");
        data.unitNumber = 4;
        data.commandLevel = 2;
        Leader ride(data, "Gen. Ride");
        corps.SetSuperior(&army);
        ride.SetSuperior(&army);
        division.SetSuperior(&corps);
        for (Leader* l : {&army, &corps, &division, &ride}) l->SetAIControlled();
        // Entry 0 is the free units; the leaders follow in this order.
        control->AddLeader(LeaderUnitInfo("Gen. Army", 1, 0, &army));
        control->AddLeader(LeaderUnitInfo("Gen. Corps", 2, 0, &corps));
        control->AddLeader(LeaderUnitInfo("Gen. Division", 3, 0, &division));
        control->AddLeader(LeaderUnitInfo("Gen. Ride", 2, 0, &ride));
        if (c.armyOnStack) control->GetDispatchStack().AddTail(1);
        if (c.throughRide) ride.SetSubLeader(&corps);
        else army.SetSubLeader(&division);
        ASSERT_TRUE(control->ChooseNextLeader());
        EXPECT_EQ(control->GetCurrentLeader(), c.activated);
        EXPECT_EQ(control->GetActivation().fresh, c.fresh);
        ASSERT_EQ(control->GetActivation().subLeaders.Count(), 1);
        EXPECT_EQ(control->GetActivation().subLeaders.Head()->value, c.throughRide ? 2 : 3);
        control->GetDispatchStack().Clear();
    }
}

TEST_F(ControlTest, TheGameOverTest) {
    struct Case {
        const char* what;
        std::int16_t homeUnits, visitingUnits, homeEliminated, visitingEliminated;
        std::int16_t homeScore, visitingScore; // points each side has taken from the other
        std::uint16_t turnLimitOn;
        std::int16_t turn;
        std::uint16_t defaultWinner;
        bool over, homeWins;
    } cases[] = {
        {"a side that starts with no units loses", 0, 5, 0, 0, 0, 0, 1, 0, 0, true, false},
        {"the visiting side wiped out", 5, 5, 0, 5, 0, 0, 1, 0, 0, true, true},
        {"nobody at target", 5, 5, 1, 1, 3, 3, 1, 0, 1, false, false},
        {"home at target", 5, 5, 0, 0, 10, 3, 1, 0, 0, true, true},
        {"visiting at target", 5, 5, 0, 0, 3, 12, 1, 0, 1, true, false},
        {"both at target, home further past it", 5, 5, 0, 0, 14, 13, 1, 0, 0, true, true},
        {"both at target, equal surplus: visiting", 5, 5, 0, 0, 12, 14, 1, 0, 0, true, false},
        {"turn limit passed: default winner home", 5, 5, 0, 0, 1, 1, 1, 11, 1, true, true},
        {"turn limit passed: default winner visiting", 5, 5, 0, 0, 1, 1, 1, 11, 0, true, false},
        {"turn limit off: never decided by turns", 5, 5, 0, 0, 1, 1, 0, 30, 1, false, false},
        {"on the last turn the limit has not passed", 5, 5, 0, 0, 1, 1, 1, 10, 1, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        delete control;
        control = new GameControl("Varnhold Game Controller");
        control->AttachToBus(&shell->Layer());
        Battle(c.homeUnits, c.visitingUnits, 10, 12);
        control->SetTurnLimitOn(c.turnLimitOn);
        control->SetDefaultWinner(c.defaultWinner);
        control->SetTurn(c.turn);
        Container<short> fresh(0);
        shell->App().Post(&shell->App(), BEGIN_GAME, &fresh);
        shell->App().DrainTasks();
        for (int i = 0; i < c.homeEliminated; ++i) Eliminated(0, 0, 3);
        for (int i = 0; i < c.visitingEliminated; ++i) Eliminated(1, 0, 3);
        if (c.homeScore) Eliminated(1, static_cast<std::uint16_t>(c.homeScore), 13);
        if (c.visitingScore) Eliminated(0, static_cast<std::uint16_t>(c.visitingScore), 13);
        bool homeWins = false;
        const bool over = control->CheckGameOver(false, homeWins);
        EXPECT_EQ(over, c.over);
        if (over) {
            EXPECT_EQ(homeWins, c.homeWins);
        }
    }
}

TEST_F(ControlTest, TalliesOfLossesAndRouts) {
    Battle(6, 6, 10, 10);
    LeaderUnitData data;
    data.unitNumber = 9;
    Leader lee(data, "Gen. Harrowgate");
    control->AddLeader(LeaderUnitInfo("Gen. Harrowgate", 1, 1, &lee));
    // Before the game begins no tally moves, but the fallen leader is done all the same.
    Eliminated(1, 6, -1, 9);
    EXPECT_EQ(control->GetLostPoints(1), 0);
    EXPECT_EQ(control->GetEliminatedCount(1), 0);
    EXPECT_EQ(control->GetLeaderDone(1), 1);

    Container<short> fresh(0);
    shell->App().Post(&shell->App(), BEGIN_GAME, &fresh);
    shell->App().DrainTasks();
    Container<UnitRoutData> routed(UnitRoutData(UnionNation, 7, 3));
    Post("UnitRouted", &routed);
    Post("UnitRouted", &routed);
    Container<UnitRoutData> artillery(UnitRoutData(UnionNation, 4, 15));
    Post("UnitRouted", &artillery);
    EXPECT_EQ(control->GetRoutedPoints(0), 14);
    EXPECT_EQ(control->GetRoutedCount(0), 2);
    Post("UnitRallied", &routed);
    EXPECT_EQ(control->GetRoutedPoints(0), 7);
    EXPECT_EQ(control->GetRoutedCount(0), 1);
    Eliminated(0, 7, 3);
    EXPECT_EQ(control->GetLostPoints(0), 7);
    EXPECT_EQ(control->GetRoutedPoints(0), 0);
    EXPECT_EQ(control->GetRoutedCount(0), 0);
    EXPECT_EQ(control->GetEliminatedCount(0), 1);
    // A unit of neither nation moves no tally.
    Eliminated(5, 7, 3);
    EXPECT_EQ(control->GetLostPoints(0) + control->GetLostPoints(1), 7);
}

TEST_F(ControlTest, UnitsThatNeverRoutLeaveTheRoutTalliesAlone) {
    // Wagons, batteries and chariots are eliminated when they break, without a rout record; a
    // regiment may be lost without routing first. None of them may take a tally below nothing,
    // and a routed regiment lost afterwards still leaves the tally.
    Battle(20, 20, 100, 100);
    Container<short> fresh(0);
    shell->App().Post(&shell->App(), BEGIN_GAME, &fresh);
    shell->App().DrainTasks();
    Container<UnitRoutData> routed(UnitRoutData(ConfederateNation, 9, 3));
    Post("UnitRouted", &routed);
    struct Case {
        const char* what;
        std::int32_t state;
        std::uint16_t points;
    };
    const Case cases[] = {{"supply wagon", 17, 1}, {"battery", 15, 4}, {"chariot", 14, 3}, {"rampaging unit", 13, 5}};
    int lost = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Eliminated(1, c.points, c.state);
        lost += c.points;
        EXPECT_EQ(control->GetRoutedCount(1), 1);
        EXPECT_EQ(control->GetRoutedPoints(1), 9);
        EXPECT_EQ(control->GetLostPoints(1), lost);
    }
    // The routed regiment is lost: the tally empties.
    Eliminated(1, 9, 3);
    EXPECT_EQ(control->GetRoutedCount(1), 0);
    EXPECT_EQ(control->GetRoutedPoints(1), 0);
    // Reports of units the tally never held (lost without routing, a stray rally) stop at nothing.
    Eliminated(1, 6, 3);
    Post("UnitRallied", &routed);
    EXPECT_EQ(control->GetRoutedCount(1), 0);
    EXPECT_EQ(control->GetRoutedPoints(1), 0);
    EXPECT_EQ(control->GetEliminatedCount(1), 6);
    // A wagon's rout record, should one come, is left out just as its elimination is.
    Container<UnitRoutData> wagon(UnitRoutData(ConfederateNation, 1, 17));
    Post("UnitRouted", &wagon);
    EXPECT_EQ(control->GetRoutedCount(1), 0);
    // The end-of-game record carries the same tallies.
    shell->App().PostEvent(END_GAME);
    shell->App().DrainTasks();
    ASSERT_EQ(shell->Application().endOfGame.size(), 1u);
    EXPECT_EQ(shell->Application().endOfGame[0].routedCount[1], 0);
    EXPECT_EQ(shell->Application().endOfGame[0].routedPoints[1], 0);
}

TEST_F(ControlTest, FallenLeadersNeitherEndNorHoldOffTheGame) {
    // Two regiments and a leader: the leader falling first must not make the side's count run
    // past its regiments, so the battle ends exactly when the last regiment goes.
    Battle(2, 3, 50, 50);
    Container<short> fresh(0);
    shell->App().Post(&shell->App(), BEGIN_GAME, &fresh);
    shell->App().DrainTasks();
    bool homeWins = true;
    Eliminated(0, 6, -1, 40);
    Eliminated(0, 8, 3);
    EXPECT_FALSE(control->CheckGameOver(false, homeWins));
    Eliminated(0, 8, 3);
    EXPECT_TRUE(control->CheckGameOver(false, homeWins));
    EXPECT_FALSE(homeWins);
    EXPECT_EQ(control->GetEliminatedCount(0), 2);
    EXPECT_EQ(control->GetLostPoints(0), 22);
    // Past the count (a late report) the side stays beaten.
    Eliminated(0, 8, 3);
    EXPECT_TRUE(control->CheckGameOver(false, homeWins));
    EXPECT_FALSE(homeWins);
}

TEST_F(ControlTest, ObjectivesScoreForTheirHolder) {
    Battle(5, 5, 30, 30);
    control->SetScenario(0);
    ASSERT_EQ(control->GetObjectiveCount(), 4);
    // Scenario 0: the Confederates (1) hold three objectives worth 25, the Union one worth 15.
    EXPECT_EQ(control->GetObjectivePoints(1), 15);
    EXPECT_EQ(control->GetObjectivePoints(0), 25);
    EXPECT_EQ(control->GetVictoryPoints(1, false), 0);
    EXPECT_EQ(control->GetVictoryPoints(0, true), 25);
    // Scenarios without objectives, and indexes outside the table.
    control->SetScenario(9);
    EXPECT_EQ(control->GetObjectiveCount(), 0);
    control->SetScenario(57);
    EXPECT_EQ(control->GetObjectiveCount(), 0);
    control->SetScenario(-3);
    EXPECT_EQ(control->GetObjectiveCount(), 0);
}

TEST_F(ControlTest, AnAutomaticWinDecidesTheEndOfTheGame) {
    Battle(5, 5, 30, 20);
    control->SetScenario(0);
    Container<short> homeLoses(0);
    Post("AutomaticWin", &homeLoses);
    // END_GAME followed: the end-of-game screen was shown, then the game ended.
    ASSERT_EQ(shell->Application().endOfGame.size(), 1u);
    const EndOfGameResults& r = shell->Application().endOfGame[0];
    EXPECT_EQ(r.winner, ConfederateNation);
    EXPECT_EQ(r.home, UnionNation);
    EXPECT_EQ(r.homeName, "Union");
    EXPECT_EQ(r.lostPoints[0], 20);
    EXPECT_EQ(r.lostPoints[1], 29);
    EXPECT_EQ(r.objectivePoints[0], 0);
    EXPECT_EQ(r.objectivePoints[1], 40);
    EXPECT_EQ(control->IsGameOver(), 1);
    EXPECT_EQ(shell->Application().gameEnded, 1);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(control->GetObjective(i).holder, 1);
}

TEST_F(ControlTest, AnAutomaticWinLosesToAWipedOutSide) {
    Battle(0, 5, 30, 20);
    Container<short> visitingLoses(1);
    Post("AutomaticWin", &visitingLoses);
    ASSERT_EQ(shell->Application().endOfGame.size(), 1u);
    EXPECT_EQ(shell->Application().endOfGame[0].winner, ConfederateNation);
}

TEST_F(ControlTest, ObjectivesAtTheEndOnlyCountPastTheTurnLimit) {
    Battle(5, 5, 10, 100);
    control->SetScenario(0);
    // The Union holds Centerville (15): enough for its target only when objectives count.
    control->SetTurn(10);
    shell->App().PostEvent(END_GAME);
    shell->App().DrainTasks();
    ASSERT_EQ(shell->Application().endOfGame.size(), 1u);
    EXPECT_EQ(shell->Application().endOfGame[0].winner, NoNation);
    delete control;
    control = new GameControl("Varnhold Game Controller");
    control->AttachToBus(&shell->Layer());
    Battle(5, 5, 10, 100);
    control->SetScenario(0);
    control->SetTurn(11);
    shell->App().PostEvent(END_GAME);
    shell->App().DrainTasks();
    ASSERT_EQ(shell->Application().endOfGame.size(), 2u);
    EXPECT_EQ(shell->Application().endOfGame[1].winner, UnionNation);
}

TEST_F(ControlTest, GetGameResultsLeavesTheWinnerOpen) {
    Battle(4, 6, 10, 12);
    control->SetTotalPoints(0, 40);
    control->SetTotalPoints(1, 60);
    ContainerBase* answer = shell->Layer().SendNamedEvent("GetGameResults");
    EndOfGameResults r;
    ASSERT_TRUE(ExtractData(answer, r));
    delete answer;
    EXPECT_EQ(r.winner, NoNation);
    EXPECT_EQ(r.unitCount[0], 4);
    EXPECT_EQ(r.unitCount[1], 6);
    EXPECT_EQ(r.victoryTarget[1], 12);
    EXPECT_EQ(r.totalPoints[1], 60);
    EXPECT_EQ(r.visitingName, "Confederate");
}

TEST_F(ScenarioTest, TheHolderOfAnObjectiveFollowsTheUnitsOnIt) {
    // Scenario 8: Stoney Ridge (ten regions from 408, held by the Confederates at the start) and
    // Henry House Hill (from 1109, held by the Union).
    Load(8);
    GameControl* control = Control();
    ASSERT_NE(control, nullptr);
    control->SetLandscape(Layer().GetLandscape());
    ASSERT_EQ(control->GetObjectiveCount(), 4);
    auto ask = [&](short k) {
        Container<short> index(k);
        ContainerBase* answer = Layer().SendNamed("GetObjectiveHolder", &index);
        long holder = 99;
        const bool got = ExtractData(answer, holder);
        delete answer;
        return got ? holder : 99;
    };
    auto move = [&](std::uint16_t number, std::uint16_t to) {
        VhUnit* unit = Layer().FindUnit(number);
        Layer().GetLandscape()->ShadowRegions(unit, unit->GetLocation());
        unit->SetLocation(to);
        Layer().GetLandscape()->DeshadowRegions(unit, to);
    };
    // Nobody on the ridge: it stays the Confederates'.
    EXPECT_EQ(ask(0), 1);
    // A Union regiment on it, hostile to side 1: the Union holds it.
    move(2, 408);
    EXPECT_EQ(ask(0), 0);
    // Regiments of both sides on it: disputed.
    move(10, 409);
    EXPECT_EQ(ask(0), -1);
    // The other side alone: theirs.
    move(2, 202);
    EXPECT_EQ(ask(0), 1);
    // An index that names no objective gets no answer.
    EXPECT_EQ(ask(4), 99);
    EXPECT_EQ(ask(-1), 99);
}

TEST_F(ScenarioTest, TheFinalScoreCountsTheHoldersAtTheEnd) {
    // Nobody asks for the holders during the battle: the score taken at the end must still see
    // the Union regiment that took Stoney Ridge (10 points, the Confederates' at the start).
    Load(8);
    GameControl* control = Control();
    ASSERT_NE(control, nullptr);
    control->SetLandscape(Layer().GetLandscape());
    control->SetNations(0, 1);
    ASSERT_EQ(control->GetObjective(0).holder, 1);
    const std::int16_t unionAtStart = control->GetObjectivePoints(1);
    const std::int16_t confederateAtStart = control->GetObjectivePoints(0);
    VhUnit* unit = Layer().FindUnit(2);
    ASSERT_NE(unit, nullptr);
    ASSERT_EQ(unit->GetSide(), 0u);
    Layer().GetLandscape()->ShadowRegions(unit, unit->GetLocation());
    unit->SetLocation(408);
    Layer().GetLandscape()->DeshadowRegions(unit, 408);

    // The end-of-turn record already shows the new holder.
    ContainerBase* answer = Layer().SendNamedEvent("GetGameResults");
    EndOfGameResults during;
    ASSERT_TRUE(ExtractData(answer, during));
    delete answer;
    EXPECT_EQ(during.objectivePoints[0], unionAtStart + 10);

    control->SetTurn(static_cast<std::int16_t>(control->GetLastTurn() + 1));
    shell->App().PostEvent(END_GAME);
    shell->Run(100);
    ASSERT_FALSE(shell->Application().endOfGame.empty());
    const EndOfGameResults& r = shell->Application().endOfGame.back();
    EXPECT_EQ(control->GetObjective(0).holder, 0);
    EXPECT_EQ(r.objectivePoints[0], unionAtStart + 10);
    EXPECT_EQ(r.objectivePoints[1], confederateAtStart - 10);
}

TEST_F(ControlTest, TheSavedBlockComesBackFieldByField) {
    LeaderUnitData data;
    Leader lee(data, "Gen. Harrowgate");
    control->AddLeader(LeaderUnitInfo("Gen. Harrowgate", 1, 1, &lee));
    control->AddLeader(LeaderUnitInfo("Gen. Brackley", 2, 1, nullptr));
    Battle(5, 6, 30, 40);
    control->SetScenario(1);
    control->SetTurn(6);
    control->SetTotalPoints(0, 70);
    control->SetTotalPoints(1, 80);
    control->SetTurnLimitOn(0);
    control->SetDefaultWinner(1);
    // The game begins (its first turn runs up to the end-of-turn screen), then the activation
    // state is set as an activation in progress would leave it.
    Container<short> fresh(0);
    shell->App().Post(&shell->App(), BEGIN_GAME, &fresh);
    shell->App().DrainTasks();
    control->GetActivation().leader = 12;
    control->GetActivation().fresh = 1;
    control->GetActivation().subLeaders.AddTail(13);
    control->GetActivation().subLeaders.AddTail(14);
    control->GetDispatchStack().AddTail(2);
    Eliminated(1, 9, 3);
    Container<UnitRoutData> routed(UnitRoutData(UnionNation, 7, 3));
    Post("UnitRouted", &routed);

    SuperString saved;
    control->Save(saved);

    GameControl back("Varnhold Game Controller");
    back.AddLeader(LeaderUnitInfo("Gen. Harrowgate", 1, 1, &lee));
    back.AddLeader(LeaderUnitInfo("Gen. Brackley", 2, 1, nullptr));
    back.SetScenario(1);
    ASSERT_TRUE(back.Load(saved));
    EXPECT_EQ(saved.Remaining(), 0);
    EXPECT_EQ(back.GetTurn(), 6);
    EXPECT_EQ(back.GetTurnLimitOn(), 0);
    EXPECT_EQ(back.GetLastTurn(), 10);
    EXPECT_EQ(back.GetDefaultWinner(), 1);
    for (int s = 0; s < 2; ++s) {
        EXPECT_EQ(back.GetVictoryTarget(s), control->GetVictoryTarget(s));
        EXPECT_EQ(back.GetTotalPoints(s), control->GetTotalPoints(s));
        EXPECT_EQ(back.GetLostPoints(s), control->GetLostPoints(s));
        EXPECT_EQ(back.GetRoutedPoints(s), control->GetRoutedPoints(s));
        EXPECT_EQ(back.GetRoutedCount(s), control->GetRoutedCount(s));
        EXPECT_EQ(back.GetEliminatedCount(s), control->GetEliminatedCount(s));
    }
    EXPECT_EQ(back.GetActivation().leader, 12);
    EXPECT_EQ(back.GetActivation().subLeaders.Count(), 2);
    ASSERT_EQ(back.GetDispatchStack().Count(), 1);

    // The block of a fresh controller: three done marks, the words, and the empty lists as a
    // single zero word each.
    GameControl plain("Plain");
    SuperString block;
    plain.Save(block);
    EXPECT_EQ(block.Length(), 2 + 2 * 4 + 2 * 12 + 2 * 4 + 2 * 2 + 2 + 2 + 2 * 5 + 2 + 2);
}

TEST_F(ControlTest, ADamagedBlockIsRefused) {
    control->SetScenario(0);
    SuperString saved;
    control->Save(saved);
    const std::string whole = saved.Contents();
    for (std::size_t cut = 0; cut < whole.size(); ++cut) {
        SuperString s;
        s.Write(whole.data(), static_cast<std::int32_t>(cut));
        GameControl back("Back");
        back.SetScenario(0);
        EXPECT_FALSE(back.Load(s)) << cut;
    }
    // A name longer than its buffer of 255 bytes.
    SuperString longName;
    for (int i = 0; i < 1 + 4 + 12 + 4 + 2; ++i) longName << static_cast<short>(0);
    longName << static_cast<unsigned short>(300);
    longName.Write(std::string(300, 'x').data(), 300);
    GameControl back("Back");
    EXPECT_FALSE(back.Load(longName));
}

} // namespace
