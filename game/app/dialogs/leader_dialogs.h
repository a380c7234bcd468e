#pragma once
// Two notices of a leader's orders phase, each with a "Don't show this again" box whose state is
// stored (and posted) however the dialog closes.
// LeaderAlmostDoneDlg ("Finish Leader") is modeless: it tells the player the leader has no
// commands left and offers Finish, which posts "LeaderFinishLeader" once the dialog has closed.
// The game closes it with "CloseGame", "LeaderFinishLeader" or "CloseLeaderAlmostDoneDlg"; its
// Finish button follows the Finish Leader menu command (224). Its position is kept under
// Placement\LeaderDone; the box writes Preferences "Finish Leader" and posts "ShowFinishLeader".
// GroupCommandDlg confirms a group command (1 carry it out, 0 abandon it); the box writes
// Preferences "Group Move Confirm" and posts "ShowGroupCommandConfirm".
#include "ui/windows/dialog.h"

#include <cstdint>
#include <string>

class LeaderAlmostDoneDlg : public Dialog {
public:
    static constexpr std::uint32_t kFinishLeaderCommand = 224;

    LeaderAlmostDoneDlg();
    ~LeaderAlmostDoneDlg() override;
    // Notices standing now.
    static int Standing() { return standing; }

    void HookUp() override;
    void OnInit() override;
    void Command(std::int16_t itemId, std::int16_t notification) override;
    void Close(std::int16_t result) override;

private:
    static ContainerBase* OnCloseRequest(Component* c, BusMessage, ContainerBase*);
    static ContainerBase* OnMenuItemEnabled(Component* c, BusMessage, ContainerBase* payload);
    static ContainerBase* OnMenuItemDisabled(Component* c, BusMessage, ContainerBase* payload);
    void FollowMenuItem(ContainerBase* payload, std::int16_t enable, int line);
    void RemoveCloseHandlers();

    void Uncount();

    bool counted = false;
    static int standing;
};

class GroupCommandDlg : public Dialog {
public:
    explicit GroupCommandDlg(std::string caption);

    void OnInit() override;
    void Close(std::int16_t result) override;

private:
    std::string caption;
};
