// Compiled-script files: a file the loader accepts is run, within a step budget, on every entry.
#include "game/ai/builtin_table.h"
#include "game/ai/code.h"
#include "game/ai/interpreter.h"
#include "tests/fuzz/fuzz_support.h"

namespace {
std::int32_t Nothing(void*, BuiltInArgs&) { return 0; }
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Begin();
    Code code;
    if (!code.Load(fuzz::WriteScratch("fuzz.scc", data, size))) return 0;
    Interpreter interpreter(code, nullptr);
    for (std::size_t i = 0; i < ScriptBuiltIns().size(); ++i) interpreter.AddBuiltIn(Nothing);
    interpreter.SetStepBudget(20000);
    interpreter.RunProgram();
    interpreter.RunConditions();
    interpreter.RunExceptions();
    return 0;
}
