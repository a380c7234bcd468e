#include "game/ai/interpreter.h"

#include "script_rig.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

using Values = std::vector<std::int32_t>;

// Every script here runs through both engines.
class InterpreterTest : public ::testing::TestWithParam<Engine> {
protected:
    void SetUp() override { rig.engine = GetParam(); }

    // Compiles a script, runs its top-level code and its Exceptions table, and gives what the
    // script handed to Out().
    Values Exceptions(const std::string& body, const std::string& declarations = "") {
        std::string script = "P {\n" + declarations + "\n Conditions { };\n Exceptions {\n" + body + "\n };\n}\n";
        EXPECT_EQ(rig.Compile(script), 1) << rig.Describe() << "\n" << script;
        EXPECT_EQ(rig.Program(), 1);
        EXPECT_EQ(rig.Exceptions(), 1) << ScriptFaultText(rig.interpreter.LastFault());
        return rig.owner.out;
    }

    ScriptRig rig;
};

INSTANTIATE_TEST_SUITE_P(Engines, InterpreterTest, ::testing::Values(Engine::Decoded, Engine::Stepwise), EngineName);

TEST_P(InterpreterTest, ParametersByValueAndByReference) {
    const char* declarations =
        " procedure Inc(var x, n) { x = x + n; n = 0; return x; };\n"
        " procedure Swap(var p, var q) { var t; t = p; p = q; q = t; };\n"
        " procedure Pass(var r) { return Inc(r, 100); };\n"
        " var a, b;\n";
    EXPECT_EQ(Exceptions(" Put(a, 5); Put(b, 2); Out(Inc(a, b)); Out(a); Out(b);\n"
                         " Swap(a, b); Out(a); Out(b);\n"
                         " Out(Pass(b)); Out(b);\n"
                         " Out(Inc(a, (a)));",  // an expression is copied before the call
                         declarations),
              (Values{7, 7, 2, 2, 7, 107, 107, 4}));
}

TEST_P(InterpreterTest, ProceduresSeeGlobalsAndEnclosingLevels) {
    const char* declarations =
        " var g, count;\n"
        " procedure Outer(n, var r) {\n"
        "   var total;\n"
        "   procedure Add(k) { total = total + k * n; count = count + 1; };\n"
        "   procedure SetR(v) { r = v; };\n"
        "   procedure GetR() { return r; };\n"
        "   total = 0;\n"
        "   Add(1); Add(2);\n"
        "   SetR((total + g));\n"
        "   return GetR();\n"
        " };\n"
        " procedure CountUp() { for count = 1 to 4 { }; };\n";
    EXPECT_EQ(Exceptions(" Put(g, 1000); Out(Outer(10, g)); Out(g); Out(count); CountUp(); Out(count);", declarations),
              (Values{1030, 1030, 2, 5}));
}

TEST_P(InterpreterTest, RecursionAndForwardDeclarations) {
    const char* declarations =
        " procedure Fact(n) { if n <= 1 return 1; return n * Fact((n - 1)); };\n"
        " procedure Fib(n) { if n < 2 return n; return Fib((n - 1)) + Fib((n - 2)); };\n"
        " procedure IsOdd(n);\n"
        " procedure IsEven(n) { if n == 0 return 1; return IsOdd((n - 1)); };\n"
        " procedure IsOdd(n) { if n == 0 return 0; return IsEven((n - 1)); };\n"
        " procedure Sum(n) { if n == 0 return 0; return n + Sum((n - 1)); };\n";
    EXPECT_EQ(Exceptions(" Out(Fact(10)); Out(Fib(15)); Out(IsEven(10)); Out(IsOdd(7)); Out(IsEven(7)); Out(Sum(500));",
                         declarations),
              (Values{3628800, 610, 1, 1, 0, 125250}));
}

TEST_P(InterpreterTest, LoopsBreakAndContinue) {
    const char* declarations =
        " procedure Up(n) { var i, s; s = 0; for i = 1 to n { if i == 3 continue; if i == 6 break; s = s * 10 + i; }; return s; };\n"
        " procedure Down() { var i, s; s = 0; for i = 3 downto 1 s = s * 10 + i; return s; };\n"
        " procedure Never() { var i, s; s = 7; for i = 5 to 4 s = 0; return s; };\n"
        " procedure Limit() { var i, lim, n; lim = 10; n = 0; for i = 1 to lim { lim = lim - 1; n = n + 1; }; return n; };\n"
        " procedure While() { var i, s; i = 0; s = 0;\n"
        "   while i < 10 { i = i + 1; if i == 2 continue; if i == 5 break; s = s * 10 + i; }; return s; };\n"
        " procedure Twofold() { var i, j, n; n = 0;\n"
        "   for i = 1 to 3 { for j = 1 to 3 { if j == 2 break; n = n + 1; }; if i == 2 break; }; return n; };\n";
    EXPECT_EQ(Exceptions(" Out(Up(9)); Out(Down()); Out(Never()); Out(Limit()); Out(While()); Out(Twofold());", declarations),
              (Values{1245, 321, 7, 5, 134, 2}));
}

TEST_P(InterpreterTest, IfElseAndTruth) {
    const char* declarations =
        " procedure Pick(x) { if x Out(1) else Out(2); if x > 5 { Out(3); } else { Out(4); }; if NOT x Out(5); };\n";
    EXPECT_EQ(Exceptions(" Pick(0); Pick(-1); Pick(9);", declarations), (Values{2, 4, 5, 1, 4, 1, 3}));
}

TEST_P(InterpreterTest, BuiltInsGetValuesAndReferences) {
    const char* declarations = " var v, w;\n procedure Local() { var mine; Put(mine, 8); return mine; };\n";
    Values out = Exceptions(" Put(v, 5); Put(w, 9); Out(Sum3(v, 2, w));\n"
                            " Out(Seven(v, w, 3, 4, 5, 6, w)); Out(v); Out(w);\n"
                            " Out(1 + Twice(3)); Out(Zero()); Out(Local());",
                            declarations);
    EXPECT_EQ(out, (Values{16, 7, 70, 76, 7, 0, 8}));
    ASSERT_EQ(rig.owner.calls.size(), 2u);
    EXPECT_EQ(rig.owner.calls[0], (Values{5, 2, 9}));
    // References show as negative values in the record: the first and last were references.
    EXPECT_EQ(rig.owner.calls[1], (Values{-5, 9, 3, 4, 5, 6, -9}));
}

TEST_P(InterpreterTest, WatchAndWriteLeaveTheStackAsTheyFoundIt) {
    std::vector<std::pair<int, std::int32_t>> watched;
    rig.interpreter.SetWatchHandler([&](int line, std::int32_t v) { watched.emplace_back(line, v); });
    const char* declarations =
        " procedure F() {\n"
        "   write \"hello\";\n"
        "   watch \"six\" 2 * 3;\n"
        "   watch 4\n"
        "   ;\n"
        "   return 1;\n"
        " };\n";
    EXPECT_EQ(Exceptions(" Out(F());", declarations), (Values{1}));
    EXPECT_EQ(watched, (std::vector<std::pair<int, std::int32_t>>{{4, 6}, {6, 4}}));
}

TEST_P(InterpreterTest, TablesRunFromTheirEntries) {
    const char* script =
        "P {\n"
        " var ready, calm, n;\n"
        " procedure Go(x) { Out(x); return 0; };\n"
        " Conditions { var seen; seen = Out(100); ready = n > 1; calm = n < 3; n = n + 1; };\n"
        " Orders for Left { ready, calm Go(1); ready Go(2); calm Go(3); };\n"
        " Orders for Right { ready Go(4); };\n"
        " Exceptions { Go(5); Go(6); };\n"
        " Exceptions for Left { Go(7); };\n"
        "}\n";
    ASSERT_EQ(rig.Compile(script), 1) << rig.Describe();
    EXPECT_EQ(rig.Program(), 1);
    EXPECT_EQ(rig.Orders("Left"), 1);  // before any Conditions run every condition is 0
    EXPECT_TRUE(rig.owner.out.empty());

    auto step = [&](const std::string& group) {
        rig.owner.out.clear();
        EXPECT_EQ(rig.Conditions(), 1);
        EXPECT_EQ(rig.Orders(group), 1);
        return rig.owner.out;
    };
    EXPECT_EQ(step("Left"), (Values{100, 3}));     // n was 0: only calm
    EXPECT_EQ(step("Left"), (Values{100, 3}));     // n was 1
    EXPECT_EQ(step("Left"), (Values{100, 1}));     // n was 2: the first rule wins alone
    EXPECT_EQ(step("Right"), (Values{100, 4}));    // n was 3: ready only
    EXPECT_EQ(rig.Orders("left"), -1);              // group names keep their case
    EXPECT_EQ(rig.Orders("Middle"), -1);

    rig.owner.out.clear();
    EXPECT_EQ(rig.Exceptions(), 1);
    EXPECT_EQ(rig.GroupExceptions("Left"), 1);
    EXPECT_EQ(rig.GroupExceptions("Right"), -1);
    EXPECT_EQ(rig.owner.out, (Values{5, 6, 7}));
}

TEST_P(InterpreterTest, TopLevelCodeInitialisesGlobalsWhichLastBetweenRuns) {
    const char* script =
        "P {\n"
        " var a;\n"
        " procedure F() { return 1; };\n"
        " Conditions { var c; a = a + 1; c = c + 1; };\n"
        " var b;\n"
        "}\n";
    ASSERT_EQ(rig.Compile(script), 1) << rig.Describe();
    EXPECT_EQ(rig.Conditions(), 1);
    EXPECT_EQ(rig.Conditions(), 1);
    EXPECT_EQ(rig.interpreter.Data(0), 2);
    // The table's own variable is set up outside the table's entry, so it keeps its value from
    // run to run like a global; it starts at 0.
    EXPECT_EQ(rig.interpreter.Data(1), 2);
    rig.interpreter.SetStepBudget(1000);
    EXPECT_EQ(rig.Program(), 1);
    EXPECT_EQ(rig.interpreter.Data(0), 0);
    EXPECT_EQ(rig.Conditions(), 1);
    EXPECT_EQ(rig.interpreter.Data(0), 1);
}

TEST_P(InterpreterTest, InterpreterEntriesAnswerMissingTablesAndInvalidCode) {
    EXPECT_EQ(rig.interpreter.RunProgram(), 0);
    EXPECT_EQ(rig.interpreter.LastFault(), ScriptFault::NotValid);
    ASSERT_EQ(rig.Compile("P { Conditions { }; }"), 1);
    EXPECT_EQ(rig.interpreter.RunProgram(), 1);
    EXPECT_EQ(rig.interpreter.RunConditions(), 1);
    EXPECT_EQ(rig.interpreter.RunExceptions(), -1);
    EXPECT_EQ(rig.interpreter.RunOrders("G"), -1);
    EXPECT_EQ(rig.interpreter.RunGroupExceptions("G"), -1);
    EXPECT_EQ(rig.Compile("P { }"), 0);
    EXPECT_EQ(rig.interpreter.RunProgram(), 0);
    EXPECT_EQ(rig.interpreter.RunConditions(), -1);
}

// ---- damaged code ---------------------------------------------------------------------------

struct DamagedCase {
    const char* what;
    std::vector<std::int32_t> cells;
    ScriptFault fault;
};

Code damaged(const std::vector<std::int32_t>& cells) {
    Code code;
    for (std::size_t i = 0; i < cells.size(); ++i) code.SetCell(static_cast<std::int32_t>(i), cells[i]);
    code.SetValid(1);
    return code;
}

std::int32_t answer(void*, BuiltInArgs& a) { return a.Count() > 0 ? a[0] : 42; }

TEST_P(InterpreterTest, DamagedCodeFailsTheRunInsteadOfCrashing) {
    const std::int32_t end = CODE_GROWTH - 1;
    const DamagedCase cases[] = {
        {"jump outside", {OP_JUMP, 5000}, ScriptFault::BadJump},
        {"negative jump", {OP_PUSH, 0, OP_JUMPFALSE, -7}, ScriptFault::BadJump},
        {"call outside", {OP_CALL, 1, 0, -1}, ScriptFault::BadJump},
        {"skip outside", {OP_SKIP, 100000}, ScriptFault::BadJump},
        {"falls off the end", {}, ScriptFault::BadJump},
        {"drop on empty", {OP_DROP, OP_END}, ScriptFault::StackUnderflow},
        {"add on one", {OP_PUSH, 1, OP_ADD, OP_END}, ScriptFault::StackUnderflow},
        {"fused add on none", {OP_ADD, OP_STORE, 0, OP_END}, ScriptFault::StackUnderflow},
        {"store on empty", {OP_STORE, 0, OP_END}, ScriptFault::StackUnderflow},
        {"jumpfalse on empty", {OP_JUMPFALSE, 0, OP_END}, ScriptFault::StackUnderflow},
        {"copyin on empty", {OP_COPYIN, 0, OP_END}, ScriptFault::StackUnderflow},
        {"return without call", {OP_PUSH, 0, OP_RETURN}, ScriptFault::CallStackUnderflow},
        {"load beyond memory", {OP_LOAD, Interpreter::MAX_DATA_CELLS, OP_END}, ScriptFault::BadDataAddress},
        {"load below memory", {OP_LOAD, -1, OP_END}, ScriptFault::BadDataAddress},
        {"store far away", {OP_PUSH, 1, OP_STORE, 0x40000000, OP_END}, ScriptFault::BadDataAddress},
        {"reference to nowhere", {OP_PUSH, -5, OP_STORE, 0, OP_LOADREF, 0, OP_END}, ScriptFault::BadDataAddress},
        {"copy from nowhere", {OP_PUSH, -5, OP_COPYIN, 0, OP_END}, ScriptFault::BadDataAddress},
        {"fused load", {OP_LOAD, -9, OP_PUSH, 1, OP_ADD, OP_STORE, 0, OP_END}, ScriptFault::BadDataAddress},
        {"level beyond display", {OP_LOADUP, Interpreter::MAX_LEVELS, 0, OP_END}, ScriptFault::BadLevel},
        {"negative level", {OP_PUSH, 1, OP_STOREUP, -1, 0, OP_END}, ScriptFault::BadLevel},
        {"call to a bad level", {OP_CALL, -3, 0, 0}, ScriptFault::BadLevel},
        {"unknown built-in", {OP_CALLBUILTIN, 1, 99, OP_END}, ScriptFault::BadBuiltIn},
        {"negative built-in", {OP_CALLBUILTIN, 1, -1, OP_END}, ScriptFault::BadBuiltIn},
        {"mark without count", {OP_CALLBUILTIN, 0, 0, OP_END}, ScriptFault::BadBuiltIn},
        {"built-in without arguments", {OP_CALLBUILTIN, 3, 0, OP_END}, ScriptFault::StackUnderflow},
        {"built-in argument nowhere", {OP_PUSH, -4, OP_CALLBUILTIN, 3, 0, OP_END}, ScriptFault::BadDataAddress},
        {"endless loop", {OP_JUMP, 0}, ScriptFault::StepBudget},
        {"endless recursion", {OP_CALL, 1, 1, 0}, ScriptFault::CallTooDeep},
        {"endless pushing", {OP_PUSH, 1, OP_JUMP, 0}, ScriptFault::StackOverflow},
        {"operand past the end", std::vector<std::int32_t>(static_cast<std::size_t>(end), 0x99), ScriptFault::BadJump},
    };
    for (const auto& c : cases) {
        std::vector<std::int32_t> cells = c.cells;
        if (std::string(c.what) == "operand past the end") cells.push_back(OP_PUSH);
        Code code = damaged(cells);
        if (cells.empty()) code.SetCell(0, 0x99);
        Interpreter interpreter(code, nullptr);
        interpreter.AddBuiltIn(answer);
        interpreter.SetStepBudget(1'000'000);
        int result = GetParam() == Engine::Decoded ? interpreter.Run(0) : interpreter.RunStepByStep(0);
        EXPECT_EQ(result, 0) << c.what;
        EXPECT_EQ(interpreter.LastFault(), c.fault) << c.what << ": " << ScriptFaultText(interpreter.LastFault());
    }
}

// Two loads in one step where the second cell lies beyond the memory grown so far: the first
// value must survive the memory moving (the sanitizer build sees a read of freed memory if not).
TEST_P(InterpreterTest, ALoadPairReachingPastTheGrownMemoryKeepsTheFirstValue) {
    const std::int32_t far = 500'000;
    struct Case {
        const char* what;
        std::vector<std::int32_t> cells;
        std::int32_t expected;  // in cell 4
    } cases[] = {
        {"to a cell", {OP_PUSH, 5, OP_STORE, 3, OP_LOAD, 3, OP_LOAD, far, OP_ADD, OP_STORE, 4, OP_END}, 5},
        {"to the stack",
         {OP_PUSH, 5, OP_STORE, 3, OP_LOAD, 3, OP_LOAD, far, OP_ADD, OP_LOAD, 3, OP_ADD, OP_STORE, 4, OP_END},
         10},
        {"to a jump",
         {OP_PUSH, 5, OP_STORE, 3, OP_LOAD, 3, OP_LOAD, far, OP_ADD, OP_JUMPFALSE, 16, OP_PUSH, 1, OP_STORE, 4, OP_END, OP_END},
         1},
    };
    for (const Case& c : cases) {
        Code code = damaged(c.cells);
        Interpreter interpreter(code, nullptr);
        interpreter.SetStepBudget(1000);
        if (GetParam() == Engine::Decoded)
            interpreter.Run(0);
        else
            interpreter.RunStepByStep(0);
        EXPECT_EQ(interpreter.LastFault(), ScriptFault::None) << c.what << ": " << ScriptFaultText(interpreter.LastFault());
        EXPECT_EQ(interpreter.Data(4), c.expected) << c.what;
    }
}

TEST_P(InterpreterTest, UnknownOpcodesAreSteppedOverAndBadRunsLeaveNoTrace) {
    // 0x99 and 0 are no instructions; the PUSH leaves a value behind, so the run returns 0.
    Code code = damaged({0x99, 0, OP_PUSH, 7, OP_END, OP_PUSH, 1, OP_DROP, OP_END, OP_DROP, OP_DROP, OP_END});
    Interpreter interpreter(code, nullptr);
    auto run = [&](std::int32_t at) { return GetParam() == Engine::Decoded ? interpreter.Run(at) : interpreter.RunStepByStep(at); };
    EXPECT_EQ(run(0), 0);
    EXPECT_EQ(interpreter.LastFault(), ScriptFault::None);
    EXPECT_EQ(interpreter.EvaluationDepth(), 1);
    // A later run starts on empty stacks, whatever the one before left.
    EXPECT_EQ(run(5), 1);
    EXPECT_EQ(run(9), 0);
    EXPECT_EQ(interpreter.LastFault(), ScriptFault::StackUnderflow);
    EXPECT_EQ(run(5), 1);
    EXPECT_EQ(run(5000), 0);
    EXPECT_EQ(interpreter.LastFault(), ScriptFault::BadJump);
}

TEST_P(InterpreterTest, DivisionNeverStopsTheMachine) {
    EXPECT_EQ(Exceptions(" Out(7 / 0); Out(-2147483648 / -1); Out(-2147483648 / 1); Out(-9 / 2); Out(9 / -2);"),
              (Values{0, -2147483647 - 1, -2147483647 - 1, -4, -4}));
}

TEST_P(InterpreterTest, XorTakesAnyNonZeroAsTrue) {
    EXPECT_EQ(Exceptions(" Out(-1 XOR 1); Out(1 XOR -1); Out(-1 XOR 0); Out(0 XOR -3); Out(0 XOR 0); Out(5 XOR 7);"),
              (Values{0, 0, 1, 1, 0, 0}));
}

TEST_P(InterpreterTest, ARunThatExceedsItsBudgetFailsAndTheNextRunWorks) {
    const char* script =
        "P {\n"
        " var n;\n"
        " procedure Spin() { while 1 { n = n + 1; }; };\n"
        " procedure Deep(k) { return 1 + Deep(1 + k); };\n"
        " Conditions { n = 0; };\n"
        " Exceptions { Spin(); };\n"
        " Exceptions for Deep { Deep(0); };\n"
        " Orders for G { n Out(n); };\n"
        "}\n";
    ASSERT_EQ(rig.Compile(script), 1) << rig.Describe();
    rig.interpreter.SetStepBudget(50'000);
    EXPECT_EQ(rig.Program(), 1);
    EXPECT_EQ(rig.Exceptions(), 0);
    EXPECT_EQ(rig.interpreter.LastFault(), ScriptFault::StepBudget);
    EXPECT_GT(rig.interpreter.Data(0), 1000);
    EXPECT_EQ(rig.Orders("G"), 1);
    EXPECT_EQ(rig.owner.out.size(), 1u);

    rig.interpreter.SetStepBudget(10'000'000);
    EXPECT_EQ(rig.GroupExceptions("Deep"), 0);
    EXPECT_EQ(rig.interpreter.LastFault(), ScriptFault::CallTooDeep);
    EXPECT_EQ(rig.Conditions(), 1);
}

TEST_P(InterpreterTest, ARunStartedFromABuiltInIsRefused) {
    ASSERT_EQ(rig.Compile("P { Conditions { }; Exceptions { Out(Nested()); Out(2); }; }"), 1);
    EXPECT_EQ(rig.Exceptions(), 1);
    EXPECT_EQ(rig.owner.runsFromBuiltIn, 1);
    EXPECT_EQ(rig.owner.out, (Values{0, 2}));
}

TEST_P(InterpreterTest, LoadedCodeOfAnotherRevisionIsDecodedAgain) {
    ASSERT_EQ(rig.Compile("P { Conditions { }; Exceptions { Out(1); }; }"), 1);
    EXPECT_EQ(rig.Exceptions(), 1);
    ASSERT_EQ(rig.Compile("P { Conditions { }; Exceptions { Out(2); Out(3); }; }"), 1);
    EXPECT_EQ(rig.Exceptions(), 1);
    EXPECT_EQ(rig.owner.out, (Values{1, 2, 3}));
}

TEST(InterpreterStep, StepsOneInstructionAtATime) {
    Code code = damaged({OP_PUSH, 2, OP_PUSH, 3, OP_MUL, OP_DROP, OP_END});
    Interpreter interpreter(code, nullptr);
    std::int32_t pc = 0;
    std::vector<std::int32_t> visited;
    while (interpreter.Step(pc)) visited.push_back(pc);
    EXPECT_EQ(visited, (std::vector<std::int32_t>{2, 4, 5, 6}));
    EXPECT_EQ(pc, 6);  // left on the END
    EXPECT_EQ(interpreter.EvaluationDepth(), 0);
}

TEST(InterpreterStep, BothEnginesCountTheSameSteps) {
    ScriptRig rig;
    ASSERT_EQ(rig.Compile("P { procedure F(n) { var i, s; s = 0; for i = 1 to n { s = s + i * 2; }; return s; };\n"
                          " Conditions { }; Exceptions { Out(F(100)); }; }"),
              1);
    ASSERT_EQ(rig.interpreter.RunExceptions(), 1);
    std::uint64_t decoded = rig.interpreter.LastRunSteps();
    ASSERT_EQ(rig.interpreter.RunStepByStep(rig.code.ExceptionsEntry()), 1);
    EXPECT_EQ(rig.interpreter.LastRunSteps(), decoded);
    EXPECT_EQ(rig.owner.out, (Values{10100, 10100}));
}

} // namespace
