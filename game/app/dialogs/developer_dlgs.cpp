#include "game/app/dialogs/developer_dlgs.h"

#include "platform/msgbox.h"
#include "ui/dialog_controls.h"

#include <algorithm>
#include <cctype>

// ---- the script's file name ----

AIFileNameDlg::AIFileNameDlg(std::string name)
    : Window(Point(0, 0), Dim(0, 0), "", "NewAIFileName"), Dialog("Dialog Bitmaps", "Intro", "Background"),
      fileName(std::move(name)) {}

void AIFileNameDlg::OnInit() { SetItemText(kName, fileName.c_str()); }

void AIFileNameDlg::OnOK() { fileName = GetItemText(kName); }

// ---- the next leader ----

LeaderCheatDlg::LeaderCheatDlg(const std::string* leaderNames, const std::int16_t* flags, std::int16_t n,
                               std::int16_t current)
    : Window(Point(0, 0), Dim(0, 0), "", "LeaderCheatDlg"), Dialog("Dialog Bitmaps", "Intro", "Background"),
      names(leaderNames), excluded(flags), choice(current), count(n < 0 || !leaderNames || !flags ? 0 : n) {}

std::string LeaderCheatDlg::ListName(const std::string& name) {
    return name.size() > kMaxNameLength ? name.substr(0, kMaxNameLength) : name;
}

void LeaderCheatDlg::SelectStartingWith(const std::string& text) {
    const LRESULT n = SendDlgItemMessageA(GetHandle(), kList, LB_GETCOUNT, 0, 0);
    for (LRESULT k = 1; k <= n; ++k) {
        const LRESULT i = k % n;
        char buffer[kMaxNameLength + 1] = {};
        if (SendDlgItemMessageA(GetHandle(), kList, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0) > static_cast<LRESULT>(kMaxNameLength))
            continue;
        SendDlgItemMessageA(GetHandle(), kList, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buffer));
        const std::string entry(buffer);
        if (entry.size() >= text.size() && std::equal(text.begin(), text.end(), entry.begin(), [](char a, char b) {
                return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
            })) {
            SendDlgItemMessageA(GetHandle(), kList, LB_SETCURSEL, static_cast<WPARAM>(i), 0);
            return;
        }
    }
}

void LeaderCheatDlg::OnInit() {
    Center();
    int listed = 0;
    for (std::int16_t i = 0; i < count; ++i) {
        if (excluded[i]) continue;
        const std::string name = ListName(names[i]);
        SendDlgItemMessageA(GetHandle(), kList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
        ++listed;
    }
    if (listed == 0) {
        Close(0);
        return;
    }
    if (choice >= 0 && choice < count && !excluded[choice]) SelectStartingWith(ListName(names[choice]));
    else SendDlgItemMessageA(GetHandle(), kList, LB_SETCURSEL, 0, 0);
}

void LeaderCheatDlg::OnOK() {
    const std::int32_t selected = GetListSelection(kList);
    if (selected < 0) {
        choice = -1;
        return;
    }
    const std::string text = GetListText(kList, static_cast<std::int16_t>(selected));
    std::int16_t i = 0;
    // Compared as listed, so that a name cut for the list still finds its leader.
    while (i < count && ListName(names[i]) != text) ++i;
    choice = i;
    auto* box = dynamic_cast<DialogButton*>(GetItemControl(kMomentum));
    momentum = box && box->GetState() != 0 ? 1 : 0;
}
