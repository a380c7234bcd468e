#pragma once
// InformationDlg: the program's own message dialog, run modally from the template "MessageBox"
// (two lines of text over the buttons "OK" and "Cancel"): 1 for OK, 0 for Cancel or when the
// dialog was closed another way.
#include "ui/windows/dialog.h"

#include <cstdint>
#include <string>
#include <vector>

class InformationDlg : public Dialog {
public:
    static constexpr std::int16_t kFirstLine = 101;
    static constexpr std::int16_t kSecondLine = 102;

    InformationDlg(HWND parent, const std::string& line1, const std::string& line2 = "", std::uint16_t options = 0);
    void AddLine(const std::string& line) { lines_.push_back(line); }
    void OnInit() override;
    // Runs the dialog under the template name; the button chosen.
    std::int16_t Run(const char* templateName = "MessageBox");
    const std::vector<std::string>& Lines() const { return lines_; }

private:
    HWND owner_ = nullptr;
    std::vector<std::string> lines_;
    std::uint16_t options_ = 0;
};
