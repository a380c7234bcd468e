#pragma once
// The application's palette as the drawing code sees it: five 256-entry remap tables (each maps
// a palette index to a palette index) and the operations a platform palette implements.
// Invariant: a table pointer is null or owns 256 bytes; the destructor frees all five.
#include "platform/gdi.h"

#include <cstdint>

class LogicalPalette {
public:
    LogicalPalette() = default;
    LogicalPalette(const LogicalPalette&) = delete;
    LogicalPalette& operator=(const LogicalPalette&) = delete;
    virtual ~LogicalPalette();

    virtual void ReserveRange(std::int16_t first, std::int16_t last) = 0;
    virtual void ReleaseRange(std::int16_t first, std::int16_t last) = 0;
    // 0 when no range is reserved, else 1 and the range.
    virtual std::int16_t GetReservedRange(std::int16_t& first, std::int16_t& last) const = 0;
    // 256 entries of blue, green, red, reserved.
    virtual const std::uint8_t* GetData() const = 0;
    virtual HPALETTE GetHandle() const = 0;
    virtual bool Save(const char* path) const = 0;
    virtual std::uint8_t NearestIndex(std::uint8_t r, std::uint8_t g, std::uint8_t b) const = 0;

    const std::uint8_t* GetShadowTable() const { return tables_[0]; }
    const std::uint8_t* GetGreyTable() const { return tables_[1]; }
    const std::uint8_t* GetHighlightTable() const { return tables_[2]; }
    const std::uint8_t* GetLightTable() const { return tables_[3]; }
    const std::uint8_t* GetLighterTable() const { return tables_[4]; }
    // Table k = 1..5 (shadow, grey, highlight, light, lighter).
    const std::uint8_t* GetTable(int k) const { return k >= 1 && k <= 5 ? tables_[k - 1] : nullptr; }

protected:
    // Takes ownership of a 256-byte table made with new[].
    void SetTable(int k, std::uint8_t* table);

private:
    std::uint8_t* tables_[5] = {};
};

// Table routines: destination[i] = table[source[i]] and buffer[i] = table[buffer[i]].
void RemapCopy(std::uint8_t* destination, const std::uint8_t* source, std::size_t count, const std::uint8_t* table);
void RemapInPlace(std::uint8_t* buffer, std::size_t count, const std::uint8_t* table);
