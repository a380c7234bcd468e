// A small battle played from the scenario's load to its end by the test driver, both sides
// ordered through the messages a player's clicks make.
#include "game/logic/game_random.h"
#include "tests/referee/scenario_fixture.h"
#include "tests/shell/battle_driver.h"

namespace {

using referee_testing::ScenarioTest;

class PlayedBattleTest : public ScenarioTest {};

TEST_F(PlayedBattleTest, BothSidesAdvanceUntilTheTurnLimitNamesTheWinner) {
    Load(10, 7);
    ASSERT_NE(Control(), nullptr);
    shell->GrantTurns(100);
    shell::BattleDriver driver(*shell);
    driver.StartBattle();
    const std::uint16_t startUnion = Layer().FindCombatUnitByName("19th Indiana")->GetLocation();
    const std::uint16_t startConfederate = Layer().FindCombatUnitByName("4th Virginia")->GetLocation();

    ASSERT_TRUE(driver.PlayToEnd(400));
    ASSERT_EQ(shell->Application().endOfGame.size(), 1u);
    const EndOfGameResults& end = shell->Application().endOfGame.front();
    // Without objectives, losses or routs the battle runs to its last turn and the scenario's
    // default winner, the visiting side, takes it.
    EXPECT_EQ(Control()->GetTurn(), draft.turnLimit + 1);
    EXPECT_EQ(end.winner, end.visiting);
    EXPECT_TRUE(Control()->IsGameOver());

    // Both sides marched toward each other.
    int moves[2] = {0, 0};
    for (const std::string& line : driver.Log())
        if (line.find('>') != std::string::npos) ++moves[line.find("Virginia") != std::string::npos ? 1 : 0];
    EXPECT_GT(moves[0], 0);
    EXPECT_GT(moves[1], 0);
    auto* map = Layer().GetLandscape();
    EXPECT_LT(map->RegionDistance(Layer().FindCombatUnitByName("19th Indiana")->GetLocation(),
                                  Layer().FindCombatUnitByName("4th Virginia")->GetLocation()),
              map->RegionDistance(startUnion, startConfederate));
}

TEST_F(PlayedBattleTest, TheSideThatTakesTheObjectivesWinsAtTheTurnLimit) {
    // A wider field for the objectives of built-in battle 2: the ridge at 707-709 and the far
    // works in columns 14 to 18, both held by the visitors at the start.
    datagen::LandscapeDraft wide(20, 13);
    wide.name = "Wide Crossing";
    ASSERT_TRUE(shell->WriteMap("WIDE.MAP", wide));
    draft = datagen::MakeSampleScenario("WIDE.MAP");
    draft.homeTarget = 10;
    draft.visitingTarget = 200;
    draft.turnLimit = 6;
    Load(2, 7);
    ASSERT_NE(Control(), nullptr);
    ASSERT_EQ(Control()->GetObjectiveCount(), 2);
    shell->GrantTurns(100);
    shell::BattleDriver driver(*shell);
    driver.StartBattle();
    ASSERT_TRUE(driver.PlayToEnd(300));
    ASSERT_EQ(shell->Application().endOfGame.size(), 1u);
    const EndOfGameResults& end = shell->Application().endOfGame.front();
    // The Union marched onto the ridge: holding it reaches the home side's target, so the home
    // side wins where the scenario's default would have given the battle to the visitors.
    EXPECT_EQ(Control()->GetObjective(1).holder, 0);
    EXPECT_GE(end.objectivePoints[0], draft.homeTarget);
    EXPECT_EQ(end.winner, end.home);
    EXPECT_EQ(Control()->GetTurn(), draft.turnLimit + 1);
}

} // namespace
