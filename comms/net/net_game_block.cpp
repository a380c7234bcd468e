#include "comms/net/net_game_block.h"

#include "platform/path.h"

#include <fstream>
#include <iterator>

namespace {

void PutU16(std::string& out, std::uint16_t v) {
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>(v >> 8));
}

void PutU32(std::string& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

bool PutText(std::string& out, const std::string& text) {
    if (text.size() > NetGameBlock::kLongestText) return false;
    PutU16(out, static_cast<std::uint16_t>(text.size()));
    out += text;
    return true;
}

struct Reader {
    const std::string& bytes;
    std::size_t at;
    bool U16(std::uint16_t& v) {
        if (bytes.size() < 2 || at > bytes.size() - 2) return false;
        v = static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[at]) |
                                       (static_cast<unsigned char>(bytes[at + 1]) << 8));
        at += 2;
        return true;
    }
    bool U32(std::uint32_t& v) {
        if (bytes.size() < 4 || at > bytes.size() - 4) return false;
        v = 0;
        for (int i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
        at += 4;
        return true;
    }
    // A length is stored in 16 bits and read back signed: a negative one is damage.
    bool Text(std::string& out) {
        std::uint16_t raw;
        if (!U16(raw)) return false;
        const auto n = static_cast<std::int16_t>(raw);
        if (n < 0 || static_cast<std::size_t>(n) > bytes.size() - at) return false;
        out.assign(bytes, at, static_cast<std::size_t>(n));
        at += static_cast<std::size_t>(n);
        return true;
    }
};

} // namespace

bool NetGameBlock::Encode(std::string& out) const {
    std::string b;
    PutU32(b, scenarioIndex);
    if (!PutText(b, scenarioFile)) return false;
    PutU16(b, playerCount);
    if (!PutText(b, connectionName)) return false;
    if (leaders.size() > 0xFFFF) return false;
    PutU16(b, static_cast<std::uint16_t>(leaders.size()));
    for (const LeaderInfo& l : leaders)
        if (!PutText(b, l.first) || !PutText(b, l.second)) return false;
    b += transportData;
    out = std::move(b);
    return true;
}

bool NetGameBlock::Decode(const std::string& bytes, std::size_t offset) {
    if (offset > bytes.size()) return false;
    Reader r{bytes, offset};
    std::uint16_t count;
    if (!r.U32(scenarioIndex) || !r.Text(scenarioFile) || !r.U16(playerCount) || !r.Text(connectionName) ||
        !r.U16(count))
        return false;
    for (std::uint16_t i = 0; i < count; ++i) {
        LeaderInfo l;
        if (!r.Text(l.first) || !r.Text(l.second)) return false;
        leaders.push_back(std::move(l));
    }
    transportData.assign(bytes, r.at, std::string::npos);
    return true;
}

bool AppendNetGameBlock(const std::string& path, const NetGameBlock& block) {
    std::string bytes;
    if (!block.Encode(bytes)) return false;
    // The game names its saved files the Windows way, as every other reader of them does.
    std::fstream f(platform::MapPath(path), std::ios::in | std::ios::out | std::ios::binary);
    if (!f) return false;
    f.seekg(0, std::ios::end);
    const std::streamoff end = f.tellg();
    if (end < static_cast<std::streamoff>(NetGameBlock::kOffsetField + 4) || end > 0xFFFFFFFFll) return false;
    std::string at;
    PutU32(at, static_cast<std::uint32_t>(end));
    f.seekp(NetGameBlock::kOffsetField);
    f.write(at.data(), 4);
    f.seekp(end);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(f.flush());
}

bool ReadNetGameBlock(const std::string& path, NetGameBlock& block) {
    std::ifstream f(platform::MapPath(path), std::ios::binary);
    if (!f) return false;
    const std::string bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    Reader header{bytes, NetGameBlock::kOffsetField};
    std::uint32_t offset;
    if (!header.U32(offset)) return false;
    return block.Decode(bytes, offset);
}
