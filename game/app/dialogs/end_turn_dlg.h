#pragma once
// EndTurnDlg, the "Game Overview": both sides' unit points lost, objective points, total victory
// points and the points needed to win, with an "Army Details" button per side. The logical
// layer runs it at the end of every turn (application-modal) and on request (modal); its opener
// keeps the results alive until the dialog is gone. Result 1 after OK, 0 after "CloseGame".
#include "game/logic/combat_records.h"
#include "ui/font.h"
#include "ui/windows/dialog.h"

#include <cstdint>
#include <string>
#include <vector>

class EndTurnDlg : public Dialog {
public:
    explicit EndTurnDlg(const EndOfGameResults* results);

    // 1 after the left Army Details button, 0 after the right one.
    std::uint16_t GetDetailsSide() const { return detailsSide; }
    const EndOfGameResults* GetResults() const { return results; }

    void HookUp() override;
    void OnInit() override;
    DialogControl* CreateButton(std::int16_t itemId, HWND child, const char* text) override;
    void Command(std::int16_t itemId, std::int16_t notification) override;
    void Refresh() override;

    // The four lines of a column: 0 the first side's (left), 1 the second side's (right).
    static std::vector<std::string> ColumnLines(const EndOfGameResults& results, int column);

private:
    static ContainerBase* OnCloseGame(Component* c, BusMessage, ContainerBase*);

    std::uint16_t detailsSide = 0;
    AllCapsFont titleFont;
    const EndOfGameResults* results;
};
