#pragma once
// The dialogs the unit rules raise themselves. The application's dialogs live above this library,
// so the rules ask through one replaceable object; without one every question is answered as
// the player who never changes a setting would: confirmed.
#include <string>

class Component;

class UnitDialogs {
public:
    virtual ~UnitDialogs() = default;
    // The modal confirmation of a group command (template "GroupCommandConfirm") with its title;
    // 0 when the player cancelled, else non-zero. The owner is the leader whose bus the dialog joins.
    virtual int ConfirmGroupCommand(const std::string& title, Component& owner);
};

// The object in use; a null argument restores the default.
UnitDialogs& GetUnitDialogs();
void SetUnitDialogs(UnitDialogs* dialogs);
