// Saved games: the referee's block read into a running battle of the sample scenario, and the
// network block read from the same file.
#include "comms/net/net_game_block.h"
#include "tests/fuzz/fuzz_support.h"
#include "tests/shell/game_shell.h"

#include <string>
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
        g->WriteScenario("TEST.SCN", datagen::MakeSampleScenario("CROSSING.MAP"));
        g->LoadScenario("TEST.SCN", 10, 7);
        return g;
    }();
    // What the stand-ins saw grows with every input; the fuzzing engine would take that for a leak.
    game->Application() = shell::AppLog{};
    game->Display() = shell::DisplayLog{};
    if (!game->WriteFile("FUZZ.SAV", std::vector<std::uint8_t>(data, data + size))) return 0;
    std::string error;
    game->Layer().LoadGame(game->PathOf("FUZZ.SAV"), error);
    game->Run(0);
    NetGameBlock block;
    ReadNetGameBlock(game->PathOf("FUZZ.SAV"), block);
    return 0;
}
