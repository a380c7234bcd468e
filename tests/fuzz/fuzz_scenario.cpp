// Scenario files, loaded by the referee into a battle on the game shell: the sample map and the
// maps of the generated battles are there for the scenarios that name them.
#include "tests/fuzz/fuzz_support.h"
#include "tests/shell/game_shell.h"

#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Begin();
    static shell::GameShell* game = [] {
        auto* g = new shell::GameShell();
        // The battle's lists keep their items in pool pages, which the leak checker does not
        // look into: the shell goes before it looks.
        static shell::GameShell* made = g;
        std::atexit([] { delete made; });
        datagen::LandscapeDraft map(12, 10);
        map.name = "Crossing";
        g->WriteMap("CROSSING.MAP", map);
        fuzz::CopyDataFiles(".map", g->DataDirectory());
        return g;
    }();
    // What the stand-ins saw grows with every input; the fuzzing engine would take that for a leak.
    game->Application() = shell::AppLog{};
    game->Display() = shell::DisplayLog{};
    if (!game->WriteFile("FUZZ.SCN", std::vector<std::uint8_t>(data, data + size))) return 0;
    game->LoadScenario("FUZZ.SCN");
    game->CloseGame();
    game->Run(0);
    return 0;
}
