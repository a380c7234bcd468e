#pragma once
// Little-endian field writer shared by the format writers: every field goes out with its own
// width, never as a copied struct.
#include <cstdint>
#include <string>
#include <vector>

namespace datagen {

class ByteWriter {
public:
    void U8(std::uint8_t v) { bytes_.push_back(v); }
    void U16(std::uint16_t v) {
        U8(static_cast<std::uint8_t>(v));
        U8(static_cast<std::uint8_t>(v >> 8));
    }
    void I16(std::int16_t v) { U16(static_cast<std::uint16_t>(v)); }
    void U32(std::uint32_t v) {
        U16(static_cast<std::uint16_t>(v));
        U16(static_cast<std::uint16_t>(v >> 16));
    }
    void Bytes(const std::uint8_t* p, std::size_t n) { bytes_.insert(bytes_.end(), p, p + n); }
    void Bytes(const std::vector<std::uint8_t>& v) { Bytes(v.data(), v.size()); }
    // A text in a fixed field: cut to leave room for its NUL, the rest zero.
    void Text(const std::string& s, std::size_t field) {
        const std::size_t n = s.size() < field ? s.size() : field - 1;
        for (std::size_t i = 0; i < field; ++i) U8(i < n ? static_cast<std::uint8_t>(s[i]) : 0);
    }
    void PatchU32(std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes_[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    }
    std::size_t Size() const { return bytes_.size(); }
    std::vector<std::uint8_t>& Data() { return bytes_; }

private:
    std::vector<std::uint8_t> bytes_;
};

bool WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes);

} // namespace datagen
