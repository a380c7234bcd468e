#include "game/app/dialogs/start_game_dlg.h"

#include "core/application.h"
#include "core/container.h"
#include "game/app/dialogs/big_dialog_buttons.h"
#include "game/app/dialogs/scenario_tables.h"
#include "game/app/dialogs/shell_command.h"
#include "platform/msgbox.h"

#include <cstdio>
#include <string>

StartGameDlg::StartGameDlg(std::int16_t battleAllowed_)
    : Window(Point(-1, -1), Dim(100, 100), "", "StartGame"), Dialog("Dialog Bitmaps", "Start Game", ""),
      battleAllowed(battleAllowed_) {}

StartGameDlg::~StartGameDlg() {
    if (running_) Close(0);
}

void StartGameDlg::Connect() {
    delete PostNamedEventAndWait("CloseSplashScreen");
    Dialog::Connect();
}

void StartGameDlg::OnInit() {
    choice = -1;
    RECT r;
    ::GetWindowRect(handle_, &r);
    HDC dc = GetDC(nullptr);
    const int x = GetDeviceCaps(dc, HORZRES) / 2 - (r.right - r.left) / 2;
    const int y = GetDeviceCaps(dc, VERTRES) / 2 - (r.bottom - r.top) / 2;
    ReleaseDC(nullptr, dc);
    MoveWindow(handle_, x, y, r.right - r.left, r.bottom - r.top, FALSE);
    if (!battleAllowed)
        for (std::int16_t item : {kStartBattle, kStartCampaign, kHistory, kTutorial}) EnableItem(item, 0);
}

DialogControl* StartGameDlg::CreateDefaultButton(std::int16_t, HWND child, const char* text) {
    return new BigStoneDialogButton(child, text, Point(-1, -1), "DialogButtons", 0, BusMessage(0));
}

DialogControl* StartGameDlg::CreateButton(std::int16_t, HWND child, const char* text) {
    return new BigStoneDialogButton(child, text, Point(-1, -1), "DialogButtons", 0, BusMessage(0));
}

void StartGameDlg::OpenHistory() {
    char path[512];
    std::snprintf(path, sizeof path, "%s\\history\\HISTORY.htm", frontend::Directory(7).c_str());
    const std::string program = frontend::HtmlOpenProgram();
    // Without an associated program there is nothing to start, and nothing to report.
    if (program.empty()) return;
    char line[1024];
    std::snprintf(line, sizeof line, "%s %s", program.c_str(), path);
    frontend::StartCommand(line);
}

void StartGameDlg::Command(std::int16_t itemId, std::int16_t notification) {
    if (Application* app = GetApplication()) app->EndWait();
    switch (itemId) {
    case kLoadGame:
    case kStartCampaign:
    case kMultiplayer:
    case kStartBattle:
        choice = itemId;
        Dialog::Command(IDOK, notification);
        return;
    case kTutorial:
    case kHelp: {
        // The help file is named but never shown.
        const std::string help = frontend::Directory(2) + "\\rally.hlp";
        (void)help;
        return;
    }
    case kHistory: OpenHistory(); return;
    default: Dialog::Command(itemId, notification); return;
    }
}

LRESULT StartGameDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DRAWITEM) {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (item && item->CtlType == ODT_BUTTON && (item->itemState & ODS_SELECTED)) {
            Container<std::string> wave(std::string("smash.wav"));
            delete PostNamedAndWait("PlayWave", &wave);
        }
    }
    return Dialog::WindowProc(message, wParam, lParam);
}
