#pragma once
// The referee's campaign and objectives questions answered with their dialogs: the campaign map
// after a battle, the end-of-war screen, and the objectives of the battle being fought. The
// dialogs join the given bus (the logical layer's) while they run; the battle being fought is
// asked of the application through the given function.
#include "game/logic/referee/app_services.h"

#include <cstdint>
#include <functional>

class Bus;

class MoreDialogServices : public GameAppServices {
public:
    explicit MoreDialogServices(Bus* dialogBus = nullptr, std::function<std::int32_t()> scenarioIndex = {})
        : bus(dialogBus), currentScenario(std::move(scenarioIndex)) {}

    // "CampaignMap": false when the player cancelled or the dialog could not run.
    bool RunCampaignMapDialog(std::int32_t battle, const List<short>& choices, std::int32_t& choice) override;
    // "CampaignResults" for the nation's view; the tallies are not shown.
    void RunCampaignResultsDialog(std::int32_t nation, int won, std::int16_t tally0, std::int16_t tally1) override;
    // "EnumDialog" as the objectives: 1 after OK, 0 when the battle has none or it was left.
    int RunObjectivesDialog() override;

private:
    Bus* bus;
    std::function<std::int32_t()> currentScenario;
};
