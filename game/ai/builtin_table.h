#pragma once
// The names a computer-player script may use besides its own: the 23 named constants and the 59
// built-in procedures, in the order the computer player registers them. A built-in's number in
// compiled code is its row here, so the component that binds functions to these rows must keep
// this order. Every parameter is passed by value: a row's digit string holds one "1" per
// parameter.
#include "game/ai/builtin.h"

#include <cstdint>
#include <span>

class Compiler;

struct ScriptConstant {
    const char* name;
    std::int32_t value;
};

struct ScriptBuiltIn {
    const char* name;
    const char* parameters;
};

std::span<const ScriptConstant> ScriptConstants();
std::span<const ScriptBuiltIn> ScriptBuiltIns();

// Registers every constant, then every built-in with the function of its row (functions must hold
// one entry per row). False when the compiler refuses a row.
bool RegisterScriptNames(Compiler& compiler, std::span<const BuiltInFunction> functions);
// The same with one function for every row, for checking scripts without running them.
bool RegisterScriptNames(Compiler& compiler, BuiltInFunction every);
