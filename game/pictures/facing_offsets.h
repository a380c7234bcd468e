#pragma once
// The walking offset tables: records of the image library "Walking Animation Data", one
// FacingOffsets per record. For each facing 1..8 of a unit a DirectionOffsets holds ten entries
// (1..8 a step in that compass direction, 9 and 10 the second legs of straightened north and
// south steps) and the point where a figure comes to rest; each entry holds three HexOffsets
// (a leg on level ground, up, down) of three points and three durations.
//
// Record layout (little-endian, 5920 bytes, no padding): a 128-byte name ended by a zero byte,
// then facings 1..8 of 724 bytes each: entries 1..10 of 72 bytes (three 24-byte HexOffsets:
// three points as i16 x, y, then three i32 values), then the rest point's i16 x and y. Facing 0
// and entry 0 are never stored and stay zero.
//
// A record cut short by the end of its file is not valid, so the library that holds it is
// refused whole rather than giving the walk half a table.
#include "core/geometry.h"
#include "platform/file.h"

#include <cstdint>
#include <string>

class QIFStorage {
public:
    QIFStorage() = default;
    // Reads the 128-byte name at the file's position.
    QIFStorage(const char* library, HFILE file);
    QIFStorage(const QIFStorage&) = default;
    QIFStorage& operator=(const QIFStorage&) = default;
    virtual ~QIFStorage() = default;
    virtual void Lock() {}
    virtual void Unlock() {}
    virtual void UnlockAll() {}

    // The record's name ("" when none).
    const char* GetName() const { return name.c_str(); }
    bool IsValid() const { return valid; }

protected:
    std::string name;
    bool valid = true;
};

struct HexOffsets {
    Point3D points[3];
    std::int32_t values[3] = {0, 0, 0};

    bool operator==(const HexOffsets& o) const;
    // False when the file ran out.
    bool Read(HFILE file);
    bool Write(HFILE file) const;
};

struct HillOffsets {
    HexOffsets hexes[3];

    bool operator==(const HillOffsets& o) const;
    bool Read(HFILE file);
    bool Write(HFILE file) const;
};

struct DirectionOffsets {
    HillOffsets entries[11];
    Point3D extra;

    // Entry 0 takes no part.
    bool operator==(const DirectionOffsets& o) const;
    bool Read(HFILE file);
    bool Write(HFILE file) const;
};

class FacingOffsets : public QIFStorage {
public:
    static constexpr int kRecordSize = 5920;
    static constexpr int kNameSize = 128;

    FacingOffsets() = default;
    // Reads one record at the file's position and leaves the file at the next one.
    FacingOffsets(const char* library, HFILE file);
    // From a memory record (the compact data-file list); never reads past end.
    FacingOffsets(const char* library, const unsigned char*& cursor, const unsigned char* end);

    // Facings only; facing 0 and the name take no part.
    bool operator==(const FacingOffsets& o) const;
    // Writes the record (name, then facings 1..8).
    bool Write(HFILE file) const;

    DirectionOffsets facings[9];
};
