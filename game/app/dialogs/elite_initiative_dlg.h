#pragma once
// The elite-initiative rule's two questions. VhEliteInitiativeDlg asks whether a leader uses its
// elite initiative (result 1 yes, 0 no). EliteInitiativeDlg lets the player choose which of the
// side's leaders takes the impulse: moving through the list raises the chosen leader's group
// flags and centres the map on him; GetSelectedName is the answer (empty when none was chosen).
// Both run modally on their opener's stack and send, never post.
#include "core/list.h"
#include "ui/windows/dialog.h"

#include <cstdint>
#include <string>

class Leader;

class VhEliteInitiativeDlg : public Dialog {
public:
    explicit VhEliteInitiativeDlg(std::string leaderName);

    void OnInit() override;
    void Command(std::int16_t itemId, std::int16_t notification) override;
    // The help file Help pointed at last (it is not opened).
    const std::string& HelpPath() const { return helpPath; }

private:
    std::string name;
    std::string helpPath;
};

class EliteInitiativeDlg : public Dialog {
public:
    explicit EliteInitiativeDlg(List<Leader*>* leaders);

    const std::string& GetSelectedName() const { return chosenName; }
    std::int16_t GetCurrentHex() const { return currentHex; }
    const std::string& HelpPath() const { return helpPath; }

    void OnInit() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnOK() override;
    void Command(std::int16_t itemId, std::int16_t notification) override;
    // Lowers the flags raised before, then raises those of the leader's group (grey for the
    // units used this turn) and his own; a leader without a group changes no flags.
    virtual void RaiseLeaderFlags(Leader* leader);

private:
    // The first leader of the list with that name.
    Leader* FindByName(const std::string& text) const;
    void ShowLeader(Leader* leader);

    List<Leader*>* leaders;
    std::string chosenName;
    std::int16_t currentHex = 0;
    std::string helpPath;
};
