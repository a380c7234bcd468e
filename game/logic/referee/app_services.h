#pragma once
// What the referee asks of the game application directly, not through the bus: the main
// window's title, the saved game's name, the game mode, the table of unit art names, and the
// army-details dialog of the end-of-turn screen. The application installs its implementation;
// until one is installed a plain one answers (no saved game, a single battle, no art names).
#include "core/list.h"
#include "core/type_name.h"

#include "game/logic/combat_records.h"

#include <cstdint>
#include <string>
#include <vector>

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

    // The application's dialogs the referee runs. Each answers as its dialog ends: 0 when the
    // player closed the game or cancelled. The plain services answer as a player who goes on.
    // "EnumDialog": the chosen line, -1 cancelled.
    virtual int RunEnumDialog(const std::string& caption, const std::vector<std::string>& lines);
    // "GameOverviewDlg" with the results (mode 0 for the overview, 2 for the end of a turn).
    virtual int RunEndTurnDialog(const EndOfGameResults& results, int mode);
    // "EnumDialog" over the objectives of the scenario.
    virtual int RunObjectivesDialog();
    // "EndOfGameDlg": viewField is set when the player left through View Field.
    virtual int RunEndOfGameDialog(std::int32_t side, int won, bool& viewField);
    // "ViewBattleFieldDlg" with a prompt from the string table.
    virtual int RunViewBattleFieldDialog(int promptId);
    // "IntroDlg": whether each nation is computer-controlled.
    virtual bool RunLeaderControlDialog(std::uint16_t& nation0, std::uint16_t& nation1);
    // "ArmyRoutDlg": the chosen options; false when cancelled.
    struct GameOptions {
        float difficulty0 = 1.0f, difficulty1 = 1.0f;
        std::uint16_t defaultDeployment = 0, turnLimits = 1, fogOfWar = 0;
    };
    virtual bool RunGameOptionsDialog(bool nation0Computer, int deploymentChoice, int turnLimitChoice, GameOptions& out);
    // "EliteInitDlg": the chosen leader's name, empty when none.
    virtual std::string RunEliteInitiativeDialog(const std::vector<std::string>& leaderNames);
    // "CampaignMap" after a battle, over the battles that may follow it: false when the player
    // abandoned the choice, else the battle picked on the map.
    virtual bool RunCampaignMapDialog(std::int32_t battle, const List<short>& choices, std::int32_t& choice);
    // "CampaignResults": the end of the campaign for a nation, won or lost, with both tallies.
    virtual void RunCampaignResultsDialog(std::int32_t nation, int won, std::int16_t tally0, std::int16_t tally1);

private:
    std::string title;
};

// The installed services, or the plain ones.
GameAppServices& AppServices();
// Installs the application's services (not owned); null brings the plain ones back.
void SetAppServices(GameAppServices* services);
