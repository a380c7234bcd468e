#include "comms/comm_types.h"

#include "core/type_info.h"

#include <utility>

MessageResponse::MessageResponse(std::uint32_t sequence_, ContainerBase* payload_)
    : sequence(sequence_), payload(payload_) {}

MessageResponse::MessageResponse(const MessageResponse& o)
    : sequence(o.sequence), payload(o.payload ? o.payload->Clone() : nullptr) {}

MessageResponse::MessageResponse(MessageResponse&& o) noexcept : sequence(o.sequence), payload(o.payload) {
    o.payload = nullptr;
}

MessageResponse& MessageResponse::operator=(const MessageResponse& o) {
    if (this != &o) {
        ContainerBase* fresh = o.payload ? o.payload->Clone() : nullptr;
        delete payload;
        payload = fresh;
        sequence = o.sequence;
    }
    return *this;
}

MessageResponse& MessageResponse::operator=(MessageResponse&& o) noexcept {
    if (this != &o) {
        delete payload;
        payload = std::exchange(o.payload, nullptr);
        sequence = o.sequence;
    }
    return *this;
}

MessageResponse::~MessageResponse() { delete payload; }

ContainerBase* MessageResponse::TakePayload() { return std::exchange(payload, nullptr); }

SuperString& operator<<(SuperString& s, const MessageResponse& v) {
    s << static_cast<unsigned int>(v.Sequence());
    return s << v.Payload();
}

SuperString& operator>>(SuperString& s, MessageResponse& v) {
    unsigned int sequence = 0;
    ContainerBase* payload = nullptr;
    s >> sequence >> payload;
    delete v.payload;
    v.sequence = sequence;
    v.payload = payload;
    return s;
}

SuperString& operator<<(SuperString& s, const ConnectionInfo& v) { return s << v.name << static_cast<int>(v.value); }

SuperString& operator>>(SuperString& s, ConnectionInfo& v) {
    int value = 0;
    s >> v.name >> value;
    v.value = value;
    return s;
}

void RegisterCommTypes() {
    TypeInfo<MessageResponse>::Register();
    TypeInfo<ConnectionInfo>::Register();
    TypeInfo<short>::Register();
}

std::vector<MessageResponse>& ResponseList() {
    static std::vector<MessageResponse> responses;
    return responses;
}

std::vector<std::uint32_t>& AwaitedSequences() {
    static std::vector<std::uint32_t> sequences;
    return sequences;
}
