// varnhold_battle [--data DIRECTORY] [--scenario NUMBER|FILE] [--seed N] [--turns N] [--brief]
// varnhold_battle --report [--data DIRECTORY] [--seeds N,N,...] [--scenario NUMBER|FILE]
// Plays one battle with the computer on both sides, headless, printing the running commentary
// (left out with --brief), the battle's story (every shock combat's result, every unit lost,
// every objective taken) and the result: the winner, why the battle ended, each side's points by
// kind and a table of what each side did. The scenario is one of the ten built-in battles by
// number (0 to 9, the default 0) or a scenario file of the data directory; --turns sets the last
// turn. --report plays every built-in battle (or the one --scenario names) once for each seed
// (1 to 5 unless --seeds lists others) and prints a line a battle and seed.
#include "tools/runner/battle_runner.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

void Usage(const char* program) {
    std::fprintf(stderr,
                 "usage: %s [--data DIRECTORY] [--scenario NUMBER|FILE] [--seed N] [--turns N] [--brief]\n"
                 "       %s --report [--data DIRECTORY] [--seeds N,N,...] [--scenario NUMBER|FILE]\n",
                 program, program);
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

// A list of seeds "1,2,3"; false for anything else.
bool Seeds(const char* text, std::vector<std::uint16_t>& out) {
    out.clear();
    std::string item;
    const std::string all = text ? text : "";
    for (std::size_t i = 0; i <= all.size(); ++i) {
        if (i < all.size() && all[i] != ',') {
            item += all[i];
            continue;
        }
        long n = 0;
        if (!Number(item.c_str(), 0, 65535, n)) return false;
        out.push_back(static_cast<std::uint16_t>(n));
        item.clear();
    }
    return !out.empty();
}

int Report(runner::BattleOptions options, const std::vector<int>& battles, const std::vector<std::uint16_t>& seeds) {
    int failed = 0;
    for (const int index : battles) {
        if (index >= 0) {
            options.scenarioIndex = index;
            options.scenarioFile = runner::ScenarioFileOf(index);
        }
        std::printf("%s\n", options.scenarioFile.c_str());
        bool headed = false;
        runner::SideTally sum[2];
        int wins[2] = {0, 0}, ended = 0;
        for (const std::uint16_t seed : seeds) {
            options.seed = seed;
            const runner::BattleResult result = runner::PlayBattle(options);
            if (!headed && result.Ended()) {
                std::printf("%s\n", runner::ReportHeading(result.results.homeName, result.results.visitingName).c_str());
                headed = true;
            }
            std::printf("%s\n", runner::ReportLine(seed, result).c_str());
            std::fflush(stdout);
            if (!result.Ended()) {
                ++failed;
                continue;
            }
            ++ended;
            const EndOfGameResults& r = result.results;
            if (r.winner == r.home) ++wins[0];
            if (r.winner == r.visiting) ++wins[1];
            for (int s = 0; s < 2; ++s) {
                const runner::SideTally& t = result.tally[s];
                sum[s].volleys += t.volleys;
                sum[s].shockCombats += t.shockCombats;
                sum[s].routs += t.routs;
                sum[s].unitsLost += t.unitsLost;
                sum[s].objectivesTaken += t.objectivesTaken;
                sum[s].orders += t.orders;
                sum[s].reorderHits += t.reorderHits;
            }
        }
        const int orders = sum[0].orders + sum[1].orders, again = sum[0].reorderHits + sum[1].reorderHits;
        std::printf("  %d ended; wins %d home, %d visiting; ordered again %d in %d orders (%.1f in 100)\n\n", ended,
                    wins[0], wins[1], again, orders, orders ? 100.0 * again / orders : 0.0);
    }
    return failed ? 1 : 0;
}

} // namespace

int main(int argc, char** argv) {
    runner::BattleOptions options;
    options.dataDirectory = VH_DEFAULT_DATA_DIR;
    std::string scenario = "0";
    bool report = false, brief = false, scenarioGiven = false;
    std::vector<std::uint16_t> seeds = {1, 2, 3, 4, 5};
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        long n = 0;
        if (arg == "--help" || arg == "-h") {
            Usage(argv[0]);
            return 0;
        }
        if (arg == "--report") {
            report = true;
            continue;
        }
        if (arg == "--brief") {
            brief = true;
            continue;
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
            scenarioGiven = true;
        } else if (arg == "--seeds" && Seeds(value, seeds)) {
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

    if (report) {
        std::vector<int> battles;
        if (scenarioGiven) battles.push_back(-1);
        else
            for (int b = 0; b < runner::ScenarioCount; ++b) battles.push_back(b);
        return Report(options, battles, seeds);
    }

    std::printf("Varnhold battle runner: %s, seed %u, data in %s\n", options.scenarioFile.c_str(),
                static_cast<unsigned>(options.seed), options.dataDirectory.c_str());
    const auto print = [](const std::string& line) {
        std::printf("%s\n", line.c_str());
        std::fflush(stdout);
    };
    const auto printStory = [](const std::string& line) {
        std::printf("* %s\n", line.c_str());
        std::fflush(stdout);
    };
    const runner::BattleResult result =
        brief ? runner::PlayBattle(options, {}, printStory) : runner::PlayBattle(options, print, printStory);
    std::printf("\n%s", runner::DescribeResult(result).c_str());
    if (!result.Ended()) std::printf("\n");
    return result.Ended() ? 0 : 1;
}
