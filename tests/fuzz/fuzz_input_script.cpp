// The headless program's input script (`varnhold --script FILE`): read and checked step by step;
// its steps are not run here.
#include "platform/input_script.h"
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Begin();
    std::string error;
    platform::StartInputScript(fuzz::WriteScratch("fuzz.script", data, size), error);
    platform::StopInputScript();
    return 0;
}
