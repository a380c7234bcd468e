#pragma once
// ObjectivesDlg ("EnumDialog", "Battle Objectives"): the current battle's objectives and "All
// Objectives". Choosing one highlights its hexes, zooms in and centres the map on it, and shows
// its worth and its last holder; "All Objectives" zooms out and highlights every objective. OK
// takes the highlight away and zooms back in. It speaks to the map on its bus (the layer's).
#include "core/list.h"
#include "ui/windows/dialog.h"

#include <cstdint>
#include <string>
#include <vector>

class ObjectivesDlg : public Dialog {
public:
    enum : std::int16_t { kList = 101 };
    // The holder while no single objective is shown.
    static constexpr std::int32_t kNoSingleHolder = 2;
    static constexpr int kPanelX = 259;
    static constexpr int kPanelY = 80;

    explicit ObjectivesDlg(std::int32_t scenarioIndex);

    void OnInit() override;
    void OnOK() override;
    void Refresh() override;
    void Command(std::int16_t itemId, std::int16_t notification) override;

    const List<short>& GetHighlight() const { return highlight; }
    std::int32_t GetHolder() const { return holder; }
    std::int16_t GetPoints() const { return points; }
    std::int16_t GetCurrentObjective() const { return current; }
    // The lines of the points panel as they are painted; empty while the panel is hidden.
    std::vector<std::string> PanelLines() const;

private:
    void Choose(std::int32_t selection);
    // Takes the highlight off the map and zooms back in.
    void RestoreMap();
    void SendRegions(int message, const List<short>& hexes);
    int Count() const;

    std::int32_t scenario;
    List<short> highlight;
    std::int32_t holder = -1;
    std::int16_t points = 0;
    std::int16_t current = -1;
};
