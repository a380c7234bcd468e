#include "game/app/dialogs/info_dialog_host.h"

#include "core/application.h"
#include "ui/windows/win_app.h"

namespace {
InfoDialogHost plainHost;
InfoDialogHost* installed = nullptr;
} // namespace

InfoDialogHost::~InfoDialogHost() = default;

std::string InfoDialogHost::GetDirectory(std::int16_t kind) {
    Application* app = GetApplication();
    return app ? app->GetDataDirectory(kind) : std::string();
}

HWND InfoDialogHost::GetMainWindow() { return MainWindowHandle; }

HWND InfoDialogHost::GetMDIClient() { return nullptr; }

InfoDialogHost& InfoHost() { return installed ? *installed : plainHost; }

void SetInfoHost(InfoDialogHost* host) { installed = host; }
