// The network block of a saved game.
#include "comms/net/net_game_block.h"
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Begin();
    NetGameBlock block;
    ReadNetGameBlock(fuzz::WriteScratch("fuzz.sav", data, size), block);
    return 0;
}
