#pragma once
// The chat window of network play. NetChat is the framework's chat dialog: a player table (names
// and list labels by index), three recipient groups (0 Friendly, 1 Hostile, 2 Custom) of player
// indexes, a message pane (a rich-edit child made at initialisation) and the line to send, which
// goes out as a ChatMsg under "ChatMessage". The game's network component relays that message
// both ways, so local and remote lines meet the same handler. VhNetChat is the game's window:
// senders coloured by their army's nation, a Notify box that pops the hidden window up on an
// incoming line, and the Window menu's "Sho&w Chat" item (241) kept in step.
//
// Invariants: the player table's arrays are indexed 0..highest; every group holds each index at
// most once; while the dialog runs, the player list holds at most one row per index, carrying it
// as item data; the pane is never writable between two operations.
#include "comms/ui/chat_records.h"
#include "core/list.h"
#include "ui/windows/dialog.h"

#include <cstdint>
#include <string>
#include <vector>

class DialogRadio;

class NetChat : public Dialog {
public:
    enum : std::int16_t {
        kPane = 101, kFriendly = 101, kPlayers = 102, kHostile = 105, kCustom = 106, kLine = 107, kSend = 108,
        kNotify = 10, kHelp = 9,
    };
    static constexpr std::size_t kMostLine = 128;

    explicit NetChat(const char* ownName);
    ~NetChat() override;

    virtual void ShowChatMessage(const ChatMsg& message);
    virtual void SetPlayerInfo(const std::string& name, const std::string& label, const std::uint16_t flags[3]);
    virtual void PlayerDeleted(const std::string& name);

    void SetPlayerName(std::int16_t index, const std::string& name);
    void SetPlayerLabel(std::int16_t index, const std::string& label);
    // The last index whose name is the given one exactly, or -1.
    std::int16_t FindPlayer(const std::string& name) const;

    void HookUp() override;
    void Command(std::int16_t itemId, std::int16_t notification) override;
    void OnInit() override;
    // The pane and the radio go with the window: a line arriving later is not shown.
    void Close(std::int16_t result) override;

    // What tests and the game look at.
    HWND GetPane() const { return pane_; }
    // The "Friendly" radio, which carries the group value (the pane shares its item id).
    DialogRadio* GetGroupRadio() const { return groupRadio_; }
    std::int16_t GetCurrentGroup() const { return group_; }
    std::vector<std::int32_t> GroupMembers(std::int16_t group) const;
    const std::string& GetOwnName() const { return ownName_; }

protected:
    // Whether the line is for this window: addressed to the own name, or sent by it.
    bool IsForMe(const ChatMsg& message) const;
    // Removes whole oldest lines so that `needed` more characters fit under the text limit.
    void MakeRoom(std::int32_t needed);
    // Appends the text at the end of the pane in the given format and scrolls to it.
    void Append(const std::string& text, const char* face, LONG height, bool bold, COLORREF colour, bool coloured);
    void ShowGroup(std::int16_t group);
    void AddToGroup(std::int16_t group, std::int32_t index);
    void PaneWritable(bool writable);
    void Grow(std::int16_t index);
    LRESULT RowOf(std::int32_t index) const;

    HWND pane_ = nullptr;
    DialogRadio* groupRadio_ = nullptr;
    std::int32_t textLimit_ = 0;
    std::int16_t highest_ = 0;
    std::string ownName_;
    std::int16_t group_ = 0;
    std::vector<std::string> names_;
    std::vector<std::string> labels_;
    List<std::int32_t> groups_[3];
};

class VhNetChat : public NetChat {
public:
    static constexpr std::uint16_t kShowChatItem = 241;
    // Sender colours by colour index: -1 black, 0 blue, 1 grey.
    static COLORREF SenderColour(std::int32_t colourIndex);

    VhNetChat(const char* ownName, std::int32_t homeNation, std::int32_t visitingNation);

    void SetPlayerColour(std::int16_t index, std::int32_t colourIndex);
    std::uint16_t IsShown() const { return shown_; }
    std::uint16_t Notifies() const { return notify_; }
    std::uint16_t LocalIsHome() const { return localIsHome_; }
    // The colour index of the first player of that name; -1 when none has one.
    std::int32_t ColourOf(const std::string& name) const;

    void ShowChatMessage(const ChatMsg& message) override;
    void SetPlayerInfo(const std::string& name, const std::string& label, const std::uint16_t flags[3]) override;
    void SetLocalIsHome(std::uint16_t value);
    // The menu item and the close box: hide a shown window, show a hidden one.
    void Toggle();

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void HookUp() override;
    void Command(std::int16_t itemId, std::int16_t notification) override;
    void OnInit() override;
    void Close(std::int16_t result) override;

private:
    void MenuEvent(std::int32_t event, bool wait);

    std::int32_t homeNation_;
    std::int32_t visitingNation_;
    std::vector<std::int32_t> colours_;
    std::uint16_t localIsHome_ = 0;
    std::uint16_t shown_ = 0;
    std::uint16_t notify_ = 1;
};
