// Script sources: compiled with the computer player's names, and what compiles is run within a
// step budget. The seed scripts import their shared include, which sits beside them.
#include "game/ai/builtin_table.h"
#include "game/ai/code.h"
#include "game/ai/compiler.h"
#include "game/ai/interpreter.h"
#include "tests/fuzz/fuzz_support.h"

namespace {
std::int32_t Nothing(void*, BuiltInArgs&) { return 0; }
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Begin();
    static const bool includes = [] {
        fuzz::CopyDataFiles(".inc", fuzz::ScratchDirectory());
        return true;
    }();
    static_cast<void>(includes);
    Code code;
    Compiler compiler(code);
    if (!RegisterScriptNames(compiler, Nothing)) return 0;
    compiler.SetImportDirectory(fuzz::ScratchDirectory());
    if (!compiler.CompileFile(fuzz::WriteScratch("FUZZ.SCR", data, size))) return 0;
    Interpreter interpreter(code, nullptr);
    for (std::size_t i = 0; i < ScriptBuiltIns().size(); ++i) interpreter.AddBuiltIn(Nothing);
    interpreter.SetStepBudget(20000);
    interpreter.RunProgram();
    interpreter.RunConditions();
    interpreter.RunExceptions();
    return 0;
}
