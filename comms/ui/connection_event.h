#pragma once
// ConnectionEvent: the one payload of the lobby's named message "ConnectionEvent", which the
// network components relay between the machines, so that every lobby sees every event.
// Wire form: i32 kind, string text, u32 value; a kind read outside 0..6 becomes -1.
#include "core/super_string.h"

#include <cstdint>
#include <string>

struct ConnectionEvent {
    enum Kind : std::int32_t {
        kUnset = -1,
        kLoggedOn = 0,      // text player name, value player id
        kLoggedOff = 1,     // text player name, value player id
        kRejected = 2,      // text the message to show, value the rejected player's id
        kChat = 3,          // text "name: line"
        kServerName = 4,    // text the server's player name
        kServerLeft = 5,
        kLobbyClosed = 6,   // text "ConnectNetDlg": the game starts
    };

    std::string text;
    std::uint32_t value = 0;
    std::int32_t kind = kUnset;

    ConnectionEvent() = default;
    ConnectionEvent(std::int32_t kind_, std::string text_, std::uint32_t value_)
        : text(std::move(text_)), value(value_), kind(kind_) {}
    bool operator==(const ConnectionEvent&) const = default;
};

SuperString& operator<<(SuperString& s, const ConnectionEvent& v);
SuperString& operator>>(SuperString& s, ConnectionEvent& v);

// Registers the payload type under "ConnectionEvent" (idempotent; start-up calls it).
void RegisterConnectionEventType();
