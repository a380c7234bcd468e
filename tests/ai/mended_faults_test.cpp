// Each case shows one way in which this language is sounder than a literal reading of its
// design would make it.
#include "game/ai/run_report.h"

#include "platform/msgbox.h"
#include "script_rig.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Values = std::vector<std::int32_t>;

class MendedFault : public ::testing::TestWithParam<Engine> {
protected:
    void SetUp() override { rig.engine = GetParam(); }

    // Compiles, runs the top-level code and then the Exceptions table.
    Values run(const std::string& script) {
        EXPECT_EQ(rig.Compile(script), 1) << rig.Describe();
        EXPECT_EQ(rig.Program(), 1);
        EXPECT_EQ(rig.Exceptions(), 1) << ScriptFaultText(rig.interpreter.LastFault());
        return rig.owner.out;
    }

    ScriptRig rig;
};

INSTANTIATE_TEST_SUITE_P(Engines, MendedFault, ::testing::Values(Engine::Decoded, Engine::Stepwise), EngineName);

// A global named as an argument inside a procedure is the global, not the cell of the same
// index in the procedure's frame.
TEST_P(MendedFault, GlobalPassedFromInsideAProcedure) {
    EXPECT_EQ(run("P {\n"
                  " var g;\n"
                  " procedure F() { var pad1, pad2; Put(g, 42); Out(pad1); Out(pad2); };\n"
                  " Conditions { };\n"
                  " Exceptions { F(); Out(g); };\n"
                  "}\n"),
              (Values{0, 0, 42}));
}

// The same for a reference parameter of an enclosing procedure handed on by a nested one.
TEST_P(MendedFault, EnclosingReferencePassedOn) {
    EXPECT_EQ(run("P {\n"
                  " var g;\n"
                  " procedure Outer(var r) {\n"
                  "   procedure Inner() { var pad; Put(r, 9); };\n"
                  "   Inner();\n"
                  " };\n"
                  " Conditions { };\n"
                  " Exceptions { Outer(g); Out(g); };\n"
                  "}\n"),
              (Values{9}));
}

// A call inside another call's argument list takes temporaries of its own.
TEST_P(MendedFault, NestedCallTemporariesDoNotOverlap) {
    EXPECT_EQ(run("P {\n"
                  " procedure Three(a, b, c) { return a * 100 + b * 10 + c; };\n"
                  " procedure One(x) { return x; };\n"
                  " Conditions { };\n"
                  " Exceptions { Out(Sum3(1, Twice(5), 3)); Out(Three(1, One(2), 3)); Out(Three(4, 5, Three(1, 2, 3)));\n"
                  "   Out(Sum3(Twice(1), Sum3(10, Twice(20), 30), 7)); };\n"
                  "}\n"),
              (Values{14, 123, 573, 89}));
}

// RETURN gives back the caller's level and display, so a nested procedure still finds its own
// enclosing frame after the enclosing procedure recursed through it.
TEST_P(MendedFault, ReturnRestoresTheCallersLevel) {
    EXPECT_EQ(run("P {\n"
                  " procedure P(n) {\n"
                  "   var keep;\n"
                  "   procedure R(k) {\n"
                  "     if k > 0 { keep = P((k - 1)); };\n"
                  "     return n;\n"
                  "   };\n"
                  "   keep = 0;\n"
                  "   Out(R(n));\n"
                  "   return keep + 10 * n;\n"
                  " };\n"
                  " Conditions { };\n"
                  " Exceptions { Out(P(2)); };\n"
                  "}\n"),
              (Values{0, 1, 2, 30}));
}

// Temporaries and frames of top-level code lie above every global, including those declared
// further down the text.
TEST_P(MendedFault, TopLevelCallsSpareGlobalsDeclaredLater) {
    ASSERT_EQ(rig.Compile("P {\n"
                          " procedure F(a) { var t; t = a * 2; return t; };\n"
                          " Conditions { var c; c = F(21) + Twice(4); };\n"
                          " var g, h;\n"
                          " Exceptions for Set { Put(g, 99); Put(h, 98); };\n"
                          " Exceptions { Out(g); Out(h); };\n"
                          "}\n"),
              1)
        << rig.Describe();
    ASSERT_EQ(rig.Program(), 1);
    ASSERT_EQ(rig.GroupExceptions("Set"), 1);
    ASSERT_EQ(rig.Conditions(), 1);
    EXPECT_EQ(rig.interpreter.Data(0), 50);
    ASSERT_EQ(rig.Exceptions(), 1);
    EXPECT_EQ(rig.owner.out, (Values{99, 98}));
}

// Variables a script never set read as 0, also before the top-level code has run.
TEST_P(MendedFault, UnsetVariablesReadAsZero) {
    ASSERT_EQ(rig.Compile("P { var g; Conditions { var c; g = c + 1; }; Exceptions { Out(g); }; }"), 1);
    ASSERT_EQ(rig.Conditions(), 1);
    ASSERT_EQ(rig.Exceptions(), 1);
    EXPECT_EQ(rig.owner.out, (Values{1}));
}

// A run that would never end is stopped by its step budget, fails, and is reported once; the
// machine is ready for the next run.
TEST_P(MendedFault, EndlessScriptFailsOnceAndTheGameGoesOn) {
    platform::ClearShownMessageBoxes();
    ASSERT_EQ(rig.Compile("P {\n"
                          " var go;\n"
                          " procedure Forever() { var x; while TRUE { x = x + 1; }; };\n"
                          " Conditions { go = 1; };\n"
                          " Orders for G { go Forever(); };\n"
                          "}\n"),
              1)
        << rig.Describe();
    rig.interpreter.SetStepBudget(100'000);
    ASSERT_EQ(rig.Program(), 1);
    EXPECT_TRUE(ReportBlockRun(ScriptBlock::Conditions, rig.Conditions()));
    int result = rig.Orders("G");
    EXPECT_EQ(result, 0);
    EXPECT_EQ(rig.interpreter.LastFault(), ScriptFault::StepBudget);
    EXPECT_LE(rig.interpreter.LastRunSteps(), 100'004u);
    EXPECT_FALSE(ReportBlockRun(ScriptBlock::Orders, result));
    ASSERT_EQ(platform::ShownMessageBoxCount(), 1u);
    EXPECT_EQ(platform::ShownMessageBox(0).text, "Execution of Orders block failed.");
    EXPECT_EQ(rig.Conditions(), 1);
}

// Compiling into a Code that held a good program: a failure leaves it invalid, not half new.
TEST_P(MendedFault, FailedRecompilationLeavesNoValidCode) {
    ASSERT_EQ(rig.Compile("P { Conditions { }; Exceptions { Out(1); }; }"), 1);
    ASSERT_EQ(rig.Compile("P { Conditions { }; Exceptions { Out(2); }; Oops }"), 0);
    EXPECT_EQ(rig.code.IsValid(), 0u);
    EXPECT_EQ(rig.Exceptions(), 0);
    EXPECT_EQ(rig.interpreter.LastFault(), ScriptFault::NotValid);
    EXPECT_EQ(rig.Program(), 0);
    // And a second good compilation replaces the first, tables included.
    ASSERT_EQ(rig.Compile("P { Conditions { }; Exceptions { Out(3); }; }"), 1);
    EXPECT_EQ(rig.Exceptions(), 1);
    EXPECT_EQ(rig.owner.out, (Values{3}));
}

TEST(MendedCompilerFault, BreakCannotLeaveAProcedureDeclaredInALoop) {
    ScriptRig rig;
    EXPECT_EQ(rig.Compile("P {\n"
                          " procedure F() { var i;\n"
                          "   while i < 3 {\n"
                          "     procedure G() { break; };\n"
                          "     i = i + 1; };\n"
                          " };\n"
                          " Conditions { };\n"
                          "}\n"),
              0);
    EXPECT_EQ(rig.compiler.ErrorText(), "Keyword 'break' found outside of any loop");
    EXPECT_EQ(rig.compiler.ErrorLine(), 4);
    // The loop is still the enclosing procedure's after the nested declaration.
    EXPECT_EQ(rig.Compile("P {\n"
                          " procedure F() { var i;\n"
                          "   while 1 { procedure G() { return 5; }; i = i + G(); if i > 9 break; };\n"
                          "   return i; };\n"
                          " Conditions { }; Exceptions { Out(F()); };\n"
                          "}\n"),
              1)
        << rig.Describe();
    rig.interpreter.RunExceptions();
    EXPECT_EQ(rig.owner.out, (Values{10}));
}

TEST(MendedCompilerFault, AQuotedBracketIsNoBracket) {
    ScriptRig rig;
    EXPECT_EQ(rig.Compile("P \"{\" Conditions { }; }"), 0);
    EXPECT_EQ(rig.compiler.ErrorText(), "Missing open bracket");
}

TEST(RunReport, ShowsTheComputerPlayersBoxes) {
    struct Case {
        ScriptBlock block;
        int result;
        const char* text;  // null: no box
    } cases[] = {
        {ScriptBlock::Conditions, 1, nullptr},
        {ScriptBlock::Conditions, -1, "Conditions block not found."},
        {ScriptBlock::Conditions, 0, "Execution of Conditions block failed."},
        {ScriptBlock::Exceptions, -1, "Exceptions block not found."},
        {ScriptBlock::Exceptions, 0, "Execution of Exceptions block failed."},
        {ScriptBlock::Orders, 5, nullptr},
        {ScriptBlock::Orders, -1, "Orders block not found."},
        {ScriptBlock::Orders, 0, "Execution of Orders block failed."},
    };
    for (const auto& c : cases) {
        platform::ClearShownMessageBoxes();
        EXPECT_EQ(ReportBlockRun(c.block, c.result), c.result > 0);
        if (!c.text) {
            EXPECT_EQ(platform::ShownMessageBoxCount(), 0u);
            continue;
        }
        ASSERT_EQ(platform::ShownMessageBoxCount(), 1u);
        EXPECT_EQ(platform::ShownMessageBox(0).text, c.text);
        EXPECT_EQ(platform::ShownMessageBox(0).caption, "Interpretor Error");
        EXPECT_EQ(platform::ShownMessageBox(0).type, MB_ICONINFORMATION);
    }
}

} // namespace
