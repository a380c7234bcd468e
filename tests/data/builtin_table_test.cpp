#include "game/ai/builtin_table.h"
#include "game/ai/code.h"
#include "game/ai/compiler.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

std::int32_t Nothing(void*, BuiltInArgs&) { return 0; }

// Rows whose place, name and parameter count scripts and the computer player rely on.
struct Row {
    int number;
    const char* name;
    int parameters;
};
const Row KnownRows[] = {
    {0, "MoveTo", 2},           {1, "MoveToward", 2},     {2, "Rotate", 2},         {7, "HexOccupancy", 1},
    {9, "Query", 2},            {10, "GroupListReset", 0}, {14, "GroupListGetSize", 0}, {17, "GetList", 0},
    {25, "AssignList", 3},      {28, "DumpList", 1},      {29, "GetLeader", 0},     {30, "FinishLeader", 0},
    {36, "AttemptToRally", 1},  {45, "FindClosestEnemyToFire", 1}, {47, "Random", 1}, {50, "GroupMove", 2},
    {53, "DoChooseSubLeader", 1}, {55, "DoGroupBerserk", 0}, {58, "IsReinforcement", 1},
};

TEST(BuiltInTable, HoldsTheFiftyNineProceduresInTheirPlaces) {
    const auto table = ScriptBuiltIns();
    ASSERT_EQ(table.size(), 59u);
    for (const Row& row : KnownRows) {
        SCOPED_TRACE(row.name);
        EXPECT_STREQ(table[static_cast<std::size_t>(row.number)].name, row.name);
        EXPECT_EQ(std::string(table[static_cast<std::size_t>(row.number)].parameters), std::string(static_cast<std::size_t>(row.parameters), '1'));
    }
    std::set<std::string> names;
    for (const auto& b : table) {
        EXPECT_TRUE(names.insert(b.name).second) << b.name;
        EXPECT_EQ(std::string(b.parameters).find_first_not_of('1'), std::string::npos) << b.name;
    }
}

TEST(BuiltInTable, HoldsTheTwentyThreeConstantsInRegistrationOrder) {
    const char* order[] = {"TQ",        "COHESION_HIT", "SIZE",      "MOVEMENT_POINTS", "MOVEMENT_REMAINING", "MISSLE_TYPE",
                           "MISSLE_RANGE", "MISSLES_REMAINING", "UNIT_TYPE", "FAILED", "CENTER", "NORTH", "NORTHEAST",
                           "EAST",      "SOUTHEAST",    "SOUTH",     "SOUTHWEST",       "WEST",               "NORTHWEST",
                           "FALSE",     "TRUE",         "CLOCKWISE", "COUNTERCLOCKWISE"};
    const std::int32_t values[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 0, 1, 1, 2};
    const auto table = ScriptConstants();
    ASSERT_EQ(table.size(), 23u);
    for (std::size_t i = 0; i < table.size(); ++i) {
        EXPECT_STREQ(table[i].name, order[i]);
        EXPECT_EQ(table[i].value, values[i]) << order[i];
    }
}

TEST(BuiltInTable, RegistersWithTheCompilerSoThatNumbersAreRows) {
    Code code;
    Compiler compiler(code);
    ASSERT_TRUE(RegisterScriptNames(compiler, Nothing));
    EXPECT_EQ(compiler.RegisteredProcedureCount(), 59);
    EXPECT_EQ(compiler.RegisteredConstantCount(), 23);
    for (int i = 0; i < 59; ++i) {
        EXPECT_EQ(compiler.Procedure(i).name, ScriptBuiltIns()[static_cast<std::size_t>(i)].name);
        EXPECT_EQ(compiler.Procedure(i).level, 0);
    }
    EXPECT_EQ(compiler.Procedure(25).parameterCount, 3);
}

TEST(BuiltInTable, RefusesAFunctionListOfTheWrongLength) {
    Code code;
    Compiler compiler(code);
    BuiltInFunction few[3] = {Nothing, Nothing, Nothing};
    EXPECT_FALSE(RegisterScriptNames(compiler, few));
    EXPECT_EQ(compiler.RegisteredProcedureCount(), 0);
}

} // namespace
