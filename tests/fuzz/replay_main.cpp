// Runs a fuzz target over files and directories of inputs, once each, the way the fuzzing engine
// replays a corpus; used where the engine is not built in (g++ builds, and CTest everywhere).
// Options (arguments starting with '-') are the engine's and are ignored here.
#include "tests/fuzz/fuzz_support.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    std::vector<std::filesystem::path> inputs;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.empty() || arg[0] == '-') continue;
        std::error_code error;
        if (std::filesystem::is_directory(arg, error)) {
            for (const auto& e : std::filesystem::recursive_directory_iterator(arg, error))
                if (e.is_regular_file()) inputs.push_back(e.path());
        } else if (std::filesystem::is_regular_file(arg, error)) {
            inputs.push_back(arg);
        } else {
            std::fprintf(stderr, "no input at %s\n", arg.c_str());
            return 2;
        }
    }
    std::sort(inputs.begin(), inputs.end());
    for (const auto& path : inputs) {
        std::ifstream in(path, std::ios::binary);
        const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    }
    std::printf("replayed %zu inputs\n", inputs.size());
    return inputs.empty() ? 1 : 0;
}
