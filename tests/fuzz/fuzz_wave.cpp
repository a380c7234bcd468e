// Wave files: the header, then every piece of the data read to the end.
#include "sound/wave_file.h"
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Begin();
    const std::string path = fuzz::WriteScratch("fuzz.wav", data, size);
    WaveFile wave;
    if (!wave.Open(path, 0)) return 0;
    for (int pieces = 0; pieces < 64; ++pieces) {
        std::uint32_t got = 0;
        std::uint16_t atEnd = 0;
        wave.ReadPiece(4096, got, atEnd);
        if (atEnd || got == 0) break;
    }
    WaveFile::ForgetRefusedFiles();
    return 0;
}
