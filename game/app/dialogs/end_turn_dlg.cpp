#include "game/app/dialogs/end_turn_dlg.h"

#include "game/app/dialogs/dialog_support.h"
#include "game/units/resource_text.h"
#include "ui/dialog_controls.h"

#include <cstdio>

namespace {
std::string Number(int value) {
    char text[16];
    std::snprintf(text, sizeof text, "%d", value);
    return text;
}
} // namespace

EndTurnDlg::EndTurnDlg(const EndOfGameResults* r)
    : Window(Point(0, 0), Dim(0, 0), "", "EndTurnDlg"), Dialog("Dialog Bitmaps", "End of Game", "Background"),
      titleFont("Chiseled Text"), results(r) {}

void EndTurnDlg::HookUp() {
    RegisterNamedHandler("CloseGame", OnCloseGame);
    Dialog::HookUp();
}

ContainerBase* EndTurnDlg::OnCloseGame(Component* c, BusMessage, ContainerBase*) {
    // A dialog that has ended already stays ended.
    if (auto* self = dynamic_cast<EndTurnDlg*>(c); self && self->IsRunning()) self->Close(0);
    return nullptr;
}

void EndTurnDlg::OnInit() { Center(); }

DialogControl* EndTurnDlg::CreateButton(std::int16_t itemId, HWND child, const char* text) {
    if (itemId == 101 || itemId == 102)
        return new DialogButton(child, text, Point(-1, -1), "DialogButtons", DialogButton::kPush, BusMessage(0));
    return Dialog::CreateButton(itemId, child, text);
}

void EndTurnDlg::Command(std::int16_t itemId, std::int16_t notification) {
    if (itemId == 101 || itemId == 102) {
        detailsSide = itemId == 101 ? 0 : 1;
        Container<EndTurnDlg*> self(this);
        if (GetBus()) delete SendNamed("ArmyDetails", &self);
        return;
    }
    // Escape has nothing to cancel here: its 0 would tell the opener the game was closed, and
    // the turn would never go on.
    if (itemId == 2) itemId = 1;
    Dialog::Command(itemId, notification);
}

std::vector<std::string> EndTurnDlg::ColumnLines(const EndOfGameResults& r, int column) {
    const int own = column == 0 ? 0 : 1, other = 1 - own;
    return {ResourceText(76) + Number(r.lostPoints[own]), ResourceText(75) + Number(r.objectivePoints[own]),
            ResourceText(77) + Number(r.objectivePoints[own] + r.lostPoints[other]),
            ResourceText(45) + Number(r.victoryTarget[own])};
}

void EndTurnDlg::Refresh() {
    Dialog::Refresh();
    if (!results) return;
    const int w = GetWidth();
    const std::string names[2] = {results->homeName, results->visitingName};
    for (int k = 0; k < 2; ++k) {
        const int quarter = k == 0 ? w / 4 : 3 * w / 4;
        const int x = quarter - titleFont.GetTextWidth(names[k].c_str()) / 2;
        titleFont.DrawText(*this, Point(static_cast<std::int16_t>(x), 40), names[k].c_str(), 1);
    }
    ingame::PlainText text;
    const std::int16_t h = text.LineHeight();
    const std::int16_t columnX[2] = {46, 310};
    for (int k = 0; k < 2; ++k) {
        std::int16_t y = 75;
        for (const std::string& line : ColumnLines(*results, k)) {
            text.Draw(*this, Point(columnX[k], y), line);
            y = static_cast<std::int16_t>(y + h);
        }
    }
}
