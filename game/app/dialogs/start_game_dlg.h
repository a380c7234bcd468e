#pragma once
// StartGameDlg ("StartGame"): the main menu. It closes the splash when it joins the bus,
// centres itself on the screen, draws every push button in the big stone style and plays
// "smash.wav" whenever a button is drawn pressed. Start Battle, Start Campaign, Multiplayer and
// Load Game end it with 1 and the choice; Exit ends it with 0; History starts the article and
// stays. With battles not allowed, the battle, campaign, history and tutorial buttons are greyed.
#include "ui/windows/dialog.h"

#include <cstdint>

class StartGameDlg : public Dialog {
public:
    enum : std::int16_t {
        kHelp = 9, kLoadGame = 101, kStartCampaign = 102, kMultiplayer = 103, kTutorial = 104, kHistory = 105,
        kStartBattle = 106
    };

    explicit StartGameDlg(std::int16_t battleAllowed);
    ~StartGameDlg() override;

    void Connect() override;
    void OnInit() override;
    void Command(std::int16_t itemId, std::int16_t notification) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    DialogControl* CreateDefaultButton(std::int16_t itemId, HWND child, const char* text) override;
    DialogControl* CreateButton(std::int16_t itemId, HWND child, const char* text) override;

    std::int16_t GetChoice() const { return choice; }
    bool IsStartCampaign() const { return choice == kStartCampaign; }
    bool IsStartBattle() const { return choice == kStartBattle; }
    bool IsLoadGame() const { return choice == kLoadGame; }
    bool IsMultiplayer() const { return choice == kMultiplayer; }

private:
    void OpenHistory();

    std::int16_t choice = -1;
    std::int16_t battleAllowed;
};
