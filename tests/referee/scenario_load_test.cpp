#include "scenario_fixture.h"

namespace {

using referee_testing::ScenarioTest;

TEST_F(ScenarioTest, SampleLoads) {
    Load();
    EXPECT_EQ(Boxes(), std::vector<std::string>{});
    EXPECT_EQ(shell->Application().gameEnded, 0);
    ASSERT_EQ(shell->Application().teams.size(), 1u);
    EXPECT_EQ(Layer().GetCombatUnits().Count(), 10);
    EXPECT_EQ(Layer().GetLeaders().Count(), 6);
}

} // namespace
