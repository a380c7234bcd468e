#pragma once
// One compiled computer-player script: a flat array of signed 32-bit cells (instructions and
// their operands), the entry addresses of the script's tables, and the compiled-script file.
//
// Invariants: the cell array's length is a multiple of CODE_GROWTH and at most CODE_MAX_CELLS;
// group names are unique within each entry list; a valid Code loaded from a file has every
// entry address at -1 or inside the cells.
#include <cstdint>
#include <list>
#include <string>
#include <vector>

// The instruction set. An instruction is an opcode cell followed by its operand cells.
enum ScriptOp : std::int32_t {
    OP_LOAD = 0x01,        // i: push data[base+i]
    OP_LOADREF = 0x02,     // i: push data[data[base+i]]
    OP_ADDR = 0x03,        // i: push base+i
    OP_PUSH = 0x04,        // v: push v
    OP_STORE = 0x05,       // i: pop x; data[base+i] = x
    OP_STOREREF = 0x06,    // i: pop x; data[data[base+i]] = x
    OP_COPYIN = 0x07,      // i: pop p; data[base+i] = data[p]
    OP_LOADUP = 0x08,      // L, i: push data[display[L]+i]
    OP_LOADUPREF = 0x09,   // L, i: push data[data[display[L]+i]]
    OP_STOREUP = 0x10,     // L, i: pop x; data[display[L]+i] = x
    OP_STOREUPREF = 0x11,  // L, i: pop x; data[data[display[L]+i]] = x
    OP_DROP = 0x12,        // pop and discard
    OP_ADDRUP = 0x13,      // L, i: push display[L]+i (a variable of an enclosing level passed by reference)
    OP_AND = 0x20,
    OP_OR = 0x21,
    OP_NOT = 0x22,
    OP_XOR = 0x23,
    OP_EQ = 0x24,
    OP_NE = 0x25,
    OP_GT = 0x26,
    OP_LT = 0x27,
    OP_GE = 0x28,
    OP_LE = 0x29,
    OP_ADD = 0x2a,
    OP_SUB = 0x2b,
    OP_MUL = 0x2c,
    OP_DIV = 0x2d,
    OP_JUMP = 0x40,        // t
    OP_JUMPFALSE = 0x41,   // t: pop x; continue at t when x = 0
    OP_CALL = 0x42,        // L, d, t
    OP_RETURN = 0x43,
    OP_CALLBUILTIN = 0x44, // m, k
    OP_END = 0x45,
    OP_WATCH = 0x60,       // line: pop and discard the watched value
    OP_SKIP = 0x61,        // n, then n cells of text
};

// Number of operand cells that follow an opcode; 0 for unknown opcodes (stepped over alone).
// SKIP's text cells are not counted here.
int ScriptOperandCount(std::int32_t opcode);

constexpr std::int32_t CODE_GROWTH = 2000;
constexpr std::int32_t CODE_MAX_CELLS = 32000;

struct ORDERS_INFO {
    std::string group;
    std::int32_t address;
};
using EXCEPTIONS_INFO = ORDERS_INFO;

class Code {
public:
    Code() = default;

    // Forgets the group entries; cells, entries and the valid flag stay.
    void Reset();
    // Forgets everything: no cells, no entries, not valid.
    void Clear();

    void AddOrders(const std::string& group, std::int32_t address);
    void AddExceptions(const std::string& group, std::int32_t address);
    int FindOrders(const std::string& group, std::int32_t& entry) const;
    int FindExceptions(const std::string& group, std::int32_t& entry) const;
    const std::list<ORDERS_INFO>& OrdersEntries() const { return orders_; }
    const std::list<EXCEPTIONS_INFO>& ExceptionsEntries() const { return exceptions_; }

    std::int32_t ConditionsEntry() const { return conditions_; }
    void SetConditionsEntry(std::int32_t address) { conditions_ = address; }
    std::int32_t ExceptionsEntry() const { return programExceptions_; }
    void SetExceptionsEntry(std::int32_t address) { programExceptions_ = address; }

    std::uint32_t IsValid() const { return valid_; }
    void SetValid(std::uint32_t valid) { valid_ = valid; }

    // Cell access. Writing past the end grows the array to the next multiple of CODE_GROWTH
    // (new cells are 0); false when that would pass CODE_MAX_CELLS. Reading past the end gives 0.
    bool SetCell(std::int32_t index, std::int32_t value);
    std::int32_t Cell(std::int32_t index) const {
        return index >= 0 && index < static_cast<std::int32_t>(cells_.size()) ? cells_[index] : 0;
    }
    std::int32_t CellCount() const { return static_cast<std::int32_t>(cells_.size()); }
    const std::int32_t* Cells() const { return cells_.data(); }
    // Grows with every change of the cells, so that a runner can tell its decoded copy is stale.
    std::uint64_t Revision() const { return revision_; }

    // The compiled-script file. Save: 1, or 0 when not valid or a write fails.
    // Load: the new valid flag; a damaged file is refused and leaves the Code empty and invalid.
    int Save(const std::string& fileName) const;
    std::uint32_t Load(const std::string& fileName);

private:
    std::vector<std::int32_t> cells_;
    std::uint32_t valid_ = 0;
    std::int32_t conditions_ = -1;
    std::int32_t programExceptions_ = -1;
    std::list<ORDERS_INFO> orders_;
    std::list<EXCEPTIONS_INFO> exceptions_;
    std::uint64_t revision_ = 0;
};
