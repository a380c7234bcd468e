#pragma once
// SuperString: the program's growable byte buffer, a chain of 100-byte Chunks with a running
// length, a maximum length and a read position. It is the receive buffer of connections, the
// builder of outgoing frames, and the stream that every serialisable value writes itself into
// and reads itself from (saved games, network payloads, landscape blocks).
//
// The stream operators below are the one binary encoding of the program: little-endian, field by
// field, no padding, no type tags unless stated. Every writer goes through the virtual Write,
// every reader through Read.
//
// Failures never pass silently: a write that would take the buffer past its maximum length is
// refused whole, a read of more bytes than remain copies nothing (the destination keeps its
// value, the read position goes to the end), and a payload that cannot be written or made again
// leaves the stream in step where it can. Each of them sets the failure flag, which stays set
// until ClearFailure or Clear; check it after reading a record.
//
// Invariants: there is always at least one chunk; only the tail receives new bytes; every
// chunk holds at most 100 bytes and keeps them NUL-terminated; the chunk lengths add up to the
// length; 0 <= read position <= length <= maximum length.
#include "core/events.h"

#include <cstdint>
#include <string>
#include <string_view>

class ContainerBase;

class Chunk {
public:
    static constexpr int kCapacity = 100;

    // Copies n bytes of text (n = 0: its C-string length, at most the capacity) and terminates them.
    explicit Chunk(const char* text = nullptr, std::int32_t value = 0, std::int32_t n = 0);

    // Index of byte within the held bytes, or -1.
    std::int32_t Find(char byte) const;

    char data[kCapacity + 1];
    Chunk* next = nullptr;
    Chunk* prev = nullptr;
    std::int32_t value;  // 0 in a SuperString; the line number in a FormatBuffer
    std::int32_t length; // bytes held
};

class SuperString {
public:
    static constexpr std::int32_t kDefaultMaxLength = 80000;

    explicit SuperString(std::int32_t maxLength = kDefaultMaxLength);
    SuperString(const SuperString&) = delete;
    SuperString& operator=(const SuperString&) = delete;
    virtual ~SuperString();

    // Appends n bytes; 1 on success, 0 (nothing written, failure flag set) when they would take
    // the buffer past its maximum length. n = 0 writes nothing.
    virtual std::int16_t Write(const void* bytes, std::int32_t n);
    // Copies n bytes from position into destination and terminates it (destination holds
    // n + 1 bytes); bytes past the end are given as 0. Nothing at all when position is not
    // below the length. The read position does not move.
    virtual void CopyOut(char* destination, std::int32_t position, std::int32_t n) const;
    // Back to one empty chunk, length 0, read position 0, no failure.
    virtual void Clear();
    // Cuts the first piece up to the delimiter off the front: destination receives the bytes
    // before it (not the delimiter); the result is their number, or -1 (nothing removed,
    // destination empty) when the delimiter is absent. The read position does not move.
    virtual std::int32_t ExtractThrough(std::string& destination, char delimiter);

    // A C string's bytes without its terminator.
    std::int16_t WriteText(const char* text);
    // As ExtractThrough, into a buffer of size bytes (at most size - 1 bytes and a terminator);
    // a piece that does not fit is refused: -1, nothing removed, failure flag set.
    std::int32_t ExtractThrough(char* destination, std::int32_t size, char delimiter);

    // Copies n bytes from the read position and advances it; false (see above) when fewer remain.
    bool Read(void* destination, std::int32_t n);

    std::int32_t Length() const { return length; }
    std::int32_t MaxLength() const { return maxLength; }
    std::int32_t ReadPosition() const { return readPosition; }
    std::int32_t Remaining() const { return length - readPosition; }
    // Clamped to 0..length.
    void SetReadPosition(std::int32_t position);

    // Position of the first occurrence of byte, or -1.
    std::int32_t FindByte(char byte) const;
    // Position of the first occurrence of text, ignoring case; -1 when absent, -2 when the text
    // is longer than 40 characters.
    std::int32_t Find(std::string_view text) const;

    bool Failed() const { return failed; }
    void SetFailed() { failed = true; }
    void ClearFailure() { failed = false; }

    // The whole content (tests and diagnostics).
    std::string Contents() const;
    int ChunkCount() const;
    // Tests: the invariants above.
    virtual bool Check() const;

protected:
    // Appends a new empty tail chunk; 0 when it cannot be had.
    std::int16_t AddChunk();
    void FreeChunks();
    // The chunk holding byte position (position < length) and the position of its first byte.
    Chunk* ChunkAt(std::int32_t position, std::int32_t* chunkStart) const;
    void ForgetCursor() const { cursor = nullptr; }

    Chunk* head = nullptr;
    Chunk* tail = nullptr;
    std::int32_t length = 0;
    std::int32_t maxLength;
    std::int32_t readPosition = 0;
    bool failed = false;

private:
    // A walk cursor: a chunk and the position of its first byte, so that reading a buffer from
    // front to back does not walk the chain from the head each time.
    mutable Chunk* cursor = nullptr;
    mutable std::int32_t cursorStart = 0;
};

// Scalars: int, short, char and their unsigned forms, float (IEEE single), double (IEEE double)
// take 4, 2, 1, 4 and 8 bytes. long and unsigned long are the program's 32-bit longs: 4 bytes; a
// value outside 32 bits is refused (failure flag, nothing written). bool has no stream form.
SuperString& operator<<(SuperString& s, int v);
SuperString& operator<<(SuperString& s, unsigned int v);
SuperString& operator<<(SuperString& s, short v);
SuperString& operator<<(SuperString& s, unsigned short v);
SuperString& operator<<(SuperString& s, long v);
SuperString& operator<<(SuperString& s, unsigned long v);
SuperString& operator<<(SuperString& s, char v);
SuperString& operator<<(SuperString& s, signed char v);
SuperString& operator<<(SuperString& s, unsigned char v);
SuperString& operator<<(SuperString& s, float v);
SuperString& operator<<(SuperString& s, double v);
SuperString& operator<<(SuperString& s, bool v) = delete;

SuperString& operator>>(SuperString& s, int& v);
SuperString& operator>>(SuperString& s, unsigned int& v);
SuperString& operator>>(SuperString& s, short& v);
SuperString& operator>>(SuperString& s, unsigned short& v);
SuperString& operator>>(SuperString& s, long& v);
SuperString& operator>>(SuperString& s, unsigned long& v);
SuperString& operator>>(SuperString& s, char& v);
SuperString& operator>>(SuperString& s, signed char& v);
SuperString& operator>>(SuperString& s, unsigned char& v);
SuperString& operator>>(SuperString& s, float& v);
SuperString& operator>>(SuperString& s, double& v);
SuperString& operator>>(SuperString& s, bool& v) = delete;

// string: u16 length L, then L bytes, no terminator. Longer than 65535 bytes is refused.
SuperString& operator<<(SuperString& s, const std::string& v);
SuperString& operator<<(SuperString& s, const char* v);
SuperString& operator>>(SuperString& s, std::string& v);

// Event word, numeric form: i32 event number, i32 kind (both sign-extended from the word).
SuperString& operator<<(SuperString& s, BusMessage v);
SuperString& operator>>(SuperString& s, BusMessage& v);
// Named form: u32 name length N; N > 0: the N name bytes and the kind as i16; N = 0 (an event
// without a registered name): the numeric form follows. Reading registers the name and gives
// its number in this process.
void WriteBusMessageByName(SuperString& s, BusMessage v);
bool ReadBusMessageByName(SuperString& s, BusMessage& v);

// Payload, object pointer form: u16 flag; 0 for a null pointer; 1, then the object form.
// A payload whose type is not registered is reported in a box (caption "Error") and written as
// a null pointer, so that the stream stays readable; the failure flag is set.
SuperString& operator<<(SuperString& s, const ContainerBase* payload);
// Reads a payload (owned by the caller); null for flag 0, and null with the failure flag for a
// class name that is not registered.
SuperString& operator>>(SuperString& s, ContainerBase*& payload);
// Payload, object form: the class name as a string, then the payload's own bytes. False (nothing
// written, box shown, failure flag) when its type is not registered.
bool WriteObject(SuperString& s, const ContainerBase& payload);
ContainerBase* ReadObject(SuperString& s);

// Small text routines: index of c in text (-1 when absent); copy n bytes and terminate; copy n
// bytes without terminating; append n bytes to a C string and terminate.
int IndexOfChar(const char* text, char c);
void CopyTerminated(char* destination, const char* source, std::size_t n);
void CopyBytes(char* destination, const char* source, std::size_t n);
void AppendTerminated(char* destination, const char* source, std::size_t n);
