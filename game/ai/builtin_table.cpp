#include "game/ai/builtin_table.h"

#include "game/ai/compiler.h"

namespace {

const ScriptConstant kConstants[] = {
    {"TQ", 1},
    {"COHESION_HIT", 2},
    {"SIZE", 3},
    {"MOVEMENT_POINTS", 4},
    {"MOVEMENT_REMAINING", 5},
    {"MISSLE_TYPE", 6},
    {"MISSLE_RANGE", 7},
    {"MISSLES_REMAINING", 8},
    {"UNIT_TYPE", 9},
    {"FAILED", 0},
    {"CENTER", 0},
    {"NORTH", 1},
    {"NORTHEAST", 2},
    {"EAST", 3},
    {"SOUTHEAST", 4},
    {"SOUTH", 5},
    {"SOUTHWEST", 6},
    {"WEST", 7},
    {"NORTHWEST", 8},
    {"FALSE", 0},
    {"TRUE", 1},
    {"CLOCKWISE", 1},
    {"COUNTERCLOCKWISE", 2},
};

const ScriptBuiltIn kBuiltIns[] = {
    {"MoveTo", "11"},
    {"MoveToward", "11"},
    {"Rotate", "11"},
    {"CanMove", "1"},
    {"CanRotate", "11"},
    {"CanAttack", "11"},
    {"Fire", "11"},
    {"HexOccupancy", "1"},
    {"AdjacentHex", "11"},
    {"Query", "11"},
    {"GroupListReset", ""},
    {"GroupListGetNext", ""},
    {"GroupListGetPrevious", ""},
    {"GroupListGet", ""},
    {"GroupListGetSize", ""},
    {"Direction", "11"},
    {"Distance", "11"},
    {"GetList", ""},
    {"AddToList", "11"},
    {"GetNextInList", "1"},
    {"ReleaseList", "1"},
    {"SizeOfList", "1"},
    {"RemoveFromList", "11"},
    {"ResetList", "1"},
    {"GetLast", "1"},
    {"AssignList", "111"},
    {"IsMemberOf", "11"},
    {"ClearList", "1"},
    {"DumpList", "1"},
    {"GetLeader", ""},
    {"FinishLeader", ""},
    {"GetUnitPaths", "11"},
    {"InCommandRange", "1"},
    {"IsLeader", "1"},
    {"Attack", "11"},
    {"IsEnemy", "11"},
    {"AttemptToRally", "1"},
    {"BreakPoint", ""},
    {"Recover", "1"},
    {"GetValidMovement", "1"},
    {"CanBeOrdered", "1"},
    {"IsInGeneralDir", "11"},
    {"AnyoneToCombat", "1"},
    {"TurnToAttack", "1"},
    {"FindClosestEnemyToAttack", "1"},
    {"FindClosestEnemyToFire", "1"},
    {"GetTurnNum", ""},
    {"Random", "1"},
    {"EnemyWithinRange", "11"},
    {"FindHurtingUnit", "1"},
    {"GroupMove", "11"},
    {"GetGroup", "11"},
    {"GetGroupLeader", "1"},
    {"DoChooseSubLeader", "1"},
    {"DoGroupRetreat", "1"},
    {"DoGroupBerserk", ""},
    {"InMomentumPhase", ""},
    {"GroupRestoreCohesion", ""},
    {"IsReinforcement", "1"},
};

static_assert(std::size(kConstants) == 23);
static_assert(std::size(kBuiltIns) == 59);

} // namespace

std::span<const ScriptConstant> ScriptConstants() { return kConstants; }
std::span<const ScriptBuiltIn> ScriptBuiltIns() { return kBuiltIns; }

bool RegisterScriptNames(Compiler& compiler, std::span<const BuiltInFunction> functions) {
    if (functions.size() != std::size(kBuiltIns)) return false;
    for (const auto& c : kConstants) compiler.AddConstant(c.name, c.value);
    for (std::size_t i = 0; i < std::size(kBuiltIns); ++i)
        if (!compiler.AddProcedure(kBuiltIns[i].name, kBuiltIns[i].parameters, functions[i])) return false;
    return true;
}

bool RegisterScriptNames(Compiler& compiler, BuiltInFunction every) {
    BuiltInFunction functions[std::size(kBuiltIns)];
    for (auto& f : functions) f = every;
    return RegisterScriptNames(compiler, functions);
}
