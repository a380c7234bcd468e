#pragma once
// CustomScenarioDlg ("CustomSceneDlg", "Choose Custom Scenario"): every scenario file of the
// scenario directory with its title, subtitle and description; answers the chosen file under
// the custom scenario index 10. Files that do not open or do not start as a scenario are not
// listed; with none listed only Cancel leaves.
#include "ui/font.h"
#include "ui/windows/dialog.h"

#include <cstdint>
#include <string>
#include <vector>

class CustomScenarioDlg : public Dialog {
public:
    enum : std::int16_t { kList = 101 };

    CustomScenarioDlg();

    std::int32_t GetScenarioIndex() const { return 10; }
    const std::string& GetScenarioName() const { return chosenName; }

    void OnInit() override;
    void Refresh() override;
    void Command(std::int16_t itemId, std::int16_t notification) override;

    const std::vector<std::string>& GetFileNames() const { return fileNames; }
    const std::vector<std::string>& GetDescriptions() const { return descriptions; }
    std::int16_t GetSelection() const { return selection; }

private:
    std::vector<std::string> fileNames, titles, subtitles, descriptions;
    std::int16_t selection = -1;
    std::string chosenName;
    DialogFont font;
};
