#pragma once
// The objectives of the game's built-in scenarios (0..10): up to six per scenario, each with its
// worth, its holder at the start, the string-table id of its name and its regions.
#include "game/logic/objective.h"

constexpr int BuiltInScenarioCount = 11;
constexpr int ObjectivesPerScenario = 6;

// How many objectives the scenario has; 0 for an index outside 0..10.
int BuiltInObjectiveCount(int scenario);
// Objective i of the scenario; the default record (no worth, no holder, no regions) for an index
// the table does not hold.
const Objective& BuiltInObjective(int scenario, int index);
