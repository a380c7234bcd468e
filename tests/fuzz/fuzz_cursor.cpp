// Cursor files: animated cursors (.ani) and single cursors (.cur), by the reader and by the
// program's loading call on a file.
#include "platform/cursor.h"
#include "platform/cursor_file.h"
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Begin();
    platform::CursorImage image;
    platform::ReadCursorFile(data, size, image);
    LoadCursorFromFileA(fuzz::WriteScratch("fuzz.ani", data, size).c_str());
    return 0;
}
