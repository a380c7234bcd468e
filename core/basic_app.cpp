#include "core/basic_app.h"
#include "platform/idle.h"

#include "platform/clock.h"
#include "platform/message_queue.h"
#include "platform/msgbox.h"
#include "platform/strings.h"
#include "platform/timer.h"

BasicApp::BasicApp() { platform::SetUiThread(GetCurrentThreadId()); }

BasicApp::~BasicApp() {
    if (GetTimerId() != 0) StopTimer();
}

void BasicApp::OpenQIFLibrary(QIFBase*) {}
void BasicApp::OpenQIFLibraryAt(QIFBase*, const BYTE*, std::size_t) {}

void BasicApp::StartTimer(std::uint16_t period) { SetTimerId(SetTimer(nullptr, 0, period, TimerProcedure)); }

void BasicApp::StopTimer() {
    if (GetTimerId() != 0) KillTimer(nullptr, GetTimerId());
    SetTimerId(0);
}

void BasicApp::TimerProcedure(HWND, UINT, UINT_PTR, DWORD time) {
    // A handler that pumps messages may let the next tick in while this one runs: it is dropped.
    static bool running = false;
    auto* app = dynamic_cast<BasicApp*>(GetApplication());
    if (!app) return;
    if (running) {
        ++app->droppedTicks;
        return;
    }
    running = true;
    struct Reset {
        ~Reset() { running = false; }
    } reset;
    app->TimerTick(time);
}

void BasicApp::SetCursor(HCURSOR cursor_) { cursor = cursor_; }

void BasicApp::Run() {
    Component::AddTimer(HoverTimer, 2, 0);
    MSG msg;
    while (IsRunning() && GetMessage(&msg, nullptr, 0, 0)) {
        TranslateMessage(&msg);
        DispatchMessage(&msg);
    }
    Component::RemoveTimer(HoverTimer);
}

void BasicApp::PeekPlatformMessage() {
    MSG msg;
    PeekMessage(&msg, nullptr, 0, 0, PM_NOREMOVE);
}

std::int16_t BasicApp::PumpMessage() {
    MSG msg;
    if (!PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (TaskCount() == 0) WaitMessage();
        return 1;
    }
    if (msg.message == WM_QUIT) {
        PostQuitMessage(static_cast<int>(msg.wParam));
        return 0;
    }
    if (msg.message == WM_CLOSE || (msg.message == WM_SYSCOMMAND && (msg.wParam & 0xFFF0) == SC_CLOSE)) {
        PostMessage(msg.hwnd, msg.message, msg.wParam, msg.lParam);
        return 0;
    }
    TranslateMessage(&msg);
    DispatchMessage(&msg);
    return 1;
}

std::int16_t BasicApp::DIBOrientation() { return -1; }

std::int16_t BasicApp::ChooseFile(char* fileName, const char*, const char*) {
    if (fileName) fileName[0] = '\0';
    return 0;
}

int BasicApp::ShowMessage(const char* text, const char* caption, unsigned style) {
    return MessageBox(nullptr, text, caption, style);
}

std::uint32_t BasicApp::TickCount() { return GetTickCount(); }

void BasicApp::Beep() { MessageBeep(0xFFFFFFFFu); }

void BasicApp::SetStatusText(const char* text, std::int16_t pane) { statusTexts[pane] = text ? text : ""; }

std::string BasicApp::StatusText(std::int16_t pane) const {
    auto it = statusTexts.find(pane);
    return it == statusTexts.end() ? std::string() : it->second;
}

std::string BasicApp::LoadResourceString(std::uint32_t stringId) {
    char buffer[platform::kMaxStringLength + 1];
    LoadString(nullptr, stringId, buffer, sizeof buffer);
    return buffer;
}
