#include "game/app/dialogs/scenario_dlg.h"

#include "core/list.h"
#include "game/app/dialogs/scenario_tables.h"
#include "platform/msgbox.h"
#include "ui/bitmap.h"
#include "ui/dialog_controls.h"
#include "ui/qif.h"

namespace {

const Box kBoxes[ScenarioDlg::kBoxCount] = {
    Box(114, 47, 18, 127), Box(43, 47, 25, 120), Box(190, 50, 74, 123), Box(330, 50, 38, 115),
    Box(303, 47, 21, 130), Box(405, 47, 21, 129), Box(276, 41, 21, 138), Box(378, 38, 23, 144),
    Box(83, 47, 23, 125),  Box(140, 61, 39, 114), Box(0, 0, 0, 0),
};

const std::uint32_t kDescriptionIds[ScenarioDlg::kBoxCount - 1][3] = {
    {127, 100, 658}, {129, 101, 659}, {131, 103, 660}, {133, 113, 661}, {135, 114, 662},
    {137, 141, 663}, {139, 146, 664}, {83, 161, 666},  {84, 163, 667},  {656, 657, 665},
};

// WM_ACTIVATE by a mouse click.
constexpr WORD kClickActive = 2;

bool Contains(const Box& b, int x, int y) { return x >= b.x && x < b.x + b.width && y >= b.y && y < b.y + b.height; }

} // namespace

ScenarioDlg::ScenarioDlg()
    : Window(Point(0, 0), Dim(0, 0), "", "Scenario"), Dialog("Dialog Bitmaps", "Scenario Map", ""), variant(-1),
      font(DialogControl::kFontName) {
    for (int i = 0; i < kBoxCount - 1; ++i)
        for (std::uint32_t piece : kDescriptionIds[i]) descriptions[i] += frontend::ResourceString(piece);
}

Box ScenarioDlg::ScenarioBox(int index) { return index >= 0 && index < kBoxCount ? kBoxes[index] : Box(0, 0, 0, 0); }

void ScenarioDlg::OnInit() { Center(); }

void ScenarioDlg::Refresh() {
    Dialog::Refresh();
    if (selection < 0 || selection >= kBoxCount) return;
    FrameRect(kBoxes[selection], 255, 255, 255);
    QIF<Bitmap> maps("Overview Maps");
    const std::string title = frontend::ResourceString(frontend::ScenarioTitleId(selection));
    int pw = 0, ph = 0;
    if (Bitmap* picture = title.empty() ? nullptr : maps.GetBitmapByName("Half size", title.c_str())) {
        pw = picture->GetWidth();
        ph = picture->GetHeight();
        const Point hot = picture->GetHotspot();
        DrawAll(Point(static_cast<std::int16_t>(42 + hot.x), static_cast<std::int16_t>(212 + hot.y)), *picture, 1);
        maps.UnlockBitmap("Half size", title.c_str());
    }
    const int h = font.GetHeight();
    List<Box> areas;
    areas.AddTail(Box(static_cast<std::int16_t>(42 + pw + 4), static_cast<std::int16_t>(212 + h + 2),
                      static_cast<std::int16_t>(377 - pw - 8), static_cast<std::int16_t>(ph)));
    areas.AddTail(Box(46, static_cast<std::int16_t>(212 + ph + 2), 369, static_cast<std::int16_t>(325 - ph)));
    const std::string& text = descriptions[selection];
    if (!text.empty()) font.DrawWrappedInBoxes(*this, areas, text.c_str(), static_cast<std::int16_t>(text.size()));
}

void ScenarioDlg::Select(std::int32_t index) {
    selection = index;
    EnableItem(IDOK, 1);
    EnableItem(kDetails, 1);
    Refresh();
    Redraw();
    Invalidate(Box(0, 0, GetWidth(), GetHeight()));
    Update();
    ::InvalidateRect(handle_, nullptr, TRUE);
}

LRESULT ScenarioDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (running_ && variant.IsRunning()) {
        if (message == WM_ACTIVATE && LOWORD(wParam) == kClickActive) {
            SetActiveWindow(variant.GetHandle());
            return 0;
        }
    } else if (running_ && (message == WM_LBUTTONDOWN || message == WM_LBUTTONDBLCLK)) {
        const int x = static_cast<std::int16_t>(LOWORD(lParam)), y = static_cast<std::int16_t>(HIWORD(lParam));
        for (int i = 0; i < kBoxCount; ++i) {
            if (!Contains(kBoxes[i], x, y)) continue;
            Select(i);
            if (message == WM_LBUTTONDBLCLK) Command(IDOK, 0);
            break;
        }
    }
    return Dialog::WindowProc(message, wParam, lParam);
}

void ScenarioDlg::Command(std::int16_t itemId, std::int16_t notification) {
    if (variant.IsRunning()) return;
    switch (itemId) {
    case IDOK: {
        variant.SetScenario(selection);
        if (variant.Execute("VariantDlg", Dialog::kModal, 0, handle_) != 1) return;
        scenarioName = variant.GetScenarioName();
        Dialog::Command(IDOK, notification);
        return;
    }
    case kDetails:
        if (selection >= 0) SetFocus(handle_);
        return;
    case kMore:
        custom = 1;
        Close(0);
        return;
    default: Dialog::Command(itemId, notification); return;
    }
}
