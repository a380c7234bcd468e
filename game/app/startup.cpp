#include "game/app/startup.h"

#include "game/app/vh_app.h"
#include "game/app/vh_main_window.h"
#include "game/app/vh_toolbar.h"
#include "platform/msgbox.h"
#include "platform/named_mutex.h"
#include "platform/path.h"
#include "ui/windows/windows_status_bar.h"

#include <cstdlib>
#include <string>

namespace {

std::string g_mutexName = startup::kInstanceMutex;
char* g_reserve = nullptr;

} // namespace

namespace startup {
void SetInstanceMutexName(const char* name) { g_mutexName = name ? name : kInstanceMutex; }
bool HasMemoryReserve() { return g_reserve != nullptr; }
} // namespace startup

std::uint32_t MemoryErrorHandler(MemErrorInfo* info) {
    if (!info || info->errorCode != MEM_OUT_OF_MEMORY) return MemDefaultErrorHandler(info);
    delete[] g_reserve;
    g_reserve = nullptr;
    const int answer = MessageBox(nullptr, startup::kOutOfMemoryText, startup::kOutOfMemoryCaption, MB_RETRYCANCEL);
    if (answer == IDRETRY) {
        g_reserve = new char[startup::kReserveSize];
        return 1;
    }
    if (answer == IDCANCEL) {
        MemErrorUnwind();
        std::exit(0);
    }
    return MemDefaultErrorHandler(info);
}

int WinMain(HINSTANCE instance, HINSTANCE, const char*, int) {
    bool existed = false;
    // One copy per user: a program run with a configuration directory of its own (VARNHOLD_HOME,
    // as each player of a network game on one machine has) is another user's copy.
    std::string mutexName = g_mutexName;
    if (mutexName == startup::kInstanceMutex) mutexName += " " + platform::ConfigDirectory();
    platform::NamedMutex* mutex = platform::CreateNamedMutex(mutexName.c_str(), &existed);
    if (existed) {
        // Ours is only a handle on the other copy's mutex; letting it go changes nothing there.
        platform::CloseNamedMutex(mutex);
        return 1;
    }
    if (mutex) platform::WaitNamedMutex(mutex);
    InstanceHandle = instance;
    // The dialog controls and the rich-edit control are always present on our platform.
    const MemErrorHandler previousHandler = MemSetErrorHandler(&MemoryErrorHandler);
    g_reserve = new char[startup::kReserveSize];

    {
        VhApp app;
        const std::string title = app.GetResourceString(1);
        auto* frame = new VhMainWindow(Point(50, 50), Dim(700, 500), title.c_str(), nullptr, 3);
        frame->AttachToBus(&app);
        app.SetMainWindow(frame);
        app.SetMainDisplay(frame);

        auto* statusBar = new WindowsStatusBar("Status Bar", frame->GetHandle(), Point(20, 11), 2,
                                               "Varnhold Status Bar");
        statusBar->AddPane(1, 150);
        statusBar->AddPane(2, 150);
        static_cast<StatusBar*>(statusBar)->AttachToBus(&app);
        frame->SetStatusBar(statusBar);

        auto* toolbar = new VhToolbar(frame->GetHandle());
        static_cast<Toolbar*>(toolbar)->AttachToBus(&app);
        frame->SetToolbar(toolbar);

        app.Run();

        frame->SetStatusBar(nullptr);
        frame->SetToolbar(nullptr);
        delete statusBar;
        delete toolbar;
        app.SetMainWindow(nullptr);
        app.SetMainDisplay(nullptr);
        delete frame;
        if (mutex) platform::ReleaseNamedMutex(mutex);
    }
    // The next copy may start as soon as this one has let go of the name.
    if (mutex) platform::CloseNamedMutex(mutex);
    MemSetErrorHandler(previousHandler);
    delete[] g_reserve;
    g_reserve = nullptr;
    return 0;
}
