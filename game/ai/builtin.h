#pragma once
// The calling convention of built-in procedures, shared by the compiler (which numbers them) and
// the interpreter (which calls them).
#include <cstdint>

// The parameters of one built-in call, in script order. A parameter passed by value holds the
// value its argument had at the call; one passed by reference is the argument's data cell, which
// the built-in may read and write while it runs.
class BuiltInArgs {
public:
    static constexpr int MAX_PARAMETERS = 7;

    int Count() const { return count_; }
    bool IsReference(int i) const { return ((mark_ >> i) & 1u) == 0; }
    std::int32_t operator[](int i) const { return *cell_[i]; }
    // The parameter's cell: the caller's data cell for a reference, a private copy for a value.
    std::int32_t& Ref(int i) { return *cell_[i]; }

private:
    friend class Interpreter;
    int count_ = 0;
    std::uint32_t mark_ = 0;
    std::int32_t* cell_[MAX_PARAMETERS] = {};
    std::int32_t value_[MAX_PARAMETERS] = {};
};

// A built-in gets the interpreter's owner (the computer-player component) and its parameters,
// and returns the value of the call.
using BuiltInFunction = std::int32_t (*)(void* owner, BuiltInArgs& args);
