// The missile and shock tables with a scripted die.
#include "game/logic/game_random.h"
#include "game/units/fire_tables.h"

#include <gtest/gtest.h>

namespace {

class FireTables : public ::testing::Test {
protected:
    void TearDown() override { ClearGameRandomScript(); }
};

struct CategoryCase {
    const char* what;
    MissileFireSituation s;
    int category;
};

TEST_F(FireTables, ModifiersAddUpAndTheCategoryIsClamped) {
    const CategoryCase cases[] = {
        {"Repeat Rifle at range 2", {18, 2, 3, 0, 0, 0, 0, 6}, 5},
        {"Muzzle-Carbine out of range, rated +, size 9", {12, 2, 3, 0, 0, 0, 1, 9}, 3},
        {"Howitzer into soft and hard cover", {19, 1, 3, 1, 1, 0, 0, 6}, 3},
        {"rated - small Muzzle-Musket", {15, 1, 3, 0, 0, 0, -1, 3}, 1},
        {"12 before the clamp reads 10", {18, 1, 3, 0, 0, 1, 1, 9}, 10},
        {"-3 before the clamp reads 1", {12, 2, 3, 1, 1, 0, -1, 6}, 1},
        {"a weapon without a row still fires at 1", {5, 1, 3, 0, 0, 0, 0, 6}, 1},
        {"Rifled at its longest range", {22, 7, 3, 0, 0, 0, 0, 6}, 1},
    };
    for (const CategoryCase& c : cases) EXPECT_EQ(ModifiedMissileCategory(c.s), c.category) << c.what;
}

TEST_F(FireTables, TheDieReadsTheHitTable) {
    const MissileFireSituation rifle{18, 2, 3, 0, 0, 0, 0, 6};
    std::int16_t hits = -1, second = -1;
    ScriptGameRandom({9});
    CalculateMissileFireResults(rifle, hits, second);
    EXPECT_EQ(hits, 3);
    EXPECT_EQ(second, 0);
    ScriptGameRandom({10}); // 10 % 10 + 1: die 1
    CalculateMissileFireResults(rifle, hits, second);
    EXPECT_EQ(hits, 1);
    // A supply wagon takes double: category 10 with die 10 gives 8.
    const MissileFireSituation atWagon{18, 1, 17, 0, 0, 1, 1, 9};
    ScriptGameRandom({19});
    CalculateMissileFireResults(atWagon, hits, second);
    EXPECT_EQ(hits, 8);
}

TEST_F(FireTables, RollCohesionHitsStaysInsideItsRow) {
    const std::uint64_t before = GameRandomDraws();
    EXPECT_EQ(RollCohesionHits(0), 0);
    EXPECT_EQ(GameRandomDraws(), before) << "category 0 draws nothing";
    for (int category = -2; category <= 13; ++category)
        for (int draw = 0; draw < 10; ++draw) {
            if (category == 0) continue;
            ScriptGameRandom({draw});
            const int hits = RollCohesionHits(static_cast<std::int16_t>(category));
            EXPECT_GE(hits, 0);
            EXPECT_LE(hits, 4);
        }
    ScriptGameRandom({9});
    EXPECT_EQ(RollCohesionHits(10), 4);
    ScriptGameRandom({0});
    EXPECT_EQ(RollCohesionHits(1), 0);
}

TEST_F(FireTables, ShockTablesOfTheBuiltKinds) {
    EXPECT_EQ(GetShockColumn(3, 3, 0), 7);
    EXPECT_EQ(GetShockColumn(12, 3, 0), 5);
    EXPECT_EQ(GetShockColumn(3, 12, 0), 9);
    EXPECT_EQ(GetShockColumn(12, 12, 0), 7);
    EXPECT_EQ(GetShockColumn(15, 3, 0), 0);
    EXPECT_EQ(GetShockColumn(3, 3, 1), 0);
    // The one non-zero superiority entry is 2, and only 1 counts as superior.
    EXPECT_EQ(IsShockSuperior(12, 3), 0);
    EXPECT_EQ(IsShockSuperior(3, 12), 0);
}

} // namespace
