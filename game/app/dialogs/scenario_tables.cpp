#include "game/app/dialogs/scenario_tables.h"

#include "core/application.h"

namespace frontend {

namespace {

struct ScenarioEntry {
    const char* file;
    std::uint32_t titleId;
    std::uint32_t details;
};

const ScenarioEntry kScenarios[kScenarioCount + 1] = {
    {"FBULLRN.SCN", 93, 1},  {"ANTIETA.SCN", 94, 2},  {"BRANDYS.SCN", 95, 3}, {"GETTYSB.SCN", 96, 4},
    {"WILDERN.SCN", 97, 5},  {"FIVEFOR2.SCN", 98, 6}, {"CEDRCRK.SCN", 99, 7}, {"GAINESM.SCN", 85, 8},
    {"SBULLRN.SCN", 86, 9},  {"CEDRMNT.SCN", 655, 10}, {"FUTURE SCENARIO", 0, 0},
};

bool InTable(std::int32_t index) { return index >= 0 && index <= kScenarioCount; }

} // namespace

const char* ScenarioFileName(std::int32_t index) { return InTable(index) ? kScenarios[index].file : ""; }
std::uint32_t ScenarioTitleId(std::int32_t index) { return InTable(index) ? kScenarios[index].titleId : 0; }
std::uint32_t ScenarioDetailsNumber(std::int32_t index) { return InTable(index) ? kScenarios[index].details : 0; }

std::string ResourceString(std::uint32_t id) {
    Application* app = GetApplication();
    return app && id ? app->LoadResourceString(id) : std::string();
}

std::string Directory(std::int16_t kind) {
    Application* app = GetApplication();
    return app ? app->GetDataDirectory(kind) : std::string();
}

} // namespace frontend
