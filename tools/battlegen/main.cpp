// varnhold_datagen SOURCE_DIRECTORY OUTPUT_DIRECTORY
// Makes the game's demo data (maps, scenarios, variants and scripts) from the text sources.
#include "tools/battlegen/generate.h"

#include <cstdio>
#include <exception>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s SOURCE_DIRECTORY OUTPUT_DIRECTORY\n", argv[0]);
        return 2;
    }
    try {
        const auto sources = battlegen::ReadSources(argv[1]);
        const auto written = battlegen::WriteData(sources, argv[2]);
        std::printf("varnhold_datagen: %zu files in %s\n", written.size(), argv[2]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "varnhold_datagen: %s\n", e.what());
        return 1;
    }
    return 0;
}
