// Deployment of a unit two hexes wide, driven through the bus as the player would: lifted by a
// click, put down with its right-hand hex, wheeled about either hex and faced about.
#include "game/logic/game_random.h"
#include "game/units/facing.h"
#include "tests/referee/scenario_fixture.h"

namespace {

using referee_testing::ScenarioTest;

class WideDeploymentTest : public ScenarioTest {
protected:
    void SetUp() override {
        ScenarioTest::SetUp();
        for (auto& u : draft.units)
            if (u.name == "19th Indiana") u.twoHex = 1;
        Load(10, 7);
        ASSERT_NE(Control(), nullptr);
        Container<TeamInfoStruct> teams(shell->Application().teams.back());
        delete Layer().SendNamed("InitializeScenario", &teams);
        shell->Run(0);
        wide = Layer().FindCombatUnitByName("19th Indiana");
        ASSERT_NE(wide, nullptr);
        ASSERT_TRUE(wide->IsTwoHex());
        Layer().GetLandscape()->SetDeploymentHold(1);
    }
    void TearDown() override {
        if (shell) Layer().GetLandscape()->SetDeploymentHold(0);
        ScenarioTest::TearDown();
    }
    void Click(std::uint16_t hex) {
        Container<short> where(static_cast<short>(hex));
        Layer().Post(REGION_SELECTED, &where);
        shell->Run(0);
    }
    void Named(const char* name) {
        Layer().PostNamedEvent(name);
        shell->Run(0);
    }
    bool Holds(std::uint16_t hex) { return Layer().GetLandscape()->GetUnitsInRegion(hex).Contains(wide); }
    // The unit stands on exactly its two hexes, the second on the right of the first.
    void ExpectStandsOn(std::uint16_t first) {
        EXPECT_EQ(wide->GetLocation(), first);
        const std::uint16_t second = wide->GetSecondRegion();
        ASSERT_NE(second, 0xFFFF);
        EXPECT_EQ(second, wide->GetRightRegion(first, wide->GetFacing()));
        EXPECT_TRUE(Holds(first));
        EXPECT_TRUE(Holds(second));
    }

    Combat* wide = nullptr;
};

TEST_F(WideDeploymentTest, PutDownWithItsRightHandHex) {
    const std::uint16_t start = wide->GetLocation();
    const std::uint16_t startSecond = wide->GetSecondRegion();
    ASSERT_NE(startSecond, 0xFFFF);
    Click(start);
    ASSERT_TRUE(wide->IsLifted());
    Click(402);
    ExpectStandsOn(402);
    EXPECT_FALSE(Holds(start));
    EXPECT_FALSE(Holds(startSecond));
    // The end of deployment puts it down where it is.
    Container<short> none(-1);
    delete Layer().SendNamed("UnitDropped", &none);
    shell->Run(0);
    EXPECT_FALSE(wide->IsLifted());
    ExpectStandsOn(402);
}

TEST_F(WideDeploymentTest, RefusedWhereItsRightHandHexCannotBeTaken) {
    const std::uint16_t start = wide->GetLocation();
    Click(start);
    ASSERT_TRUE(wide->IsLifted());
    // The bottom row on the friendly side: free, but the right-hand hex is off the map.
    const std::uint16_t refused = 409;
    ASSERT_TRUE(wide->CanDeployTo(refused));
    ASSERT_EQ(wide->GetRightRegion(refused, wide->GetFacing()), 0xFFFF);
    const std::uint16_t second = wide->GetSecondRegion();
    Click(refused);
    EXPECT_EQ(wide->GetLocation(), start);
    EXPECT_EQ(wide->GetSecondRegion(), second);
    EXPECT_TRUE(wide->IsLifted());
    EXPECT_FALSE(Holds(refused));
}

struct WheelCase {
    const char* label;
    const char* message;
    bool clockwise;
};

class WideWheelTest : public WideDeploymentTest, public ::testing::WithParamInterface<WheelCase> {};

TEST_P(WideWheelTest, AWheelKeepsThePivotHexAndTurnsTheUnit) {
    const WheelCase& c = GetParam();
    // Away from the dividing line, so that either wheel has room.
    Click(wide->GetLocation());
    Click(302);
    ASSERT_TRUE(wide->IsLifted());
    ASSERT_EQ(wide->GetLocation(), 302);
    const std::uint16_t first = wide->GetLocation(), second = wide->GetSecondRegion();
    const std::uint32_t facing = wide->GetFacing();
    Named(c.message);
    EXPECT_EQ(wide->GetFacing(), static_cast<std::uint32_t>(facing::TurnFacing(static_cast<int>(facing), c.clockwise)));
    // Clockwise the right-hand hex is the pivot; anticlockwise the unit's own hex.
    if (c.clockwise) {
        EXPECT_EQ(wide->GetSecondRegion(), second);
        EXPECT_NE(wide->GetLocation(), first);
        EXPECT_FALSE(Holds(first));
    } else {
        EXPECT_EQ(wide->GetLocation(), first);
        EXPECT_NE(wide->GetSecondRegion(), second);
        EXPECT_FALSE(Holds(second));
    }
    ExpectStandsOn(wide->GetLocation());
}

INSTANTIATE_TEST_SUITE_P(Ways, WideWheelTest,
                         ::testing::Values(WheelCase{"Clockwise", "RotateRight", true},
                                           WheelCase{"Anticlockwise", "RotateLeft", false}),
                         [](const ::testing::TestParamInfo<WheelCase>& i) { return std::string(i.param.label); });

TEST_P(WideWheelTest, AWheelOntoTheDividingLineIsRefused) {
    const WheelCase& c = GetParam();
    Click(wide->GetLocation());
    Click(402);
    ASSERT_TRUE(wide->IsLifted());
    const std::uint16_t first = wide->GetLocation(), second = wide->GetSecondRegion();
    const std::uint32_t facing = wide->GetFacing();
    // Either wheel from here would swing a hex onto column 5.
    Named(c.message);
    EXPECT_EQ(wide->GetFacing(), facing);
    EXPECT_EQ(wide->GetLocation(), first);
    EXPECT_EQ(wide->GetSecondRegion(), second);
    EXPECT_FALSE(Holds(502));
    ExpectStandsOn(first);
}

TEST_F(WideDeploymentTest, AboutFaceSwapsItsHexesAndReversesIt) {
    Click(wide->GetLocation());
    Click(302);
    ASSERT_TRUE(wide->IsLifted());
    const std::uint16_t first = wide->GetLocation(), second = wide->GetSecondRegion();
    const std::uint32_t facing = wide->GetFacing();
    Named("UnitAboutFace");
    EXPECT_EQ(wide->GetLocation(), second);
    EXPECT_EQ(wide->GetSecondRegion(), first);
    EXPECT_EQ(wide->GetFacing(), static_cast<std::uint32_t>(facing::Plain(static_cast<int>(facing), 4)));
    ExpectStandsOn(second);
}

} // namespace
