#pragma once
// The payloads of the chat window. ChatMsg is the one payload of "ChatMessage", which the game's
// network component relays to the peer, so its stream form is a wire form: sender (string), text
// (string), then a u16 count and that many recipient names. PlyrInfo is the payload of
// "SetPlayerInfo", which stays on each machine: name, label, then three u16 flags (same side,
// other side, Custom group).
#include "core/list.h"
#include "core/super_string.h"

#include <cstdint>
#include <string>

struct ChatMsg {
    std::string sender;
    std::string text;
    List<std::string> recipients;

    ChatMsg() = default;
    ChatMsg(std::string sender_, std::string text_) : sender(std::move(sender_)), text(std::move(text_)) {}
    bool operator==(const ChatMsg& o) const {
        return sender == o.sender && text == o.text && recipients == o.recipients;
    }
};

struct PlyrInfo {
    std::string name;
    std::string label;
    std::uint16_t flags[3] = {0, 0, 0};  // 0 same side, 1 other side, 2 Custom group

    PlyrInfo() = default;
    PlyrInfo(std::string name_, std::string label_, std::uint16_t sameSide, std::uint16_t otherSide, std::uint16_t custom)
        : name(std::move(name_)), label(std::move(label_)), flags{sameSide, otherSide, custom} {}
    bool operator==(const PlyrInfo& o) const {
        return name == o.name && label == o.label && flags[0] == o.flags[0] && flags[1] == o.flags[1] && flags[2] == o.flags[2];
    }
};

// A damaged or short stream leaves the record as it was and marks the stream.
SuperString& operator<<(SuperString& s, const ChatMsg& v);
SuperString& operator>>(SuperString& s, ChatMsg& v);
SuperString& operator<<(SuperString& s, const PlyrInfo& v);
SuperString& operator>>(SuperString& s, PlyrInfo& v);

// Registers "ChatMsg" and "PlyrInfo" as payload types (idempotent; start-up calls it).
void RegisterChatTypes();
