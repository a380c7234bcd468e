// Variant files and scenario heads as the scenario choice reads them.
#include "game/app/dialogs/scenario_files.h"
#include "tests/fuzz/fuzz_support.h"

#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Begin();
    const std::vector<std::uint8_t> bytes(data, data + size);
    frontend::VariantRecord record;
    for (std::int32_t index : {0, 3, 10}) frontend::ReadVariantRecord(bytes, index, record);
    frontend::ReadScenarioHead(bytes);
    return 0;
}
