#include "game/app/dialogs/variant_dlg.h"

#include "game/app/dialogs/scenario_files.h"
#include "game/app/dialogs/scenario_tables.h"
#include "platform/msgbox.h"
#include "platform/path.h"

VariantDlg::VariantDlg(std::int32_t index)
    : Window(Point(0, 0), Dim(0, 0), "", "VariantDlg"), Dialog("Dialog Bitmaps", "Intro", ""), scenarioIndex(index) {}

void VariantDlg::Store(std::size_t at, const std::string& name, std::uint32_t detailsNumber, const std::string& text) {
    if (names.size() <= at) names.resize(at + 1);
    if (details.size() <= at) details.resize(at + 1);
    names[at] = name;
    details[at] = detailsNumber;
    SendDlgItemMessageA(handle_, kList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void VariantDlg::OnInit() {
    Center();
    names.clear();
    details.clear();
    std::size_t count = 0;
    if (scenarioIndex != frontend::kCustomScenario) {
        std::string text = frontend::ResourceString(47);
        if (scenarioIndex == 3) text += " - Emberline";
        Store(0, frontend::ScenarioFileName(scenarioIndex), frontend::ScenarioDetailsNumber(scenarioIndex), text);
        count = 1;
    }
    const std::string directory = frontend::Directory(9);
    std::size_t matched = 0;
    bool failed = false;
    for (const std::string& file : frontend::FindFiles(directory, ".var")) {
        std::vector<std::uint8_t> bytes;
        frontend::VariantRecord record;
        const bool opened = platform::ReadWholeFile(directory + "\\" + file, bytes);
        const frontend::ReadResult r =
            opened ? frontend::ReadVariantRecord(bytes, scenarioIndex, record) : frontend::ReadResult::kDamaged;
        if (r == frontend::ReadResult::kOtherScenario) continue;
        if (r == frontend::ReadResult::kDamaged) {
            SendDlgItemMessageA(handle_, kList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("Error"));
            failed = true;
            break;
        }
        Store(count++, record.scenarioFile, record.detailsNumber, record.title);
        ++matched;
    }
    if (!failed && matched == 0) {
        if (scenarioIndex == frontend::kCustomScenario) {
            Close(0);
        } else {
            chosenName = frontend::ScenarioFileName(scenarioIndex);
            Close(1);
        }
        return;
    }
    SendDlgItemMessageA(handle_, kList, LB_SETCURSEL, 0, 0);
}

bool VariantDlg::SelectionHasScenario() {
    // The "Error" entry sits past the last stored name.
    const std::int32_t selection = GetListSelection(kList);
    return selection >= 0 && static_cast<std::size_t>(selection) < names.size();
}

void VariantDlg::OnOK() { chosenName = names[static_cast<std::size_t>(GetListSelection(kList))]; }

void VariantDlg::Command(std::int16_t itemId, std::int16_t notification) {
    switch (itemId) {
    case kList:
        if (notification == LBN_SELCHANGE) {
            const std::int32_t selection = GetListSelection(kList);
            if (selection >= 0 && static_cast<std::size_t>(selection) < details.size())
                EnableItem(kDetails, details[static_cast<std::size_t>(selection)] != 0 ? 1 : 0);
        } else if (notification == LBN_DBLCLK) {
            Command(IDOK, 0);
        }
        return;
    case kDetails: SetFocus(handle_); return;
    case IDOK:
        // Loading the name of an earlier run, or none, would start the wrong battle.
        if (!SelectionHasScenario()) return;
        break;
    default: break;
    }
    Dialog::Command(itemId, notification);
}
