// Every demo battle played by the computer on both sides in the battle runner: it reaches its
// end within its turn limit, each side's player answers exactly its own side's activations, both
// sides fire, no tally goes below nothing, the score counts the objectives for the units that
// stand on them at the end, and nothing goes wrong on the way (no message box). Each battle is
// bounded by game time, so a hang fails as the runner's report instead of stalling the suite.
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

    // Both sides fought, and the tallies stayed whole.
    EXPECT_GT(result.tally[0].volleys, 0);
    EXPECT_GT(result.tally[1].volleys, 0);
    for (int s = 0; s < 2; ++s) {
        SCOPED_TRACE(s);
        EXPECT_GE(r.routedCount[s], 0);
        EXPECT_GE(r.routedPoints[s], 0);
        EXPECT_GE(r.lostPoints[s], 0);
        EXPECT_GE(r.eliminatedCount[s], 0);
    }

    // The objectives were scored for their holders as the field stood at the end.
    int held[2] = {0, 0};
    for (const runner::ObjectiveOutcome& o : result.objectives) {
        EXPECT_EQ(o.atEnd, o.onField);
        if (o.atEnd == r.home) held[0] += o.points;
        if (o.atEnd == r.visiting) held[1] += o.points;
    }
    EXPECT_EQ(r.objectivePoints[0], held[0]);
    EXPECT_EQ(r.objectivePoints[1], held[1]);
}

// At Five Forks the Union's attack reaches the Confederate crossroads: in some battle of a few, an
// objective changes hands, and the score counts it for its new holder and no longer for its old one.
TEST(BattleObjectives, AnObjectiveTakenCountsForItsNewHolder) {
    runner::BattleOptions options;
    options.dataDirectory = VH_DATA_DIR;
    options.scenarioIndex = 5;
    options.scenarioFile = runner::ScenarioFileOf(5);
    bool seen = false;
    for (std::uint16_t seed = 1; seed <= 5 && !seen; ++seed) {
        options.seed = seed;
        const runner::BattleResult result = runner::PlayBattle(options);
        ASSERT_TRUE(result.Ended()) << result.problem;
        const EndOfGameResults& r = result.results;
        int startPoints[2] = {0, 0}, endPoints[2] = {0, 0};
        for (const runner::ObjectiveOutcome& o : result.objectives) {
            for (int s = 0; s < 2; ++s) {
                const std::int32_t nation = s == 0 ? r.home : r.visiting;
                if (o.atStart == nation) startPoints[s] += o.points;
                if (o.atEnd == nation) endPoints[s] += o.points;
            }
            if (o.atEnd == -1 || o.atEnd == o.atStart) continue;
            seen = true;
            const int taker = o.atEnd == r.home ? 0 : 1;
            EXPECT_GE(result.tally[taker].objectivesTaken, 1);
        }
        if (!seen) continue;
        EXPECT_EQ(r.objectivePoints[0], endPoints[0]);
        EXPECT_EQ(r.objectivePoints[1], endPoints[1]);
        EXPECT_NE(endPoints[0], startPoints[0]);
    }
    EXPECT_TRUE(seen) << "no objective changed hands in five battles";
}

INSTANTIATE_TEST_SUITE_P(Demo, Battle, ::testing::Range(0, runner::ScenarioCount), [](const auto& p) {
    const std::string file = runner::ScenarioFileOf(p.param);
    return file.substr(0, file.find('.'));
});

} // namespace
