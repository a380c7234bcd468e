#include "comms/frame.h"

#include "core/message_registry.h"
#include "core/super_string.h"
#include "core/type_info.h"

namespace {

std::uint32_t g_sequence = 0;

void PutU16(std::string& s, std::size_t at, std::uint16_t v) {
    s[at] = static_cast<char>(v & 0xFF);
    s[at + 1] = static_cast<char>(v >> 8);
}

std::uint16_t GetU16(const std::string& s, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(s[at]) | (static_cast<unsigned char>(s[at + 1]) << 8));
}

// Reads the frame's fields up to and including the payload class; the stream is left at the
// payload's first byte.
FrameStatus ReadHead(SuperString& in, const std::string& frame, DecodedFrame& out) {
    if (frame.size() < static_cast<std::size_t>(kMinFrameLength) || frame.size() > static_cast<std::size_t>(kMaxFrameLength))
        return FrameStatus::kDamaged;
    if (static_cast<unsigned char>(frame[0]) != kFrameStart || static_cast<unsigned char>(frame.back()) != kFrameEnd)
        return FrameStatus::kDamaged;
    if (GetU16(frame, 1) != frame.size()) return FrameStatus::kDamaged;
    // The end marker is not part of what the fields may use.
    if (!in.Write(frame.data(), static_cast<std::int32_t>(frame.size()) - 1)) return FrameStatus::kDamaged;
    in.SetReadPosition(kFrameHeaderLength);
    int kind = 0;
    unsigned int sequence = 0;
    in >> kind >> sequence;
    if (in.Failed()) return FrameStatus::kDamaged;
    out.kind = kind;
    out.sequence = sequence;
    out.haveSequence = true;
    unsigned short nameLength = 0;
    in >> nameLength;
    if (in.Failed() || nameLength > in.Remaining()) return FrameStatus::kDamaged;
    bool known = true;
    if (nameLength > 0) {
        out.name.assign(nameLength, '\0');
        in.Read(out.name.data(), nameLength);
        std::uint16_t id = 0;
        known = FindMessage(out.name, &id) && id >= NumBusEvents;
        out.event = BusMessage(id).WithKind(kind);
    } else {
        BusMessage numeric;
        in >> numeric;
        if (in.Failed()) return FrameStatus::kDamaged;
        known = numeric.Number() >= 0 && numeric.Number() < NumBusEvents;
        out.event = BusMessage(numeric.Number()).WithKind(kind);
    }
    std::string className;
    in >> className;
    if (in.Failed()) return FrameStatus::kDamaged;
    if (!known) return FrameStatus::kUnknownEvent;
    out.type = LookUpTypeInfo(className);
    if (!out.type) return FrameStatus::kUnknownClass;
    return FrameStatus::kOk;
}

} // namespace

std::uint32_t NextFrameSequence() { return g_sequence; }
std::uint32_t TakeFrameSequence() { return g_sequence++; }

FrameStatus EncodeFrame(BusMessage event, const ContainerBase* payload, std::uint32_t sequence, std::string& frame) {
    const TypeInfoBase* type = payload ? FindTypeInfoById(payload->TypeId()) : nullptr;
    if (!type) return FrameStatus::kUnknownType;
    SuperString out;
    out << static_cast<unsigned char>(kFrameStart) << static_cast<unsigned short>(0);
    out << static_cast<int>(event.Kind()) << static_cast<unsigned int>(sequence);
    std::string name = event.Number() >= NumBusEvents ? MessageName(event.Number()) : std::string();
    if (name.size() > 0xFFFF) return FrameStatus::kTooLong;
    out << static_cast<unsigned short>(name.size());
    if (name.empty())
        out << event;
    else
        out.Write(name.data(), static_cast<std::int32_t>(name.size()));
    out << type->TypeName();
    type->WritePayload(out, const_cast<ContainerBase*>(payload));
    out << static_cast<unsigned char>(kFrameEnd);
    if (out.Failed()) return FrameStatus::kBadPayload;
    if (out.Length() > kMaxFrameLength) return FrameStatus::kTooLong;
    frame = out.Contents();
    PutU16(frame, 1, static_cast<std::uint16_t>(frame.size()));
    return FrameStatus::kOk;
}

FrameStatus DecodeFrame(const std::string& frame, DecodedFrame& out, bool readPayload) {
    SuperString in;
    FrameStatus status = ReadHead(in, frame, out);
    if (status != FrameStatus::kOk || !readPayload) return status;
    out.payload.reset(out.type->ReadPayload(in));
    if (!out.payload || in.Failed() || in.Remaining() != 0) {
        out.payload.reset();
        return FrameStatus::kBadPayload;
    }
    return FrameStatus::kOk;
}

FrameStatus DecodeFramePayload(const std::string& frame, DecodedFrame& out) {
    DecodedFrame again;
    FrameStatus status = DecodeFrame(frame, again, true);
    if (status == FrameStatus::kOk) out.payload = std::move(again.payload);
    return status;
}
