#include "game/logic/referee/saved_game_file.h"

#include "platform/file.h"
#include "platform/path.h"

#include <limits>
#include <vector>

namespace saved_game {

namespace {

// Closes the handle whatever way the caller leaves.
class OpenedFile {
public:
    OpenedFile(const std::string& name, UINT mode) {
        OFSTRUCT info{};
        handle = OpenFile(name.c_str(), &info, mode);
    }
    ~OpenedFile() {
        if (handle != HFILE_ERROR) _lclose(handle);
    }
    OpenedFile(const OpenedFile&) = delete;
    OpenedFile& operator=(const OpenedFile&) = delete;
    HFILE Get() const { return handle; }
    bool IsOpen() const { return handle != HFILE_ERROR; }

private:
    HFILE handle = HFILE_ERROR;
};

bool WriteAll(HFILE file, const void* bytes, std::size_t n) {
    if (n == 0) return true;
    if (n > std::numeric_limits<std::int32_t>::max()) return false;
    return _lwrite(file, bytes, static_cast<UINT>(n)) == static_cast<UINT>(n);
}

} // namespace

bool AppendBlock(const std::string& file, std::uint32_t slot, const SuperString& block, std::string& error) {
    OpenedFile f(file, OF_READWRITE);
    if (!f.IsOpen()) {
        error = "The file cannot be opened.";
        return false;
    }
    const long long size = platform::FileSize(f.Get());
    // Without a header the slot would be written into the middle of nothing, and the block would
    // then overwrite the slot itself.
    if (size < HeaderBytes) {
        error = "The file has no saved-game header.";
        return false;
    }
    const std::string bytes = block.Contents();
    if (static_cast<unsigned long long>(size) + bytes.size() > std::numeric_limits<std::int32_t>::max()) {
        error = "The saved game would grow past its largest size.";
        return false;
    }
    const std::uint32_t start = static_cast<std::uint32_t>(size);
    const unsigned char where[4] = {static_cast<unsigned char>(start), static_cast<unsigned char>(start >> 8),
                                    static_cast<unsigned char>(start >> 16), static_cast<unsigned char>(start >> 24)};
    if (_llseek(f.Get(), static_cast<LONG>(start), FILE_BEGIN) != static_cast<LONG>(start) ||
        !WriteAll(f.Get(), bytes.data(), bytes.size()) ||
        _llseek(f.Get(), static_cast<LONG>(slot), FILE_BEGIN) != static_cast<LONG>(slot) ||
        !WriteAll(f.Get(), where, sizeof where)) {
        error = "Writing the file failed.";
        return false;
    }
    return true;
}

bool ReadBlock(const std::string& file, std::uint32_t slot, std::string& block, std::string& error) {
    block.clear();
    std::vector<std::uint8_t> bytes;
    if (!platform::ReadWholeFile(file, bytes)) {
        error = "The file cannot be opened.";
        return false;
    }
    if (bytes.size() < HeaderBytes) {
        error = "The file has no saved-game header.";
        return false;
    }
    if (bytes.size() >= static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
        error = "The file is larger than any saved game.";
        return false;
    }
    const std::uint32_t start = static_cast<std::uint32_t>(bytes[slot]) | static_cast<std::uint32_t>(bytes[slot + 1]) << 8 |
                                static_cast<std::uint32_t>(bytes[slot + 2]) << 16 |
                                static_cast<std::uint32_t>(bytes[slot + 3]) << 24;
    if (start < HeaderBytes || start > bytes.size()) {
        error = "The block's start lies outside the file.";
        return false;
    }
    block.assign(bytes.begin() + start, bytes.end());
    return true;
}

bool FillStream(SuperString& s, const std::string& bytes) {
    s.Clear();
    if (bytes.size() >= static_cast<std::size_t>(s.MaxLength())) return false;
    if (!bytes.empty() && !s.Write(bytes.data(), static_cast<std::int32_t>(bytes.size()))) return false;
    s.SetReadPosition(0);
    return true;
}

} // namespace saved_game
