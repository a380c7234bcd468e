#pragma once
// The records every connection shares: the entries of the relay lists, the answer to a request
// across the network, the payload of the connection events, and the connection's exception.
#include "core/container.h"
#include "core/events.h"
#include "core/super_string.h"

#include <cstdint>
#include <string>
#include <vector>

// One entry of a forwarded or accepted list: an event word and a payload type id. Entries are
// equal when their event numbers and type ids are; the delivery kind is not compared.
struct MessageType {
    BusMessage event;
    std::uint16_t typeId = 0;

    MessageType() = default;
    MessageType(BusMessage event_, std::uint16_t typeId_) : event(event_), typeId(typeId_) {}
    bool operator==(const MessageType& o) const { return event == o.event && typeId == o.typeId; }
};

// The answer to request number `sequence`; owns its payload (which may be null).
class MessageResponse {
public:
    MessageResponse() = default;
    // Takes ownership of payload.
    MessageResponse(std::uint32_t sequence, ContainerBase* payload);
    MessageResponse(const MessageResponse& o);
    MessageResponse(MessageResponse&& o) noexcept;
    MessageResponse& operator=(const MessageResponse& o);
    MessageResponse& operator=(MessageResponse&& o) noexcept;
    ~MessageResponse();

    std::uint32_t Sequence() const { return sequence; }
    const ContainerBase* Payload() const { return payload; }
    // Hands the payload to the caller.
    ContainerBase* TakePayload();
    bool operator==(const MessageResponse& o) const { return sequence == o.sequence; }

private:
    friend SuperString& operator>>(SuperString& s, MessageResponse& v);
    std::uint32_t sequence = 0;
    ContainerBase* payload = nullptr;
};

// u32 sequence, then the payload as an object pointer.
SuperString& operator<<(SuperString& s, const MessageResponse& v);
SuperString& operator>>(SuperString& s, MessageResponse& v);

// The payload of CONNECTION_OPENED and CONNECTION_CLOSED.
struct ConnectionInfo {
    std::string name;
    std::int32_t value = 0;
    bool operator==(const ConnectionInfo&) const = default;
};
SuperString& operator<<(SuperString& s, const ConnectionInfo& v);
SuperString& operator>>(SuperString& s, ConnectionInfo& v);

// The connection layer's exception: 0 the application is halting, 1 a time-out, 2 a message
// the connection does not accept.
class CommError {
public:
    enum Code : std::int32_t { kHalt = 0, kTimeout = 1, kNotAccepted = 2 };
    CommError(std::string text_, std::int32_t code_) : text(std::move(text_)), code(code_) {}
    const std::string& Text() const { return text; }
    std::int32_t Code() const { return code; }

private:
    std::string text;
    std::int32_t code;
};

// Registers the payload types of the connection layer (idempotent; every connection calls it).
void RegisterCommTypes();

// The process-wide list of responses that have arrived and wait for their request.
std::vector<MessageResponse>& ResponseList();
// The sequence numbers of the requests waiting now. A response to anything else is not kept:
// nothing would ever take it from the list.
std::vector<std::uint32_t>& AwaitedSequences();
