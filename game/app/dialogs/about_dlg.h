#pragma once
// About: the modal "About" box (template "AboutDlg"): the title, "Version: " and the version
// from the string table, and the credits streamed from "\credits.rtf" of the data directory
// into a scrolling rich-edit control that is left writable. A missing, unreadable or damaged
// credits file shows kNoCredits in its place; the box opens all the same.
#include "ui/windows/dialog.h"

#include <cstdint>

class About : public Dialog {
public:
    static constexpr const char* kNoCredits = "Credits are not available.";
    static constexpr int kCreditsId = 201;

    About();
    void OnInit() override;
    HWND GetCredits() const { return credits; }

private:
    HWND credits = nullptr;
};
