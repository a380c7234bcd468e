#include "ui/main_window.h"

#include "core/absent_payload.h"
#include "core/application.h"
#include "core/assertion.h"

MainWindow::MainWindow(const Box& box, std::int16_t windowId, const char* title, const char* name)
    : Window(box, windowId, title, name ? name : "Unnamed Main Window") {}

MainWindow::~MainWindow() = default;

void MainWindow::RestoreMenu() { SetFrameMenu(nullptr); }

void MainWindow::SetStatusText(const char* text, std::int16_t pane) {
    if (statusBar_) statusBar_->SetText(text, pane);
}

ContainerBase* MainWindow::OnCommand(Component* receiver, BusMessage, ContainerBase* payload) {
    auto* self = dynamic_cast<MainWindow*>(receiver);
    std::uint32_t word = 0;
    // A "Command" sent without a payload names no command: it must not run command 0.
    bool ok = self != nullptr && !PayloadAbsent(payload);
    if (ok) {
        if (const BusMessage* m = PayloadValue<BusMessage>(payload))
            word = m->Word();
        else if (const long* l = PayloadValue<long>(payload))
            word = static_cast<std::uint32_t>(*l);
        else if (const short* s = PayloadValue<short>(payload))
            word = static_cast<std::uint16_t>(*s);
        else
            ok = false;
    }
    if (!ok) {
        Assert(0, kBadBusData, "MAINWND", 38);
        return nullptr;
    }
    self->Command(static_cast<int>(word & 0x0FFFFFFFu), 0);
    return nullptr;
}

ChildWindow::ChildWindow(const Box& box, std::int16_t windowId, const char* title, const char* name)
    : Window(box, windowId, title, name ? name : "Unnamed Child Window") {
    if (Application* app = GetApplication()) mainWindow_ = dynamic_cast<MainWindow*>(app->GetMainDisplay());
}

ChildWindow::~ChildWindow() = default;

void ChildWindow::InstallMenu() {
    if (mainWindow_) mainWindow_->SetFrameMenu(GetMenu());
}

void ChildWindow::Connect() { RegisterMenuHandlers(); }
