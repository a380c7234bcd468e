#pragma once
// A compiler, code and interpreter wired together the way the computer player wires them, with
// a handful of built-ins that record what scripts hand them.
#include "game/ai/code.h"
#include "game/ai/compiler.h"
#include "game/ai/interpreter.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

// A directory of its own for each test, removed afterwards.
class TempDir {
public:
    TempDir() {
        static std::atomic<int> serial{0};
        path_ = std::filesystem::temp_directory_path() /
                ("vh_ai_" + std::to_string(::getpid()) + "_" + std::to_string(serial++));
        std::filesystem::create_directories(path_);
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::string Write(const std::string& name, const std::string& text) const {
        std::string file = (path_ / name).string();
        std::ofstream(file, std::ios::binary) << text;
        return file;
    }
    std::string File(const std::string& name) const { return (path_ / name).string(); }
    std::string Path() const { return path_.string(); }

private:
    std::filesystem::path path_;
};

// The two engines of the interpreter, which must agree on every script.
enum class Engine { Decoded, Stepwise };

inline std::string EngineName(const ::testing::TestParamInfo<Engine>& info) {
    return info.param == Engine::Decoded ? "Decoded" : "Stepwise";
}

// What the test built-ins saw.
struct RigOwner {
    std::vector<std::int32_t> out;
    std::vector<std::vector<std::int32_t>> calls;
    int runsFromBuiltIn = 0;
    Interpreter* interpreter = nullptr;
};

class ScriptRig {
public:
    ScriptRig() : compiler(code), interpreter(code, &owner) {
        owner.interpreter = &interpreter;
        Add("Out", "1", [](void* o, BuiltInArgs& a) {
            static_cast<RigOwner*>(o)->out.push_back(a[0]);
            return a[0];
        });
        // Writes its second argument into the variable given first.
        Add("Put", "01", [](void*, BuiltInArgs& a) {
            a.Ref(0) = a[1];
            return 1;
        });
        Add("Sum3", "111", [](void* o, BuiltInArgs& a) {
            static_cast<RigOwner*>(o)->calls.push_back({a[0], a[1], a[2]});
            return a[0] + a[1] + a[2];
        });
        // Seven parameters: the first and last by reference, the rest by value.
        Add("Seven", "0111110", [](void* o, BuiltInArgs& a) {
            std::vector<std::int32_t> seen;
            for (int i = 0; i < a.Count(); ++i) seen.push_back(a[i] * (a.IsReference(i) ? -1 : 1));
            static_cast<RigOwner*>(o)->calls.push_back(seen);
            a.Ref(0) = 70;
            a.Ref(6) = 76;
            a.Ref(1) = 71;  // a private copy: the caller's variable keeps its value
            return 7;
        });
        Add("Zero", "", [](void*, BuiltInArgs& a) { return a.Count(); });
        Add("Twice", "1", [](void*, BuiltInArgs& a) { return 2 * a[0]; });
        // Starts a run from inside a run, which the interpreter must refuse.
        Add("Nested", "", [](void* o, BuiltInArgs&) {
            auto* rig = static_cast<RigOwner*>(o);
            ++rig->runsFromBuiltIn;
            return rig->interpreter->RunConditions();
        });
        compiler.AddConstant("FAILED", 0);
        compiler.AddConstant("TRUE", 1);
        compiler.AddConstant("MINUS", -5);
    }

    void Add(const char* name, const char* digits, BuiltInFunction f) {
        EXPECT_TRUE(compiler.AddProcedure(name, digits, f));
        interpreter.AddBuiltIn(f);
    }

    // Compiles a source text written to a file of the test's directory.
    int Compile(const std::string& text, const std::string& name = "script.txt") {
        return compiler.CompileFile(dir.Write(name, text));
    }

    // Runs of the tables through the chosen engine, with the interpreter's results.
    int RunAt(std::int32_t entry) {
        return engine == Engine::Decoded ? interpreter.Run(entry) : interpreter.RunStepByStep(entry);
    }
    int Program() { return RunAt(0); }
    int Conditions() { return code.ConditionsEntry() < 0 ? -1 : RunAt(code.ConditionsEntry()); }
    int Exceptions() { return code.ExceptionsEntry() < 0 ? -1 : RunAt(code.ExceptionsEntry()); }
    int Orders(const std::string& group) {
        std::int32_t entry;
        return code.FindOrders(group, entry) ? RunAt(entry) : -1;
    }
    int GroupExceptions(const std::string& group) {
        std::int32_t entry;
        return code.FindExceptions(group, entry) ? RunAt(entry) : -1;
    }

    // The last compile error as "text (line n)".
    std::string Describe() const {
        return compiler.ErrorText() + " (line " + std::to_string(compiler.ErrorLine()) + ")";
    }

    Engine engine = Engine::Decoded;
    TempDir dir;
    Code code;
    Compiler compiler;
    RigOwner owner;
    Interpreter interpreter;
};
