#pragma once
// Field-by-field reading and writing of the game's file forms (scenario records, saved-game
// blocks) on a SuperString: little-endian, explicit widths, nothing between the fields.
//
// Every reader answers false once the stream holds fewer bytes than the field needs; the field
// then keeps its value and the stream's failure flag stays set, so that a reader may go on and
// test once at the end of a record. Lengths are checked against what remains before anything is
// copied, so a damaged count never makes a reader allocate or skip past the end.
#include "core/super_string.h"

#include <cstdint>
#include <string>

namespace stream_fields {

inline bool Fits(SuperString& s, std::int64_t n) {
    if (n >= 0 && n <= s.Remaining()) return true;
    s.SetFailed();
    s.SetReadPosition(s.Length());
    return false;
}

template <class T> bool ReadScalar(SuperString& s, T& v) {
    if (!Fits(s, static_cast<std::int64_t>(sizeof(T)))) return false;
    T x{};
    s >> x;
    v = x;
    return !s.Failed();
}

inline bool ReadU8(SuperString& s, std::uint8_t& v) { return ReadScalar(s, reinterpret_cast<unsigned char&>(v)); }
inline bool ReadU16(SuperString& s, std::uint16_t& v) { return ReadScalar(s, reinterpret_cast<unsigned short&>(v)); }
inline bool ReadI16(SuperString& s, std::int16_t& v) { return ReadScalar(s, reinterpret_cast<short&>(v)); }
inline bool ReadU32(SuperString& s, std::uint32_t& v) { return ReadScalar(s, reinterpret_cast<unsigned int&>(v)); }
inline bool ReadI32(SuperString& s, std::int32_t& v) { return ReadScalar(s, reinterpret_cast<int&>(v)); }

// n bytes of text (no terminator in the stream).
inline bool ReadText(SuperString& s, std::int64_t n, std::string& v) {
    if (!Fits(s, n)) return false;
    std::string x(static_cast<std::size_t>(n), '\0');
    if (n > 0 && !s.Read(x.data(), static_cast<std::int32_t>(n))) return false;
    v = std::move(x);
    return true;
}

inline bool Skip(SuperString& s, std::int64_t n) {
    if (!Fits(s, n)) return false;
    s.SetReadPosition(s.ReadPosition() + static_cast<std::int32_t>(n));
    return true;
}

inline void PutU8(SuperString& s, std::uint8_t v) { s << static_cast<unsigned char>(v); }
inline void PutU16(SuperString& s, std::uint16_t v) { s << static_cast<unsigned short>(v); }
inline void PutI16(SuperString& s, std::int16_t v) { s << static_cast<short>(v); }
inline void PutU32(SuperString& s, std::uint32_t v) { s << static_cast<unsigned int>(v); }
inline void PutI32(SuperString& s, std::int32_t v) { s << static_cast<int>(v); }
inline void PutText(SuperString& s, const std::string& v) {
    if (!v.empty()) s.Write(v.data(), static_cast<std::int32_t>(v.size()));
}

} // namespace stream_fields
