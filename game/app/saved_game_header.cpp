#include "game/app/saved_game_header.h"

#include "platform/file.h"

#include <algorithm>
#include <cctype>

namespace saved_game_header {

namespace {

void PutU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
void PutU16(std::vector<std::uint8_t>& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}
// Names longer than an i16 can count are cut: the length written always matches the bytes.
void PutText(std::vector<std::uint8_t>& out, const std::string& text) {
    const std::size_t n = std::min<std::size_t>(text.size(), 0x7FFF);
    PutU16(out, static_cast<std::uint16_t>(n));
    out.insert(out.end(), text.begin(), text.begin() + static_cast<std::ptrdiff_t>(n));
}

class Reader {
public:
    explicit Reader(const std::vector<std::uint8_t>& b) : bytes(b) {}
    bool U32(std::uint32_t& v) {
        if (bytes.size() - at < 4) return false;
        v = 0;
        for (int i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(bytes[at + i]) << (8 * i);
        at += 4;
        return true;
    }
    bool U16(std::uint16_t& v) {
        if (bytes.size() - at < 2) return false;
        v = static_cast<std::uint16_t>(bytes[at] | (bytes[at + 1] << 8));
        at += 2;
        return true;
    }
    bool Text(std::string& text) {
        std::uint16_t raw = 0;
        if (!U16(raw) || static_cast<std::int16_t>(raw) < 0 || bytes.size() - at < raw) return false;
        text.assign(reinterpret_cast<const char*>(bytes.data() + at), raw);
        at += raw;
        return true;
    }
    std::size_t at = 0;

private:
    const std::vector<std::uint8_t>& bytes;
};

} // namespace

std::uint32_t VersionHash(const std::string& text) {
    std::uint32_t hash = static_cast<std::uint32_t>(text.size());
    std::size_t i = 0;
    for (; i + 4 <= text.size(); i += 4) {
        std::uint32_t group = 0;
        for (int k = 0; k < 4; ++k) group |= static_cast<std::uint32_t>(static_cast<std::uint8_t>(text[i + k])) << (8 * k);
        hash ^= group;
    }
    std::uint32_t rest = 0;
    for (int k = 0; i < text.size(); ++i, ++k) rest |= static_cast<std::uint32_t>(static_cast<std::uint8_t>(text[i])) << (8 * k);
    return hash ^ rest;
}

std::vector<std::uint8_t> Encode(const Header& header) {
    std::vector<std::uint8_t> out;
    for (std::uint32_t i = 0; i < kSlotCount; ++i) PutU32(out, 0);
    PutU32(out, header.hash);
    PutText(out, header.saveName);
    PutU32(out, static_cast<std::uint32_t>(header.scenarioIndex));
    PutText(out, header.scenarioName);
    PutU32(out, static_cast<std::uint32_t>(header.gameMode));
    PutU16(out, header.headerWord);
    return out;
}

bool Decode(const std::vector<std::uint8_t>& bytes, Header& header, std::size_t& used, std::string& error) {
    Reader r(bytes);
    std::uint32_t slot = 0, index = 0, mode = 0;
    for (std::uint32_t i = 0; i < kSlotCount; ++i)
        if (!r.U32(slot)) {
            error = "The file is too short to be a saved game.";
            return false;
        }
    if (!r.U32(header.hash) || !r.Text(header.saveName) || !r.U32(index) || !r.Text(header.scenarioName) ||
        !r.U32(mode) || !r.U16(header.headerWord)) {
        error = "The saved game's header is damaged.";
        return false;
    }
    header.scenarioIndex = static_cast<std::int32_t>(index);
    header.gameMode = static_cast<std::int32_t>(mode);
    if (header.scenarioIndex < -1 || header.scenarioIndex > 10) {
        error = "The saved game names an unknown scenario.";
        return false;
    }
    if (header.gameMode < 0 || header.gameMode > 2) {
        error = "The saved game has an unknown game mode.";
        return false;
    }
    used = r.at;
    return true;
}

bool ReadFile(const std::string& path, std::uint32_t expectedHash, Header& header, std::size_t& used,
              std::string& error) {
    OFSTRUCT info;
    const HFILE file = OpenFile(path.c_str(), &info, OF_READ);
    if (file == HFILE_ERROR) {
        error = "The saved game " + path + " cannot be opened.";
        return false;
    }
    // The longest header: the fixed fields and two names of at most 0x7FFF bytes.
    std::vector<std::uint8_t> bytes(kHashOffset + 4 + 2 + 0x7FFF + 4 + 2 + 0x7FFF + 4 + 2);
    const UINT got = _lread(file, bytes.data(), static_cast<UINT>(bytes.size()));
    _lclose(file);
    bytes.resize(got == static_cast<UINT>(HFILE_ERROR) ? 0 : got);
    if (!Decode(bytes, header, used, error)) return false;
    if (header.hash != expectedHash) {
        error = "The saved game was made by another version of the program.";
        return false;
    }
    return true;
}

const char* AutosaveFile(std::int32_t gameMode) {
    switch (gameMode) {
    case 0: return "\\Autosave.Vh";
    case 1: return "\\Autocamp.Vh";
    case 2: return "\\Autontwk.Vh";
    default: return "";
    }
}

std::uint32_t AutosavePrefixId(std::int32_t gameMode) {
    return gameMode >= 0 && gameMode <= 2 ? 164u + static_cast<std::uint32_t>(gameMode) : 0u;
}

bool IsAutosavePath(const std::string& path) {
    std::string lower(path);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    for (const char* name : {"autosave.vh", "autocamp.vh", "autontwk.vh"})
        if (lower.find(name) != std::string::npos) return true;
    return false;
}

} // namespace saved_game_header
