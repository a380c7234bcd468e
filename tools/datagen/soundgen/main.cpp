// varnhold_soundgen OUTPUT_DIRECTORY
// Makes the demo's sound effects, ambient loops, music waves and CD tracks.
#include "tools/datagen/sound_synth.h"

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIRECTORY\n", argv[0]);
        return 2;
    }
    const auto written = datagen::WriteDemoSounds(argv[1]);
    if (written.empty()) {
        std::fprintf(stderr, "varnhold_soundgen: cannot write the sounds to %s\n", argv[1]);
        return 1;
    }
    std::printf("varnhold_soundgen: %zu files in %s\n", written.size(), argv[1]);
    return 0;
}
