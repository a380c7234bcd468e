#include "game/app/dialogs/details_dlgs.h"

#include "game/app/dialogs/info_dialog_host.h"
#include "game/app/dialogs/rich_text_file.h"
#include "game/units/combat.h"
#include "game/units/leader.h"
#include "platform/richedit.h"
#include "platform/strings.h"
#include "ui/font.h"
#include "ui/windows/win_app.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <set>

namespace {

constexpr DWORD kListStyle = WS_CHILD | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL;
// Eight points: the character format's height is in twips.
constexpr LONG kLineHeight = 8 * 20;
constexpr LONG kTabStops[4] = {2835, 3240, 3645, 4050};

std::string Formatted(UINT id, int value) {
    char pattern[256] = {};
    LoadString(InstanceHandle, id, pattern, 255);
    char out[320] = {};
    std::snprintf(out, sizeof out, pattern, value);
    return out;
}

HWND MakeRichEdit(HWND parent, int x, int y, int w, int h, int id) {
    platform::RegisterRichEditClass();
    return CreateWindowExA(WS_EX_STATICEDGE, "RichEdit", "", kListStyle, x, y, w, h, parent,
                           reinterpret_cast<HMENU>(static_cast<std::uintptr_t>(id)), InstanceHandle, nullptr);
}

std::string HelpPath() { return InfoHost().GetDirectory(1) + "\\morlan.hlp"; }

} // namespace

// --- army details ---

ArmyDetailsDlg::ArmyDetailsDlg(int detailsSide, const EndOfGameResults& results, List<Combat*>& units_,
                               List<Leader*>& leaders_)
    : Window(Point(0, 0), Dim(100, 100), "", "ArmyDetailsDlg"), Dialog("Dialog Bitmaps", "Army Details", "Background"),
      units(&units_), leaders(&leaders_) {
    const int side = detailsSide == 1 ? 0 : 1;
    title = (side == 0 ? results.homeName : results.visitingName) + " Army";
    totalUnitPoints = results.totalPoints[side];
    routingPoints = results.routedPoints[side];
    eliminatedPoints = results.lostPoints[side];
}

std::vector<std::string> ArmyDetailsDlg::TotalLines() const {
    const int routing = std::max(0, routingPoints);
    const int eliminated = std::max(0, eliminatedPoints);
    // A negative eliminated count is shown as 0 and counts as 0 in the percentage too.
    const int percent =
        totalUnitPoints > 0 ? static_cast<int>(std::min(eliminated, totalUnitPoints) * 100.0 / totalUnitPoints) : 0;
    return {Formatted(123, totalUnitPoints), Formatted(125, routing), Formatted(126, eliminated), Formatted(124, percent)};
}

void ArmyDetailsDlg::OnInit() {
    RECT main{}, own{};
    // Without a main window the screen stands in, so that the dialog is not put off it.
    if (HWND mainWindow = InfoHost().GetMainWindow())
        ::GetWindowRect(mainWindow, &main);
    else
        main = RECT{0, 0, platform::GetScreenSize().cx, platform::GetScreenSize().cy};
    ::GetWindowRect(handle_, &own);
    const int w = own.right - own.left, h = own.bottom - own.top;
    MoveWindow(handle_, (main.right - main.left) / 2 - w / 2, (main.bottom - main.top) / 2 - h / 2, w, h, FALSE);
    listWindow = MakeRichEdit(handle_, 22, 275, 306, 140, kListId);
    if (!listWindow) return;
    FillUnitList();
    ShowWindow(listWindow, SW_SHOW);
    // The background painted again covers the column headings: they are drawn on it anew.
    Refresh();
    Redraw();
}

void ArmyDetailsDlg::AppendChar(char c) { AppendText(std::string(1, c)); }

void ArmyDetailsDlg::AppendText(const std::string& text) {
    SendMessageA(listWindow, EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void ArmyDetailsDlg::StartLine(const std::string& name) {
    CHARFORMATA cf{};
    cf.cbSize = sizeof cf;
    cf.dwMask = CFM_FACE | CFM_SIZE | CFM_BOLD;
    cf.dwEffects = CFE_BOLD;
    cf.yHeight = kLineHeight;
    std::strcpy(cf.szFaceName, "MS Sans Serif");
    SendMessageA(listWindow, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&cf));
    AppendText(name.size() > kNameLength ? name.substr(0, kNameLength) : name);
    AppendChar('\t');
    cf.dwMask = CFM_BOLD;
    cf.dwEffects = 0;
    SendMessageA(listWindow, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&cf));
}

void ArmyDetailsDlg::EndLine(int points, bool eliminated) {
    if (eliminated) {
        AppendChar('\t');
        AppendChar('X');
        AppendChar('\t');
        AppendText(std::to_string(points));
    }
    AppendChar('\n');
}

void ArmyDetailsDlg::AddUnitLine(const std::string& name, int moraleRating, int hits, int points, bool eliminated) {
    StartLine(name);
    AppendText(std::to_string(moraleRating));
    AppendChar('\t');
    AppendText(std::to_string(hits));
    EndLine(points, eliminated);
}

void ArmyDetailsDlg::AddLeaderLine(const std::string& name, int points, bool eliminated) {
    StartLine(name);
    AppendChar('-');
    AppendChar('\t');
    AppendChar('-');
    EndLine(points, eliminated);
}

void ArmyDetailsDlg::FillUnitList() {
    for (Item<Combat*>* i = units->Head(); i; i = i->next) {
        Combat* unit = i->value;
        if (!unit || unit->IsAwaitingArrival()) continue;
        AddUnitLine(unit->GetName(), unit->GetTQ(), unit->GetCohesionHits(), unit->StrengthValue(), unit->IsRemoved() != 0);
    }
    for (Item<Leader*>* i = leaders->Head(); i; i = i->next) {
        // A chain that comes back to a leader it has shown runs in a circle: it ends there.
        std::set<const Leader*> shown;
        for (Leader* l = i->value; l && shown.insert(l).second; l = l->GetSubLeader())
            AddLeaderLine(l->GetName(), l->StrengthValue(), l->IsRemoved() != 0);
    }
    SendMessageA(listWindow, EM_SETSEL, 0, -1);
    PARAFORMAT pf{};
    pf.cbSize = sizeof pf;
    pf.dwMask = PFM_TABSTOPS;
    pf.cTabCount = 4;
    std::copy(std::begin(kTabStops), std::end(kTabStops), pf.rgxTabs);
    SendMessageA(listWindow, EM_SETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&pf));
    SendMessageA(listWindow, EM_SETSEL, 0, 0);
    SendMessageA(listWindow, EM_SETREADONLY, 1, 0);
}

void ArmyDetailsDlg::Refresh() {
    Dialog::Refresh();
    DialogFont font("MS Sans Serif 2");
    font.DrawText(*this, Point(static_cast<std::int16_t>(170 - font.GetTextWidth(title.c_str()) / 2), 52),
                  title.c_str(), 3);
    const std::vector<std::string> lines = TotalLines();
    for (std::size_t i = 0; i < lines.size(); ++i)
        font.DrawText(*this, Point(32, static_cast<std::int16_t>(76 + 24 * i)), lines[i].c_str(), 3);
}

LRESULT ArmyDetailsDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        if (listWindow && IsWindow(listWindow)) ShowWindow(listWindow, SW_HIDE);
        listWindow = nullptr;
        Dialog::WindowProc(message, wParam, lParam);
        return 0;
    }
    return Dialog::WindowProc(message, wParam, lParam);
}

void ArmyDetailsDlg::Command(std::int16_t itemId, std::int16_t notification) {
    if (itemId == 9) {
        helpPath = HelpPath();
        return;
    }
    Dialog::Command(itemId, notification);
}

// --- battle details ---

BattleDetailsDlg::BattleDetailsDlg(const std::string& filePath_, const std::string& caption_)
    : Window(Point(0, 0), Dim(100, 100), "", "BattleDetailsDlg"), Dialog("Dialog Bitmaps", "Intro", "Background"),
      filePath(filePath_), caption(caption_) {}

void BattleDetailsDlg::OnInit() {
    SetWindowTextA(handle_, caption.c_str());
    if (HWND client = InfoHost().GetMDIClient()) {
        RECT area{}, own{};
        ::GetWindowRect(client, &area);
        ::GetWindowRect(handle_, &own);
        const int w = own.right - own.left, h = own.bottom - own.top;
        MoveWindow(handle_, area.right - w, area.bottom - h, w, h, FALSE);
    }
    richEdit = MakeRichEdit(handle_, 10, 10, 550, 315, kTextId);
    if (!richEdit) return;
    ShowWindow(richEdit, SW_SHOW);
    if (!StreamRichTextFile(richEdit, filePath)) SetWindowTextA(richEdit, kFileNotFound);
    SendMessageA(richEdit, EM_SETREADONLY, 1, 0);
}

void BattleDetailsDlg::Command(std::int16_t itemId, std::int16_t notification) {
    if (itemId == 9) {
        helpPath = HelpPath();
        return;
    }
    Dialog::Command(itemId, notification);
}
