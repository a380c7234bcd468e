#include "game/app/information_dlg.h"

InformationDlg::InformationDlg(HWND parent, const std::string& line1, const std::string& line2, std::uint16_t options)
    : Window(Point(0, 0), Dim(0, 0), "", "Information Dialog"), Dialog("", "", ""), owner_(parent),
      options_(options) {
    lines_.push_back(line1);
    if (!line2.empty()) lines_.push_back(line2);
}

void InformationDlg::OnInit() {
    Center();
    // The first text fills the first line; every further line joins the second.
    std::string second;
    for (std::size_t i = 1; i < lines_.size(); ++i) {
        if (!second.empty()) second += "\n";
        second += lines_[i];
    }
    SetItemText(kFirstLine, lines_.empty() ? "" : lines_.front().c_str());
    SetItemText(kSecondLine, second.c_str());
}

std::int16_t InformationDlg::Run(const char* templateName) {
    const std::int16_t result = Execute(templateName, kModal, 0, owner_);
    // A dialog that could not be made never confirms anything.
    return result == 1 ? 1 : 0;
}
