#include "game/app/vh_main_window.h"

#include "core/assertion.h"
#include "core/events.h"
#include "comms/ui/information_dlg.h"
#include "platform/mdi.h"
#include "platform/window.h"
#include "ui/status_bar.h"
#include "ui/toolbar.h"
#include "ui/windows/win_app.h"

namespace {

constexpr const char* kSource = "VHMAIN";
constexpr UINT kShowFrame = WM_USER + 1;

void WaitMenu(Component* sender, BusMessage event, std::uint16_t id) {
    Container<BusMessage> item{BusMessage(id)};
    delete sender->PostAndWait(event, &item);
}

} // namespace

VhMainWindow::VhMainWindow(const Point& position, const Dim& size, const char* title, const char* name,
                           int showCommand)
    : Window(position, Dim(0, 0), title, name ? name : kDefaultName),
      QuorrenMainWindow(position, size, title, kBackgroundArt, showCommand, nullptr, name ? name : kDefaultName) {}

VhMainWindow::~VhMainWindow() = default;

void VhMainWindow::Connect() {
    HookUp();
    RegisterNamedHandler("ChangeMainCaption", OnChangeMainCaption);
    RegisterNamedHandler("CloseGame", OnCloseGame);
}

bool VhMainWindow::ConfirmExit() {
    std::string question;
    if (auto* app = dynamic_cast<WinApp*>(GetApplication())) question = app->GetResourceString(kExitQuestion);
    InformationDlg box(question.c_str(), 1);
    return box.Execute("MessageBox", Dialog::kModal, 0, GetHandle()) == 1;
}

LRESULT VhMainWindow::FrameProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CLOSE:
        if (!ConfirmExit()) return 0;
        delete SendNamedEvent("ExitGame");
        break;
    case WM_QUERYNEWPALETTE: delete PostNamedEventAndWait("ResumePaletteAnimation"); break;
    case WM_PALETTECHANGED:
        if (reinterpret_cast<HWND>(wParam) != GetClient()) PostNamedEvent("SuspendPaletteAnimation");
        break;
    case kShowFrame: {
        HWND active = GetActiveWindow();
        ShowWindow(GetHandle(), static_cast<int>(wParam));
        UpdateWindow(GetHandle());
        SendMessageA(GetClient(), WM_MDICASCADE, MDITILE_SKIPDISABLED, 0);
        if (active) {
            SetActiveWindow(active);
            SetFocus(active);
        }
        return 0;
    }
    default: break;
    }
    return WindowsMainWindow::FrameProc(message, wParam, lParam);
}

void VhMainWindow::RestoreMenu() {
    for (std::uint16_t item : {251, 250, 223, 218, 217, 216}) WaitMenu(this, DISABLE_MENU_ITEM, item);
    for (std::uint16_t item : {218, 217, 216}) WaitMenu(this, UNCHECK_MENU_ITEM, item);
    for (std::uint16_t item : {107, 106, 104}) WaitMenu(this, DISABLE_MENU_ITEM, item);
    if (Toolbar* toolbar = GetToolbar()) toolbar->NotifyCommand(BusMessage(258));
    for (std::uint16_t item : {257, 258}) WaitMenu(this, DISABLE_MENU_ITEM, item);
    MainWindow::RestoreMenu();
}

ContainerBase* VhMainWindow::OnChangeMainCaption(Component* receiver, BusMessage, ContainerBase* payload) {
    auto* self = dynamic_cast<VhMainWindow*>(receiver);
    std::string text;
    if (const std::string* s = PayloadValue<std::string>(payload))
        text = *s;
    else if (!ExtractText(payload, text))
        self = nullptr;
    if (!self) {
        Assert(0, kBadBusData, kSource, __LINE__);
        return nullptr;
    }
    self->SetTitle(text.c_str());
    return nullptr;
}

ContainerBase* VhMainWindow::OnCloseGame(Component* receiver, BusMessage, ContainerBase*) {
    VhMainWindow* self = nullptr;
    if (!BusReceiver(receiver, self, kSource, __LINE__)) return nullptr;
    if (StatusBar* bar = self->GetStatusBar()) bar->Clear();
    return nullptr;
}
