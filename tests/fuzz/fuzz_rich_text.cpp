// Rich text as the history articles and credits hold it.
#include "platform/richedit_rtf.h"
#include "tests/fuzz/fuzz_support.h"

#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Begin();
    std::vector<platform::RichEditRun> runs;
    std::string error;
    platform::ReadRtf(std::string_view(reinterpret_cast<const char*>(data), size), platform::RichEditFormat{}, runs,
                      error);
    return 0;
}
