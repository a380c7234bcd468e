#include "comms/ui/win_comm_directory.h"

#include "comms/ui/comm_link.h"
#include "core/container.h"
#include "core/events.h"
#include "platform/msgbox.h"
#include "ui/windows/win_app.h"

#include <cstdio>
#include <string>

namespace {

// The directory each dialog works on while it is up, and the window that holds the binding.
struct Binding {
    WinCommDirectory* directory = nullptr;
    HWND dialog = nullptr;
    void Bind(WinCommDirectory* d, HWND h) { directory = d; dialog = h; }
    void Unbind() { directory = nullptr; dialog = nullptr; }
};
Binding g_dial;
Binding g_entry;
DirectoryEntry g_entryBuffer;

// Runs a template of the program modally over the main window.
std::int16_t RunDialog(const char* name, DLGPROC proc, WinCommDirectory* directory) {
    HRSRC resource = FindResourceA(InstanceHandle, name, RT_DIALOG);
    const void* bytes = resource ? LockResource(LoadResource(InstanceHandle, resource)) : nullptr;
    if (!bytes) {
        MessageBox(MainWindowHandle, (std::string("The dialog \"") + name + "\" is missing from the program.").c_str(),
                   "Dialing Directory", MB_OK | MB_ICONSTOP);
        return -1;
    }
    return static_cast<std::int16_t>(
        DialogBoxIndirectParamA(InstanceHandle, bytes, MainWindowHandle, proc, reinterpret_cast<LPARAM>(directory)));
}

std::string ItemText(HWND dialog, int id, int most) {
    std::string buffer(static_cast<std::size_t>(most) + 1, '\0');
    GetDlgItemTextA(dialog, id, buffer.data(), most + 1);
    return buffer.c_str();
}

void EnableItem(HWND dialog, int id, bool on) { EnableWindow(GetDlgItem(dialog, id), on ? TRUE : FALSE); }

int Selection(HWND dialog) {
    const LRESULT r = SendDlgItemMessageA(dialog, WinCommDirectory::kList, LB_GETCURSEL, 0, 0);
    return r == LB_ERR ? -1 : static_cast<int>(r);
}

void EnableForSelection(HWND dialog, WinCommDirectory& d, bool selected) {
    EnableItem(dialog, WinCommDirectory::kEdit, selected);
    EnableItem(dialog, WinCommDirectory::kDelete, selected);
    EnableItem(dialog, WinCommDirectory::kDial, selected && !d.Connected());
}

void RefreshList(HWND dialog, WinCommDirectory& d) {
    SendDlgItemMessageA(dialog, WinCommDirectory::kList, LB_RESETCONTENT, 0, 0);
    for (std::int32_t i = 0; i < d.Capacity(); ++i) {
        const DirectoryEntry e = d.GetEntry(i);
        if (!e.number[0]) break;
        char line[DirectoryEntry::kTextWidth + DirectoryEntry::kNameWidth + 2];
        std::snprintf(line, sizeof line, "%s %s", e.number, e.entryName);
        SendDlgItemMessageA(dialog, WinCommDirectory::kList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line));
    }
    SendDlgItemMessageA(dialog, WinCommDirectory::kList, LB_SETCURSEL, static_cast<WPARAM>(d.Current()), 0);
    EnableForSelection(dialog, d, Selection(dialog) >= 0 && d.Capacity() >= 1);
    SetFocus(GetDlgItem(dialog, WinCommDirectory::kList));
}

} // namespace

WinCommDirectory::WinCommDirectory(const char* fileName, std::int32_t capacity, std::int32_t initialCurrent,
                                   const char* name)
    : CommDirectory(fileName, capacity, initialCurrent, name ? name : "WinCommDirectory") {}

WinCommDirectory::~WinCommDirectory() {
    // A procedure still bound to this directory must not reach it after it is gone.
    if (g_dial.directory == this) g_dial.Unbind();
    if (g_entry.directory == this) g_entry.Unbind();
}

std::int16_t WinCommDirectory::Dial() { return RunDialog("DialDlg", &WinCommDirectory::DialDlgProc, this); }

std::int16_t WinCommDirectory::AddNumber() {
    // Refused while an entry dialog is open: the current entry stays as it was.
    if (entryDialogOpen_) return 0;
    const std::int32_t remembered = Current();
    SetCurrent(std::min(Count(), Capacity()));
    entryDialogOpen_ = 1;
    std::int16_t result = RunDialog("AddNumberDlg", &WinCommDirectory::AddNumberDlgProc, this);
    entryDialogOpen_ = 0;
    // A dialog that could not be made added nothing.
    if (result == -1) result = 0;
    if ((result & 0xFFFF) == 0) SetCurrent(remembered);
    return result;
}

std::int16_t WinCommDirectory::EditNumber() {
    if (entryDialogOpen_) return 0;
    entryDialogOpen_ = 1;
    std::int16_t result = RunDialog("AddNumberDlg", &WinCommDirectory::AddNumberDlgProc, this);
    entryDialogOpen_ = 0;
    return result == -1 ? 0 : result;
}

INT_PTR WinCommDirectory::AddNumberDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetFocus(dialog);
        if (g_entry.directory) {
            EndDialog(dialog, 0);
            return FALSE;
        }
        g_entry.Bind(reinterpret_cast<WinCommDirectory*>(lParam), dialog);
        if (!g_entry.directory) {
            g_entry.Unbind();
            EndDialog(dialog, 0);
            return FALSE;
        }
        g_entryBuffer = g_entry.directory->GetEntry(g_entry.directory->Current());
        const DirectoryEntry shown = UndisguisedEntry(g_entryBuffer);
        SetDlgItemTextA(dialog, kNameItem, shown.entryName);
        SetDlgItemTextA(dialog, kNumberItem, shown.number);
        SetDlgItemTextA(dialog, kThirdItem, shown.thirdText);
        SetDlgItemTextA(dialog, kFourthItem, shown.fourthText);
        SendDlgItemMessageA(dialog, kNameItem, EM_LIMITTEXT, DirectoryEntry::kNameWidth - 1, 0);
        SendDlgItemMessageA(dialog, kNumberItem, EM_LIMITTEXT, 30, 0);
        CheckDlgButton(dialog, kOptionFirst + static_cast<int>(g_entryBuffer.option), BST_CHECKED);
        return FALSE;
    }
    if (message == WM_DESTROY && g_entry.dialog == dialog) {
        g_entry.Unbind();
        return FALSE;
    }
    if (message != WM_COMMAND || g_entry.dialog != dialog) return FALSE;
    WinCommDirectory* d = g_entry.directory;
    switch (LOWORD(wParam)) {
    case kOptionFirst:
    case kOptionSecond: g_entryBuffer.option = LOWORD(wParam) - kOptionFirst; break;
    case IDOK: {
        DirectoryEntry& e = g_entryBuffer;
        SetEntryText(e.entryName, DirectoryEntry::kNameWidth, ItemText(dialog, kNameItem, 49));
        std::string number = ItemText(dialog, kNumberItem, 29);
        std::string third = ItemText(dialog, kThirdItem, 29);
        std::string fourth = ItemText(dialog, kFourthItem, 29);
        SetEntryText(e.number, DirectoryEntry::kTextWidth, number.empty() ? "000-0000" : number);
        SetEntryText(e.thirdText, DirectoryEntry::kTextWidth, third.empty() ? "???" : third);
        // A character that the disguise turns into 0 ends the text; nothing after it is kept.
        char disguised[DirectoryEntry::kTextWidth] = {};
        SetEntryText(disguised, sizeof disguised, fourth.empty() ? "???" : fourth);
        ScrambleText(disguised);
        SetEntryText(e.fourthText, DirectoryEntry::kTextWidth, disguised);
        if (e.entryName[0]) {
            if (d->Current() == -1)
                d->Add(e);
            else
                d->Replace(e, d->Current());
        }
        g_entry.Unbind();
        EndDialog(dialog, 1);
        break;
    }
    case IDCANCEL:
        g_entry.Unbind();
        EndDialog(dialog, 0);
        break;
    default: break;
    }
    return FALSE;
}

INT_PTR WinCommDirectory::DialDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        if (g_dial.directory) {
            EndDialog(dialog, 0);
            return FALSE;
        }
        g_dial.Bind(reinterpret_cast<WinCommDirectory*>(lParam), dialog);
        if (!g_dial.directory) {
            g_dial.Unbind();
            EndDialog(dialog, 0);
            return FALSE;
        }
        if (g_dial.directory->Connected()) EnableItem(dialog, kDial, false);
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(kRefresh, 0), 0);
        return FALSE;
    }
    if (message == WM_DESTROY && g_dial.dialog == dialog) {
        g_dial.Unbind();
        return FALSE;
    }
    if (message != WM_COMMAND || g_dial.dialog != dialog) return FALSE;
    WinCommDirectory& d = *g_dial.directory;
    const int selection = Selection(dialog);
    switch (LOWORD(wParam)) {
    case kRefresh: RefreshList(dialog, d); break;
    case kList:
        if (HIWORD(wParam) == LBN_SELCHANGE)
            EnableForSelection(dialog, d, selection >= 0);
        else if (HIWORD(wParam) == LBN_DBLCLK)
            PostMessage(dialog, WM_COMMAND, MAKEWPARAM(kEdit, 0), 0);
        break;
    case kAdd:
        if (d.AddNumber()) RefreshList(dialog, d);
        break;
    case kEdit:
        // Without a selection the current entry would be asked for, which may open this very
        // dialog again; there is nothing to edit.
        if (selection < 0) break;
        if (d.GetEntry(selection).number[0]) {
            d.SetCurrent(selection);
            if (d.EditNumber()) RefreshList(dialog, d);
        }
        break;
    case kDelete: {
        if (selection < 0) break;
        const DirectoryEntry e = d.GetEntry(selection);
        if (!e.number[0]) break;
        char text[DirectoryEntry::kNameWidth + 16];
        std::snprintf(text, sizeof text, "Delete %s?", e.entryName);
        if (MessageBox(MainWindowHandle, text, "Dialing Directory", MB_OKCANCEL | MB_ICONQUESTION) == IDOK) {
            d.Delete(selection);
            RefreshList(dialog, d);
        }
        break;
    }
    case IDOK:
        d.SetCurrent(selection);
        // Enter reaches OK with nothing selected too: then there is nothing to dial.
        if (selection >= 0) {
            Container<DirectoryEntry> entry(d.GetEntry(d.Current()));
            d.Post(BusMessage(DIAL_REQUEST), &entry);
        }
        g_dial.Unbind();
        EndDialog(dialog, 1);
        break;
    case kDial:
        d.SetCurrent(selection);
        EndDialog(dialog, 1);
        if (d.Current() >= 0) d.PostEvent(BusMessage(CONNECT));
        g_dial.Unbind();
        break;
    case IDCANCEL:
        g_dial.Unbind();
        EndDialog(dialog, 0);
        break;
    default: break;
    }
    return FALSE;
}
