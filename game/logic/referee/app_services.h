#pragma once
// What the referee asks of the game application directly, not through the bus: the main
// window's title, the saved game's name, the game mode, the table of unit art names, and the
// army-details dialog of the end-of-turn screen. The application installs its implementation;
// until one is installed a plain one answers (no saved game, a single battle, no art names).
#include "core/list.h"
#include "core/type_name.h"

#include <cstdint>
#include <string>

class Combat;
class Leader;
class EndTurnDlg;

template <> struct TypeNameTraits<EndTurnDlg*> {
    static std::string Name() { return "EndTurnDlg *"; }
};

class GameAppServices {
public:
    virtual ~GameAppServices();

    virtual std::string GetMainTitle();
    virtual void SetMainTitle(const std::string& title);
    // The description of the current saved game; empty when the game has none.
    virtual std::string GetSaveName();
    // 0 single battle, 1 campaign, 2 network game, 3 no game running.
    virtual int GetGameMode();
    // The name of the art of a unit record's art index; false when the table has no such entry.
    virtual bool GetUnitArtName(std::int32_t artIndex, std::string& name);
    // The side (0 or 1) whose "Army Details" button the end-of-turn dialog had pressed.
    virtual int PressedArmySide(EndTurnDlg* dialog);
    // Runs the army-details dialog over one side's units and leaders, modal.
    virtual void RunArmyDetails(EndTurnDlg* dialog, List<Combat*>& units, List<Leader*>& leaders);

private:
    std::string title;
};

// The installed services, or the plain ones.
GameAppServices& AppServices();
// Installs the application's services (not owned); null brings the plain ones back.
void SetAppServices(GameAppServices* services);
