// How fast the script interpreter runs loop-heavy code, beside Lua 5.4 running the same loops.
// Each pair of benchmarks computes the same function; the ratios at the end compare their times.
#include "game/ai/code.h"
#include "game/ai/compiler.h"
#include "game/ai/interpreter.h"

#include <benchmark/benchmark.h>
#include <lua.hpp>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <unistd.h>

namespace {

constexpr int LOOP = 100000;

struct Workload {
    const char* name;
    const char* script;  // procedure Work(n) and what it needs
    const char* lua;     // function work(n)
};

const Workload WORKLOADS[] = {
    {"Sum",
     "procedure Work(n) { var i, s; s = 0; for i = 1 to n { s = s + i; }; return s; };",
     "function work(n) local s = 0 for i = 1, n do s = (s + i) & 0xffffffff end return s end"},
    {"Mixed",
     "procedure Step(x) { return x * 3 + 1; };\n"
     "procedure Work(n) { var i, s, t; s = 0;\n"
     "  for i = 1 to n { t = i / 7; if t * 7 == i s = s + Step(t) else s = s - 1; };\n"
     "  return s; };",
     "local function step(x) return x * 3 + 1 end\n"
     "function work(n) local s = 0\n"
     "  for i = 1, n do local t = i // 7 if t * 7 == i then s = s + step(t) else s = s - 1 end end\n"
     "  return s end"},
    {"While",
     "var total;\n"
     "procedure Work(n) { var i, j; i = 0; total = 0;\n"
     "  while i < n { j = i; while j > i - 3 { total = total + j; j = j - 1; }; i = i + 1; };\n"
     "  return total; };",
     "total = 0\n"
     "function work(n) local i = 0 total = 0\n"
     "  while i < n do local j = i while j > i - 3 do total = (total + j) & 0xffffffff j = j - 1 end i = i + 1 end\n"
     "  return total end"},
};

std::int32_t keep(void* owner, BuiltInArgs& args) {
    *static_cast<std::int32_t*>(owner) = args[0];
    return 0;
}

void scriptLoop(benchmark::State& state, const Workload& w) {
    std::string file = (std::filesystem::temp_directory_path() / ("vh_ai_bench_" + std::to_string(::getpid()) + ".txt")).string();
    std::ofstream(file) << "Bench {\n" << w.script << "\n Conditions { };\n Exceptions { Keep(Work(" << LOOP << ")); };\n}\n";
    Code code;
    Compiler compiler(code);
    std::int32_t result = 0;
    Interpreter interpreter(code, &result);
    compiler.AddProcedure("Keep", "1", keep);
    interpreter.AddBuiltIn(keep);
    int compiled = compiler.CompileFile(file);
    std::filesystem::remove(file);
    if (!compiled) {
        state.SkipWithError(compiler.ErrorText().c_str());
        return;
    }
    interpreter.SetStepBudget(1ull << 40);
    interpreter.RunProgram();
    std::uint64_t instructions = 0;
    for (auto _ : state) {
        if (interpreter.RunExceptions() != 1) {
            state.SkipWithError(ScriptFaultText(interpreter.LastFault()));
            return;
        }
        instructions += interpreter.LastRunSteps();
        benchmark::DoNotOptimize(result);
    }
    state.SetItemsProcessed(state.iterations() * LOOP);
    state.counters["instr/s"] = benchmark::Counter(static_cast<double>(instructions), benchmark::Counter::kIsRate);
    state.counters["result"] = result;
}

void luaLoop(benchmark::State& state, const Workload& w) {
    lua_State* L = luaL_newstate();
    luaL_openlibs(L);
    if (luaL_dostring(L, w.lua) != LUA_OK) {
        state.SkipWithError(lua_tostring(L, -1));
        lua_close(L);
        return;
    }
    lua_Integer result = 0;
    for (auto _ : state) {
        lua_getglobal(L, "work");
        lua_pushinteger(L, LOOP);
        if (lua_pcall(L, 1, 1, 0) != LUA_OK) {
            state.SkipWithError(lua_tostring(L, -1));
            break;
        }
        result = lua_tointeger(L, -1);
        lua_pop(L, 1);
        benchmark::DoNotOptimize(result);
    }
    state.SetItemsProcessed(state.iterations() * LOOP);
    state.counters["result"] = static_cast<double>(static_cast<std::int32_t>(result));
    lua_close(L);
}

// Prints the usual table and keeps each benchmark's time for the ratios.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs)
            if (r.run_type == Run::RT_Iteration) times_[r.benchmark_name()] = r.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
    void PrintRatios() const {
        std::printf("\nScript interpreter time / Lua 5.4 time for the same loop (goal: 2 or less)\n");
        for (const Workload& w : WORKLOADS) {
            auto script = times_.find(std::string("Script/") + w.name);
            auto lua = times_.find(std::string("Lua/") + w.name);
            if (script == times_.end() || lua == times_.end() || lua->second <= 0) continue;
            std::printf("  %-8s %.2f\n", w.name, script->second / lua->second);
        }
    }

private:
    std::map<std::string, double> times_;
};

} // namespace

int main(int argc, char** argv) {
    for (const Workload& w : WORKLOADS) {
        benchmark::RegisterBenchmark((std::string("Script/") + w.name).c_str(), scriptLoop, w)->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark((std::string("Lua/") + w.name).c_str(), luaLoop, w)->Unit(benchmark::kMicrosecond);
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    benchmark::Shutdown();
    return 0;
}
