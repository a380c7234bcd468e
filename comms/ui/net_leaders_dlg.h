#pragma once
// The network leader choice: before a network battle every leader of both armies is given to
// one of the session's players. Only the host edits; a joining peer's dialog is a mirror that
// follows the host's choices, pages and OK through "DialogEvent" and "ShowPage", which the
// host's connection forwards. At OK each peer works out on its own, from the same choices, the
// assignments, its own leaders, its side ("LocalIsHome") and one PlyrInfo per player
// ("SetPlayerInfo"). Choices travel as indexes, so both peers must list the players alike.
//
// Invariants: the controller arrays hold one entry per leader of their side; every entry is a
// name of `players` or empty (only when there are no players); the joining peer never posts a
// "DialogEvent" and never enables a combo box or OK.
#include "comms/ui/chat_records.h"
#include "core/list.h"
#include "game/app/dialogs/dialog_event.h"
#include "game/logic/combat_records.h"
#include "ui/windows/dialog.h"

#include <cstdint>
#include <string>
#include <vector>

class NetChooseLeadersDlg : public Dialog {
public:
    enum : std::int16_t {
        kPrev = 653, kNext = 654, kHelp = 9, kFirstName = 100, kSecondName = 101,
        kFirstCombo = 501, kSecondCombo = 539, kFirstLabels = 577, kSecondLabels = 615,
    };
    static constexpr std::int16_t kRows = 38;
    static constexpr std::int16_t kRowsOnPage = 19;
    enum : std::int16_t { kSelectionChanged = 0, kDroppedDown = 1, kClosedUp = 2, kEnded = 4 };

    NetChooseLeadersDlg(const TeamInfoStruct& teams, const List<std::string>& players, std::uint16_t isHost,
                        const char* localName);
    // Continuing a saved game: each leader starts with its saved player while that player is
    // still in the session.
    NetChooseLeadersDlg(const TeamInfoStruct& teams, const List<std::string>& players, std::uint16_t isHost,
                        const char* localName, const List<LeaderInfo>& saved);
    ~NetChooseLeadersDlg() override;

    const TeamInfoStruct& GetTeamInfo() const { return teams_; }
    const List<LeaderInfo>& GetAssignments() const { return assignments_; }
    const std::vector<std::string>& Controllers(int side) const { return side == 0 ? controllers0_ : controllers1_; }

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void HookUp() override;
    void Command(std::int16_t itemId, std::int16_t notification) override;
    void OnInit() override;
    void Close(std::int16_t result) override;

    void ShowPage(std::int16_t page);
    void OnDialogEvent(const DialogEvent& event);

    // The label of a player record: "name (" + each leader + ", ", the last "," turned into ")".
    static std::string FinishLabel(std::string label);

private:
    void OnSelectionChange(std::int16_t item);
    std::string* ControllerOf(std::int16_t item);
    void PostDialogEvent(std::int16_t item, std::int16_t kind, std::int16_t value, bool wait = false);
    void SendShowPage(std::int16_t page);
    void ShowRows(std::int16_t firstCombo, std::int16_t showFrom, std::int16_t showTo, std::int16_t labels,
                  const List<std::string>& leaders);
    void FillSide(const List<std::string>& leaders, const std::vector<std::string>& controllers, std::int16_t combo,
                  std::int16_t labels, const std::string& ref, bool& differ);
    bool ChoicesDiffer();
    void MakeRecords();

    std::int16_t leaderCount0_;
    std::int16_t leaderCount1_;
    std::vector<std::string> controllers0_;
    std::vector<std::string> controllers1_;
    std::uint16_t isHost_;
    std::string localName_;
    TeamInfoStruct teams_;
    List<LeaderInfo> assignments_;
    List<std::string> players_;
};
