#include "game/app/dialogs/leader_dialogs.h"

#include "core/assertion.h"
#include "core/events.h"
#include "game/app/dialogs/dialog_support.h"
#include "platform/dialog.h"
#include "platform/menu.h"
#include "ui/dialog_controls.h"
#include "ui/menu.h"
#include "ui/windows/windows_menu.h"

namespace {
constexpr const char* kCloseRequests[] = {"CloseGame", "LeaderFinishLeader", "CloseLeaderAlmostDoneDlg"};

// 1 when the "Don't show this again" box is clear, 0 when ticked.
std::uint32_t ShowAgain(const Dialog& dialog) {
    if (auto* box = dynamic_cast<DialogButton*>(dialog.GetItemControl(17))) return box->GetState() ? 0u : 1u;
    return IsDlgButtonChecked(dialog.GetHandle(), 17) ? 0u : 1u;
}
} // namespace

// ---- the finish-leader notice ----

int LeaderAlmostDoneDlg::standing = 0;

LeaderAlmostDoneDlg::LeaderAlmostDoneDlg()
    : Window(Point(0, 0), Dim(0, 0), "", "LeaderAlmostDoneDlg"), Dialog("Dialog Bitmaps", "Intro", "Background") {}

LeaderAlmostDoneDlg::~LeaderAlmostDoneDlg() { Uncount(); }

void LeaderAlmostDoneDlg::Uncount() {
    if (counted) --standing;
    counted = false;
}

void LeaderAlmostDoneDlg::HookUp() {
    Dialog::HookUp();
    for (const char* name : kCloseRequests) RegisterNamedHandler(name, OnCloseRequest);
    RegisterHandler(ENABLE_MENU_ITEM, OnMenuItemEnabled);
    RegisterHandler(DISABLE_MENU_ITEM, OnMenuItemDisabled);
}

void LeaderAlmostDoneDlg::RemoveCloseHandlers() {
    for (const char* name : kCloseRequests) UnregisterNamedHandler(name, OnCloseRequest);
}

ContainerBase* LeaderAlmostDoneDlg::OnCloseRequest(Component* c, BusMessage, ContainerBase*) {
    if (auto* self = dynamic_cast<LeaderAlmostDoneDlg*>(c); self && self->IsRunning()) self->Close(1);
    return nullptr;
}

ContainerBase* LeaderAlmostDoneDlg::OnMenuItemEnabled(Component* c, BusMessage, ContainerBase* payload) {
    if (auto* self = dynamic_cast<LeaderAlmostDoneDlg*>(c)) self->FollowMenuItem(payload, 1, 104);
    return nullptr;
}

ContainerBase* LeaderAlmostDoneDlg::OnMenuItemDisabled(Component* c, BusMessage, ContainerBase* payload) {
    if (auto* self = dynamic_cast<LeaderAlmostDoneDlg*>(c)) self->FollowMenuItem(payload, 0, 113);
    return nullptr;
}

void LeaderAlmostDoneDlg::FollowMenuItem(ContainerBase* payload, std::int16_t enable, int line) {
    const BusMessage* command = PayloadValue<BusMessage>(payload);
    if (!command) {
        Assert(false, "Bad data passed in bus message to function", "LDRDONE", line);
        return;
    }
    if ((command->Word() & 0x0FFFFFFFu) == kFinishLeaderCommand && IsRunning()) EnableItem(101, enable);
}

void LeaderAlmostDoneDlg::OnInit() {
    ++standing;
    counted = true;
    // The Finish button starts as the menu's Finish Leader command stands.
    if (ContainerBase* reply = SendNamedEvent("GetActiveChildMenu")) {
        Menu* const* menu = PayloadValue<Menu*>(reply);
        Menu* popup = menu && *menu ? (*menu)->FindPopup("Leader") : nullptr;
        if (auto* native = dynamic_cast<WindowsMenu*>(popup))
            // Our menus grey a command they disable; either mark means the command is off.
            if (GetMenuState(native->GetHandle(), kFinishLeaderCommand, MF_BYCOMMAND) & (MF_DISABLED | MF_GRAYED))
                EnableItem(101, 0);
        delete reply;
    }
    RECT mine{};
    ::GetWindowRect(GetHandle(), &mine);
    const int w = mine.right - mine.left, h = mine.bottom - mine.top;
    const Dim screen = ingame::ScreenSize();
    const ingame::Placement at = ingame::PlaceWindow("LeaderDone", screen.width - w, screen.height - 2 * h);
    MoveWindow(GetHandle(), static_cast<int>(at.x), static_cast<int>(at.y), w, h, FALSE);
}

void LeaderAlmostDoneDlg::Command(std::int16_t itemId, std::int16_t notification) {
    if (itemId == 101) {
        if (!IsRunning()) return;
        Close(1);
        PostNamedEvent("LeaderFinishLeader");
        return;
    }
    Dialog::Command(itemId, notification);
}

void LeaderAlmostDoneDlg::Close(std::int16_t result) {
    if (!IsRunning()) return;
    RemoveCloseHandlers();
    RECT r{};
    ::GetWindowRect(GetHandle(), &r);
    ingame::StorePlacement("LeaderDone", r.left, r.top);
    const std::uint32_t show = ShowAgain(*this);
    ingame::StorePreference("Finish Leader", show);
    Container<short> value(static_cast<short>(show));
    PostNamed("ShowFinishLeader", &value);
    Uncount();
    Dialog::Close(result);
}

// ---- the group-command confirmation ----

GroupCommandDlg::GroupCommandDlg(std::string text)
    : Window(Point(0, 0), Dim(0, 0), "", "GroupCommandDlg"), Dialog("Dialog Bitmaps", "Intro", "Background"),
      caption(std::move(text)) {}

void GroupCommandDlg::OnInit() {
    SetWindowTextA(GetHandle(), caption.c_str());
    Center();
}

void GroupCommandDlg::Close(std::int16_t result) {
    const std::uint32_t ask = ShowAgain(*this);
    ingame::StorePreference("Group Move Confirm", ask);
    Container<short> value(static_cast<short>(ask));
    if (GetBus()) PostNamed("ShowGroupCommandConfirm", &value);
    Dialog::Close(result);
}
