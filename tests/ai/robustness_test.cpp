// Damaged scripts and damaged code in bulk: the compiler must answer every text with a result
// and, on failure, an error text and a line inside the text; both engines must agree on every
// run and never crash.
#include "script_rig.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace {

const char* const SEEDS[] = {
    "P {\n"
    " var g, n;\n"
    " const K 3, L -2;\n"
    " procedure Fact(n2) { if n2 <= 1 return 1; return n2 * Fact((n2 - 1)); };\n"
    " procedure Odd(x);\n"
    " procedure Even(x) { if x == 0 return 1; return Odd((x - 1)); };\n"
    " procedure Odd(x) { if x == 0 return 0; return Even((x - 1)); };\n"
    " procedure Loop(var r, k) { var i; for i = 1 to k { if i == 4 continue; r = r + i; if r > 50 break; }; };\n"
    " Conditions { var c; c = Fact(K) + L; g = c XOR 1; n = NOT g; };\n"
    " Orders for Left { g, n Loop(g, 10); g Out(Sum3(1, Twice(2), 3)); };\n"
    " Exceptions { Out(Fact(5)); Loop(n, K); Out(n); Out(Even(6)); };\n"
    " Exceptions for Left { Out((g / 0)); Out(-7 / 2); };\n"
    "}\n",
    "P {\n"
    " var total;\n"
    " procedure Outer(a, var b) {\n"
    "   var t;\n"
    "   procedure Inner(k) { t = t + k * a; b = b + 1; watch \"t\" t; write \"x\"; };\n"
    "   t = 0; Inner(1); Inner(2);\n"
    "   while t > 0 { t = t - 5; };\n"
    "   return t;\n"
    " };\n"
    " Conditions { total = Outer(3, total) + Can Zero(); };\n"
    " Exceptions { Out(total); Put(total, 4); Out(Seven(total, 1, 2, 3, 4, 5, total)); };\n"
    "}\n",
};

bool isKnownError(const std::string& text) {
    static const char* const texts[] = {
        "Failed to open source file", "Illegal script name", "Missing open bracket", "Missing semicolon",
        "Expecting end of file", "Missing Conditions block", "Unknown object", "Import file lacks quotes",
        "Import file would not open", "Duplicate Conditions table", "Missing 'for' keyword", "Illegal group name",
        "Duplicate group Orders table", "Unknown condition", "Duplicate group Exceptions table",
        "Duplicate Exceptions table", "Keyword 'break' found outside of any loop",
        "Keyword 'continue' found outside of any loop", "Illegal statement", "Illegal variable identifier",
        "Duplicate identifier", "Illegal constant identifier", "Illegal constant", "Unknown identifier",
        "Assignment missing '='", "For statement missing '='", "Missing directional keyword",
        "Illegal procedure name", "Missing open parenthesis", "Missing close parenthesis",
        "Duplicate procedure identifier", "Procedure has multiple prototypes", "Illegal formal parameter",
        "Wrong number of arguments", "Cannot pass non-variable by reference", "Illeagal relational operator",
        "Illegal number", "Write string lacks quotes", "Block contains prototype without body",
        "Script too large", "Script nested too deeply", "Imports nested too deeply",
    };
    if (text.rfind("Scanner Error at ", 0) == 0) return true;
    return std::find(std::begin(texts), std::end(texts), text) != std::end(texts);
}

std::string mutate(std::string s, std::mt19937& random) {
    static const std::string fragments[] = {"{", "}", ";", "(", ")", ",", "=", "-", "var ", "procedure ", "if ",
                                         "else ", "for ", "to ", "while ", "break", "return ", "\"", "'", "\n",
                                         "Out", "g", "K", "12", "AND ", "Orders ", "Exceptions ", "Conditions "};
    int edits = 1 + static_cast<int>(random() % 3);
    for (int e = 0; e < edits && !s.empty(); ++e) {
        std::size_t at = random() % s.size();
        std::size_t length = 1 + random() % 12;
        // Swaps of digits and operators mostly keep a script whole, so that runs get tested too.
        const std::string operators = "+-*/<>";
        if (random() % 2 == 0) {
            std::size_t digit = s.find_first_of("0123456789", at);
            std::size_t op = s.find_first_of(operators, at);
            if (digit != std::string::npos && random() % 2 == 0) s[digit] = static_cast<char>('0' + random() % 10);
            else if (op != std::string::npos && s[op] != '-') s[op] = operators[random() % 4 == 0 ? 4 : random() % 4];
            continue;
        }
        switch (random() % 4) {
        case 0: s.erase(at, length); break;
        case 1: s.insert(at, s.substr(random() % s.size(), length)); break;
        case 2: s.insert(at, fragments[random() % std::size(fragments)]); break;
        default: s[at] = static_cast<char>(random() % 128); break;
        }
    }
    return s;
}

// Runs every table of the rig's code through the chosen engine.
std::vector<std::int32_t> runAll(ScriptRig& rig) {
    std::vector<std::int32_t> trace;
    rig.interpreter.SetStepBudget(4000);
    trace.push_back(rig.Program());
    trace.push_back(rig.Conditions());
    trace.push_back(rig.Orders("Left"));
    trace.push_back(rig.Exceptions());
    trace.push_back(rig.GroupExceptions("Left"));
    trace.push_back(static_cast<std::int32_t>(rig.interpreter.LastFault()));
    trace.insert(trace.end(), rig.owner.out.begin(), rig.owner.out.end());
    for (std::int32_t a = 0; a < 16; ++a) trace.push_back(rig.interpreter.Data(a));
    return trace;
}

TEST(Robustness, SeedScriptsCompile) {
    for (const char* seed : SEEDS) {
        ScriptRig rig;
        EXPECT_EQ(rig.Compile(seed), 1) << rig.Describe();
    }
}

TEST(Robustness, DamagedScriptsGetAnErrorOrRunTheSameOnBothEngines) {
    std::mt19937 random(20240611);
    int compiled = 0;
    for (int round = 0; round < 500; ++round) {
        const std::string source = mutate(SEEDS[round % std::size(SEEDS)], random);
        const int lines = static_cast<int>(std::count(source.begin(), source.end(), '\n')) +
                          static_cast<int>(std::count(source.begin(), source.end(), '\r')) + 1;
        ScriptRig decoded;
        int result = decoded.Compile(source);
        if (result == 0) {
            EXPECT_TRUE(isKnownError(decoded.compiler.ErrorText())) << decoded.compiler.ErrorText() << "\n" << source;
            EXPECT_GE(decoded.compiler.ErrorLine(), 1) << source;
            EXPECT_LE(decoded.compiler.ErrorLine(), lines) << source;
            continue;
        }
        ++compiled;
        ScriptRig stepwise;
        stepwise.engine = Engine::Stepwise;
        ASSERT_EQ(stepwise.Compile(source), 1);
        std::vector<std::int32_t> a = runAll(decoded);
        std::vector<std::int32_t> b = runAll(stepwise);
        if (static_cast<ScriptFault>(a[5]) == ScriptFault::StepBudget) {
            EXPECT_EQ(a[5], b[5]) << source;
            continue;
        }
        EXPECT_EQ(a, b) << source;
    }
    EXPECT_GT(compiled, 50);
    std::printf("%d of 500 damaged scripts compiled\n", compiled);
}

TEST(Robustness, RandomCodeNeverCrashesAndBothEnginesAgree) {
    std::mt19937 random(77);
    static const std::int32_t opcodes[] = {OP_LOAD, OP_LOADREF, OP_ADDR, OP_PUSH, OP_STORE, OP_STOREREF, OP_COPYIN,
                                           OP_LOADUP, OP_LOADUPREF, OP_STOREUP, OP_STOREUPREF, OP_DROP, OP_ADDRUP,
                                           OP_AND, OP_OR, OP_NOT, OP_XOR, OP_EQ, OP_NE, OP_GT, OP_LT, OP_GE, OP_LE,
                                           OP_ADD, OP_SUB, OP_MUL, OP_DIV, OP_JUMP, OP_JUMPFALSE, OP_CALL,
                                           OP_RETURN, OP_CALLBUILTIN, OP_END, OP_WATCH, OP_SKIP, 0x77};
    for (int round = 0; round < 400; ++round) {
        std::vector<std::int32_t> cells;
        const int length = 20 + static_cast<int>(random() % 60);
        while (static_cast<int>(cells.size()) < length) {
            std::int32_t op = opcodes[random() % std::size(opcodes)];
            cells.push_back(op);
            for (int k = 0; k < ScriptOperandCount(op); ++k) {
                // Mostly small operands, so that programs run a while before they fault.
                std::int32_t v = static_cast<std::int32_t>(random() % 16);
                if (op == OP_JUMP || op == OP_JUMPFALSE || (op == OP_CALL && k == 2)) v = static_cast<std::int32_t>(random() % length);
                if (op == OP_CALLBUILTIN && k == 0) v = static_cast<std::int32_t>(1u << (random() % 4));
                if (random() % 40 == 0) v = static_cast<std::int32_t>(random());
                cells.push_back(v);
            }
        }
        Code code;
        for (std::size_t i = 0; i < cells.size(); ++i) code.SetCell(static_cast<std::int32_t>(i), cells[i]);
        code.SetValid(1);
        std::int32_t sink = 0;
        auto builtIn = [](void* owner, BuiltInArgs& a) {
            std::int32_t sum = 0;
            for (int i = 0; i < a.Count(); ++i) sum += a[i];
            if (a.Count() > 0) a.Ref(0) = sum + 1;
            *static_cast<std::int32_t*>(owner) += 1;
            return sum;
        };
        Interpreter fast(code, &sink), slow(code, &sink);
        for (int i = 0; i < 4; ++i) {
            fast.AddBuiltIn(builtIn);
            slow.AddBuiltIn(builtIn);
        }
        fast.SetStepBudget(5000);
        slow.SetStepBudget(5000);
        int a = fast.Run(0);
        int b = slow.RunStepByStep(0);
        EXPECT_EQ(a, b) << round;
        EXPECT_EQ(fast.LastFault(), slow.LastFault()) << round;
        if (fast.LastFault() == ScriptFault::None) {
            EXPECT_EQ(fast.EvaluationDepth(), slow.EvaluationDepth()) << round;
            EXPECT_EQ(fast.LastRunSteps(), slow.LastRunSteps()) << round;
            for (std::int32_t d = 0; d < 40; ++d) EXPECT_EQ(fast.Data(d), slow.Data(d)) << round;
        }
    }
}

} // namespace
