// The connection directory's file: read whole by a directory, and every whole record the input
// holds read on its own, as the directory reads them after its two counts.
#include "comms/ui/comm_directory.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

// The directory without its dialogs: what is read is all that matters here.
class Directory : public CommDirectory {
public:
    using CommDirectory::CommDirectory;
    std::int16_t Dial() override { return 0; }
    std::int16_t AddNumber() override { return 0; }
    std::int16_t EditNumber() override { return 0; }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Begin();
    {
        // The whole file as the directory reads it when made, and writes it back when it goes.
        Directory directory(fuzz::WriteScratch("fuzz.dir", data, size).c_str(), 10, 0);
    }
    if (size < 8) return 0;
    for (std::size_t at = 8; at + DirectoryEntry::kSize <= size; at += DirectoryEntry::kSize) {
        DirectoryEntry entry;
        ReadDirectoryEntry(data + at, entry);
    }
    return 0;
}
