#pragma once
// The functions behind the computer player's built-in procedures, one per row of
// builtin_table.h, and the orders the component gives on its own.
#include "game/ai/builtin.h"

#include <cstdint>
#include <span>

class VhAI;

namespace vhai {

// One function per row of ScriptBuiltIns(), in that order.
std::span<const BuiltInFunction> BuiltInFunctions();

// The move order of the MoveToward built-in, with its bookkeeping: 0 refused, else 2.
std::int32_t IssueMoveToward(VhAI& ai, std::int32_t region, std::int32_t unit);
// The orders given when the current leader hands its activation to a sub-leader.
void GiveAutomaticOrders(VhAI& ai);
// The charges into adjacent enemies at the end of an activation.
void ChargeAdjacentEnemies(VhAI& ai);

}  // namespace vhai
