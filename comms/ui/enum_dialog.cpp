#include "comms/ui/enum_dialog.h"

#include "platform/dialog.h"
#include "platform/msgbox.h"

EnumDialog::EnumDialog(const List<enumeration>& entries, const char* title, std::uint16_t showCancel)
    : Window(Point(-1, -1),
             Dim(static_cast<std::int16_t>(334 + 2 * GetSystemMetrics(SM_CXDLGFRAME)),
                 static_cast<std::int16_t>(302 + 2 * GetSystemMetrics(SM_CYDLGFRAME))),
             "", "EnumDialog"),
      Dialog("Dialog Bitmaps", "Intro", ""), entries_(entries), title_(title ? title : ""), showCancel_(showCancel) {}

void EnumDialog::OnInit() {
    Center();
    if (showCancel_ == 0) ShowWindow(GetDlgItem(GetHandle(), IDCANCEL), SW_HIDE);
    SetTitle(title_.c_str());
    for (Item<enumeration>* i = entries_.Head(); i; i = i->next) {
        const LRESULT row = SendDlgItemMessageA(GetHandle(), kList, LB_ADDSTRING, 0,
                                                reinterpret_cast<LPARAM>(i->value.string.c_str()));
        SendDlgItemMessageA(GetHandle(), kList, LB_SETITEMDATA, static_cast<WPARAM>(row),
                            reinterpret_cast<LPARAM>(i->value.data));
    }
    SendDlgItemMessageA(GetHandle(), kList, LB_SETCURSEL, 0, 0);
    EnableItem(IDOK, entries_.IsEmpty() ? 0 : 1);
}

void EnumDialog::ChooseCurrent() {
    const LRESULT row = SendDlgItemMessageA(GetHandle(), kList, LB_GETCURSEL, 0, 0);
    // Enter reaches OK even while it is disabled: with no line there is nothing to choose.
    if (row == LB_ERR) return;
    selectedData_ = static_cast<std::intptr_t>(
        SendDlgItemMessageA(GetHandle(), kList, LB_GETITEMDATA, static_cast<WPARAM>(row), 0));
    Close(static_cast<std::int16_t>(selectedData_ & 0xFFFF));
}

void EnumDialog::Command(std::int16_t itemId, std::int16_t) {
    if (itemId == IDOK)
        ChooseCurrent();
    else if (itemId == IDCANCEL)
        Close(-1);
}

LRESULT EnumDialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (running_ && message == WM_COMMAND && LOWORD(wParam) == kList && HIWORD(wParam) == LBN_DBLCLK) {
        ChooseCurrent();
        return 0;
    }
    return Dialog::WindowProc(message, wParam, lParam);
}

void EnumDialog::AddItem(const char* text, void* data) {
    HWND dialog = GetHandle();
    if (!running_ || !dialog) return;
    const char* t = text ? text : "";
    const LRESULT found = SendDlgItemMessageA(dialog, kList, LB_FINDSTRINGEXACT, 0, reinterpret_cast<LPARAM>(t));
    if (found != LB_ERR &&
        SendDlgItemMessageA(dialog, kList, LB_GETITEMDATA, static_cast<WPARAM>(found), 0) == reinterpret_cast<LPARAM>(data))
        return;
    const LRESULT row = SendDlgItemMessageA(dialog, kList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(t));
    SendDlgItemMessageA(dialog, kList, LB_SETITEMDATA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(data));
    if (SendDlgItemMessageA(dialog, kList, LB_GETCURSEL, 0, 0) == LB_ERR)
        SendDlgItemMessageA(dialog, kList, LB_SETCURSEL, 0, 0);
    EnableItem(IDOK, 1);
}
