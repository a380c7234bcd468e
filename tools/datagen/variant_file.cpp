#include "tools/datagen/variant_file.h"

#include <cstdio>

namespace datagen {

namespace {

void PutU16(std::vector<std::uint8_t>& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v & 0xFF));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void PutU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<std::uint8_t>((v >> shift) & 0xFF));
}

class Cursor {
public:
    explicit Cursor(const std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}
    bool U16(std::uint16_t& v) {
        if (!Has(2)) return false;
        v = static_cast<std::uint16_t>(bytes_[at_] | bytes_[at_ + 1] << 8);
        at_ += 2;
        return true;
    }
    bool U32(std::uint32_t& v) {
        if (!Has(4)) return false;
        v = 0;
        for (int i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(bytes_[at_ + i]) << (8 * i);
        at_ += 4;
        return true;
    }
    // A text counted by a u16 that must fit the game's 256-byte buffer.
    bool Text(std::string& text) {
        std::uint16_t n = 0;
        if (!U16(n) || n > 255 || !Has(n)) return false;
        text.assign(bytes_.begin() + static_cast<std::ptrdiff_t>(at_), bytes_.begin() + static_cast<std::ptrdiff_t>(at_ + n));
        at_ += n;
        return true;
    }

private:
    bool Has(std::size_t n) const { return bytes_.size() - at_ >= n; }
    const std::vector<std::uint8_t>& bytes_;
    std::size_t at_ = 0;
};

} // namespace

std::vector<std::uint8_t> WriteVariant(const VariantDraft& d) {
    std::vector<std::uint8_t> out;
    PutU32(out, static_cast<std::uint32_t>(d.scenarioIndex));
    PutU16(out, static_cast<std::uint16_t>(d.scenarioFile.size()));
    out.insert(out.end(), d.scenarioFile.begin(), d.scenarioFile.end());
    PutU32(out, d.detailsNumber);
    PutU16(out, static_cast<std::uint16_t>(d.title.size()));
    out.insert(out.end(), d.title.begin(), d.title.end());
    return out;
}

bool WriteVariantFile(const std::string& path, const VariantDraft& draft) {
    const auto bytes = WriteVariant(draft);
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

std::optional<VariantDraft> ReadVariant(const std::vector<std::uint8_t>& bytes) {
    Cursor in(bytes);
    VariantDraft d;
    std::uint32_t index = 0;
    if (!in.U32(index) || !in.Text(d.scenarioFile) || !in.U32(d.detailsNumber) || !in.Text(d.title)) return std::nullopt;
    d.scenarioIndex = static_cast<std::int32_t>(index);
    return d;
}

} // namespace datagen
