#include "game/ai/compiler.h"

#include "script_rig.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

namespace {

// The smallest script that compiles.
const char* const MINIMAL = "Battle {\n  Conditions { };\n}\n";

TEST(Compiler, MinimalScriptCompilesAndTopLevelCodeRuns) {
    ScriptRig rig;
    ASSERT_EQ(rig.Compile(MINIMAL), 1) << rig.Describe();
    EXPECT_EQ(rig.code.IsValid(), 1u);
    EXPECT_NE(rig.code.ConditionsEntry(), -1);
    EXPECT_EQ(rig.code.ExceptionsEntry(), -1);
    EXPECT_EQ(rig.interpreter.RunProgram(), 1);
    EXPECT_EQ(rig.interpreter.RunConditions(), 1);
    EXPECT_TRUE(rig.compiler.ErrorText().empty());
}

// The cells of a small program, which fix the instruction set and the way the compiler lays out
// procedures, frames, temporaries and tables.
TEST(Compiler, EmitsTheExpectedCells) {
    ScriptRig rig;
    ASSERT_EQ(rig.Compile("P {\n"
                          " var g;\n"
                          " procedure F(a, var b) { b = a + g; return b; };\n"
                          " Conditions { g = F(2, g); };\n"
                          "}\n"),
              1)
        << rig.Describe();
    std::vector<std::int32_t> expected = {
        OP_PUSH, 0, OP_STORE, 0,                          // var g
        OP_JUMP, 24,                                      // over F
        OP_STORE, 2, OP_COPYIN, 1,                        // F: b by reference, a by value
        OP_LOAD, 1, OP_LOADUP, 0, 0, OP_ADD, OP_STOREREF, 2,  // b = a + g
        OP_LOADREF, 2, OP_RETURN,                         // return b
        OP_PUSH, 0, OP_RETURN,                            // end of the body
        OP_JUMP, 41,                                      // over the Conditions
        OP_PUSH, 2, OP_STORE, 1, OP_ADDR, 1,              // the value 2 in a temporary
        OP_ADDR, 0,                                       // g by reference
        OP_CALL, 1, 1, 6,                                 // F's frame right above g and the temporary
        OP_STORE, 0, OP_END,                              // g = ...
        OP_END,
    };
    ASSERT_GE(rig.code.CellCount(), static_cast<std::int32_t>(expected.size()));
    EXPECT_EQ(rig.code.CellCount() % CODE_GROWTH, 0);
    std::vector<std::int32_t> cells(rig.code.Cells(), rig.code.Cells() + expected.size());
    EXPECT_EQ(cells, expected);
    EXPECT_EQ(rig.code.ConditionsEntry(), 26);
}

struct ErrorCase {
    const char* source;
    const char* text;
    int line;
};

TEST(Compiler, ReportsEachErrorWithItsLine) {
    const ErrorCase cases[] = {
        {"", "Illegal script name", 1},
        {"{ }", "Illegal script name", 1},
        {"P\n\n  Conditions { };\n}", "Missing open bracket", 3},
        {"P {\n Conditions { }\n}", "Missing semicolon", 3},
        {"P { Conditions { }; }\nextra", "Expecting end of file", 2},
        {"P { var x; }", "Missing Conditions block", 1},
        {"P {\n\n  foo; }", "Unknown object", 3},
        {"P { import x; }", "Import file lacks quotes", 1},
        {"P {\n import \"nothere.txt\"; }", "Import file would not open", 2},
        {"P { Conditions { };\n Conditions { }; }", "Duplicate Conditions table", 2},
        {"P { Conditions { }; Orders x { }; }", "Missing 'for' keyword", 1},
        {"P { Conditions { }; Orders for ( { }; }", "Illegal group name", 1},
        {"P { Conditions { }; Orders for G { };\n Orders for G { }; }", "Duplicate group Orders table", 2},
        {"P { var c; Conditions { };\n Orders for G {\n  c, d Out(1); }; }", "Unknown condition", 3},
        {"P { Conditions { }; Orders for G { Out(1); }; }", "Unknown condition", 1},
        {"P { Conditions { }; Exceptions { };\n Exceptions { }; }", "Duplicate Exceptions table", 2},
        {"P { Conditions { }; Exceptions for G { }; Exceptions for G { }; }", "Duplicate group Exceptions table", 1},
        {"P { Conditions { }; Exceptions for { }; }", "Illegal group name", 1},
        {"P { Conditions { }; Exceptions x { }; }", "Missing open bracket", 1},
        {"P { Conditions { }; Exceptions { Out(1) }; }", "Missing semicolon", 1},
        {"P { procedure F() {\n break; }; Conditions { }; }", "Keyword 'break' found outside of any loop", 2},
        {"P { procedure F() {\n continue; }; Conditions { }; }", "Keyword 'continue' found outside of any loop", 2},
        {"P { procedure F() { (x); }; Conditions { }; }", "Illegal statement", 1},
        {"P { var ; Conditions { }; }", "Illegal variable identifier", 1},
        {"P { var x,\n x; Conditions { }; }", "Duplicate identifier", 2},
        {"P { var Out; Conditions { }; }", "Duplicate identifier", 1},
        {"P { var TRUE; Conditions { }; }", "Duplicate identifier", 1},
        {"P { const ; Conditions { }; }", "Illegal constant identifier", 1},
        {"P { const X = 5; Conditions { }; }", "Illegal constant", 1},
        {"P { const X 5, Y y; Conditions { }; }", "Illegal constant", 1},
        {"P { const X 5; var X; Conditions { }; }", "Duplicate identifier", 1},
        {"P { Conditions {\n y = 1; }; }", "Unknown identifier", 2},
        {"P { Conditions { var c; c 1; }; }", "Assignment missing '='", 1},
        {"P { procedure F() { TRUE = 1; }; Conditions { }; }", "Unknown identifier", 1},
        {"P { procedure F() { for y = 1 to 2 { }; }; Conditions { }; }", "Unknown identifier", 1},
        {"P { procedure F() { var i; for i 1 to 2 { }; }; Conditions { }; }", "For statement missing '='", 1},
        {"P { procedure F() { var i; for i = 1 upto 2 { }; }; Conditions { }; }", "Missing directional keyword", 1},
        {"P { procedure ( ) { }; Conditions { }; }", "Illegal procedure name", 1},
        {"P { var x; procedure x() { }; Conditions { }; }", "Duplicate identifier", 1},
        {"P { procedure F { }; Conditions { }; }", "Missing open parenthesis", 1},
        {"P { procedure F(a; Conditions { }; }", "Missing close parenthesis", 1},
        {"P { procedure F() { };\n procedure F() { }; Conditions { }; }", "Duplicate procedure identifier", 2},
        {"P { procedure F(); procedure F(); Conditions { }; }", "Procedure has multiple prototypes", 1},
        {"P { procedure F(;) { }; Conditions { }; }", "Illegal formal parameter", 1},
        {"P { procedure F(a, a) { }; Conditions { }; }", "Duplicate identifier", 1},
        {"P { var g; procedure F(g) { }; Conditions { }; }", "Duplicate identifier", 1},
        {"P { procedure F() x; Conditions { }; }", "Missing open bracket", 1},
        {"P { procedure F() { x = 1 }; Conditions { }; }", "Unknown identifier", 1},
        {"P { procedure F() { var x; x = 1 }; Conditions { }; }", "Missing semicolon", 1},
        {"P { Conditions { }; Exceptions {\n Nope(); }; }", "Unknown identifier", 2},
        {"P { Conditions {\n Out(1); }; }", "Unknown identifier", 2},
        {"P { Conditions { var c; c = Out 1; }; }", "Missing open parenthesis", 1},
        {"P { Conditions { var c; c = Out(1; }; }", "Missing close parenthesis", 1},
        {"P { Conditions { var c; c = Out(1, 2); }; }", "Wrong number of arguments", 1},
        {"P { Conditions { var c; c = Put(1, 2); }; }", "Cannot pass non-variable by reference", 1},
        {"P { Conditions { var c; c = Out(c + 1); }; }", "Missing close parenthesis", 1},
        {"P { Conditions { var c; c = (1 + 2; }; }", "Missing close parenthesis", 1},
        {"P { Conditions { var c; c = 1 = 2; }; }", "Illeagal relational operator", 1},
        {"P { Conditions { var c; c = 1 ! 2; }; }", "Illeagal relational operator", 1},
        {"P { Conditions { var c; c = -c; }; }", "Illegal number", 1},
        {"P { procedure F() { write x; }; Conditions { }; }", "Write string lacks quotes", 1},
        {"P { procedure F();\n Conditions { };\n}", "Block contains prototype without body", 3},
        {"P { procedure G() {\n procedure H();\n }; Conditions { }; }", "Block contains prototype without body", 3},
        {"P { var 12ab; Conditions { }; }", "Scanner Error at 1: Number contains illegal 'a'", 1},
        {"P {\n Conditions { var c; c = \"open; }; }", "Scanner Error at 2: Unmatched quotation", 2},
        {"P {\r\n Conditions {\r\n y = 1; }; }", "Unknown identifier", 3},
        {"P {\n procedure F() { write \"two\nlines\"; };\n Conditions { y = 1; }; }", "Unknown identifier", 4},
    };
    for (const auto& c : cases) {
        ScriptRig rig;
        EXPECT_EQ(rig.Compile(c.source), 0) << c.source;
        EXPECT_EQ(rig.compiler.ErrorText(), c.text) << c.source;
        EXPECT_EQ(rig.compiler.ErrorLine(), c.line) << c.source;
        EXPECT_EQ(rig.code.IsValid(), 0u) << c.source;
        EXPECT_EQ(rig.interpreter.RunProgram(), 0) << c.source;
    }
}

TEST(Compiler, MissingSourceFileFails) {
    ScriptRig rig;
    EXPECT_EQ(rig.compiler.CompileFile(rig.dir.File("none.txt")), 0);
    EXPECT_EQ(rig.compiler.ErrorText(), "Failed to open source file");
}

TEST(Compiler, OversizedAndOverDeepScriptsFailCleanly) {
    ScriptRig rig;
    std::string big = "P { Conditions { var c;\n";
    for (int i = 0; i < 8100; ++i) big += "c = 1;\n";
    big += "}; }";
    EXPECT_EQ(rig.Compile(big), 0);
    EXPECT_EQ(rig.compiler.ErrorText(), "Script too large");

    std::string deep = "P { Conditions { var c; c = " + std::string(5000, '(') + "1" + std::string(5000, ')') + "; }; }";
    EXPECT_EQ(rig.Compile(deep), 0);
    EXPECT_EQ(rig.compiler.ErrorText(), "Script nested too deeply");

    std::string chain = "P { Conditions { var c; c = 1";
    for (int i = 0; i < 6000; ++i) chain += " + 1";
    chain += "; }; }";
    EXPECT_EQ(rig.Compile(chain), 0);
    EXPECT_EQ(rig.compiler.ErrorText(), "Script nested too deeply");

    // A compilation after a failure starts clean.
    EXPECT_EQ(rig.Compile(MINIMAL), 1) << rig.Describe();
}

TEST(Compiler, RegisteredNamesSurviveEveryCompilation) {
    ScriptRig rig;
    const char* script = "P { const K 3; var v; procedure F(a) { return a; }; Conditions { v = F(K) + TRUE; }; }";
    int builtIns = rig.compiler.RegisteredProcedureCount();
    for (int i = 0; i < 2; ++i) {
        ASSERT_EQ(rig.Compile(script), 1) << rig.Describe();
        EXPECT_EQ(rig.compiler.RegisteredProcedureCount(), builtIns);
        EXPECT_EQ(rig.compiler.RegisteredConstantCount(), 3);
    }
    ASSERT_EQ(rig.interpreter.RunProgram(), 1);
    ASSERT_EQ(rig.interpreter.RunConditions(), 1);
    EXPECT_EQ(rig.interpreter.Data(0), 4);
}

TEST(Compiler, RefusesBuiltInsItCannotCall) {
    Code code;
    Compiler compiler(code);
    EXPECT_FALSE(compiler.AddProcedure("Eight", "11111111", nullptr));
    EXPECT_FALSE(compiler.AddProcedure("Odd", "12", nullptr));
    EXPECT_TRUE(compiler.AddProcedure("Seven", "1111111", nullptr));
    EXPECT_EQ(compiler.RegisteredProcedureCount(), 1);
    EXPECT_EQ(compiler.Procedure(0).mark, 0xFFu);
}

TEST(Compiler, BuiltInMarksFollowTheDigits) {
    ScriptRig rig;
    // "01": reference then value, and the bit at the count.
    EXPECT_EQ(rig.compiler.Procedure(1).name, "Put");
    EXPECT_EQ(rig.compiler.Procedure(1).mark, 0b110u);
    EXPECT_EQ(rig.compiler.Procedure(4).name, "Zero");
    EXPECT_EQ(rig.compiler.Procedure(4).mark, 1u);
}

TEST(Compiler, ImportsFromTheScriptDirectory) {
    ScriptRig rig;
    rig.dir.Write("Common.inc", "const BASE 40;\n procedure Two() { return 2; };\n import \"more.inc\";\n");
    rig.dir.Write("more.inc", "var shared;\n");
    rig.compiler.SetImportDirectory(rig.dir.Path());
    ASSERT_EQ(rig.Compile("P {\n import \"common.inc\";\n Conditions { shared = BASE + Two(); };\n Exceptions { Out(shared); };\n}\n"), 1)
        << rig.Describe();
    rig.interpreter.RunProgram();
    ASSERT_EQ(rig.interpreter.RunConditions(), 1);
    ASSERT_EQ(rig.interpreter.RunExceptions(), 1);
    EXPECT_EQ(rig.owner.out, std::vector<std::int32_t>{42});
}

TEST(Compiler, ErrorsInsideAnImportNameTheImportedFileAndLine) {
    ScriptRig rig;
    rig.dir.Write("bad.inc", "var ok;\n\nvar 9x;\n");
    rig.compiler.SetImportDirectory(rig.dir.Path());
    EXPECT_EQ(rig.Compile("P {\n import \"bad.inc\";\n Conditions { };\n}\n"), 0);
    EXPECT_EQ(rig.compiler.ErrorText(), "Scanner Error at 3: Number contains illegal 'x'");
    EXPECT_EQ(rig.compiler.ErrorLine(), 3);
    EXPECT_NE(rig.compiler.ErrorFile().find("bad.inc"), std::string::npos);

    // After a good import the outer text goes on with its own line numbers.
    rig.dir.Write("good.inc", "var a;\nvar b;\nvar c;\nvar d;\n");
    EXPECT_EQ(rig.Compile("P {\n import \"good.inc\";\n Conditions {\n zz = 1; };\n}\n"), 0);
    EXPECT_EQ(rig.compiler.ErrorText(), "Unknown identifier");
    EXPECT_EQ(rig.compiler.ErrorLine(), 4);
}

TEST(Compiler, AnImportOfItselfStops) {
    ScriptRig rig;
    rig.dir.Write("loop.inc", "import \"loop.inc\";\n");
    rig.compiler.SetImportDirectory(rig.dir.Path());
    EXPECT_EQ(rig.Compile("P { import \"loop.inc\"; Conditions { }; }"), 0);
    EXPECT_EQ(rig.compiler.ErrorText(), "Imports nested too deeply");
}

TEST(Compiler, ProceduresOverloadByParameterCount) {
    ScriptRig rig;
    const char* script =
        "P {\n"
        " procedure Foo(a) { return a; };\n"
        " procedure Foo(a, b) { return a * b; };\n"
        " Conditions { }; Exceptions { Out(Foo(5)); Out(Foo(5, 6)); };\n"
        "}\n";
    ASSERT_EQ(rig.Compile(script), 1) << rig.Describe();
    rig.interpreter.RunProgram();
    ASSERT_EQ(rig.interpreter.RunExceptions(), 1);
    EXPECT_EQ(rig.owner.out, (std::vector<std::int32_t>{5, 30}));

    EXPECT_EQ(rig.Compile("P { procedure Foo(a) { }; procedure Foo(a, b) { };\n"
                          " Conditions { }; Exceptions { Foo(1, 2, 3); }; }"),
              0);
    EXPECT_EQ(rig.compiler.ErrorText(), "Wrong number of arguments");
    EXPECT_EQ(rig.compiler.ErrorLine(), 2);
}

TEST(Compiler, AGlobalNameCannotBeAParameterLater) {
    ScriptRig rig;
    EXPECT_EQ(rig.Compile("P { var speed; Conditions { }; procedure Go(speed) { }; }"), 0);
    EXPECT_EQ(rig.compiler.ErrorText(), "Duplicate identifier");
}

TEST(Compiler, NamesOfABlockAreReleasedAtItsEnd) {
    ScriptRig rig;
    const char* script =
        "P {\n"
        " procedure A() { var t; procedure Inner() { return 1; }; t = Inner(); return t; };\n"
        " procedure B() { var t; procedure Inner() { return 2; }; t = Inner(); return t; };\n"
        " Conditions { }; Exceptions { Out(A()); Out(B()); };\n"
        "}\n";
    ASSERT_EQ(rig.Compile(script), 1) << rig.Describe();
    rig.interpreter.RunProgram();
    EXPECT_EQ(rig.interpreter.RunExceptions(), 1);
    EXPECT_EQ(rig.owner.out, (std::vector<std::int32_t>{1, 2}));
}

// ---- operators -------------------------------------------------------------------------------

// Compiles and runs one expression with a = 7, b = 3, c = -2 and returns its value.
std::int32_t evaluate(const std::string& expression, std::string* error = nullptr) {
    ScriptRig rig;
    std::string script = "P { var a, b, c;\n Conditions { var r; a = 7; b = 3; c = -2; r = Out((" + expression + ")); }; }";
    if (!rig.Compile(script)) {
        if (error) *error = rig.Describe();
        return INT_MIN + 1;
    }
    rig.interpreter.RunProgram();
    if (rig.interpreter.RunConditions() != 1 || rig.owner.out.size() != 1) return INT_MIN + 2;
    return rig.owner.out[0];
}

TEST(Compiler, OperatorsGroupToTheRightWithThreePrecedences) {
    struct Case {
        const char* expression;
        std::int32_t value;
    } cases[] = {
        {"10 - 3 - 2", 9},  // 10 - (3 - 2)
        {"12 / 2 * 3", 2},  // 12 / (2 * 3)
        {"2 + 3 * 4", 14},
        {"2 * 3 + 4", 10},
        {"(10 - 3) - 2", 5},
        {"(12 / 2) * 3", 18},
        {"0 AND 0 OR 1", 0},  // 0 AND (0 OR 1)
        {"1 XOR 1 OR 1", 0},  // 1 XOR (1 OR 1)
        {"1 OR 1 XOR 1", 1},
        {"1 + 2 == 3", 1},
        {"2 < 3 AND 3 < 2", 0},
        {"1 < 2 == 1", 0},  // at most one relation: 1 < (2 == 1) is not how it reads; see below
        {"NOT 0 + 1", 2},
        {"NOT (0 + 1)", 0},
        {"NOT a", 0},
        {"- 5 + 2", -3},
        {"a - -1", 8},
        {"a - c", 9},
        {"7 / 2", 3},
        {"-7 / 2", -3},
        {"c * b", -6},
        {"3 >= 3", 1},
        {"3 > 3", 0},
        {"2 <= 1", 0},
        {"2 < = 2", 1},
        {"2 != 2", 0},
        {"a == 7", 1},
        {"b > c", 1},
        {"3 AND -1", 1},
        {"0 OR -4", 1},
        {"0 OR 0", 0},
        {"TRUE + MINUS", -4},
        {"FAILED", 0},
        {"Twice(a) + 1", 15},
        {"1 + Twice(2)", 5},
        {"Can Twice(3)", 6},
        {"Zero()", 0},
        {"2147483647 + 1", INT_MIN},
        {"4294967297", 1},
        {"-2147483648", INT_MIN},
        {"65536 * 65536", 0},
    };
    for (const auto& c : cases) {
        std::string error;
        std::int32_t got = evaluate(c.expression, &error);
        if (std::string(c.expression) == "1 < 2 == 1") {
            // The relation takes one further simple expression; "== 1" is then left over and
            // is not an argument separator.
            EXPECT_EQ(error, "Missing close parenthesis (line 2)");
            continue;
        }
        EXPECT_EQ(got, c.value) << c.expression << " " << error;
    }
}

TEST(Compiler, ConstantsTakeTheirValue) {
    ScriptRig rig;
    ASSERT_EQ(rig.Compile("P { const X 5, Y - 12, Z -3; Conditions { }; Exceptions { Out(X); Out(Y); Out(Z); }; }"), 1)
        << rig.Describe();
    EXPECT_EQ(rig.interpreter.RunExceptions(), 1);
    EXPECT_EQ(rig.owner.out, (std::vector<std::int32_t>{5, -12, -3}));
}

} // namespace
