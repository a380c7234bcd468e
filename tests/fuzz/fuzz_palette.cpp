// The palette file in either of its forms.
#include "tests/fuzz/fuzz_support.h"
#include "ui/windows/palette_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Begin();
    PaletteFileData palette;
    ReadPaletteFile(fuzz::WriteScratch("fuzz.pal", data, size), palette);
    return 0;
}
