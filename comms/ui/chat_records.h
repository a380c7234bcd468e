#pragma once
// The payloads of the chat window. ChatMsg is the one payload of "ChatMessage", which the game's
// network component relays to the peer, so its stream form is a wire form: sender (string), text
// (string), then a u16 count and that many recipient names. PlyrInfo is the payload of
// "SetPlayerInfo", which stays on each machine: name, label, then three u16 flags (same side,
// other side, Custom group).
#include "core/list.h"
#include "core/super_string.h"
#include "game/logic/player_info.h"

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

// A damaged or short stream leaves the record as it was and marks the stream.
SuperString& operator<<(SuperString& s, const ChatMsg& v);
SuperString& operator>>(SuperString& s, ChatMsg& v);
SuperString& operator<<(SuperString& s, const PlyrInfo& v);
SuperString& operator>>(SuperString& s, PlyrInfo& v);

// Registers "ChatMsg" and "PlyrInfo" as payload types (idempotent; start-up calls it).
void RegisterChatTypes();
