#include "game/units/fire_tables.h"

#include "game/logic/game_random.h"

namespace {

// Rows 12..22 of the hit-category table, ranges 1..7; rows 0..11 are all 0.
constexpr std::int8_t CategoryRows[11][7] = {
    {3, 0, 0, 0, 0, 0, 0}, {6, 0, 0, 0, 0, 0, 0}, {7, 0, 0, 0, 0, 0, 0}, {4, 0, 0, 0, 0, 0, 0},
    {3, 2, 0, 0, 0, 0, 0}, {6, 4, 0, 0, 0, 0, 0}, {7, 5, 0, 0, 0, 0, 0}, {6, 3, 2, 1, 0, 0, 0},
    {7, 4, 3, 2, 1, 0, 0}, {7, 4, 3, 3, 2, 1, 0}, {6, 4, 4, 3, 3, 2, 1},
};

constexpr std::int8_t HitTable[10][10] = {
    {0, 0, 0, 0, 0, 0, 0, 1, 1, 1}, {0, 0, 0, 0, 0, 1, 1, 1, 1, 2}, {0, 0, 0, 1, 1, 1, 1, 1, 2, 2},
    {0, 1, 1, 1, 1, 1, 1, 2, 2, 2}, {1, 1, 1, 1, 1, 1, 2, 2, 2, 3}, {1, 1, 1, 1, 2, 2, 2, 2, 3, 3},
    {1, 1, 2, 2, 2, 2, 2, 3, 3, 3}, {2, 2, 2, 2, 2, 2, 2, 3, 3, 4}, {2, 2, 2, 2, 2, 3, 3, 3, 4, 4},
    {2, 2, 2, 3, 3, 3, 3, 4, 4, 4},
};

constexpr int Clamp(int v, int low, int high) { return v < low ? low : v > high ? high : v; }

constexpr int MI = 3, LC = 12;

} // namespace

std::int16_t MissileHitCategory(std::uint32_t missileType, int range) {
    if (missileType < 12 || missileType > 22 || range < 1 || range > 7) return 0;
    return CategoryRows[missileType - 12][range - 1];
}

std::int16_t HitTableEntry(int category, int die) { return HitTable[Clamp(category, 1, 10) - 1][Clamp(die, 1, 10) - 1]; }

std::int16_t ModifiedMissileCategory(const MissileFireSituation& s) {
    std::int16_t category = MissileHitCategory(s.missileType, s.range);
    if (s.softCover) category = static_cast<std::int16_t>(category - 1);
    if (s.hardCover) category = static_cast<std::int16_t>(category - 2);
    if (s.targetInColumn) category = static_cast<std::int16_t>(category + 1);
    if (s.fireRating < 0) category = static_cast<std::int16_t>(category - 2);
    if (s.fireRating > 0) category = static_cast<std::int16_t>(category + 2);
    if (s.shooterSize <= 4) category = static_cast<std::int16_t>(category - 1);
    if (s.shooterSize >= 9) category = static_cast<std::int16_t>(category + 1);
    return static_cast<std::int16_t>(Clamp(category, 1, 10));
}

void CalculateMissileFireResults(const MissileFireSituation& s, std::int16_t& hits, std::int16_t& secondResult) {
    const int category = ModifiedMissileCategory(s);
    const int die = GameRandom() % 10 + 1;
    hits = HitTableEntry(category, die);
    if (s.targetKind == 17) hits = static_cast<std::int16_t>(hits * 2);
    secondResult = 0;
}

std::int16_t RollCohesionHits(std::int16_t category) {
    if (category == 0) return 0;
    const int die = GameRandom() % 10 + 1;
    return HitTableEntry(category, die);
}

std::int32_t GetShockColumn(int attackerKind, int defenderKind, int attackPosition) {
    // Only attack position 0 of the kinds the game builds is ever read; every other entry is 0.
    if (attackPosition != 0) return 0;
    if (defenderKind == MI && attackerKind == MI) return 7;
    if (defenderKind == MI && attackerKind == LC) return 5;
    if (defenderKind == LC && attackerKind == MI) return 9;
    if (defenderKind == LC && attackerKind == LC) return 7;
    return 0;
}

int IsShockSuperior(int attackerKind, int defenderKind) {
    // The table's only non-zero entry among the built kinds is 2 (cavalry against infantry), and
    // only an entry of 1 counts as superior.
    const int entry = defenderKind == MI && attackerKind == LC ? 2 : 0;
    return entry == 1 ? 1 : 0;
}
