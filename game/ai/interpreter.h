#pragma once
// Runs a compiled computer-player script on a stack machine: the top-level code, the Conditions
// table, the program-wide Exceptions table and a group's Orders or Exceptions table, each from
// its entry address to the next END. Built-in procedures are functions of the owner (the
// computer-player component), numbered in the order they are added.
//
// A run can never take the game down: every address, stack access, built-in number and level is
// checked, and a run stops after a budget of instructions. A run that stops on such a fault
// fails (result 0), and the fault is kept for the caller to read.
#include "game/ai/builtin.h"
#include "game/ai/code.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

enum class ScriptFault {
    None,
    NotValid,            // the Code was never compiled or loaded whole
    BadJump,             // control reached a cell outside the code, or an instruction runs past its end
    StackUnderflow,      // a pop from the empty evaluation stack
    StackOverflow,       // the evaluation stack is full
    CallStackUnderflow,  // RETURN without a CALL
    CallTooDeep,         // calls nested beyond the limit
    BadDataAddress,      // a data cell outside the data memory's limit
    BadLevel,            // a procedure level outside the display
    BadBuiltIn,          // a built-in number that is not registered, or a bad parameter mark
    StepBudget,          // the run took more instructions than its budget
    Reentered,           // a run was started from a built-in inside another run
};

// A short English text for a fault, for logs and reports.
const char* ScriptFaultText(ScriptFault fault);

class Interpreter {
public:
    // Limits of one interpreter.
    static constexpr std::int32_t MAX_DATA_CELLS = 1 << 20;
    static constexpr std::int32_t MAX_STACK = 1 << 16;
    static constexpr std::int32_t MAX_CALL_DEPTH = 10000;
    static constexpr std::int32_t MAX_LEVELS = 4096;
    static constexpr std::uint64_t DEFAULT_STEP_BUDGET = 20'000'000;

    Interpreter(Code& code, void* owner);
    ~Interpreter();
    Interpreter(const Interpreter&) = delete;
    Interpreter& operator=(const Interpreter&) = delete;

    // Appends a built-in; the owner adds them in the same order as with Compiler::AddProcedure.
    void AddBuiltIn(BuiltInFunction function);
    int BuiltInCount() const { return static_cast<int>(builtIns_.size()); }

    // 0 when the Code is not valid or the run faulted; else 1 when the run ended with an empty
    // evaluation stack, 0 when values were left on it.
    int Run(std::int32_t start);
    int RunProgram() { return Run(0); }
    // -1 when the Code has no such table, else as Run.
    int RunConditions();
    int RunExceptions();
    int RunOrders(const std::string& group);
    int RunGroupExceptions(const std::string& group);

    // One instruction on the current machine state: 0 at END (the counter stays on it) or on a
    // fault, else 1 with the counter on the next instruction.
    int Step(std::int32_t& pc);
    // The same run as Run, one instruction at a time through Step.
    int RunStepByStep(std::int32_t start);

    // Instructions one run may take before it is stopped.
    void SetStepBudget(std::uint64_t steps) { stepBudget_ = steps; }
    std::uint64_t StepBudget() const { return stepBudget_; }

    // What stopped the last run, where, and how many instructions it took.
    ScriptFault LastFault() const { return fault_; }
    std::int32_t FaultAddress() const { return faultAddress_; }
    std::uint64_t LastRunSteps() const { return steps_; }

    // The data memory (global variables lie at their variable index), read for diagnosis.
    std::int32_t Data(std::int32_t address) const;
    std::int32_t EvaluationDepth() const { return sp_; }

    // Called by WATCH with the statement's source line and the watched value.
    void SetWatchHandler(std::function<void(int line, std::int32_t value)> handler) { watch_ = std::move(handler); }

private:
    struct Frame {
        std::int32_t returnAddress;
        std::int32_t base;
        std::int32_t level;
        std::int32_t savedDisplay;
    };
    struct Decoded;

    bool BeginRun();
    int FinishRun();
    void Fail(ScriptFault fault, std::int32_t pc);
    int Execute(std::int32_t start);
    void Decode();
    std::int32_t* DataCell(std::int32_t address);
    bool CallBuiltIn(std::int32_t mark, std::int32_t number);

    Code& code_;
    void* owner_;
    std::vector<BuiltInFunction> builtIns_;
    std::vector<std::int32_t> data_;
    std::vector<std::int32_t> display_;
    std::vector<Frame> calls_;
    std::vector<std::int32_t> stack_;
    std::int32_t sp_ = 0;
    std::int32_t base_ = 0;
    std::int32_t level_ = 0;
    bool running_ = false;
    std::uint64_t stepBudget_ = DEFAULT_STEP_BUDGET;
    std::uint64_t steps_ = 0;
    ScriptFault fault_ = ScriptFault::None;
    std::int32_t faultAddress_ = -1;
    std::function<void(int, std::int32_t)> watch_;
    std::vector<Decoded> decoded_;
    std::uint64_t decodedRevision_ = ~0ull;
    const Code* decodedCode_ = nullptr;
};
