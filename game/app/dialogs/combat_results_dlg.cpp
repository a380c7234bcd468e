#include "game/app/dialogs/combat_results_dlg.h"

#include "core/events.h"
#include "game/app/dialogs/dialog_support.h"
#include "platform/dialog.h"
#include "ui/windows/mdi_windows.h"
#include "ui/windows/win_app.h"

#include <cstdio>

namespace {
std::string Number(int value) {
    char text[16];
    std::snprintf(text, sizeof text, "%d", value);
    return text;
}

template <class T>
const T* At(const List<T>& list, std::size_t index) {
    std::size_t k = 0;
    for (const Item<T>* i = list.Head(); i; i = i->next, ++k)
        if (k == index) return &i->value;
    return nullptr;
}

std::int16_t ValueAt(const SingleCombatResult& r, int list, std::size_t index) {
    const short* v = At(r.numbers[list], index);
    return v ? *v : 0;
}

RECT WindowBox(HWND window) {
    RECT r{};
    ::GetWindowRect(window, &r);
    return r;
}
} // namespace

// ---- one combat ----

CombatResultsDlg::CombatResultsDlg(const SingleCombatResult* r)
    : Window(Point(0, 0), Dim(0, 0), "", "CombatResultsDlg"), Dialog("Dialog Bitmaps", "Combat Results", "Background"),
      result(r) {}

void CombatResultsDlg::HookUp() {
    RegisterNamedHandler("OCRDlgClosing", OnOCRDlgClosing);
    Dialog::HookUp();
}

ContainerBase* CombatResultsDlg::OnOCRDlgClosing(Component* c, BusMessage, ContainerBase*) {
    if (auto* self = dynamic_cast<CombatResultsDlg*>(c); self && self->IsRunning()) self->Close(1);
    return nullptr;
}

void CombatResultsDlg::OnInit() {
    // The lower left corner meets the map area's (the frame's MDI client), else the main window's.
    HWND area = nullptr;
    if (Application* app = GetApplication())
        if (auto* frame = dynamic_cast<WindowsMainWindow*>(app->GetMainDisplay())) area = frame->GetClient();
    if (!area || !IsWindow(area)) area = MainWindowHandle;
    if (!area || !IsWindow(area)) return;
    const RECT mine = WindowBox(GetHandle()), target = WindowBox(area);
    const int h = mine.bottom - mine.top;
    MoveWindow(GetHandle(), target.left, target.bottom - h, mine.right - mine.left, h, FALSE);
}

void CombatResultsDlg::CutLabel(std::string& label, std::string& second,
                                const std::function<int(const std::string&)>& width) {
    second.clear();
    while (width(label) > kLabelWidth) {
        const std::size_t blank = label.rfind(' ');
        if (blank == std::string::npos || blank == 0) break;
        second = label.substr(blank) + second;
        label.erase(blank);
    }
    while (label.size() > 1 && width(label) > kLabelWidth) label.pop_back();
}

std::vector<CombatResultsDlg::Row> CombatResultsDlg::LayoutSide(const SingleCombatResult& r, int side,
                                                                std::int16_t lineHeight,
                                                                const std::function<int(const std::string&)>& width) {
    std::vector<Row> rows;
    const List<std::string>& names = side == 0 ? r.firstNames : r.secondNames;
    std::int16_t y = 100;
    std::size_t k = 0;
    for (const Item<std::string>* i = names.Head(); i; i = i->next, ++k) {
        Row row;
        row.label = i->value;
        if (ValueAt(r, kFirstMark + side, k)) row.label = "* " + row.label;
        if (ValueAt(r, kSecondMark + side, k)) row.label = "** " + row.label;
        CutLabel(row.label, row.secondLine, width);
        row.y = y;
        row.currentHits = ValueAt(r, kCurrentHits + side, k);
        row.totalHits = ValueAt(r, kTotalHits + side, k);
        const std::int16_t rout = ValueAt(r, kToRout + side, k);
        row.toRout = rout < 0 ? static_cast<std::int16_t>(0) : rout;
        y = static_cast<std::int16_t>(y + (row.secondLine.empty() ? lineHeight : 2 * lineHeight));
        rows.push_back(row);
    }
    return rows;
}

void CombatResultsDlg::Refresh() {
    Dialog::Refresh();
    if (!result) return;
    ingame::PlainText text;
    const std::int16_t h = text.LineHeight();
    auto width = [&text](const std::string& s) { return static_cast<int>(text.Width(s)); };
    struct Columns {
        std::int16_t label, second, current, total, rout;
    };
    const Columns columns[2] = {{33, 43, 170, 210, 243}, {305, 315, 430, 470, 505}};
    for (int side = 0; side < 2; ++side) {
        const Columns& c = columns[side];
        for (const Row& row : LayoutSide(*result, side, h, width)) {
            text.Draw(*this, Point(c.label, row.y), row.label);
            if (!row.secondLine.empty())
                text.Draw(*this, Point(c.second, static_cast<std::int16_t>(row.y + h)), row.secondLine);
            text.Draw(*this, Point(c.current, row.y), Number(row.currentHits));
            text.Draw(*this, Point(c.total, row.y), Number(row.totalHits));
            text.Draw(*this, Point(c.rout, row.y), Number(row.toRout));
        }
    }
}

// ---- the phase's list ----

OverallCombatResultsDlg::OverallCombatResultsDlg(List<SingleCombatResult>* r)
    : Window(Point(0, 0), Dim(0, 0), "", "OverallCombatResultsDlg"),
      Dialog("Dialog Bitmaps", "Overall Combat Results", "Background"), results(r) {}

void OverallCombatResultsDlg::HookUp() { RegisterNamedHandler("CloseGame", OnCloseGame); }

ContainerBase* OverallCombatResultsDlg::OnCloseGame(Component* c, BusMessage, ContainerBase*) {
    if (auto* self = dynamic_cast<OverallCombatResultsDlg*>(c); self && self->IsRunning()) self->Close(0);
    return nullptr;
}

const SingleCombatResult* OverallCombatResultsDlg::ResultAt(std::int32_t index) const {
    if (!results || index < 0) return nullptr;
    return At(*results, static_cast<std::size_t>(index));
}

void OverallCombatResultsDlg::AppendHexes(const SingleCombatResult& r) {
    for (int side = 0; side < 2; ++side)
        for (const Item<short>* i = r.numbers[CombatResultsDlg::kHexes + side].Head(); i; i = i->next)
            highlight.AddTail(i->value);
}

void OverallCombatResultsDlg::OnInit() {
    const RECT mine = WindowBox(GetHandle());
    const int w = mine.right - mine.left, h = mine.bottom - mine.top;
    const ingame::Placement at = ingame::PlaceWindow("OverallCombatResults", 0, ingame::ScreenSize().height - h);
    MoveWindow(GetHandle(), static_cast<int>(at.x), static_cast<int>(at.y), w, h, FALSE);
    tracking = true;

    const std::int32_t count = results ? results->Count() : 0;
    for (std::int32_t i = 1; i <= count; ++i)
        SendDlgItemMessageA(GetHandle(), 10, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(("Battle #" + Number(i)).c_str()));
    const SingleCombatResult* first = ResultAt(0);
    if (!first) return;
    AppendHexes(*first);
    Container<List<short>> hexes(highlight);
    Post(HIGHLIGHT_REGION, &hexes);
    if (const Item<short>* last = highlight.Tail()) {
        Container<short> centre(last->value);
        delete PostNamedAndWait("Center On Region", &centre);
    }
}

LRESULT OverallCombatResultsDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_WINDOWPOSCHANGED && tracking && GetHandle()) {
        const RECT r = WindowBox(GetHandle());
        ingame::StorePlacement("OverallCombatResults", r.left, r.top);
    }
    return Dialog::WindowProc(message, wParam, lParam);
}

void OverallCombatResultsDlg::Command(std::int16_t itemId, std::int16_t notification) {
    if (itemId == 10 && notification == LBN_SELCHANGE) {
        Container<List<short>> old(highlight);
        Post(DEHIGHLIGHT_REGION, &old);
        highlight.Clear();
        if (const SingleCombatResult* r = ResultAt(GetListSelection(10))) {
            AppendHexes(*r);
            Container<List<short>> hexes(highlight);
            Post(HIGHLIGHT_REGION, &hexes);
            if (const Item<short>* first = highlight.Head()) {
                Container<short> centre(first->value);
                delete PostNamedAndWait("Center On Region", &centre);
            }
        }
    } else if (itemId == 10 && notification == LBN_DBLCLK) {
        if (const SingleCombatResult* r = ResultAt(GetListSelection(10))) {
            const SingleCombatResult copy = *r;
            CombatResultsDlg details(&copy);
            if (GetBus()) details.AttachToBus(GetBus());
            details.Execute("ShowCombatResults", kModal);
        }
    }
    // Escape closes as Close does: with 0 the game would never hear that the player is done.
    if (itemId == 2) itemId = 1;
    Dialog::Command(itemId, notification);
}

void OverallCombatResultsDlg::Close(std::int16_t result) {
    // A second close (the game closed while the Close button's own close was waiting) is ignored.
    if (!IsRunning()) return;
    tracking = false;
    delete PostNamedEventAndWait("OCRDlgClosing");
    Container<List<short>> hexes(highlight);
    delete PostAndWait(DEHIGHLIGHT_REGION, &hexes);
    if (result != 0) PostNamedEvent("DoneViewingCombatResults");
    Dialog::Close(result);
}
