#include "core/super_string.h"

#include "core/container.h"
#include "core/message_registry.h"
#include "core/type_info.h"
#include "core/app_message.h"
#include "platform/msgbox.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstring>

Chunk::Chunk(const char* text, std::int32_t value_, std::int32_t n) : value(value_), length(0) {
    if (text) {
        if (n <= 0) n = static_cast<std::int32_t>(strnlen(text, kCapacity));
        length = std::min(n, kCapacity);
        std::memcpy(data, text, static_cast<std::size_t>(length));
    }
    data[length] = '\0';
}

std::int32_t Chunk::Find(char byte) const {
    const void* at = std::memchr(data, byte, static_cast<std::size_t>(length));
    return at ? static_cast<std::int32_t>(static_cast<const char*>(at) - data) : -1;
}

SuperString::SuperString(std::int32_t maxLength_) : maxLength(maxLength_ < 0 ? 0 : maxLength_) {
    head = tail = new Chunk;
}

SuperString::~SuperString() { FreeChunks(); }

void SuperString::FreeChunks() {
    for (Chunk* c = head; c;) {
        Chunk* next = c->next;
        delete c;
        c = next;
    }
    head = tail = nullptr;
    ForgetCursor();
}

std::int16_t SuperString::AddChunk() {
    auto* c = new Chunk;
    c->prev = tail;
    tail->next = c;
    tail = c;
    return 1;
}

std::int16_t SuperString::Write(const void* bytes, std::int32_t n) {
    if (n <= 0) return n == 0 ? 1 : 0;
    if (!bytes || n > maxLength - length) {
        failed = true;
        return 0;
    }
    auto* p = static_cast<const char*>(bytes);
    while (n > 0) {
        if (tail->length == Chunk::kCapacity) AddChunk();
        std::int32_t room = Chunk::kCapacity - tail->length;
        std::int32_t take = std::min(room, n);
        std::memcpy(tail->data + tail->length, p, static_cast<std::size_t>(take));
        tail->length += take;
        tail->data[tail->length] = '\0';
        length += take;
        p += take;
        n -= take;
    }
    return 1;
}

std::int16_t SuperString::WriteText(const char* text) {
    return text ? Write(text, static_cast<std::int32_t>(std::strlen(text))) : 1;
}

Chunk* SuperString::ChunkAt(std::int32_t position, std::int32_t* chunkStart) const {
    Chunk* c = head;
    std::int32_t start = 0;
    if (cursor && cursorStart <= position) {
        c = cursor;
        start = cursorStart;
    }
    while (c && position >= start + c->length) {
        start += c->length;
        c = c->next;
    }
    if (c) {
        cursor = c;
        cursorStart = start;
    }
    *chunkStart = start;
    return c;
}

bool SuperString::Read(void* destination, std::int32_t n) {
    if (n < 0 || n > length - readPosition) {
        failed = true;
        readPosition = length;
        return false;
    }
    auto* out = static_cast<char*>(destination);
    std::int32_t position = readPosition;
    while (n > 0) {
        std::int32_t start;
        Chunk* c = ChunkAt(position, &start);
        std::int32_t offset = position - start;
        std::int32_t take = std::min(c->length - offset, n);
        std::memcpy(out, c->data + offset, static_cast<std::size_t>(take));
        out += take;
        position += take;
        n -= take;
    }
    readPosition = position;
    return true;
}

void SuperString::CopyOut(char* destination, std::int32_t position, std::int32_t n) const {
    if (!destination || n < 0 || position < 0 || position >= length) return;
    std::int32_t available = std::min(n, length - position);
    char* out = destination;
    std::int32_t at = position;
    while (available > 0) {
        std::int32_t start;
        Chunk* c = ChunkAt(at, &start);
        std::int32_t offset = at - start;
        std::int32_t take = std::min(c->length - offset, available);
        std::memcpy(out, c->data + offset, static_cast<std::size_t>(take));
        out += take;
        at += take;
        available -= take;
    }
    std::int32_t copied = static_cast<std::int32_t>(out - destination);
    std::memset(out, 0, static_cast<std::size_t>(n - copied) + 1);
}

void SuperString::Clear() {
    FreeChunks();
    head = tail = new Chunk;
    length = 0;
    readPosition = 0;
    failed = false;
}

void SuperString::SetReadPosition(std::int32_t position) {
    readPosition = std::clamp(position, 0, length);
}

std::int32_t SuperString::FindByte(char byte) const {
    std::int32_t start = 0;
    for (Chunk* c = head; c; c = c->next) {
        std::int32_t at = c->Find(byte);
        if (at >= 0) return start + at;
        start += c->length;
    }
    return -1;
}

std::int32_t SuperString::Find(std::string_view text) const {
    if (text.size() > 40) return -2;
    if (!head) return -2;
    auto lower = [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); };
    std::string needle(text);
    for (auto& c : needle) c = lower(c);
    // The text is short, so a window that slides byte by byte over the chain finds matches that
    // cross chunk boundaries, whatever the chunks' lengths.
    std::string window;
    std::int32_t windowStart = 0;
    std::size_t k = needle.size();
    for (Chunk* c = head; c; c = c->next) {
        for (std::int32_t i = 0; i < c->length; ++i) {
            window += lower(c->data[i]);
            if (window.size() > k) {
                window.erase(0, 1);
                ++windowStart;
            }
            if (window.size() == k && window == needle) return windowStart;
        }
    }
    return k == 0 ? 0 : -1;
}

std::int32_t SuperString::ExtractThrough(std::string& destination, char delimiter) {
    destination.clear();
    std::int32_t at = FindByte(delimiter);
    if (at < 0) return -1;
    destination.resize(static_cast<std::size_t>(at));
    CopyOut(destination.data(), 0, at);
    destination.resize(static_cast<std::size_t>(at));

    // Drop the chunks wholly before the delimiter's chunk, then the front of that chunk.
    std::int32_t remove = at + 1;
    length -= remove;
    while (remove > 0) {
        if (remove >= head->length && head != tail) {
            remove -= head->length;
            Chunk* next = head->next;
            delete head;
            head = next;
            head->prev = nullptr;
            continue;
        }
        std::memmove(head->data, head->data + remove, static_cast<std::size_t>(head->length - remove));
        head->length -= remove;
        head->data[head->length] = '\0';
        remove = 0;
    }
    ForgetCursor();
    readPosition = std::min(readPosition, length);
    return static_cast<std::int32_t>(destination.size());
}

std::int32_t SuperString::ExtractThrough(char* destination, std::int32_t size, char delimiter) {
    if (!destination || size <= 0) return -1;
    destination[0] = '\0';
    std::int32_t at = FindByte(delimiter);
    if (at < 0) return -1;
    if (at >= size) {
        failed = true;
        return -1;
    }
    std::string piece;
    ExtractThrough(piece, delimiter);
    std::memcpy(destination, piece.data(), piece.size());
    destination[piece.size()] = '\0';
    return static_cast<std::int32_t>(piece.size());
}

std::string SuperString::Contents() const {
    std::string out;
    out.reserve(static_cast<std::size_t>(length));
    for (Chunk* c = head; c; c = c->next) out.append(c->data, static_cast<std::size_t>(c->length));
    return out;
}

int SuperString::ChunkCount() const {
    int n = 0;
    for (Chunk* c = head; c; c = c->next) ++n;
    return n;
}

bool SuperString::Check() const {
    if (!head || !tail || head->prev || tail->next) return false;
    std::int32_t sum = 0;
    for (Chunk* c = head; c; c = c->next) {
        if (c->length < 0 || c->length > Chunk::kCapacity || c->data[c->length] != '\0') return false;
        if (c->next && c->next->prev != c) return false;
        if (!c->next && c != tail) return false;
        sum += c->length;
    }
    return sum == length && readPosition >= 0 && readPosition <= length && length <= maxLength;
}

// --- stream operators ---

namespace {

template <class U>
SuperString& writeLittle(SuperString& s, U v) {
    unsigned char bytes[sizeof(U)];
    for (std::size_t i = 0; i < sizeof(U); ++i) bytes[i] = static_cast<unsigned char>(v >> (8 * i));
    s.Write(bytes, sizeof(U));
    return s;
}

template <class U>
bool readLittle(SuperString& s, U& v) {
    unsigned char bytes[sizeof(U)];
    if (!s.Read(bytes, sizeof(U))) return false;
    U r = 0;
    for (std::size_t i = 0; i < sizeof(U); ++i) r = static_cast<U>(r | (static_cast<U>(bytes[i]) << (8 * i)));
    v = r;
    return true;
}

} // namespace

SuperString& operator<<(SuperString& s, int v) { return writeLittle(s, static_cast<std::uint32_t>(v)); }
SuperString& operator<<(SuperString& s, unsigned int v) { return writeLittle(s, static_cast<std::uint32_t>(v)); }
SuperString& operator<<(SuperString& s, short v) { return writeLittle(s, static_cast<std::uint16_t>(v)); }
SuperString& operator<<(SuperString& s, unsigned short v) { return writeLittle(s, static_cast<std::uint16_t>(v)); }
SuperString& operator<<(SuperString& s, char v) { return writeLittle(s, static_cast<std::uint8_t>(v)); }
SuperString& operator<<(SuperString& s, signed char v) { return writeLittle(s, static_cast<std::uint8_t>(v)); }
SuperString& operator<<(SuperString& s, unsigned char v) { return writeLittle(s, static_cast<std::uint8_t>(v)); }

SuperString& operator<<(SuperString& s, long v) {
    if (v < INT32_MIN || v > INT32_MAX) {
        s.SetFailed();
        return s;
    }
    return writeLittle(s, static_cast<std::uint32_t>(v));
}

SuperString& operator<<(SuperString& s, unsigned long v) {
    if (v > UINT32_MAX) {
        s.SetFailed();
        return s;
    }
    return writeLittle(s, static_cast<std::uint32_t>(v));
}

SuperString& operator<<(SuperString& s, float v) {
    std::uint32_t bits;
    static_assert(sizeof bits == sizeof v);
    std::memcpy(&bits, &v, sizeof bits);
    return writeLittle(s, bits);
}

SuperString& operator<<(SuperString& s, double v) {
    std::uint64_t bits;
    static_assert(sizeof bits == sizeof v);
    std::memcpy(&bits, &v, sizeof bits);
    return writeLittle(s, bits);
}

#define VH_READ_AS(type, wire)                                                                                 \
    SuperString& operator>>(SuperString& s, type& v) {                                                         \
        wire w;                                                                                                \
        if (readLittle(s, w)) v = static_cast<type>(w);                                                        \
        return s;                                                                                              \
    }
VH_READ_AS(int, std::uint32_t)
VH_READ_AS(unsigned int, std::uint32_t)
VH_READ_AS(short, std::uint16_t)
VH_READ_AS(unsigned short, std::uint16_t)
VH_READ_AS(char, std::uint8_t)
VH_READ_AS(signed char, std::uint8_t)
VH_READ_AS(unsigned char, std::uint8_t)
VH_READ_AS(unsigned long, std::uint32_t)
#undef VH_READ_AS

SuperString& operator>>(SuperString& s, long& v) {
    std::uint32_t w;
    if (readLittle(s, w)) v = static_cast<std::int32_t>(w);
    return s;
}

SuperString& operator>>(SuperString& s, float& v) {
    std::uint32_t bits;
    if (readLittle(s, bits)) std::memcpy(&v, &bits, sizeof v);
    return s;
}

SuperString& operator>>(SuperString& s, double& v) {
    std::uint64_t bits;
    if (readLittle(s, bits)) std::memcpy(&v, &bits, sizeof v);
    return s;
}

SuperString& operator<<(SuperString& s, const std::string& v) {
    if (v.size() > 0xFFFF) {
        s.SetFailed();
        return s;
    }
    s << static_cast<std::uint16_t>(v.size());
    s.Write(v.data(), static_cast<std::int32_t>(v.size()));
    return s;
}

SuperString& operator<<(SuperString& s, const char* v) { return s << std::string(v ? v : ""); }

SuperString& operator>>(SuperString& s, std::string& v) {
    std::uint16_t n;
    if (!readLittle(s, n)) return s;
    if (n > s.Remaining()) {
        s.Read(nullptr, n); // fails and marks the stream
        return s;
    }
    std::string text(n, '\0');
    s.Read(text.data(), n);
    v = std::move(text);
    return s;
}

SuperString& operator<<(SuperString& s, BusMessage v) {
    s << static_cast<std::int32_t>(v.Number());
    s << static_cast<std::int32_t>(v.Kind());
    return s;
}

SuperString& operator>>(SuperString& s, BusMessage& v) {
    std::int32_t number, kind;
    if (!readLittle(s, number) || !readLittle(s, kind)) return s;
    v = BusMessage(number).WithKind(kind);
    return s;
}

void WriteBusMessageByName(SuperString& s, BusMessage v) {
    std::string name = MessageName(v.Number());
    s << static_cast<std::uint32_t>(name.size());
    if (name.empty()) {
        s << v;
        return;
    }
    s.Write(name.data(), static_cast<std::int32_t>(name.size()));
    s << static_cast<std::int16_t>(v.Kind());
}

bool ReadBusMessageByName(SuperString& s, BusMessage& v) {
    std::uint32_t n;
    if (!readLittle(s, n)) return false;
    if (n == 0) {
        std::uint32_t number, kind;
        if (!readLittle(s, number) || !readLittle(s, kind)) return false;
        v = BusMessage(static_cast<std::int32_t>(number)).WithKind(static_cast<std::int32_t>(kind));
        return true;
    }
    if (n > static_cast<std::uint32_t>(s.Remaining()) || n > 0xFFFF) {
        s.Read(nullptr, s.Remaining() + 1);
        return false;
    }
    std::string name(n, '\0');
    s.Read(name.data(), static_cast<std::int32_t>(n));
    std::int16_t kind;
    if (!readLittle(s, kind)) return false;
    v = BusMessage(RegisterMessage(name)).WithKind(kind);
    return true;
}

namespace {

void reportUnregistered(const std::string& className) {
    std::string text = "Error: " + className + " is not a registered class and cannot be sent to a remote machine.";
    ShowApplicationMessage(text.c_str(), "Error", MB_OK);
}

} // namespace

bool WriteObject(SuperString& s, const ContainerBase& payload) {
    TypeInfoBase* type = FindTypeInfoById(payload.TypeId());
    if (!type) {
        reportUnregistered(payload.TypeName());
        s.SetFailed();
        return false;
    }
    s << payload.TypeName();
    type->WritePayload(s, const_cast<ContainerBase*>(&payload));
    return true;
}

ContainerBase* ReadObject(SuperString& s) {
    std::string className;
    s >> className;
    if (s.Failed()) return nullptr;
    TypeInfoBase* type = LookUpTypeInfo(className);
    if (!type) {
        // The payload's bytes carry no length of their own: the rest of the stream is lost.
        s.SetFailed();
        return nullptr;
    }
    return type->ReadPayload(s);
}

SuperString& operator<<(SuperString& s, const ContainerBase* payload) {
    if (payload && !FindTypeInfoById(payload->TypeId())) {
        reportUnregistered(payload->TypeName());
        s.SetFailed();
        payload = nullptr;
    }
    if (!payload) return s << static_cast<std::uint16_t>(0);
    s << static_cast<std::uint16_t>(1);
    WriteObject(s, *payload);
    return s;
}

SuperString& operator>>(SuperString& s, ContainerBase*& payload) {
    std::uint16_t flag;
    if (!readLittle(s, flag)) return s;
    payload = flag == 0 ? nullptr : ReadObject(s);
    return s;
}

int IndexOfChar(const char* text, char c) {
    if (!text) return -1;
    const char* at = std::strchr(text, c);
    return at && c != '\0' ? static_cast<int>(at - text) : -1;
}

void CopyTerminated(char* destination, const char* source, std::size_t n) {
    std::memcpy(destination, source, n);
    destination[n] = '\0';
}

void CopyBytes(char* destination, const char* source, std::size_t n) { std::memcpy(destination, source, n); }

void AppendTerminated(char* destination, const char* source, std::size_t n) {
    CopyTerminated(destination + std::strlen(destination), source, n);
}
