#pragma once
// PlyrInfo, the payload of "SetPlayerInfo": one human player of a network game. The leader-choice
// dialog makes it, the chat window and the game controller read it; one definition for all, since
// a payload is recognised by its class name. The label is the player's name and the leaders he
// commands, "Name (Leader, Leader, )"; the three flags are same side, other side, Custom group.
#include <cstdint>
#include <string>
#include <utility>

struct PlyrInfo {
    std::string name;
    std::string label;
    std::uint16_t flags[3] = {0, 0, 0};  // 0 same side, 1 other side, 2 Custom group

    PlyrInfo() = default;
    PlyrInfo(std::string name_, std::string label_, std::uint16_t sameSide = 0, std::uint16_t otherSide = 0,
             std::uint16_t custom = 0)
        : name(std::move(name_)), label(std::move(label_)), flags{sameSide, otherSide, custom} {}
    bool operator==(const PlyrInfo& o) const {
        return name == o.name && label == o.label && flags[0] == o.flags[0] && flags[1] == o.flags[1] && flags[2] == o.flags[2];
    }
};
