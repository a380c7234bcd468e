// Every demo battle played by the computer on both sides in the battle runner: it reaches its
// end within its turn limit, each side's player answers exactly its own side's activations, and
// nothing goes wrong on the way (no message box). Each battle is bounded by game time, so a hang
// fails as the runner's report instead of stalling the suite.
#include "tools/runner/battle_runner.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class Battle : public ::testing::TestWithParam<int> {};

TEST_P(Battle, ComputerAgainstComputerReachesItsEnd) {
    runner::BattleOptions options;
    options.dataDirectory = VH_DATA_DIR;
    options.scenarioIndex = GetParam();
    options.scenarioFile = runner::ScenarioFileOf(GetParam());
    int lines = 0;
    const runner::BattleResult result = runner::PlayBattle(options, [&](const std::string&) { ++lines; });
    ASSERT_TRUE(result.Ended()) << result.problem;
    EXPECT_TRUE(result.messages.empty()) << result.messages.front();
    EXPECT_GT(lines, 0);

    // Over by the turn limit at the latest, and with a winner.
    EXPECT_GT(result.lastTurn, 0);
    EXPECT_LE(result.turnsPlayed, result.lastTurn + 1);
    const EndOfGameResults& r = result.results;
    EXPECT_TRUE(r.winner == r.home || r.winner == r.visiting) << r.winner;
    EXPECT_NE(runner::DescribeResult(result).find("Winner: "), std::string::npos);

    // Both players played, and every activation went to one player only: what one relay let
    // through, the other held back.
    EXPECT_GT(result.activations[0], 0);
    EXPECT_GT(result.activations[1], 0);
    EXPECT_EQ(result.heldBack[0], result.activations[1]);
    EXPECT_EQ(result.heldBack[1], result.activations[0]);
}

INSTANTIATE_TEST_SUITE_P(Demo, Battle, ::testing::Range(0, runner::ScenarioCount), [](const auto& p) {
    const std::string file = runner::ScenarioFileOf(p.param);
    return file.substr(0, file.find('.'));
});

} // namespace
