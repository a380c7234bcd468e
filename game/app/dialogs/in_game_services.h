#pragma once
// The application's answers to the referee and the unit rules with the in-game dialogs:
// InGameServices runs the game overview, army details, end-of-game, battlefield view and
// leader-choice dialogs for the referee (GameAppServices); InGameUnitDialogs runs the group-command
// confirmation and the elite-initiative question for the leaders (UnitDialogs); InGameDialogs,
// a component on the logical layer's bus, opens the modeless ones the game announces
// ("OverallCombatResults", "LeaderAlmostDone"). Every dialog joins the bus of its opener.
#include "core/component.h"
#include "game/logic/referee/app_services.h"
#include "game/units/unit_dialogs.h"

#include <cstdint>
#include <string>
#include <vector>

class VhLogicalLayer;

class InGameServices : public GameAppServices {
public:
    // The answers that are not these dialogs' come from `others` when given (the application's
    // own), else from the plain services.
    explicit InGameServices(VhLogicalLayer* logicalLayer = nullptr, GameAppServices* others = nullptr)
        : layer(logicalLayer), rest(others) {}
    void SetLayer(VhLogicalLayer* l) { layer = l; }

    std::string GetMainTitle() override;
    void SetMainTitle(const std::string& title) override;
    std::string GetSaveName() override;
    int GetGameMode() override;
    bool GetUnitArtName(std::int32_t artIndex, std::string& name) override;
    void RunArmyDetails(EndTurnDlg* dialog, List<Combat*>& units, List<Leader*>& leaders) override;
    int RunEnumDialog(const std::string& caption, const std::vector<std::string>& lines) override;
    int RunObjectivesDialog() override;
    bool RunLeaderControlDialog(std::uint16_t& nation0, std::uint16_t& nation1) override;
    bool RunGameOptionsDialog(bool nation0Computer, int deploymentChoice, int turnLimitChoice, GameOptions& out) override;
    bool RunCampaignMapDialog(std::int32_t battle, const List<short>& choices, std::int32_t& choice) override;
    void RunCampaignResultsDialog(std::int32_t nation, int won, std::int16_t tally0, std::int16_t tally1) override;

    int PressedArmySide(EndTurnDlg* dialog) override;
    int RunEndTurnDialog(const EndOfGameResults& results, int mode) override;
    int RunEndOfGameDialog(std::int32_t side, int won, bool& viewField) override;
    int RunViewBattleFieldDialog(int promptId) override;
    std::string RunEliteInitiativeDialog(const std::vector<std::string>& leaderNames) override;

private:
    VhLogicalLayer* layer;
    GameAppServices* rest;
};

class InGameUnitDialogs : public UnitDialogs {
public:
    int ConfirmGroupCommand(const std::string& title, Component& owner) override;
    // The leader's elite-initiative question: 1 yes, 0 no.
    int AskEliteInitiative(const std::string& leaderName, Component& owner);
};

class InGameDialogs : public Component {
public:
    // The layer whose combat results the overall dialog lists.
    explicit InGameDialogs(VhLogicalLayer* layer);

    void Connect() override;
    // Whether the finish-leader notice is shown: the stored preference, then "ShowFinishLeader".
    bool ShowsFinishLeader() const { return showFinishLeader; }

private:
    static ContainerBase* OnOverallCombatResults(Component* c, BusMessage, ContainerBase*);
    static ContainerBase* OnLeaderAlmostDone(Component* c, BusMessage, ContainerBase*);
    static ContainerBase* OnShowFinishLeader(Component* c, BusMessage, ContainerBase* payload);

    VhLogicalLayer* layer;
    bool showFinishLeader = true;
};
