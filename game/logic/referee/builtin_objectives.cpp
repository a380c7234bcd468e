#include "game/logic/referee/builtin_objectives.h"

#include <array>

namespace {

constexpr unsigned End = 0xFFFF;
constexpr int Counts[BuiltInScenarioCount] = {4, 4, 2, 4, 6, 3, 2, 2, 4, 0, 0};

using Block = std::array<Objective, ObjectivesPerScenario>;
using Table = std::array<Block, BuiltInScenarioCount>;

Table Build() {
    Table t;
    t[0][0] = Objective(5, 1, 194, {1210, 1310, End});
    t[0][1] = Objective(5, 1, 197, {1116, 1216, 1217, 1316, End});
    t[0][2] = Objective(15, 1, 196, {2424, End});
    t[0][3] = Objective(15, 0, 195, {3005, End});
    t[1][0] = Objective(10, 1, 198, {1718, End});
    t[1][1] = Objective(10, 1, 199, {2717, 2716, 2817, 2816, 2916, 2915, 3016, 3015, 3115, 3114, 3216, 3215, 3214, 3315,
                                     3314, 3313, 3416, 3415, 3414, End});
    t[1][2] = Objective(15, 1, 200, {1917, 2018, 2117, 2217, End});
    t[1][3] = Objective(15, 1, 246, {2821, 2822, 2823, 2920, 2921, 2922, 2923, 3020, 3021, 3022, 3023, 3120, 3121, 3122,
                                     3222, End});
    t[2][0] = Objective(25, 1, 247, {1411, 1511, 1611, 1710, 1811, End});
    t[2][1] = Objective(10, 1, 248, {707, 708, 709, End});
    t[3][0] = Objective(50, 0, 249, {1113, End});
    t[3][1] = Objective(40, 0, 250, {2218, End});
    t[3][2] = Objective(50, 0, 251, {2115, 2216, End});
    t[3][3] = Objective(10, 0, 267, {813, End});
    t[4][0] = Objective(20, 0, 253, {1328, 1329, 1428, 1429, 1430, 1528, 1529, End});
    t[4][1] = Objective(20, 0, 254, {2028, End});
    t[4][2] = Objective(20, 0, 255, {1917, End});
    t[4][3] = Objective(30, 0, 256, {2116, End});
    t[4][4] = Objective(20, 0, 257, {2924, End});
    t[4][5] = Objective(20, 1, 258, {519, End});
    t[5][0] = Objective(10, 1, 258, {705, End});
    t[5][1] = Objective(10, 1, 259, {805, End});
    t[5][2] = Objective(20, 1, 260, {703, End});
    t[6][0] = Objective(20, 0, 261, {2422, End});
    t[6][1] = Objective(30, 0, 262, {2408, 2409, 2410, End});
    t[7][0] = Objective(30, 0, 263, {325, End});
    t[7][1] = Objective(30, 0, 264, {327, End});
    t[8][0] = Objective(10, 1, 193, {408, 409, 507, 508, 607, 608, 609, 706, 707, 807, End});
    t[8][1] = Objective(15, 0, 194, {1109, 1110, 1209, 1210, 1211, 1308, 1309, 1310, 1311, 1411, End});
    t[8][2] = Objective(20, 0, 195, {3005, End});
    t[8][3] = Objective(10, 0, 196, {2424, End});
    return t;
}

const Table& Objectives() {
    static const Table table = Build();
    return table;
}

} // namespace

int BuiltInObjectiveCount(int scenario) {
    return scenario >= 0 && scenario < BuiltInScenarioCount ? Counts[scenario] : 0;
}

const Objective& BuiltInObjective(int scenario, int index) {
    static const Objective none;
    if (scenario < 0 || scenario >= BuiltInScenarioCount || index < 0 || index >= ObjectivesPerScenario) return none;
    return Objectives()[static_cast<std::size_t>(scenario)][static_cast<std::size_t>(index)];
}
