// The saved game's header as the application reads it: from the bytes, and from the file when
// the load dialog lists saved games or a game is loaded (with the hash the bytes themselves give,
// so that the file's reader goes on past the version check).
#include "game/app/saved_game_header.h"
#include "tests/fuzz/fuzz_support.h"

#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Begin();
    const std::vector<std::uint8_t> bytes(data, data + size);
    saved_game_header::Header header;
    std::size_t used = 0;
    std::string error;
    const bool decoded = saved_game_header::Decode(bytes, header, used, error);
    saved_game_header::ReadFile(fuzz::WriteScratch("fuzz.Vh", data, size), decoded ? header.hash : 0, header, used,
                                error);
    return 0;
}
