#pragma once
// The missile and shock tables: free functions over constant tables, no state. A volley turns a
// weapon, a range and the situation into a hit category, and a die on the hit table turns the
// category into cohesion hits.
//
// Invariants: every category read from the hit table is clamped to 1..10 first and every die is
// 1..10, so no look-up leaves its row; no entry of the hit table exceeds 4.
#include <cstdint>

struct MissileFireSituation {
    std::uint32_t missileType = 0;
    std::int16_t range = 1;
    std::int32_t targetKind = 0;
    std::uint16_t softCover = 0;
    std::uint16_t hardCover = 0;
    std::uint16_t targetInColumn = 0;
    std::int16_t fireRating = 0;
    std::int16_t shooterSize = 6;
};

// The hit category of a weapon at a range before the modifiers; 0 out of range or for a weapon
// without a row.
std::int16_t MissileHitCategory(std::uint32_t missileType, int range);
// One entry of the hit table; the category and die are clamped to 1..10.
std::int16_t HitTableEntry(int category, int die);
// One volley: the modified category, one die (rand() % 10 + 1), hits doubled against a supply
// wagon. secondResult is always 0.
void CalculateMissileFireResults(const MissileFireSituation& situation, std::int16_t& hits, std::int16_t& secondResult);
// The modified category of a volley, clamped to 1..10 (no die).
std::int16_t ModifiedMissileCategory(const MissileFireSituation& situation);
// Category 0 gives 0 without a draw; 1..10 roll the hit table (a category outside is clamped).
std::int16_t RollCohesionHits(std::int16_t category);
// Kind-pair shock tables; kinds outside 0..17 and positions outside 0..2 read 0.
std::int32_t GetShockColumn(int attackerKind, int defenderKind, int attackPosition);
int IsShockSuperior(int attackerKind, int defenderKind);
