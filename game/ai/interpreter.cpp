#include "game/ai/interpreter.h"

#include <climits>

// The machine: data memory (global variables at their index, procedure frames above them), a
// display of frame bases by procedure level, a call stack and an evaluation stack. Two engines
// run it with the same meaning: Step takes one raw instruction at a time; Execute runs a decoded
// copy of the code in which every cell holds the instruction that starts there, with its checks
// done once (operands inside the code, jump targets inside the code) and common sequences fused.

const char* ScriptFaultText(ScriptFault fault) {
    switch (fault) {
    case ScriptFault::None: return "no fault";
    case ScriptFault::NotValid: return "the code is not valid";
    case ScriptFault::BadJump: return "control left the code";
    case ScriptFault::StackUnderflow: return "evaluation stack underflow";
    case ScriptFault::StackOverflow: return "evaluation stack overflow";
    case ScriptFault::CallStackUnderflow: return "return without a call";
    case ScriptFault::CallTooDeep: return "calls nested too deeply";
    case ScriptFault::BadDataAddress: return "data address out of range";
    case ScriptFault::BadLevel: return "procedure level out of range";
    case ScriptFault::BadBuiltIn: return "bad built-in call";
    case ScriptFault::StepBudget: return "step budget exceeded";
    case ScriptFault::Reentered: return "run started inside another run";
    }
    return "unknown fault";
}

namespace {

std::int32_t wrapAdd(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}

std::int32_t wrapSub(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) - static_cast<std::uint32_t>(b));
}

std::int32_t wrapMul(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) * static_cast<std::uint32_t>(b));
}

// Division by zero gives 0 and the one quotient that does not fit wraps, so that no script
// value can stop the machine.
std::int32_t safeDiv(std::int32_t a, std::int32_t b) {
    if (b == 0) return 0;
    if (b == -1) return wrapSub(0, a);
    return a / b;
}

// The binary operators, by opcode; a is the operand pushed first.
inline std::int32_t binary(std::int32_t op, std::int32_t a, std::int32_t b) {
    switch (op) {
    case OP_AND: return (a != 0 && b != 0) ? 1 : 0;
    case OP_OR: return (a != 0 || b != 0) ? 1 : 0;
    case OP_XOR: return ((a != 0) != (b != 0)) ? 1 : 0;
    case OP_EQ: return a == b;
    case OP_NE: return a != b;
    case OP_GT: return a > b;
    case OP_LT: return a < b;
    case OP_GE: return a >= b;
    case OP_LE: return a <= b;
    case OP_ADD: return wrapAdd(a, b);
    case OP_SUB: return wrapSub(a, b);
    case OP_MUL: return wrapMul(a, b);
    case OP_DIV: return safeDiv(a, b);
    default: return 0;
    }
}

bool isBinary(std::int32_t op) { return op >= OP_AND && op <= OP_DIV && op != OP_NOT; }

std::int32_t parameterCount(std::int32_t mark) {
    std::uint32_t low = static_cast<std::uint32_t>(mark) & 0xFFu;
    std::int32_t n = -1;
    for (int bit = 0; bit < 8; ++bit)
        if (low & (1u << bit)) n = bit;
    return n;
}

} // namespace

void Interpreter::AddBuiltIn(BuiltInFunction function) { builtIns_.push_back(function); }

std::int32_t Interpreter::Data(std::int32_t address) const {
    return address >= 0 && address < static_cast<std::int32_t>(data_.size()) ? data_[static_cast<std::size_t>(address)] : 0;
}

std::int32_t* Interpreter::DataCell(std::int32_t address) {
    auto a = static_cast<std::uint32_t>(address);
    if (a < data_.size()) return &data_[a];
    if (a >= static_cast<std::uint32_t>(MAX_DATA_CELLS)) return nullptr;
    // Cells a script has not written read as 0.
    std::size_t size = std::max<std::size_t>(data_.size() * 2, (a / 100 + 1) * 100);
    data_.resize(std::min<std::size_t>(size, static_cast<std::size_t>(MAX_DATA_CELLS)), 0);
    return &data_[a];
}

void Interpreter::Fail(ScriptFault fault, std::int32_t pc) {
    if (fault_ == ScriptFault::None) {
        fault_ = fault;
        faultAddress_ = pc;
    }
}

int Interpreter::RunConditions() {
    if (code_.ConditionsEntry() < 0) return -1;
    return Run(code_.ConditionsEntry());
}

int Interpreter::RunExceptions() {
    if (code_.ExceptionsEntry() < 0) return -1;
    return Run(code_.ExceptionsEntry());
}

int Interpreter::RunOrders(const std::string& group) {
    std::int32_t entry;
    if (!code_.FindOrders(group, entry)) return -1;
    return Run(entry);
}

int Interpreter::RunGroupExceptions(const std::string& group) {
    std::int32_t entry;
    if (!code_.FindExceptions(group, entry)) return -1;
    return Run(entry);
}

bool Interpreter::BeginRun() {
    // A built-in that starts another run would tear the running one's state apart.
    if (running_) return false;
    fault_ = ScriptFault::None;
    faultAddress_ = -1;
    steps_ = 0;
    if (!code_.IsValid()) {
        fault_ = ScriptFault::NotValid;
        return false;
    }
    // Each run starts on empty stacks, so that a run that stopped half-way cannot make every
    // later run fail.
    sp_ = 0;
    calls_.clear();
    base_ = 0;
    level_ = 0;
    display_[0] = 0;
    running_ = true;
    return true;
}

int Interpreter::FinishRun() {
    running_ = false;
    if (fault_ != ScriptFault::None) return 0;
    return sp_ == 0 ? 1 : 0;
}

int Interpreter::Run(std::int32_t start) {
    if (!BeginRun()) return 0;
    Execute(start);
    return FinishRun();
}

int Interpreter::RunStepByStep(std::int32_t start) {
    if (!BeginRun()) return 0;
    std::int32_t pc = start;
    // Steps are counted as the decoded engine counts them: every instruction, END included.
    for (;;) {
        if (++steps_ > stepBudget_) {
            Fail(ScriptFault::StepBudget, pc);
            break;
        }
        if (!Step(pc)) break;
    }
    return FinishRun();
}

bool Interpreter::CallBuiltIn(std::int32_t mark, std::int32_t number) {
    std::int32_t n = parameterCount(mark);
    if (n < 0 || number < 0 || number >= static_cast<std::int32_t>(builtIns_.size()) ||
        builtIns_[static_cast<std::size_t>(number)] == nullptr) {
        Fail(ScriptFault::BadBuiltIn, -1);
        return false;
    }
    if (sp_ < n) {
        Fail(ScriptFault::StackUnderflow, -1);
        return false;
    }
    BuiltInArgs args;
    args.count_ = n;
    args.mark_ = static_cast<std::uint32_t>(mark);
    const std::int32_t* addresses = &stack_[static_cast<std::size_t>(sp_ - n)];
    // Every cell is made to exist before any is pointed at, since growing moves the memory.
    for (std::int32_t i = 0; i < n; ++i) {
        if (!DataCell(addresses[i])) {
            Fail(ScriptFault::BadDataAddress, -1);
            return false;
        }
    }
    for (std::int32_t i = 0; i < n; ++i) {
        std::int32_t* cell = &data_[static_cast<std::uint32_t>(addresses[i])];
        if (args.IsReference(i)) {
            args.cell_[i] = cell;
        } else {
            args.value_[i] = *cell;
            args.cell_[i] = &args.value_[i];
        }
    }
    sp_ -= n;
    std::int32_t result = builtIns_[static_cast<std::size_t>(number)](owner_, args);
    stack_[static_cast<std::size_t>(sp_++)] = result;
    return true;
}

// ---- the reference engine -----------------------------------------------------------------

int Interpreter::Step(std::int32_t& pc) {
    const std::int32_t count = code_.CellCount();
    const std::int32_t* cells = code_.Cells();
    auto fail = [&](ScriptFault f) {
        Fail(f, pc);
        return 0;
    };
    if (pc < 0 || pc >= count) return fail(ScriptFault::BadJump);
    const std::int32_t op = cells[pc];
    const int operands = ScriptOperandCount(op);
    if (pc + operands >= count) return fail(ScriptFault::BadJump);
    const std::int32_t a = operands > 0 ? cells[pc + 1] : 0;
    const std::int32_t b = operands > 1 ? cells[pc + 2] : 0;
    const std::int32_t c = operands > 2 ? cells[pc + 3] : 0;
    std::int32_t next = pc + 1 + operands;

    auto push = [&](std::int32_t v) {
        if (sp_ >= MAX_STACK) return false;
        stack_[static_cast<std::size_t>(sp_++)] = v;
        return true;
    };
    auto pop = [&](std::int32_t& v) {
        if (sp_ <= 0) return false;
        v = stack_[static_cast<std::size_t>(--sp_)];
        return true;
    };
    auto levelOk = [](std::int32_t level) { return level >= 0 && level < MAX_LEVELS; };
    std::int32_t x, y;
    std::int32_t* cell;

    switch (op) {
    case OP_LOAD:
    case OP_LOADREF:
        if (!(cell = DataCell(wrapAdd(base_, a)))) return fail(ScriptFault::BadDataAddress);
        x = *cell;
        if (op == OP_LOADREF) {
            if (!(cell = DataCell(x))) return fail(ScriptFault::BadDataAddress);
            x = *cell;
        }
        if (!push(x)) return fail(ScriptFault::StackOverflow);
        break;
    case OP_ADDR:
        if (!push(wrapAdd(base_, a))) return fail(ScriptFault::StackOverflow);
        break;
    case OP_PUSH:
        if (!push(a)) return fail(ScriptFault::StackOverflow);
        break;
    case OP_STORE:
    case OP_STOREREF:
        if (!pop(x)) return fail(ScriptFault::StackUnderflow);
        if (!(cell = DataCell(wrapAdd(base_, a)))) return fail(ScriptFault::BadDataAddress);
        if (op == OP_STOREREF && !(cell = DataCell(*cell))) return fail(ScriptFault::BadDataAddress);
        *cell = x;
        break;
    case OP_COPYIN:
        if (!pop(x)) return fail(ScriptFault::StackUnderflow);
        if (!(cell = DataCell(x))) return fail(ScriptFault::BadDataAddress);
        y = *cell;
        if (!(cell = DataCell(wrapAdd(base_, a)))) return fail(ScriptFault::BadDataAddress);
        *cell = y;
        break;
    case OP_LOADUP:
    case OP_LOADUPREF:
        if (!levelOk(a)) return fail(ScriptFault::BadLevel);
        if (!(cell = DataCell(wrapAdd(display_[static_cast<std::size_t>(a)], b)))) return fail(ScriptFault::BadDataAddress);
        x = *cell;
        if (op == OP_LOADUPREF) {
            if (!(cell = DataCell(x))) return fail(ScriptFault::BadDataAddress);
            x = *cell;
        }
        if (!push(x)) return fail(ScriptFault::StackOverflow);
        break;
    case OP_STOREUP:
    case OP_STOREUPREF:
        if (!levelOk(a)) return fail(ScriptFault::BadLevel);
        if (!pop(x)) return fail(ScriptFault::StackUnderflow);
        if (!(cell = DataCell(wrapAdd(display_[static_cast<std::size_t>(a)], b)))) return fail(ScriptFault::BadDataAddress);
        if (op == OP_STOREUPREF && !(cell = DataCell(*cell))) return fail(ScriptFault::BadDataAddress);
        *cell = x;
        break;
    case OP_ADDRUP:
        if (!levelOk(a)) return fail(ScriptFault::BadLevel);
        if (!push(wrapAdd(display_[static_cast<std::size_t>(a)], b))) return fail(ScriptFault::StackOverflow);
        break;
    case OP_DROP:
    case OP_WATCH:
        if (!pop(x)) return fail(ScriptFault::StackUnderflow);
        if (op == OP_WATCH && watch_) watch_(a, x);
        break;
    case OP_NOT:
        if (!pop(x)) return fail(ScriptFault::StackUnderflow);
        push(x == 0 ? 1 : 0);
        break;
    case OP_JUMP:
        next = a;
        break;
    case OP_JUMPFALSE:
        if (!pop(x)) return fail(ScriptFault::StackUnderflow);
        if (x == 0) next = a;
        break;
    case OP_CALL:
        if (!levelOk(a)) return fail(ScriptFault::BadLevel);
        if (static_cast<std::int32_t>(calls_.size()) >= MAX_CALL_DEPTH) return fail(ScriptFault::CallTooDeep);
        calls_.push_back({next, base_, level_, display_[static_cast<std::size_t>(level_)]});
        display_[static_cast<std::size_t>(level_)] = base_;
        level_ = a;
        base_ = wrapAdd(base_, b);
        next = c;
        break;
    case OP_RETURN: {
        if (calls_.empty()) return fail(ScriptFault::CallStackUnderflow);
        Frame f = calls_.back();
        calls_.pop_back();
        next = f.returnAddress;
        base_ = f.base;
        level_ = f.level;
        display_[static_cast<std::size_t>(level_)] = f.savedDisplay;
        break;
    }
    case OP_CALLBUILTIN:
        if (!CallBuiltIn(a, b)) {
            faultAddress_ = pc;
            return 0;
        }
        break;
    case OP_END:
        return 0;
    case OP_SKIP:
        next = wrapAdd(next, a);
        break;
    default:
        if (isBinary(op)) {
            if (!pop(y) || !pop(x)) return fail(ScriptFault::StackUnderflow);
            push(binary(op, x, y));
        }
        // Any other value is stepped over as a one-cell instruction.
        break;
    }
    pc = next;
    return 1;
}

// ---- the decoded engine -------------------------------------------------------------------

namespace {

enum DecodedOp : std::uint8_t {
    X_FAULT,  // a: the fault
    X_NOP,
    X_LOAD,
    X_LOADREF,
    X_ADDR,
    X_PUSH,
    X_STORE,
    X_STOREREF,
    X_COPYIN,
    X_LOADUP,
    X_LOADUPREF,
    X_STOREUP,
    X_STOREUPREF,
    X_ADDRUP,
    X_DROP,
    X_WATCH,
    X_NOT,
    X_BIN,  // sub: the operator
    X_JUMP,
    X_JUMPFALSE,
    X_CALL,
    X_RETURN,
    X_CALLBUILTIN,
    X_END,
    // Fused sequences; sub is the operator, c the store index or jump target.
    X_PUSH_STORE,            // PUSH a; STORE b
    X_LOAD_PUSH_BIN,         // LOAD a; PUSH b; op
    X_LOAD_LOAD_BIN,         // LOAD a; LOAD b; op
    X_LOAD_PUSH_BIN_STORE,   // LOAD a; PUSH b; op; STORE c
    X_LOAD_LOAD_BIN_STORE,   // LOAD a; LOAD b; op; STORE c
    X_LOAD_PUSH_BIN_JF,      // LOAD a; PUSH b; op; JUMPFALSE c
    X_PUSH_LOAD_BIN_JF,      // PUSH a; LOAD b; op; JUMPFALSE c
    X_LOAD_LOAD_BIN_JF,      // LOAD a; LOAD b; op; JUMPFALSE c
    X_BIN_JF,                // op; JUMPFALSE c
    X_BIN_STORE,             // op; STORE c
};

} // namespace

struct Interpreter::Decoded {
    std::uint8_t op = X_FAULT;
    std::uint8_t sub = 0;
    std::uint8_t count = 1;  // instructions of the script that this entry stands for
    std::int32_t a = static_cast<std::int32_t>(ScriptFault::BadJump);
    std::int32_t b = 0;
    std::int32_t c = 0;
    std::int32_t next = 0;
};

// The decoded engine's entries must be complete where the vector of them is built and destroyed.
Interpreter::Interpreter(Code& code, void* owner) : code_(code), owner_(owner) {
    stack_.resize(static_cast<std::size_t>(MAX_STACK));
    display_.assign(static_cast<std::size_t>(MAX_LEVELS), 0);
    data_.resize(100, 0);
}

Interpreter::~Interpreter() = default;

void Interpreter::Decode() {
    const std::int32_t n = code_.CellCount();
    const std::int32_t* cells = code_.Cells();
    // One entry per cell, since a jump may land on any cell, and one past the end that faults.
    std::vector<Decoded> d(static_cast<std::size_t>(n) + 1);
    auto target = [n](std::int32_t t) { return t >= 0 && t < n ? t : n; };

    for (std::int32_t pc = 0; pc < n; ++pc) {
        Decoded& e = d[static_cast<std::size_t>(pc)];
        const std::int32_t op = cells[pc];
        const int operands = ScriptOperandCount(op);
        if (pc + operands >= n) continue;  // runs past the end: stays a fault
        e.a = operands > 0 ? cells[pc + 1] : 0;
        e.b = operands > 1 ? cells[pc + 2] : 0;
        e.c = operands > 2 ? cells[pc + 3] : 0;
        e.next = pc + 1 + operands;
        switch (op) {
        case OP_LOAD: e.op = X_LOAD; break;
        case OP_LOADREF: e.op = X_LOADREF; break;
        case OP_ADDR: e.op = X_ADDR; break;
        case OP_PUSH: e.op = X_PUSH; break;
        case OP_STORE: e.op = X_STORE; break;
        case OP_STOREREF: e.op = X_STOREREF; break;
        case OP_COPYIN: e.op = X_COPYIN; break;
        case OP_LOADUP: e.op = X_LOADUP; break;
        case OP_LOADUPREF: e.op = X_LOADUPREF; break;
        case OP_STOREUP: e.op = X_STOREUP; break;
        case OP_STOREUPREF: e.op = X_STOREUPREF; break;
        case OP_ADDRUP: e.op = X_ADDRUP; break;
        case OP_DROP: e.op = X_DROP; break;
        case OP_WATCH: e.op = X_WATCH; break;
        case OP_NOT: e.op = X_NOT; break;
        case OP_JUMP: e.op = X_JUMP; e.c = target(e.a); break;
        case OP_JUMPFALSE: e.op = X_JUMPFALSE; e.c = target(e.a); break;
        case OP_CALL: e.op = X_CALL; e.c = target(e.c); break;
        case OP_RETURN: e.op = X_RETURN; break;
        case OP_CALLBUILTIN: e.op = X_CALLBUILTIN; break;
        case OP_END: e.op = X_END; break;
        case OP_SKIP: e.op = X_JUMP; e.c = target(wrapAdd(e.next, e.a)); break;
        default:
            if (isBinary(op)) {
                e.op = X_BIN;
                e.sub = static_cast<std::uint8_t>(op);
            } else {
                e.op = X_NOP;
            }
            break;
        }
    }

    // Fuse the sequences that loops and expressions are made of. The entries read here are the
    // single instructions, so a jump into the middle of a fused sequence still finds its own.
    std::vector<Decoded> single(d);
    auto at = [&](std::int32_t pc) -> const Decoded& { return single[static_cast<std::size_t>(pc)]; };
    for (std::int32_t pc = 0; pc < n; ++pc) {
        const Decoded& s0 = at(pc);
        Decoded& e = d[static_cast<std::size_t>(pc)];
        if (s0.op == X_FAULT) continue;
        const Decoded& s1 = at(s0.next);
        if (s0.op == X_BIN) {
            if (s1.op == X_JUMPFALSE) e = {X_BIN_JF, s0.sub, 2, 0, 0, s1.c, s1.next};
            else if (s1.op == X_STORE) e = {X_BIN_STORE, s0.sub, 2, 0, 0, s1.a, s1.next};
            continue;
        }
        if (s0.op == X_PUSH && s1.op == X_STORE) {
            e = {X_PUSH_STORE, 0, 2, s0.a, s1.a, 0, s1.next};
            continue;
        }
        if ((s0.op == X_LOAD || s0.op == X_PUSH) && (s1.op == X_LOAD || s1.op == X_PUSH) && s1.next < n) {
            const Decoded& s2 = at(s1.next);
            if (s2.op != X_BIN) continue;
            const Decoded& s3 = at(s2.next);
            const bool loadPush = s0.op == X_LOAD && s1.op == X_PUSH;
            const bool loadLoad = s0.op == X_LOAD && s1.op == X_LOAD;
            const bool pushLoad = s0.op == X_PUSH && s1.op == X_LOAD;
            if (s3.op == X_JUMPFALSE && (loadPush || loadLoad || pushLoad)) {
                std::uint8_t op = loadPush ? X_LOAD_PUSH_BIN_JF : loadLoad ? X_LOAD_LOAD_BIN_JF : X_PUSH_LOAD_BIN_JF;
                e = {op, s2.sub, 4, s0.a, s1.a, s3.c, s3.next};
            } else if (s3.op == X_STORE && (loadPush || loadLoad)) {
                e = {loadPush ? X_LOAD_PUSH_BIN_STORE : X_LOAD_LOAD_BIN_STORE, s2.sub, 4, s0.a, s1.a, s3.a, s3.next};
            } else if (loadPush || loadLoad) {
                e = {loadPush ? X_LOAD_PUSH_BIN : X_LOAD_LOAD_BIN, s2.sub, 3, s0.a, s1.a, 0, s2.next};
            }
        }
    }

    // A jump takes on the instruction it lands on, which saves a dispatch at every loop's end.
    // Jumps to jumps are left alone, so that no chain or cycle is followed.
    std::vector<Decoded> fused(d);
    for (std::int32_t pc = 0; pc < n; ++pc) {
        Decoded& e = d[static_cast<std::size_t>(pc)];
        if (e.op != X_JUMP || e.c == n) continue;
        const Decoded& t = fused[static_cast<std::size_t>(e.c)];
        if (t.op == X_JUMP || t.op == X_FAULT || t.count >= 250) continue;
        std::uint8_t count = static_cast<std::uint8_t>(t.count + 1);
        e = t;
        e.count = count;
    }

    decoded_ = std::move(d);
    decodedRevision_ = code_.Revision();
    decodedCode_ = &code_;
}

int Interpreter::Execute(std::int32_t start) {
    if (decodedCode_ != &code_ || decodedRevision_ != code_.Revision()) Decode();
    const std::int32_t n = code_.CellCount();
    const Decoded* const code = decoded_.data();
    const Decoded* ip = code + (start >= 0 && start < n ? start : n);

    std::int32_t* data = data_.data();
    std::uint32_t dataSize = static_cast<std::uint32_t>(data_.size());
    std::int32_t* const stackBottom = stack_.data();
    std::int32_t* const stackTop = stackBottom + MAX_STACK;
    std::int32_t* sp = stackBottom + sp_;
    std::int32_t* const display = display_.data();
    std::int32_t base = base_;
    std::int32_t level = level_;
    const std::uint64_t budget = stepBudget_;
    std::uint64_t steps = 0;
    ScriptFault fault = ScriptFault::None;

    // The slow side of a data access: the cell lies beyond the memory grown so far.
    auto grow = [&](std::uint32_t address) -> std::int32_t* {
        std::int32_t* cell = DataCell(static_cast<std::int32_t>(address));
        data = data_.data();
        dataSize = static_cast<std::uint32_t>(data_.size());
        return cell;
    };

#define VH_FAIL(f)        \
    do {                  \
        fault = (f);      \
        goto stopped;     \
    } while (0)
#define VH_CELL(var, address)                                                                  \
    std::int32_t* var;                                                                         \
    do {                                                                                       \
        std::uint32_t addr_ = static_cast<std::uint32_t>(address);                            \
        if (addr_ < dataSize) [[likely]] {                                                     \
            var = data + addr_;                                                                \
        } else if (!(var = grow(addr_))) {                                                     \
            VH_FAIL(ScriptFault::BadDataAddress);                                             \
        }                                                                                      \
    } while (0)
#define VH_PUSH(v)                                                      \
    do {                                                                \
        if (sp == stackTop) [[unlikely]] VH_FAIL(ScriptFault::StackOverflow); \
        *sp++ = (v);                                                    \
    } while (0)
#define VH_NEED(k)                                                       \
    do {                                                                 \
        if (sp - stackBottom < (k)) [[unlikely]] VH_FAIL(ScriptFault::StackUnderflow); \
    } while (0)
#define VH_LEVEL(l)                                                                  \
    do {                                                                             \
        if (static_cast<std::uint32_t>(l) >= static_cast<std::uint32_t>(MAX_LEVELS)) [[unlikely]] \
            VH_FAIL(ScriptFault::BadLevel);                                          \
    } while (0)

    for (;;) {
        steps += ip->count;
        if (steps > budget) [[unlikely]] VH_FAIL(ScriptFault::StepBudget);
        const Decoded& e = *ip;
        switch (e.op) {
        case X_LOAD: {
            VH_CELL(cell, wrapAdd(base, e.a));
            VH_PUSH(*cell);
            ip = code + e.next;
            break;
        }
        case X_LOADREF: {
            VH_CELL(ref, wrapAdd(base, e.a));
            VH_CELL(cell, *ref);
            VH_PUSH(*cell);
            ip = code + e.next;
            break;
        }
        case X_ADDR:
            VH_PUSH(wrapAdd(base, e.a));
            ip = code + e.next;
            break;
        case X_PUSH:
            VH_PUSH(e.a);
            ip = code + e.next;
            break;
        case X_STORE: {
            VH_NEED(1);
            VH_CELL(cell, wrapAdd(base, e.a));
            *cell = *--sp;
            ip = code + e.next;
            break;
        }
        case X_STOREREF: {
            VH_NEED(1);
            VH_CELL(ref, wrapAdd(base, e.a));
            VH_CELL(cell, *ref);
            *cell = *--sp;
            ip = code + e.next;
            break;
        }
        case X_COPYIN: {
            VH_NEED(1);
            VH_CELL(from, sp[-1]);
            std::int32_t v = *from;
            VH_CELL(cell, wrapAdd(base, e.a));
            --sp;
            *cell = v;
            ip = code + e.next;
            break;
        }
        case X_LOADUP:
        case X_LOADUPREF: {
            VH_LEVEL(e.a);
            VH_CELL(cell, wrapAdd(display[e.a], e.b));
            std::int32_t v = *cell;
            if (e.op == X_LOADUPREF) {
                VH_CELL(target, v);
                v = *target;
            }
            VH_PUSH(v);
            ip = code + e.next;
            break;
        }
        case X_STOREUP:
        case X_STOREUPREF: {
            VH_LEVEL(e.a);
            VH_NEED(1);
            VH_CELL(cell, wrapAdd(display[e.a], e.b));
            if (e.op == X_STOREUPREF) {
                VH_CELL(target, *cell);
                cell = target;
            }
            *cell = *--sp;
            ip = code + e.next;
            break;
        }
        case X_ADDRUP:
            VH_LEVEL(e.a);
            VH_PUSH(wrapAdd(display[e.a], e.b));
            ip = code + e.next;
            break;
        case X_DROP:
            VH_NEED(1);
            --sp;
            ip = code + e.next;
            break;
        case X_WATCH:
            VH_NEED(1);
            --sp;
            if (watch_) watch_(e.a, *sp);
            ip = code + e.next;
            break;
        case X_NOT:
            VH_NEED(1);
            sp[-1] = sp[-1] == 0 ? 1 : 0;
            ip = code + e.next;
            break;
        case X_BIN:
            VH_NEED(2);
            --sp;
            sp[-1] = binary(e.sub, sp[-1], sp[0]);
            ip = code + e.next;
            break;
        case X_JUMP:
            ip = code + e.c;
            break;
        case X_JUMPFALSE:
            VH_NEED(1);
            ip = code + (*--sp == 0 ? e.c : e.next);
            break;
        case X_CALL:
            VH_LEVEL(e.a);
            if (calls_.size() >= static_cast<std::size_t>(MAX_CALL_DEPTH)) [[unlikely]]
                VH_FAIL(ScriptFault::CallTooDeep);
            calls_.push_back({e.next, base, level, display[level]});
            display[level] = base;
            level = e.a;
            base = wrapAdd(base, e.b);
            ip = code + e.c;
            break;
        case X_RETURN: {
            if (calls_.empty()) [[unlikely]] VH_FAIL(ScriptFault::CallStackUnderflow);
            const Frame& f = calls_.back();
            ip = code + f.returnAddress;
            base = f.base;
            level = f.level;
            display[level] = f.savedDisplay;
            calls_.pop_back();
            break;
        }
        case X_CALLBUILTIN: {
            sp_ = static_cast<std::int32_t>(sp - stackBottom);
            bool ok = CallBuiltIn(e.a, e.b);
            sp = stackBottom + sp_;
            data = data_.data();
            dataSize = static_cast<std::uint32_t>(data_.size());
            if (!ok) {
                fault = fault_;
                fault_ = ScriptFault::None;
                goto stopped;
            }
            ip = code + e.next;
            break;
        }
        case X_END:
            steps_ = steps;
            sp_ = static_cast<std::int32_t>(sp - stackBottom);
            base_ = base;
            level_ = level;
            return 1;
        case X_NOP:
            ip = code + e.next;
            break;
        case X_PUSH_STORE: {
            VH_CELL(cell, wrapAdd(base, e.b));
            *cell = e.a;
            ip = code + e.next;
            break;
        }
        case X_LOAD_PUSH_BIN: {
            VH_CELL(x, wrapAdd(base, e.a));
            VH_PUSH(binary(e.sub, *x, e.b));
            ip = code + e.next;
            break;
        }
        case X_LOAD_LOAD_BIN: {
            // Each value is taken before the next cell is looked up: a cell beyond the memory
            // grown so far moves the memory, and a pointer into it would point at freed bytes.
            VH_CELL(x, wrapAdd(base, e.a));
            const std::int32_t xv = *x;
            VH_CELL(y, wrapAdd(base, e.b));
            VH_PUSH(binary(e.sub, xv, *y));
            ip = code + e.next;
            break;
        }
        case X_LOAD_PUSH_BIN_STORE: {
            VH_CELL(x, wrapAdd(base, e.a));
            std::int32_t v = binary(e.sub, *x, e.b);
            VH_CELL(cell, wrapAdd(base, e.c));
            *cell = v;
            ip = code + e.next;
            break;
        }
        case X_LOAD_LOAD_BIN_STORE: {
            VH_CELL(x, wrapAdd(base, e.a));
            const std::int32_t xv = *x;
            VH_CELL(y, wrapAdd(base, e.b));
            std::int32_t v = binary(e.sub, xv, *y);
            VH_CELL(cell, wrapAdd(base, e.c));
            *cell = v;
            ip = code + e.next;
            break;
        }
        case X_LOAD_PUSH_BIN_JF: {
            VH_CELL(x, wrapAdd(base, e.a));
            ip = code + (binary(e.sub, *x, e.b) == 0 ? e.c : e.next);
            break;
        }
        case X_PUSH_LOAD_BIN_JF: {
            VH_CELL(y, wrapAdd(base, e.b));
            ip = code + (binary(e.sub, e.a, *y) == 0 ? e.c : e.next);
            break;
        }
        case X_LOAD_LOAD_BIN_JF: {
            VH_CELL(x, wrapAdd(base, e.a));
            const std::int32_t xv = *x;
            VH_CELL(y, wrapAdd(base, e.b));
            ip = code + (binary(e.sub, xv, *y) == 0 ? e.c : e.next);
            break;
        }
        case X_BIN_JF: {
            VH_NEED(2);
            sp -= 2;
            ip = code + (binary(e.sub, sp[0], sp[1]) == 0 ? e.c : e.next);
            break;
        }
        case X_BIN_STORE: {
            VH_NEED(2);
            std::int32_t v = binary(e.sub, sp[-2], sp[-1]);
            VH_CELL(cell, wrapAdd(base, e.c));
            sp -= 2;
            *cell = v;
            ip = code + e.next;
            break;
        }
        default:  // X_FAULT
            VH_FAIL(static_cast<ScriptFault>(e.a));
        }
    }

#undef VH_FAIL
#undef VH_CELL
#undef VH_PUSH
#undef VH_NEED
#undef VH_LEVEL

stopped:
    steps_ = steps;
    sp_ = static_cast<std::int32_t>(sp - stackBottom);
    base_ = base;
    level_ = level;
    Fail(fault, static_cast<std::int32_t>(ip - code));
    return 0;
}
