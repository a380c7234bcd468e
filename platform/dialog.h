#pragma once
// Dialogs from templates and the standard controls they hold. A template is a resource of ours
// (resources/dialogs.txt, compiled into the program, or text a test adds) that the resource
// calls hand out in the in-memory template layout:
//   header: u32 style, u32 extended style, u16 item count, i16 x, y, width, height (dialog
//           units), then the menu, class and caption as 16-bit strings ended by 0 (or 0xFFFF and
//           an ordinal), then with DS_SETFONT a u16 point size and the face name
//   items:  each on a 4-byte boundary: u32 style, u32 extended style, i16 x, y, width, height,
//           u16 id, the class (0xFFFF and an atom, or a string), the title (the same), a u16
//           count of creation bytes and the bytes
// All fields little-endian. One horizontal dialog unit is a quarter of the system font's
// average character width (7 pixels), one vertical unit an eighth of its height (13 pixels).
//
// The standard classes: "Button" (push, default push, check box, radio, group box,
// owner-drawn), "Static", "Edit", "ListBox" and "ComboBox", with the messages the program sends
// them. Owner-drawn buttons ask their parent for a picture with WM_DRAWITEM, statics ask with
// WM_CTLCOLORSTATIC.
//
// Headless, a dialog answers from a script: each dialog made from a template, once initialised
// and shown, runs the oldest queued script, which clicks items or presses keys. A modal dialog
// whose queue stays empty (only timers come) for kDialogIdleTurns turns on a backend without
// live input is given up as if Escape were pressed, with a line on stderr, so that a test never
// waits for ever.
#include "platform/gdi.h"
#include "platform/text.h"
#include "platform/window.h"

#include <functional>
#include <string>

using INT_PTR = std::intptr_t;
using DLGPROC = INT_PTR (*)(HWND, UINT, WPARAM, LPARAM);
using WNDENUMPROC = BOOL (*)(HWND, LPARAM);

// --- resources ---
struct ResourceRecord;
using HRSRC = ResourceRecord*;
inline const char* const RT_DIALOG = MAKEINTRESOURCE(5);
// Names compare without regard to case; null when the program has no such resource.
HRSRC FindResourceA(HINSTANCE instance, const char* name, const char* type);
HGLOBAL LoadResource(HINSTANCE instance, HRSRC resource);
void* LockResource(HGLOBAL data);
DWORD SizeofResource(HINSTANCE instance, HRSRC resource);
BOOL FreeResource(HGLOBAL data);

// --- messages, styles, notifications ---
constexpr UINT WM_ENABLE = 0x000A;
constexpr UINT WM_SETFONT = 0x0030;
constexpr UINT WM_DRAWITEM = 0x002B;
constexpr UINT WM_INITDIALOG = 0x0110;
constexpr UINT WM_CTLCOLORSTATIC = 0x0138;
constexpr UINT DM_GETDEFID = WM_USER + 0;

constexpr DWORD WS_GROUP = 0x00020000;
constexpr DWORD WS_TABSTOP = 0x00010000;
constexpr DWORD WS_EX_NOPARENTNOTIFY = 0x00000004;
constexpr int GWL_EXSTYLE = -20;

constexpr DWORD DS_SETFONT = 0x40;
constexpr DWORD DS_MODALFRAME = 0x80;
// Centred on the owner's window (on the screen without one), whatever the template's x and y.
constexpr DWORD DS_CENTER = 0x0800;

constexpr DWORD BS_PUSHBUTTON = 0x0;
constexpr DWORD BS_DEFPUSHBUTTON = 0x1;
constexpr DWORD BS_CHECKBOX = 0x2;
constexpr DWORD BS_AUTOCHECKBOX = 0x3;
constexpr DWORD BS_RADIOBUTTON = 0x4;
constexpr DWORD BS_GROUPBOX = 0x7;
constexpr DWORD BS_AUTORADIOBUTTON = 0x9;
constexpr DWORD BS_OWNERDRAW = 0xB;
constexpr DWORD BS_TYPEMASK = 0xF;
constexpr DWORD LBS_NOTIFY = 0x0001;
constexpr DWORD LBS_SORT = 0x0002;
// Every row keeps a selection of its own; a click toggles the row.
constexpr DWORD LBS_MULTIPLESEL = 0x0008;
constexpr DWORD ES_MULTILINE = 0x0004;
constexpr DWORD ES_READONLY = 0x0800;

constexpr WORD BN_CLICKED = 0;
constexpr WORD LBN_SELCHANGE = 1;
constexpr WORD LBN_DBLCLK = 2;
constexpr WORD EN_CHANGE = 0x0300;

constexpr UINT BM_GETCHECK = 0x00F0;
constexpr UINT BM_SETCHECK = 0x00F1;
constexpr UINT BM_GETSTATE = 0x00F2;
constexpr WPARAM BST_UNCHECKED = 0;
constexpr WPARAM BST_CHECKED = 1;
constexpr LRESULT BST_PUSHED = 4;

constexpr UINT LB_ADDSTRING = 0x0180;
constexpr UINT LB_DELETESTRING = 0x0182;
constexpr UINT LB_RESETCONTENT = 0x0184;
constexpr UINT LB_SETSEL = 0x0185;  // wParam TRUE/FALSE, lParam the row or -1 for all
constexpr UINT LB_SETCURSEL = 0x0186;
constexpr UINT LB_GETSEL = 0x0187;
constexpr UINT LB_GETCURSEL = 0x0188;
constexpr UINT LB_GETTEXT = 0x0189;
constexpr UINT LB_GETTEXTLEN = 0x018A;
constexpr UINT LB_GETCOUNT = 0x018B;
constexpr UINT LB_GETSELCOUNT = 0x0190;
constexpr UINT LB_GETITEMDATA = 0x0199;
constexpr UINT LB_SETITEMDATA = 0x019A;
constexpr UINT LB_FINDSTRINGEXACT = 0x01A2;
constexpr LRESULT LB_ERR = -1;

constexpr UINT CB_ADDSTRING = 0x0143;
constexpr UINT CB_DELETESTRING = 0x0144;
constexpr UINT CB_GETCOUNT = 0x0146;
constexpr UINT CB_GETCURSEL = 0x0147;
constexpr UINT CB_GETLBTEXT = 0x0148;
constexpr UINT CB_GETLBTEXTLEN = 0x0149;
constexpr UINT CB_RESETCONTENT = 0x014B;
constexpr UINT CB_SETCURSEL = 0x014E;
constexpr UINT CB_SHOWDROPDOWN = 0x014F;     // wParam TRUE drops the list, FALSE closes it
constexpr UINT CB_GETDROPPEDSTATE = 0x0157;  // TRUE while the list is dropped
constexpr LRESULT CB_ERR = -1;
constexpr WORD CBN_SELCHANGE = 1;
constexpr WORD CBN_DROPDOWN = 7;
constexpr WORD CBN_CLOSEUP = 8;
constexpr WORD CBN_SELENDOK = 9;
// Combo boxes (drop-down lists): a click on the box, F4 or Alt+Down drops the list (CBN_DROPDOWN
// first); in it the arrows, PageUp/PageDown and Home/End move the highlight, the mouse highlights
// the row under it; a release on a row, Return, F4 or Alt+Up/Down take the highlighted row:
// CBN_SELENDOK, CBN_CLOSEUP, then CBN_SELCHANGE when the selection changed. Escape, a press on the
// box or anywhere outside the list, the focus leaving or the box hiding close it unchanged
// (CBN_CLOSEUP). Closed, Up and Down step the selection (CBN_SELCHANGE).

// Edits: a caret and a selection (both at the end of the text until the edit is used);
// EM_REPLACESEL replaces the selection, so on an untouched edit it appends.
constexpr UINT EM_REPLACESEL = 0x00C2;
constexpr UINT EM_LIMITTEXT = 0x00C5;
constexpr UINT EM_SETREADONLY = 0x00CF;

// Owner drawing.
constexpr UINT ODT_BUTTON = 4;
constexpr UINT ODA_DRAWENTIRE = 1;
constexpr UINT ODS_SELECTED = 0x0001;
constexpr UINT ODS_DISABLED = 0x0004;
constexpr UINT ODS_FOCUS = 0x0010;
struct DRAWITEMSTRUCT {
    UINT CtlType;
    UINT CtlID;
    UINT itemID;
    UINT itemAction;
    UINT itemState;
    HWND hwndItem;
    HDC hDC;
    RECT rcItem;
    std::uintptr_t itemData;
};

// The dialog's own window bytes: a dialog class keeps DLGWINDOWEXTRA bytes for the system.
constexpr int DLGWINDOWEXTRA = 30;
constexpr int DWLP_MSGRESULT = 0;
constexpr int DWLP_DLGPROC = 8;
constexpr int DWLP_USER = 16;


constexpr int SM_CXSCREEN = 0;
constexpr int SM_CYSCREEN = 1;
constexpr int SM_CXDLGFRAME = 7;
constexpr int SM_CYDLGFRAME = 8;
int GetSystemMetrics(int index);

constexpr int HORZRES = 8;
constexpr int VERTRES = 10;
int GetDeviceCaps(HDC dc, int index);


// --- dialogs ---
// Runs the dialog modally (the owner is disabled meanwhile) and returns EndDialog's result; -1
// when the template or one of its items cannot be made.
INT_PTR DialogBoxIndirectParamA(HINSTANCE instance, const void* dialogTemplate, HWND owner, DLGPROC proc, LPARAM param);
// Makes the dialog and returns at once; null on failure.
HWND CreateDialogIndirectParamA(HINSTANCE instance, const void* dialogTemplate, HWND owner, DLGPROC proc, LPARAM param);
// Ends a modal dialog's loop with the result (the window is hidden; the loop destroys it).
BOOL EndDialog(HWND dialog, INT_PTR result);
// The default procedure of dialog windows: the dialog procedure first, then the system's own.
LRESULT DefDlgProcA(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

HWND GetDlgItem(HWND dialog, int id);
int GetDlgCtrlID(HWND control);
BOOL SetDlgItemTextA(HWND dialog, int id, const char* text);
UINT GetDlgItemTextA(HWND dialog, int id, char* buffer, int size);
LRESULT SendDlgItemMessageA(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam);
BOOL CheckDlgButton(HWND dialog, int id, UINT check);
UINT IsDlgButtonChecked(HWND dialog, int id);

// Every descendant of the window, children in order before their own children.
BOOL EnumChildWindows(HWND parent, WNDENUMPROC proc, LPARAM param);
int GetClassNameA(HWND hwnd, char* buffer, int size);
int GetWindowTextLengthA(HWND hwnd);
// Answers whether the window was disabled before.
BOOL EnableWindow(HWND hwnd, BOOL enable);
BOOL IsWindowEnabled(HWND hwnd);
BOOL GetUpdateRect(HWND hwnd, RECT* rect, BOOL erase);

namespace platform {

// Adds templates written in our resource text (see resources/dialogs.txt); false, with the
// reason in *error, when the text is refused (nothing of it is added then). A later template
// of the same name replaces an earlier one.
bool AddDialogResources(const std::string& text, std::string* error = nullptr);
// The template a text compiles to (the bytes the resource calls hand out); empty on refusal.
std::string CompileDialogTemplate(const std::string& text, std::string* error = nullptr);
// Forgets the templates tests added; the compiled-in ones stay.
void ResetDialogResources();

using DialogScript = std::function<void(HWND dialog)>;
void QueueDialogScript(DialogScript script);
void ClearDialogScripts();
std::size_t PendingDialogScripts();
// A left click (press and release, posted) in the middle of a dialog item; false without it.
bool ClickDlgItem(HWND dialog, int id);
// A key pressed and released (posted to the focus window).
void PressKey(int virtualKey);
// The screen point at the middle of the row showing `text` in a list box, or in the dropped list
// of a combo box; false when no such row is in view.
bool ListItemScreenPoint(HWND control, const std::string& text, POINT& point);

constexpr int kDialogIdleTurns = 2000;
// The application-modal pump's question: true when the dialog has waited kDialogIdleTurns
// turns with nothing posted on a backend without live input, and should give up.
bool DialogWaitsInVain(HWND dialog);
// Dialogs given up for want of input since the last reset.
unsigned AbandonedDialogCount();
void ResetAbandonedDialogs();

} // namespace platform
