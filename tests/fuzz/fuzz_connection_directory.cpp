// The connection directory's file: every whole record the input holds, as the directory reads
// them after its two counts.
#include "comms/ui/comm_directory.h"
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Begin();
    if (size < 8) return 0;
    for (std::size_t at = 8; at + DirectoryEntry::kSize <= size; at += DirectoryEntry::kSize) {
        DirectoryEntry entry;
        ReadDirectoryEntry(data + at, entry);
    }
    return 0;
}
