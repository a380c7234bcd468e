#pragma once
// VariantDlg ("VariantDlg", "Choose Variant"): for one scenario index, the plain scenario
// ("Historical") and every variant file of that index in the scenario directory; it answers
// the scenario file to load. With no variant of the index it closes at once: with 1 and the
// plain scenario, or with 0 for the custom index 10, which has no plain scenario. A variant file
// that cannot be read or is damaged ends the scan with an "Error" entry; the entries before it
// stay choosable, and OK on the "Error" entry (or with none selected) is refused.
#include "ui/windows/dialog.h"

#include <cstdint>
#include <string>
#include <vector>

class VariantDlg : public Dialog {
public:
    enum : std::int16_t { kDetails = 10, kList = 101 };

    explicit VariantDlg(std::int32_t scenarioIndex);

    void SetScenario(std::int32_t index) { scenarioIndex = index; }
    const std::string& GetScenarioName() const { return chosenName; }

    void OnInit() override;
    void OnOK() override;
    void Command(std::int16_t itemId, std::int16_t notification) override;

    // The entries of the last run, by list position (the "Error" entry has none).
    const std::vector<std::string>& GetNames() const { return names; }
    const std::vector<std::uint32_t>& GetDetailsNumbers() const { return details; }

private:
    bool SelectionHasScenario();
    void Store(std::size_t at, const std::string& name, std::uint32_t detailsNumber, const std::string& text);

    std::int32_t scenarioIndex;
    std::string chosenName;
    std::vector<std::string> names;
    std::vector<std::uint32_t> details;
};
