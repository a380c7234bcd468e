#include "game/app/dialogs/elite_initiative_dlg.h"

#include "core/application.h"
#include "game/logic/combat_records.h"
#include "game/units/group.h"
#include "game/units/leader.h"
#include "platform/dialog.h"
#include "ui/windows/win_app.h"

#include <algorithm>
#include <cctype>
#include <vector>

namespace {
std::string HelpFile(const char* file) {
    Application* app = GetApplication();
    return (app ? app->GetDataDirectory() : std::string()) + file;
}

// The list's order: by name without regard to case, as a sorted list box keeps it.
bool SortsBefore(const std::string& a, const std::string& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) < std::tolower(static_cast<unsigned char>(y));
    });
}
} // namespace

// ---- the yes/no question ----

VhEliteInitiativeDlg::VhEliteInitiativeDlg(std::string leaderName)
    : Window(Point(0, 0), Dim(0, 0), "", "VhEliteInitiativeDlg"), Dialog("Dialog Bitmaps", "Intro", "Background"),
      name(std::move(leaderName)) {}

void VhEliteInitiativeDlg::OnInit() {
    SetWindowTextA(GetHandle(), (name + "'s Elite Initiative").c_str());
    Center();
}

void VhEliteInitiativeDlg::Command(std::int16_t itemId, std::int16_t notification) {
    if (itemId == 9) {
        helpPath = HelpFile("\\morlan.hlp");
        return;
    }
    Dialog::Command(itemId, notification);
}

// ---- the choice of a leader ----

EliteInitiativeDlg::EliteInitiativeDlg(List<Leader*>* list)
    : Window(Point(0, 0), Dim(0, 0), "", "EliteInitiativeDlg"), Dialog("Dialog Bitmaps", "Intro", "Background"),
      leaders(list) {}

Leader* EliteInitiativeDlg::FindByName(const std::string& text) const {
    if (!leaders) return nullptr;
    for (Item<Leader*>* i = leaders->Head(); i; i = i->next)
        if (i->value && i->value->GetName() == text) return i->value;
    return nullptr;
}

void EliteInitiativeDlg::ShowLeader(Leader* leader) {
    if (!leader) return;
    currentHex = static_cast<std::int16_t>(leader->GetLocation());
    RaiseLeaderFlags(leader);
    Container<short> hex(currentHex);
    delete SendNamed("Center On Region", &hex);
}

void EliteInitiativeDlg::OnInit() {
    std::vector<std::string> names;
    Leader* last = nullptr;
    if (leaders)
        for (Item<Leader*>* i = leaders->Head(); i; i = i->next) {
            Leader* l = i->value;
            if (!l || (!l->IsOnMap() && l->GetCommandLevel() != 3)) continue;
            names.push_back(l->GetName());
            last = l;
        }
    std::stable_sort(names.begin(), names.end(), SortsBefore);
    for (const std::string& n : names)
        SendDlgItemMessageA(GetHandle(), 10, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(n.c_str()));
    SendDlgItemMessageA(GetHandle(), 10, LB_SETCURSEL, 0, 0);
    ShowLeader(last);

    RECT mine{};
    ::GetWindowRect(GetHandle(), &mine);
    const int w = mine.right - mine.left, h = mine.bottom - mine.top;
    int areaW = GetSystemMetrics(SM_CXSCREEN), areaH = GetSystemMetrics(SM_CYSCREEN);
    if (MainWindowHandle && IsWindow(MainWindowHandle) && !IsIconic(MainWindowHandle)) {
        RECT main{};
        ::GetWindowRect(MainWindowHandle, &main);
        areaW = main.right - main.left;
        areaH = main.bottom - main.top;
    }
    MoveWindow(GetHandle(), areaW / 2 - w / 2, areaH / 4 - h / 2, w, h, FALSE);
}

LRESULT EliteInitiativeDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND && IsRunning() && LOWORD(wParam) == 10) {
        if (HIWORD(wParam) == LBN_DBLCLK) {
            OnOK();
            Close(1);
            return 0;
        }
        if (HIWORD(wParam) == LBN_SELCHANGE) {
            const std::int32_t s = GetListSelection(10);
            if (s >= 0) ShowLeader(FindByName(GetListText(10, static_cast<std::int16_t>(s))));
        }
    }
    return Dialog::WindowProc(message, wParam, lParam);
}

void EliteInitiativeDlg::OnOK() {
    const std::int32_t s = GetListSelection(10);
    if (s >= 0) chosenName = GetListText(10, static_cast<std::int16_t>(s));
    currentHex = 0;
}

void EliteInitiativeDlg::Command(std::int16_t itemId, std::int16_t notification) {
    if (itemId == 9) {
        helpPath = HelpFile("\\rally.hlp");
        return;
    }
    Dialog::Command(itemId, notification);
}

void EliteInitiativeDlg::RaiseLeaderFlags(Leader* leader) {
    Group* group = leader ? leader->GetGroup() : nullptr;
    if (!group) return;
    Container<RaiseFlagsStruct> lower{RaiseFlagsStruct()};
    delete SendNamed("RaiseFlags", &lower);
    List<unsigned short> grey, raised;
    for (Item<VhUnit*>* i = group->GetUnits().Head(); i; i = i->next) {
        VhUnit* u = i->value;
        if (!u || u == leader || !u->IsOnMap() || u->HasActed()) continue;
        raised.AddTail(u->GetUnitNum());
        if (u->IsUsedThisTurn()) grey.AddTail(u->GetUnitNum());
    }
    raised.AddTail(leader->GetUnitNum());
    Container<RaiseFlagsStruct> record(RaiseFlagsStruct(grey, raised, static_cast<std::int32_t>(leader->GetSide())));
    delete SendNamed("RaiseFlags", &record);
}
