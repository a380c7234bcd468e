// varnhold_battle [--data DIRECTORY] [--scenario NUMBER|FILE] [--seed N] [--turns N]
// Plays one battle with the computer on both sides, headless, printing the running commentary
// and the result. The scenario is one of the ten built-in battles by number (0 to 9, the
// default 0) or a scenario file of the data directory; --turns sets the last turn.
#include "tools/runner/battle_runner.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

void Usage(const char* program) {
    std::fprintf(stderr, "usage: %s [--data DIRECTORY] [--scenario NUMBER|FILE] [--seed N] [--turns N]\n", program);
}

// A whole decimal number within [low, high]; false for anything else.
bool Number(const char* text, long low, long high, long& out) {
    if (!text || !*text) return false;
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (*end != '\0' || v < low || v > high) return false;
    out = v;
    return true;
}

} // namespace

int main(int argc, char** argv) {
    runner::BattleOptions options;
    options.dataDirectory = VH_DEFAULT_DATA_DIR;
    std::string scenario = "0";
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        long n = 0;
        if (arg == "--help" || arg == "-h") {
            Usage(argv[0]);
            return 0;
        }
        if (!value) {
            Usage(argv[0]);
            return 2;
        }
        ++i;
        if (arg == "--data") {
            options.dataDirectory = value;
        } else if (arg == "--scenario") {
            scenario = value;
        } else if (arg == "--seed" && Number(value, 0, 65535, n)) {
            options.seed = static_cast<std::uint16_t>(n);
        } else if (arg == "--turns" && Number(value, 1, 999, n)) {
            options.turnLimit = static_cast<int>(n);
        } else {
            std::fprintf(stderr, "%s: bad option %s %s\n", argv[0], arg.c_str(), value);
            Usage(argv[0]);
            return 2;
        }
    }
    long index = 0;
    if (Number(scenario.c_str(), 0, runner::ScenarioCount - 1, index)) {
        options.scenarioIndex = static_cast<std::int32_t>(index);
        options.scenarioFile = runner::ScenarioFileOf(static_cast<int>(index));
    } else if (Number(scenario.c_str(), -1000000, 1000000, index)) {
        std::fprintf(stderr, "%s: scenario numbers run from 0 to %d\n", argv[0], runner::ScenarioCount - 1);
        return 2;
    } else {
        options.scenarioFile = scenario;
        options.scenarioIndex = runner::ScenarioIndexOf(scenario, options.dataDirectory);
    }

    std::printf("Varnhold battle runner: %s, seed %u, data in %s\n", options.scenarioFile.c_str(),
                static_cast<unsigned>(options.seed), options.dataDirectory.c_str());
    const runner::BattleResult result = runner::PlayBattle(options, [](const std::string& line) {
        std::printf("%s\n", line.c_str());
        std::fflush(stdout);
    });
    std::printf("\n%s", runner::DescribeResult(result).c_str());
    if (!result.Ended()) std::printf("\n");
    return result.Ended() ? 0 : 1;
}
