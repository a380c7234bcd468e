// Map files: the reader, then the battlefield built from what it accepted.
#include "game/logic/landscape_file.h"
#include "game/logic/vh_logical_landscape.h"
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Begin();
    const std::span<const std::uint8_t> bytes(data, size);
    LandscapeFile file;
    if (!ReadLandscape(bytes, file)) return 0;
    VhLogicalLandscape battlefield;
    battlefield.LoadFromBytes(bytes);
    return 0;
}
