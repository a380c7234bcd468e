#pragma once
// ScenarioDlg ("Scenario", "Choose Scenario"): the painted theatre map with a hot spot per
// battle. A click picks a battle, frames its spot and shows its overview map and description;
// a double-click acts as OK. OK runs the variant dialog for the battle and closes only when a
// variant was accepted; "More..." leaves with 0 and IsCustom set, for the custom scenario.
#include "game/app/dialogs/variant_dlg.h"
#include "ui/font.h"
#include "ui/windows/dialog.h"

#include <cstdint>
#include <string>

class ScenarioDlg : public Dialog {
public:
    enum : std::int16_t { kDetails = 10, kMore = 11 };
    static constexpr int kBoxCount = 11;

    ScenarioDlg();

    void OnInit() override;
    void Refresh() override;
    void Command(std::int16_t itemId, std::int16_t notification) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    std::int32_t GetSelection() const { return selection; }
    const std::string& GetScenarioName() const { return scenarioName; }
    std::uint16_t IsCustom() const { return custom; }
    // The hot spot of a scenario index (client pixels of the "Scenario Map" picture).
    static Box ScenarioBox(int index);
    const std::string& GetDescription(int index) const { return descriptions[index]; }
    VariantDlg& GetVariantDialog() { return variant; }

private:
    void Select(std::int32_t index);

    std::string descriptions[kBoxCount];
    std::int32_t selection = 2;
    std::string scenarioName;
    VariantDlg variant;
    DialogFont font;
    std::uint16_t custom = 0;
};
