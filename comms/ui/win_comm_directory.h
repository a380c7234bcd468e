#pragma once
// WinCommDirectory: the connection directory with its two dialogs, "DialDlg" (the list of
// entries with Add, Edit, Delete, Dial, OK and Cancel) and "AddNumberDlg" (one entry's fields),
// run modally over the main window with plain dialog procedures.
//
// Each procedure binds one directory while its dialog is up and refuses a second dialog of its
// kind meanwhile; the binding ends with the dialog, however it ends.
#include "comms/ui/comm_directory.h"

#include "platform/dialog.h"

class WinCommDirectory : public CommDirectory {
public:
    // Items of "DialDlg".
    enum : int { kList = 203, kAdd = 207, kEdit = 208, kDelete = 202, kDial = 2001, kRefresh = 2000 };
    // Items of "AddNumberDlg".
    enum : int { kNameItem = 206, kNumberItem = 202, kOptionFirst = 203, kOptionSecond = 204, kThirdItem = 207, kFourthItem = 208 };

    WinCommDirectory(const char* fileName, std::int32_t capacity, std::int32_t initialCurrent,
                     const char* name = "WinCommDirectory");
    ~WinCommDirectory() override;

    std::int16_t Dial() override;
    std::int16_t AddNumber() override;
    std::int16_t EditNumber() override;

    bool EntryDialogOpen() const { return entryDialogOpen_ != 0; }

    static INT_PTR DialDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    static INT_PTR AddNumberDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

private:
    std::int16_t entryDialogOpen_ = 0;
};
