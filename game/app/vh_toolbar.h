#pragma once
// VhToolbar: the game's button bar under the main window's menu. It binds the game's command
// ids to named bus messages (a menu command or a button's "Command" with that id arrives as the
// named message), lays out the game's picture buttons in groups, and keeps the save, leader and
// undo commands in step with the game: saving and the leader commands stay grey while the game
// blocks them, and most commands grey while a unit moves.
//
// Invariants: a blocked command is never enabled by "Movement" or "NoMovement"; the buttons
// start grey once the bar is attached.
#include "ui/windows/windows_toolbar.h"

#include <cstdint>

class VhToolbar : public WindowsToolbar {
public:
    static constexpr const char* kArtLibrary = "Buttons 1";
    static constexpr int kCommandNames = 26;
    static constexpr int kButtonCount = 25;

    // The ids and names registered with the bus, in registration order.
    struct CommandName {
        std::uint16_t id;
        const char* name;
    };
    static const CommandName* CommandNames();
    // Registers every command name under its id; false when an id belongs to another name.
    static bool RegisterCommandNames();

    explicit VhToolbar(HWND parent, const char* name = "Toolbar");
    ~VhToolbar() override;

    void Connect() override;

    std::uint16_t IsSaveBlocked() const { return saveBlocked; }
    std::uint16_t IsLeaderBlocked() const { return leaderBlocked; }

private:
    void AddButtons();
    void SendMenu(BusMessage event, std::uint16_t id);
    void MovementChanged(bool moving);

    static ContainerBase* OnBlockSaveMenu(Component* receiver, BusMessage event, ContainerBase* payload);
    static ContainerBase* OnUnblockSaveMenu(Component* receiver, BusMessage event, ContainerBase* payload);
    static ContainerBase* OnBlockLeaderMenu(Component* receiver, BusMessage event, ContainerBase* payload);
    static ContainerBase* OnUnblockLeaderMenu(Component* receiver, BusMessage event, ContainerBase* payload);
    static ContainerBase* OnMovement(Component* receiver, BusMessage event, ContainerBase* payload);
    static ContainerBase* OnNoMovement(Component* receiver, BusMessage event, ContainerBase* payload);

    std::uint16_t saveBlocked = 1;
    std::uint16_t leaderBlocked = 1;
};
