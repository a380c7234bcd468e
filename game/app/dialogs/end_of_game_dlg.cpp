#include "game/app/dialogs/end_of_game_dlg.h"

#include "ui/bitmap.h"

namespace {
// A message of our own (above the system's range): the window system puts the focus on the
// bar's first button once its initialisation is over, so the bar hands it on afterwards.
constexpr UINT kGiveFocusToParent = 0x0401;
} // namespace

EndOfGameDlg::EndOfGameDlg(std::int32_t side, std::int16_t victory)
    : Window(Point(0, 0), Dim(0, 0), "", "EndOfGameDlg"),
      Dialog("End Of Game Bitmaps", victory ? "Victory" : "Defeat", "Background"), pictures("End Of Game Bitmaps") {
    const char* section = victory ? "Victory" : "Defeat";
    const std::int16_t background = pictures.ImageIndexByNames("Background", section);
    if (background < 0 || (side != 0 && side != 1)) return;
    const std::int16_t k = pictures.SectionIndex(section);
    const std::int16_t at = static_cast<std::int16_t>(background - pictures.FirstIndex(k) + 1 + side);
    if (at >= pictures.ImageCount(k)) return;
    picture = pictures.GetBitmap(at, k);
    if (picture) {
        pictureSection = k;
        pictureFrame = at;
    }
}

EndOfGameDlg::~EndOfGameDlg() {
    if (picture) pictures.UnlockBitmap(pictureFrame, pictureSection);
}

void EndOfGameDlg::HookUp() {
    RegisterNamedHandler("CloseGame", OnCloseGame);
    Dialog::HookUp();
}

ContainerBase* EndOfGameDlg::OnCloseGame(Component* c, BusMessage, ContainerBase*) {
    if (auto* self = dynamic_cast<EndOfGameDlg*>(c); self && self->IsRunning()) self->Close(0);
    return nullptr;
}

void EndOfGameDlg::OnInit() { Center(); }

void EndOfGameDlg::Command(std::int16_t itemId, std::int16_t notification) {
    if (itemId == 101) {
        PostNamedEvent("GameOverview");
        return;
    }
    if (itemId == 102) {
        viewField = 1;
        itemId = 1;
    }
    // Escape closes as Close does: a 0 would be taken for a closed game and end nothing.
    if (itemId == 2) itemId = 1;
    Dialog::Command(itemId, notification);
}

void EndOfGameDlg::Refresh() {
    Dialog::Refresh();
    if (!picture) return;
    const Point hot = picture->GetHotspot();
    const Box box = PictureBox();
    DrawAll(Point(static_cast<std::int16_t>(box.x + hot.x), static_cast<std::int16_t>(box.y + hot.y)), *picture, 1);
}

ViewBattleFieldDlg::ViewBattleFieldDlg(std::string text)
    : Window(Point(0, 0), Dim(0, 0), "", "ViewBattleFieldDlg"), Dialog("Dialog Bitmaps", "Intro", "Background"),
      prompt(std::move(text)) {}

void ViewBattleFieldDlg::HookUp() {
    RegisterNamedHandler("CloseGame", OnCloseGame);
    Dialog::HookUp();
}

ContainerBase* ViewBattleFieldDlg::OnCloseGame(Component* c, BusMessage, ContainerBase*) {
    if (auto* self = dynamic_cast<ViewBattleFieldDlg*>(c); self && self->IsRunning()) self->Close(0);
    return nullptr;
}

void ViewBattleFieldDlg::OnInit() {
    SetItemText(101, prompt.c_str());
    // The map keeps the keyboard while the bar stands.
    if (GetParentWindow()) PostMessage(GetHandle(), kGiveFocusToParent, 0, 0);
}

void ViewBattleFieldDlg::Command(std::int16_t itemId, std::int16_t notification) {
    // Escape finishes as Finish does: a 0 would be taken for a closed game, and the deployment
    // or the look at the field would never end.
    Dialog::Command(itemId == 2 ? static_cast<std::int16_t>(1) : itemId, notification);
}

LRESULT ViewBattleFieldDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kGiveFocusToParent) {
        if (IsRunning() && GetParentWindow() && IsWindow(GetParentWindow())) SetFocus(GetParentWindow());
        return 0;
    }
    return Dialog::WindowProc(message, wParam, lParam);
}
