#include "comms/ui/information_dlg.h"

#include "platform/dialog.h"
#include "platform/msgbox.h"
#include "ui/dialog_controls.h"

namespace {
constexpr std::int16_t kFirstLine = 101;
constexpr std::int16_t kShownLines = 3;
constexpr std::int16_t kCheckBox = 201;
constexpr std::int16_t kEdit = 101;
constexpr std::int16_t kLabel = -1;
} // namespace

InformationDlg::InformationDlg(const char* text, std::int16_t option)
    : Window(Point(0, 0), Dim(0, 0), "", "InformationDlg"), Dialog("Dialog Bitmaps", "Intro", "Background"),
      option_(option) {
    AddLine(text ? text : "");
}

InformationDlg::InformationDlg(const char* caption, const char* text, std::int16_t option)
    : Window(Point(0, 0), Dim(0, 0), "", "InformationDlg"), Dialog("Dialog Bitmaps", "Intro", "Background"),
      option_(option), caption_(caption ? caption : "") {
    std::int16_t n = 0;
    DynArray<std::string> cut = CutText(text ? text : "", n);
    for (std::int16_t i = 0; i < n; ++i) AddLine(cut[i].c_str());
}

DynArray<std::string> InformationDlg::CutText(const std::string& text, std::int16_t& count) {
    DynArray<std::string> out(10);
    count = 0;
    std::string rest = text;
    while (rest.size() > kLineWidth) {
        const std::size_t blank = rest.find_last_of(' ', kLineWidth - 1);
        // A blank at the very front would cut off nothing, and again at the next turn: the
        // remainder is taken whole instead of storing empty lines without end.
        if (blank == std::string::npos || blank == 0) {
            out[count++] = rest;
            rest.clear();
            break;
        }
        out[count++] = rest.substr(0, blank);
        rest.erase(0, blank);
    }
    out[count++] = rest;
    return out;
}

void InformationDlg::AddLine(const char* text) {
    const std::int16_t before = lineCount_;
    lines_[lineCount_] = text ? text : "";
    ++lineCount_;
    if (running_ && GetHandle() && before < kShownLines)
        SetItemText(static_cast<std::int16_t>(kFirstLine + before), lines_[before].c_str());
}

std::string InformationDlg::GetLine(std::int16_t index) const {
    if (index < 0 || index >= lineCount_) return std::string();
    return lines_[index];
}

void InformationDlg::OnInit() {
    Center();
    if (option_ == 0) ShowWindow(GetDlgItem(GetHandle(), IDCANCEL), SW_HIDE);
    if (!caption_.empty()) SetTitle(caption_.c_str());
    InitHook();
    for (std::int16_t i = 0; i < lineCount_ && i < kShownLines; ++i)
        SetItemText(static_cast<std::int16_t>(kFirstLine + i), lines_[i].c_str());
}

void InformationDlg::OnOK() {
    if (auto* box = dynamic_cast<DialogButton*>(GetItemControl(kCheckBox)))
        checkState_ = static_cast<std::int16_t>(box->GetState());
}

GetStringDialog::GetStringDialog(const char* caption, const char* label, const char* defaultText)
    : Window(Point(0, 0), Dim(0, 0), "", "GetStringDialog"), Dialog("Dialog Bitmaps", "Intro", "Background"),
      label_(label ? label : ""), caption_(caption ? caption : ""), default_(defaultText ? defaultText : "") {}

void GetStringDialog::OnInit() {
    Center();
    EnableItem(IDOK, 0);
    SetTitle(caption_.c_str());
    SetItemText(kLabel, label_.c_str());
    SetItemText(kEdit, default_.c_str());
}

void GetStringDialog::Command(std::int16_t itemId, std::int16_t notification) {
    if (itemId == kEdit && static_cast<WORD>(notification) == EN_CHANGE) {
        EnableItem(IDOK, GetItemText(kEdit).empty() ? 0 : 1);
    } else if (itemId == IDOK) {
        // The default button answers Enter even while it is disabled: an empty field is refused.
        const std::string text = GetItemText(kEdit);
        if (text.empty()) return;
        result_ = text;
        Close(1);
    } else if (itemId == IDCANCEL) {
        result_ = default_;
        Close(0);
    }
}
