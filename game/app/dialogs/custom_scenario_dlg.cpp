#include "game/app/dialogs/custom_scenario_dlg.h"

#include "game/app/dialogs/scenario_files.h"
#include "game/app/dialogs/scenario_tables.h"
#include "platform/msgbox.h"
#include "platform/path.h"
#include "ui/dialog_controls.h"

CustomScenarioDlg::CustomScenarioDlg()
    : Window(Point(0, 0), Dim(0, 0), "", "CustomSceneDlg"), Dialog("Dialog Bitmaps", "Custom Scenario", ""),
      font(DialogControl::kFontName) {}

void CustomScenarioDlg::OnInit() {
    Center();
    fileNames.clear();
    titles.clear();
    subtitles.clear();
    descriptions.clear();
    const std::string directory = frontend::Directory(9);
    for (const std::string& file : frontend::FindFiles(directory, ".scn")) {
        std::vector<std::uint8_t> bytes;
        if (!platform::ReadWholeFile(directory + "\\" + file, bytes)) continue;
        const std::optional<frontend::ScenarioHead> head = frontend::ReadScenarioHead(bytes);
        if (!head) continue;
        fileNames.push_back(file);
        titles.push_back(head->title);
        subtitles.push_back(head->subtitle);
        descriptions.push_back(head->description);
        SendDlgItemMessageA(handle_, kList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(head->title.c_str()));
    }
    EnableItem(IDOK, fileNames.empty() ? 0 : 1);
    if (fileNames.empty()) return;
    selection = 0;
    chosenName = fileNames[0];
    SendDlgItemMessageA(handle_, kList, LB_SETCURSEL, 0, 0);
    Refresh();
}

void CustomScenarioDlg::Refresh() {
    Dialog::Refresh();
    if (selection < 0 || static_cast<std::size_t>(selection) >= fileNames.size()) return;
    const std::size_t i = static_cast<std::size_t>(selection);
    const int h = font.GetHeight();
    const int top = 200 + h + 2, bottom = top + 129;
    int y = top;
    for (const std::string* text : {&titles[i], &subtitles[i], &descriptions[i]}) {
        if (y >= bottom) break;
        const Box area(45, static_cast<std::int16_t>(y), 374, static_cast<std::int16_t>(bottom - y));
        y = font.DrawWrapped(*this, area, text->c_str(), static_cast<std::int16_t>(text->size())) + 2;
    }
}

void CustomScenarioDlg::Command(std::int16_t itemId, std::int16_t notification) {
    if (itemId == kList) {
        if (notification == LBN_SELCHANGE) {
            const std::int32_t s = GetListSelection(kList);
            if (s < 0 || static_cast<std::size_t>(s) >= fileNames.size()) return;
            selection = static_cast<std::int16_t>(s);
            chosenName = fileNames[static_cast<std::size_t>(s)];
            Refresh();
            Redraw();
            Invalidate(Box(0, 0, GetWidth(), GetHeight()));
            Update();
            ::InvalidateRect(handle_, nullptr, TRUE);
        } else if (notification == LBN_DBLCLK) {
            Command(IDOK, 0);
        }
        return;
    }
    // OK stays disabled without a file; a Return then must not close with nothing chosen.
    if (itemId == IDOK && fileNames.empty()) return;
    Dialog::Command(itemId, notification);
}
