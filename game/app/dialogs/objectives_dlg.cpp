#include "game/app/dialogs/objectives_dlg.h"

#include "core/container.h"
#include "core/events.h"
#include "game/app/dialogs/scenario_tables.h"
#include "game/logic/referee/builtin_objectives.h"
#include "platform/msgbox.h"
#include "ui/dialog_controls.h"
#include "ui/font.h"

#include <cstdio>

ObjectivesDlg::ObjectivesDlg(std::int32_t scenarioIndex)
    : Window(Point(0, 0), Dim(0, 0), "", "EnumDialog"), Dialog("Dialog Bitmaps", "Intro", "Background"),
      scenario(scenarioIndex) {}

int ObjectivesDlg::Count() const { return BuiltInObjectiveCount(scenario); }

void ObjectivesDlg::OnInit() {
    // Always the top-left corner, away from the map's centre where the objectives are shown.
    ::SetWindowPos(GetHandle(), nullptr, 10, 10, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    ::SetWindowTextA(GetHandle(), frontend::ResourceString(173).c_str());
    ::ShowWindow(GetDlgItem(GetHandle(), IDCANCEL), SW_HIDE);
    const int n = Count();
    if (n == 0) {
        Close(0);
        return;
    }
    for (int i = 0; i < n; ++i) {
        const std::string name = frontend::ResourceString(static_cast<std::uint32_t>(BuiltInObjective(scenario, i).nameId));
        SendDlgItemMessageA(GetHandle(), kList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
    }
    const std::string all = frontend::ResourceString(271);
    SendDlgItemMessageA(GetHandle(), kList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(all.c_str()));
}

void ObjectivesDlg::SendRegions(int message, const List<short>& hexes) {
    Container<List<short>> payload(hexes);
    delete Send(BusMessage(message), &payload);
}

void ObjectivesDlg::Choose(std::int32_t s) {
    if (s < 0 || s == current) return;
    const int n = Count();
    const List<short> kept(highlight);
    holder = kNoSingleHolder;
    if (s < n) {
        Container<short> index(static_cast<short>(s));
        ContainerBase* reply = SendNamed("GetObjectiveHolder", &index);
        if (const long* h = PayloadValue<long>(reply)) holder = static_cast<std::int32_t>(*h);
        else if (const std::int32_t* h32 = PayloadValue<std::int32_t>(reply)) holder = *h32;
        delete reply;
    }
    if (holder == kNoSingleHolder) {
        delete SendNamedEvent("ZoomOutForRout");
        highlight.Clear();
        current = -1;
        for (int i = 0; i < n; ++i)
            for (const Item<short>* h = BuiltInObjective(scenario, i).hexes.Head(); h; h = h->next) highlight.AddTail(h->value);
    } else {
        const Objective& o = BuiltInObjective(scenario, s);
        points = o.points;
        highlight.Clear();
        for (const Item<short>* h = o.hexes.Head(); h; h = h->next) highlight.AddTail(h->value);
        current = static_cast<std::int16_t>(s);
        delete SendNamedEvent("ZoomInAfterRout");
        if (const Item<short>* first = highlight.Head()) {
            Container<short> centre(first->value);
            delete SendNamed("Center On Region", &centre);
        }
    }
    SendRegions(DEHIGHLIGHT_REGION, kept);
    SendRegions(HIGHLIGHT_REGION, highlight);
    Refresh();
    Redraw();
    ::InvalidateRect(handle_, nullptr, TRUE);
}

void ObjectivesDlg::Command(std::int16_t itemId, std::int16_t notification) {
    if (itemId == kList && notification == LBN_SELCHANGE && running_) Choose(GetListSelection(kList));
    // Escape still reaches the hidden Cancel; the map must not keep the highlight and the zoom.
    if (itemId == IDCANCEL && running_) RestoreMap();
    Dialog::Command(itemId, notification);
}

void ObjectivesDlg::RestoreMap() {
    Container<List<short>> hexes(highlight);
    delete PostAndWait(BusMessage(DEHIGHLIGHT_REGION), &hexes);
    delete PostNamedEventAndWait("ZoomInAfterRout");
}

void ObjectivesDlg::OnOK() {
    RestoreMap();
    Dialog::OnOK();
}

std::vector<std::string> ObjectivesDlg::PanelLines() const {
    if (holder == kNoSingleHolder || current == -1) return {};
    char number[16];
    std::snprintf(number, sizeof number, "%i", static_cast<int>(points));
    const std::uint32_t holderId = holder == 0 ? 38 : holder == 1 ? 39 : 272;
    return {frontend::ResourceString(268), number, "", frontend::ResourceString(269), frontend::ResourceString(holderId)};
}

void ObjectivesDlg::Refresh() {
    Dialog::Refresh();
    const std::vector<std::string> lines = PanelLines();
    if (lines.empty()) return;
    // The dialog font stands in for the system font; the pen is on the baseline.
    DialogFont font(DialogControl::kFontName);
    const std::int16_t h = font.GetTextRect("A").height;
    const std::int16_t ascent = static_cast<std::int16_t>(font.GetHeight() - font.GetDescent());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].empty()) continue;
        const Point pen(kPanelX, static_cast<std::int16_t>(kPanelY + h * static_cast<int>(i) + ascent));
        font.DrawText(*this, pen, lines[i].c_str(), static_cast<std::int16_t>(lines[i].size()));
    }
}
