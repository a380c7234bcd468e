// Dialog windows made from templates, the dialog manager's calls and the standard controls.
//
// Invariants: a dialog made here has a record in the dialog table from its creation until its
// WM_NCDESTROY; a control's state record lives as long as its window; the children of a dialog
// are kept in template order (the first item first), which is the order of enumeration.
#include "platform/dialog.h"
#include "platform/idle.h"

#include "platform/common_dialog.h"
#include "platform/input.h"
#include "platform/msgbox.h"
#include "platform/message_queue.h"
#include "platform/screen.h"
#include "platform/window_record.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <deque>
#include <map>
#include <string>
#include <vector>

namespace {

// The system font: dialog units are a quarter of its average width and an eighth of its height.
constexpr int kFontWidth = 7;
constexpr int kFontHeight = 13;
constexpr int kListItemHeight = 13;

struct DialogState {
    DLGPROC proc = nullptr;
    bool modal = false;
    bool ended = false;
    INT_PTR result = 0;
    int idleTurns = 0;
};

struct ControlState {
    bool pressed = false;
    WPARAM check = BST_UNCHECKED;
    std::vector<std::string> items;
    std::vector<LPARAM> itemData;  // in step with items
    std::vector<char> rowSelected; // in step with items; the rows chosen in a multiple-selection list
    int selection = -1;
    std::size_t limit = 0;         // an edit's most characters; 0 = no limit
};

struct Manager {
    std::map<HWND, DialogState> dialogs;
    std::map<HWND, ControlState> controls;
    std::deque<platform::DialogScript> scripts;
    unsigned abandoned = 0;
    bool classesRegistered = false;
};

Manager& M() {
    static Manager m;
    return m;
}

DialogState* StateOf(HWND dialog) {
    auto it = M().dialogs.find(dialog);
    return it == M().dialogs.end() ? nullptr : &it->second;
}

ControlState& Control(HWND hwnd) { return M().controls[hwnd]; }

bool Disabled(HWND hwnd) { return (GetWindowLongPtrA(hwnd, GWL_STYLE) & WS_DISABLED) != 0; }

void Notify(HWND control, WORD code) {
    HWND parent = GetParent(control);
    if (parent)
        SendMessageA(parent, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(GetDlgCtrlID(control)), code),
                     reinterpret_cast<LPARAM>(control));
}

// --- the template walk, bounded by the template's own counts ---

struct Reader {
    const std::uint8_t* p;
    std::size_t at = 0;
    std::uint16_t U16() {
        const std::uint16_t v = static_cast<std::uint16_t>(p[at] | (p[at + 1] << 8));
        at += 2;
        return v;
    }
    std::uint32_t U32() {
        const std::uint32_t lo = U16();
        return lo | (static_cast<std::uint32_t>(U16()) << 16);
    }
    // A string or an ordinal; the ordinal comes back in *ordinal (0 for a string).
    std::string Text(std::uint16_t* ordinal = nullptr) {
        if (ordinal) *ordinal = 0;
        std::uint16_t c = U16();
        if (c == 0xFFFF) {
            const std::uint16_t v = U16();
            if (ordinal) *ordinal = v;
            return std::string();
        }
        std::string s;
        // Strings of a template are short; a runaway one is cut rather than read for ever.
        for (int n = 0; c != 0 && n < 4096; ++n, c = U16()) s += static_cast<char>(c & 0xFF);
        return s;
    }
    void Align() { at = (at + 3) & ~static_cast<std::size_t>(3); }
};

const char* AtomClass(std::uint16_t atom) {
    switch (atom) {
    case 0x80: return "Button";
    case 0x81: return "Edit";
    case 0x82: return "Static";
    case 0x83: return "ListBox";
    case 0x84: return "ScrollBar";
    case 0x85: return "ComboBox";
    default: return nullptr;
    }
}

int UnitsToX(int v) { return (v * kFontWidth * 2 + 4) / 8; }
int UnitsToY(int v) { return (v * kFontHeight * 2 + 8) / 16; }

// Children are made at the front of their parent's list; a dialog's items keep template order.
void MoveToBack(HWND child) {
    auto& list = child->parent->children;
    list.erase(std::remove(list.begin(), list.end(), child), list.end());
    list.push_back(child);
}

LRESULT CALLBACK_DefaultDialogClass(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefDlgProcA(hwnd, message, wParam, lParam);
}

LRESULT ButtonProc(HWND, UINT, WPARAM, LPARAM);
LRESULT StaticProc(HWND, UINT, WPARAM, LPARAM);
LRESULT EditProc(HWND, UINT, WPARAM, LPARAM);
LRESULT ListBoxProc(HWND, UINT, WPARAM, LPARAM);
LRESULT ComboBoxProc(HWND, UINT, WPARAM, LPARAM);

void RegisterControlClasses() {
    Manager& m = M();
    if (m.classesRegistered) {
        WNDCLASSA probe;
        if (GetClassInfoA(nullptr, "Button", &probe)) return;  // the window system was reset
    }
    m.classesRegistered = true;
    struct Entry {
        const char* name;
        WNDPROC proc;
        int extra;
    } entries[] = {{"#32770", &CALLBACK_DefaultDialogClass, DLGWINDOWEXTRA},
                   {"Button", &ButtonProc, 0},
                   {"Static", &StaticProc, 0},
                   {"Edit", &EditProc, 0},
                   {"ListBox", &ListBoxProc, 0},
                   {"ComboBox", &ComboBoxProc, 0}};
    for (const Entry& e : entries) {
        WNDCLASSA probe;
        if (GetClassInfoA(nullptr, e.name, &probe)) continue;
        WNDCLASSA wc{};
        wc.style = CS_DBLCLKS;
        wc.lpfnWndProc = e.proc;
        wc.cbWndExtra = e.extra;
        wc.lpszClassName = e.name;
        RegisterClassA(&wc);
    }
}

HWND FirstTabStop(HWND dialog) {
    for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        const LONG_PTR style = GetWindowLongPtrA(c, GWL_STYLE);
        if ((style & WS_TABSTOP) && !(style & WS_DISABLED)) return c;
    }
    return nullptr;
}

HWND MakeDialog(HINSTANCE instance, const void* tmpl, HWND owner, DLGPROC proc, LPARAM param, bool modal) {
    if (!tmpl) return nullptr;
    RegisterControlClasses();
    Reader r{static_cast<const std::uint8_t*>(tmpl)};
    const DWORD style = r.U32();
    const DWORD exStyle = r.U32();
    const std::uint16_t count = r.U16();
    const int x = static_cast<std::int16_t>(r.U16()), y = static_cast<std::int16_t>(r.U16());
    const int w = static_cast<std::int16_t>(r.U16()), h = static_cast<std::int16_t>(r.U16());
    r.Text();  // menu: dialogs of this program have none
    std::uint16_t classAtom = 0;
    std::string className = r.Text(&classAtom);
    const std::string caption = r.Text();
    if (style & DS_SETFONT) {
        r.U16();
        r.Text();
    }
    if (className.empty()) className = "#32770";

    const DWORD windowStyle = style & ~WS_VISIBLE;
    POINT origin{0, 0};
    if (owner && !(style & WS_CHILD)) ClientToScreen(owner, &origin);
    RECT rect{origin.x + UnitsToX(x), origin.y + UnitsToY(y), origin.x + UnitsToX(x) + UnitsToX(w),
              origin.y + UnitsToY(y) + UnitsToY(h)};
    AdjustWindowRect(&rect, windowStyle, FALSE);
    HWND dialog = CreateWindowExA(exStyle, className.c_str(), caption.c_str(), windowStyle, rect.left, rect.top,
                                  rect.right - rect.left, rect.bottom - rect.top, owner, nullptr, instance, nullptr);
    if (!dialog) {
        std::fprintf(stderr, "dialog: window class \"%s\" is not registered\n", className.c_str());
        return nullptr;
    }
    DialogState& st = M().dialogs[dialog];
    st = DialogState{};
    st.proc = proc;
    st.modal = modal;
    SetWindowLongPtrA(dialog, DWLP_DLGPROC, reinterpret_cast<LONG_PTR>(proc));

    for (std::uint16_t i = 0; i < count; ++i) {
        r.Align();
        const DWORD itemStyle = r.U32();
        const DWORD itemEx = r.U32();
        const int ix = static_cast<std::int16_t>(r.U16()), iy = static_cast<std::int16_t>(r.U16());
        const int iw = static_cast<std::int16_t>(r.U16()), ih = static_cast<std::int16_t>(r.U16());
        const std::uint16_t id = r.U16();
        std::uint16_t atom = 0;
        std::string itemClass = r.Text(&atom);
        const std::string title = r.Text();
        const std::uint16_t extra = r.U16();
        r.at += extra;
        if (atom) {
            const char* name = AtomClass(atom);
            itemClass = name ? name : "";
        }
        HWND child = CreateWindowExA(itemEx, itemClass.c_str(), title.c_str(), itemStyle | WS_CHILD, UnitsToX(ix),
                                     UnitsToY(iy), UnitsToX(iw), UnitsToY(ih), dialog,
                                     reinterpret_cast<HMENU>(static_cast<std::uintptr_t>(id)), instance, nullptr);
        if (!child) {
            std::fprintf(stderr, "dialog: item %u of class \"%s\" cannot be made\n", static_cast<unsigned>(id),
                         itemClass.c_str());
            DestroyWindow(dialog);
            return nullptr;
        }
        MoveToBack(child);
    }
    HWND first = FirstTabStop(dialog);
    const LRESULT focus = SendMessageA(dialog, WM_INITDIALOG, reinterpret_cast<WPARAM>(first), param);
    if (!IsWindow(dialog)) return nullptr;
    if (focus && first && IsWindow(first)) SetFocus(first);
    if ((style & WS_VISIBLE) || modal) {
        ShowWindow(dialog, SW_SHOW);
        SetActiveWindow(dialog);
        if (focus && first && IsWindow(first)) SetFocus(first);
    }
    if (!M().scripts.empty()) {
        platform::DialogScript script = std::move(M().scripts.front());
        M().scripts.pop_front();
        if (script) script(dialog);
    }
    return IsWindow(dialog) ? dialog : nullptr;
}

bool GiveUp(HWND dialog) {
    DialogState* st = StateOf(dialog);
    if (!st) return false;
    if (platform::PendingMessageCount() != 0) {
        st->idleTurns = 0;
        return false;
    }
    if (platform::CurrentBackend().Live()) return false;
    if (++st->idleTurns < platform::kDialogIdleTurns) return false;
    st->idleTurns = 0;
    char title[128] = {};
    GetWindowTextA(dialog, title, sizeof title);
    std::fprintf(stderr, "dialog \"%s\": no scripted input; cancelled\n", title);
    ++M().abandoned;
    return true;
}

// --- the standard controls ---

void Click(HWND hwnd) {
    const DWORD type = static_cast<DWORD>(GetWindowLongPtrA(hwnd, GWL_STYLE)) & BS_TYPEMASK;
    if (type == BS_AUTOCHECKBOX) {
        ControlState& c = Control(hwnd);
        c.check = c.check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED;
    } else if (type == BS_AUTORADIOBUTTON) {
        HWND parent = GetParent(hwnd);
        // The group runs from the last WS_GROUP child at or before this one to the next.
        std::vector<HWND> group;
        for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
            if (GetWindowLongPtrA(c, GWL_STYLE) & WS_GROUP) {
                if (std::find(group.begin(), group.end(), hwnd) != group.end()) break;
                group.clear();
            }
            group.push_back(c);
        }
        for (HWND c : group)
            if ((static_cast<DWORD>(GetWindowLongPtrA(c, GWL_STYLE)) & BS_TYPEMASK) == BS_AUTORADIOBUTTON) {
                Control(c).check = c == hwnd ? BST_CHECKED : BST_UNCHECKED;
                InvalidateRect(c, nullptr, FALSE);
            }
    }
    InvalidateRect(hwnd, nullptr, FALSE);
    Notify(hwnd, BN_CLICKED);
}

LRESULT CommonEnd(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    // A new window may reuse the address of one the window system forgot without messages.
    if (message == WM_NCDESTROY || message == WM_NCCREATE) M().controls.erase(hwnd);
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

LRESULT ButtonProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        if (Disabled(hwnd)) return 0;
        Control(hwnd).pressed = true;
        SetCapture(hwnd);
        SetFocus(hwnd);
        InvalidateRect(hwnd, nullptr, FALSE);
        return 0;
    case WM_LBUTTONUP: {
        ControlState& c = Control(hwnd);
        if (!c.pressed) return 0;
        c.pressed = false;
        if (GetCapture() == hwnd) ReleaseCapture();
        InvalidateRect(hwnd, nullptr, FALSE);
        RECT r;
        GetClientRect(hwnd, &r);
        const int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
        if (x >= 0 && y >= 0 && x < r.right && y < r.bottom) Click(hwnd);
        return 0;
    }
    case WM_KEYDOWN:
        if (wParam == VK_SPACE && !Disabled(hwnd)) {
            Control(hwnd).pressed = true;
            InvalidateRect(hwnd, nullptr, FALSE);
        }
        return 0;
    case WM_KEYUP:
        if (wParam == VK_SPACE && Control(hwnd).pressed) {
            Control(hwnd).pressed = false;
            Click(hwnd);
        }
        return 0;
    case BM_GETCHECK: return static_cast<LRESULT>(Control(hwnd).check);
    case BM_SETCHECK:
        Control(hwnd).check = wParam;
        InvalidateRect(hwnd, nullptr, FALSE);
        return 0;
    case BM_GETSTATE: return static_cast<LRESULT>(Control(hwnd).check) | (Control(hwnd).pressed ? BST_PUSHED : 0);
    case WM_ENABLE:
    case WM_SETFOCUS:
    case WM_KILLFOCUS: InvalidateRect(hwnd, nullptr, FALSE); return 0;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        BeginPaint(hwnd, &ps);
        const LONG_PTR style = GetWindowLongPtrA(hwnd, GWL_STYLE);
        if ((static_cast<DWORD>(style) & BS_TYPEMASK) == BS_OWNERDRAW && GetParent(hwnd)) {
            DRAWITEMSTRUCT d{};
            d.CtlType = ODT_BUTTON;
            d.CtlID = static_cast<UINT>(GetDlgCtrlID(hwnd));
            d.itemAction = ODA_DRAWENTIRE;
            d.itemState = (Control(hwnd).pressed ? ODS_SELECTED : 0) | (GetFocus() == hwnd ? ODS_FOCUS : 0) |
                          ((style & WS_DISABLED) ? ODS_DISABLED : 0);
            d.hwndItem = hwnd;
            d.hDC = ps.hdc;
            GetClientRect(hwnd, &d.rcItem);
            SendMessageA(GetParent(hwnd), WM_DRAWITEM, d.CtlID, reinterpret_cast<LPARAM>(&d));
        }
        EndPaint(hwnd, &ps);
        return 0;
    }
    default: return CommonEnd(hwnd, message, wParam, lParam);
    }
}

LRESULT StaticProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) {
        PAINTSTRUCT ps;
        BeginPaint(hwnd, &ps);
        if (HWND parent = GetParent(hwnd))
            SendMessageA(parent, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(ps.hdc), reinterpret_cast<LPARAM>(hwnd));
        EndPaint(hwnd, &ps);
        return 0;
    }
    return CommonEnd(hwnd, message, wParam, lParam);
}

LRESULT EditProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_LBUTTONDOWN:
        if (!Disabled(hwnd)) SetFocus(hwnd);
        return 0;
    case WM_CHAR: {
        if (Disabled(hwnd) || (GetWindowLongPtrA(hwnd, GWL_STYLE) & ES_READONLY)) return 0;
        std::string text = hwnd->title;
        const std::size_t limit = Control(hwnd).limit;
        if (wParam == VK_BACK) {
            if (text.empty()) return 0;
            text.pop_back();
        } else if (wParam >= 32 && wParam < 256) {
            if (limit && text.size() >= limit) return 0;
            text += static_cast<char>(wParam);
        } else {
            return 0;
        }
        hwnd->title = text;
        Notify(hwnd, EN_CHANGE);
        return 0;
    }
    case EM_LIMITTEXT: Control(hwnd).limit = static_cast<std::size_t>(wParam); return 0;
    case EM_SETREADONLY: {
        const LONG_PTR style = GetWindowLongPtrA(hwnd, GWL_STYLE);
        SetWindowLongPtrA(hwnd, GWL_STYLE, wParam ? (style | ES_READONLY) : (style & ~static_cast<LONG_PTR>(ES_READONLY)));
        return TRUE;
    }
    case EM_REPLACESEL:
        if (lParam) {
            hwnd->title += reinterpret_cast<const char*>(lParam);
            InvalidateRect(hwnd, nullptr, FALSE);
        }
        return 0;
    default: return CommonEnd(hwnd, message, wParam, lParam);
    }
}

bool LessNoCase(const std::string& a, const std::string& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) < std::tolower(static_cast<unsigned char>(y));
    });
}

bool EqualNoCase(const std::string& a, const char* b) {
    const std::size_t n = std::strlen(b);
    if (a.size() != n) return false;
    for (std::size_t i = 0; i < n; ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
    return true;
}

// The list messages shared by list boxes and combo boxes.
LRESULT ListMessage(HWND hwnd, ControlState& c, UINT op, WPARAM wParam, LPARAM lParam, bool& handled, bool sorted = false) {
    handled = true;
    const int n = static_cast<int>(c.items.size());
    const int index = static_cast<int>(static_cast<std::intptr_t>(wParam));
    switch (op) {
    case LB_ADDSTRING: {
        const std::string text = lParam ? reinterpret_cast<const char*>(lParam) : "";
        std::size_t at = c.items.size();
        // A sorted list keeps its rows in order without regard to case; equals go after.
        if (sorted)
            at = static_cast<std::size_t>(std::upper_bound(c.items.begin(), c.items.end(), text, LessNoCase) - c.items.begin());
        c.items.insert(c.items.begin() + static_cast<std::ptrdiff_t>(at), text);
        c.itemData.insert(c.itemData.begin() + static_cast<std::ptrdiff_t>(at), 0);
        c.rowSelected.insert(c.rowSelected.begin() + static_cast<std::ptrdiff_t>(at), 0);
        if (c.selection >= static_cast<int>(at)) ++c.selection;
        return static_cast<LRESULT>(at);
    }
    case LB_FINDSTRINGEXACT: {
        // The search starts after row wParam and wraps; -1 searches the whole list from row 0.
        const char* wanted = lParam ? reinterpret_cast<const char*>(lParam) : "";
        for (int k = 1; k <= n; ++k) {
            const int row = ((index < 0 ? -1 : index) + k) % n;
            if (EqualNoCase(c.items[static_cast<std::size_t>(row)], wanted)) return row;
        }
        return LB_ERR;
    }
    case LB_GETITEMDATA:
        return index >= 0 && index < n ? c.itemData[static_cast<std::size_t>(index)] : LB_ERR;
    case LB_SETITEMDATA:
        if (index < 0 || index >= n) return LB_ERR;
        c.itemData[static_cast<std::size_t>(index)] = lParam;
        return 0;
    case LB_DELETESTRING:
        if (index < 0 || index >= n) return LB_ERR;
        c.items.erase(c.items.begin() + index);
        c.itemData.erase(c.itemData.begin() + index);
        c.rowSelected.erase(c.rowSelected.begin() + index);
        if (c.selection == index) c.selection = -1;
        else if (c.selection > index) --c.selection;
        return n - 1;
    case LB_RESETCONTENT:
        c.items.clear();
        c.itemData.clear();
        c.rowSelected.clear();
        c.selection = -1;
        return 0;
    case LB_SETSEL: {
        const int row = static_cast<int>(static_cast<std::intptr_t>(lParam));
        if (row < -1 || row >= n) return LB_ERR;
        for (int k = 0; k < n; ++k)
            if (row == -1 || k == row) c.rowSelected[static_cast<std::size_t>(k)] = wParam ? 1 : 0;
        InvalidateRect(hwnd, nullptr, FALSE);
        return 0;
    }
    case LB_GETSEL:
        return index >= 0 && index < n ? (c.rowSelected[static_cast<std::size_t>(index)] ? 1 : 0) : LB_ERR;
    case LB_GETSELCOUNT: {
        LRESULT count = 0;
        for (char chosen : c.rowSelected) count += chosen ? 1 : 0;
        return count;
    }
    case LB_SETCURSEL:
        c.selection = index >= 0 && index < n ? index : -1;
        InvalidateRect(hwnd, nullptr, FALSE);
        return index >= 0 && index < n ? index : LB_ERR;
    case LB_GETCURSEL: return c.selection >= 0 ? c.selection : LB_ERR;
    case LB_GETTEXT: {
        if (index < 0 || index >= n || !lParam) return LB_ERR;
        const std::string& s = c.items[static_cast<std::size_t>(index)];
        std::memcpy(reinterpret_cast<char*>(lParam), s.c_str(), s.size() + 1);
        return static_cast<LRESULT>(s.size());
    }
    case LB_GETTEXTLEN:
        return index >= 0 && index < n ? static_cast<LRESULT>(c.items[static_cast<std::size_t>(index)].size()) : LB_ERR;
    case LB_GETCOUNT: return n;
    default: handled = false; return 0;
    }
}

LRESULT ListBoxProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    ControlState& c = Control(hwnd);
    bool handled = false;
    const bool sorted = (GetWindowLongPtrA(hwnd, GWL_STYLE) & LBS_SORT) != 0;
    const LRESULT r = ListMessage(hwnd, c, message, wParam, lParam, handled, sorted);
    if (handled) return r;
    if ((message == WM_LBUTTONDOWN || message == WM_LBUTTONDBLCLK) && !Disabled(hwnd)) {
        SetFocus(hwnd);
        const int row = GET_Y_LPARAM(lParam) / kListItemHeight;
        if (row >= 0 && row < static_cast<int>(c.items.size())) {
            const bool multiple = (GetWindowLongPtrA(hwnd, GWL_STYLE) & LBS_MULTIPLESEL) != 0;
            if (multiple) c.rowSelected[static_cast<std::size_t>(row)] ^= 1;
            const bool changed = multiple || c.selection != row;
            c.selection = row;
            InvalidateRect(hwnd, nullptr, FALSE);
            const bool notify = (GetWindowLongPtrA(hwnd, GWL_STYLE) & LBS_NOTIFY) != 0;
            if (notify && changed) Notify(hwnd, LBN_SELCHANGE);
            if (notify && message == WM_LBUTTONDBLCLK) Notify(hwnd, LBN_DBLCLK);
        }
        return 0;
    }
    return CommonEnd(hwnd, message, wParam, lParam);
}

LRESULT ComboBoxProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    ControlState& c = Control(hwnd);
    static const std::map<UINT, UINT> kToList = {
        {CB_ADDSTRING, LB_ADDSTRING},   {CB_DELETESTRING, LB_DELETESTRING}, {CB_GETCOUNT, LB_GETCOUNT},
        {CB_GETCURSEL, LB_GETCURSEL},   {CB_GETLBTEXT, LB_GETTEXT},         {CB_GETLBTEXTLEN, LB_GETTEXTLEN},
        {CB_RESETCONTENT, LB_RESETCONTENT}, {CB_SETCURSEL, LB_SETCURSEL}};
    if (auto it = kToList.find(message); it != kToList.end()) {
        bool handled = false;
        const LRESULT r = ListMessage(hwnd, c, it->second, wParam, lParam, handled);
        if (message == CB_SETCURSEL || message == CB_RESETCONTENT || message == CB_DELETESTRING)
            hwnd->title = c.selection >= 0 ? c.items[static_cast<std::size_t>(c.selection)] : std::string();
        return r;
    }
    return CommonEnd(hwnd, message, wParam, lParam);
}

} // namespace

// --- the dialog manager ---

INT_PTR DialogBoxIndirectParamA(HINSTANCE instance, const void* tmpl, HWND owner, DLGPROC proc, LPARAM param) {
    const bool ownerWasEnabled = owner && IsWindow(owner) && IsWindowEnabled(owner);
    if (ownerWasEnabled) EnableWindow(owner, FALSE);
    HWND dialog = MakeDialog(instance, tmpl, owner, proc, param, true);
    INT_PTR result = -1;
    if (dialog) {
        for (;;) {
            DialogState* st = StateOf(dialog);
            if (!st || st->ended || !IsWindow(dialog)) break;
            if (GiveUp(dialog)) {
                SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
                if ((st = StateOf(dialog)) && !st->ended) EndDialog(dialog, IDCANCEL);
                continue;
            }
            MSG msg;
            if (!PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
                WaitMessage();
                continue;
            }
            if (msg.message == WM_QUIT) {
                // The program is ending: the quit is left for the outer loop, the dialog cancels.
                PostQuitMessage(static_cast<int>(msg.wParam));
                SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
                if ((st = StateOf(dialog)) && !st->ended) EndDialog(dialog, IDCANCEL);
                break;
            }
            if (!IsDialogMessageA(dialog, &msg)) {
                TranslateMessage(&msg);
                DispatchMessage(&msg);
            }
        }
        if (DialogState* st = StateOf(dialog)) result = st->result;
    }
    if (ownerWasEnabled && IsWindow(owner)) {
        EnableWindow(owner, TRUE);
        SetActiveWindow(owner);
    }
    if (dialog && IsWindow(dialog)) DestroyWindow(dialog);
    return result;
}

HWND CreateDialogIndirectParamA(HINSTANCE instance, const void* tmpl, HWND owner, DLGPROC proc, LPARAM param) {
    return MakeDialog(instance, tmpl, owner, proc, param, false);
}

BOOL EndDialog(HWND dialog, INT_PTR result) {
    DialogState* st = StateOf(dialog);
    if (!st) return FALSE;
    st->ended = true;
    st->result = result;
    ShowWindow(dialog, SW_HIDE);
    return TRUE;
}

LRESULT DefDlgProcA(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!IsWindow(dialog)) return 0;
    // The record of a window forgot without messages must not reach a new one at its address.
    if (message == WM_NCCREATE) M().dialogs.erase(dialog);
    if (DialogState* st = StateOf(dialog); st && st->proc) {
        SetWindowLongPtrA(dialog, DWLP_MSGRESULT, 0);
        const INT_PTR handled = st->proc(dialog, message, wParam, lParam);
        if (!IsWindow(dialog)) return handled;
        if (handled) {
            if (message == WM_INITDIALOG || message == WM_CTLCOLORSTATIC) return handled;
            return GetWindowLongPtrA(dialog, DWLP_MSGRESULT);
        }
    }
    switch (message) {
    case WM_INITDIALOG: return TRUE;
    case WM_CLOSE:
        PostMessage(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDCANCEL)));
        return 0;
    case WM_CTLCOLORSTATIC: return 0;
    case WM_NCDESTROY:
        M().dialogs.erase(dialog);
        return DefWindowProcA(dialog, message, wParam, lParam);
    default: return DefWindowProcA(dialog, message, wParam, lParam);
    }
}

HWND GetDlgItem(HWND dialog, int id) {
    if (!IsWindow(dialog)) return nullptr;
    for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        if (static_cast<int>(GetWindowLongPtrA(c, GWLP_ID)) == id) return c;
    return nullptr;
}

int GetDlgCtrlID(HWND control) { return IsWindow(control) ? static_cast<int>(GetWindowLongPtrA(control, GWLP_ID)) : 0; }

BOOL SetDlgItemTextA(HWND dialog, int id, const char* text) {
    HWND c = GetDlgItem(dialog, id);
    return c ? SetWindowTextA(c, text) : FALSE;
}

UINT GetDlgItemTextA(HWND dialog, int id, char* buffer, int size) {
    HWND c = GetDlgItem(dialog, id);
    if (!c) {
        if (buffer && size > 0) buffer[0] = 0;
        return 0;
    }
    return static_cast<UINT>(GetWindowTextA(c, buffer, size));
}

LRESULT SendDlgItemMessageA(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam) {
    HWND c = GetDlgItem(dialog, id);
    return c ? SendMessageA(c, message, wParam, lParam) : 0;
}

BOOL CheckDlgButton(HWND dialog, int id, UINT check) {
    HWND c = GetDlgItem(dialog, id);
    if (!c) return FALSE;
    SendMessageA(c, BM_SETCHECK, check, 0);
    return TRUE;
}

UINT IsDlgButtonChecked(HWND dialog, int id) {
    return static_cast<UINT>(SendDlgItemMessageA(dialog, id, BM_GETCHECK, 0, 0));
}

BOOL EnumChildWindows(HWND parent, WNDENUMPROC proc, LPARAM param) {
    if (!IsWindow(parent) || !proc) return FALSE;
    // A snapshot: the procedure may change the tree.
    const std::vector<HWND> children = parent->children;
    for (HWND c : children) {
        if (!IsWindow(c)) continue;
        if (!proc(c, param)) return FALSE;
        if (IsWindow(c) && !EnumChildWindows(c, proc, param) && !c->children.empty()) return FALSE;
    }
    return TRUE;
}

int GetClassNameA(HWND hwnd, char* buffer, int size) {
    if (!IsWindow(hwnd) || !buffer || size <= 0) return 0;
    const std::string& name = hwnd->cls->name;
    const std::size_t n = std::min<std::size_t>(name.size(), static_cast<std::size_t>(size - 1));
    std::memcpy(buffer, name.data(), n);
    buffer[n] = 0;
    return static_cast<int>(n);
}

int GetWindowTextLengthA(HWND hwnd) { return IsWindow(hwnd) ? static_cast<int>(hwnd->title.size()) : 0; }

BOOL EnableWindow(HWND hwnd, BOOL enable) {
    if (!IsWindow(hwnd)) return FALSE;
    const bool wasDisabled = (hwnd->style & WS_DISABLED) != 0;
    if (enable)
        hwnd->style &= ~WS_DISABLED;
    else
        hwnd->style |= WS_DISABLED;
    if (!enable && GetFocus() == hwnd) SetFocus(nullptr);
    if (wasDisabled == !enable) return wasDisabled ? TRUE : FALSE;
    SendMessageA(hwnd, WM_ENABLE, enable ? TRUE : FALSE, 0);
    return wasDisabled ? TRUE : FALSE;
}

BOOL IsWindowEnabled(HWND hwnd) { return IsWindow(hwnd) && !(hwnd->style & WS_DISABLED) ? TRUE : FALSE; }

BOOL GetUpdateRect(HWND hwnd, RECT* rect, BOOL) {
    if (!IsWindow(hwnd)) return FALSE;
    if (!hwnd->needsPaint) {
        if (rect) *rect = RECT{0, 0, 0, 0};
        return FALSE;
    }
    if (rect) GetClientRect(hwnd, rect);
    return TRUE;
}

BOOL GetTextMetricsA(HDC, TEXTMETRICA* metrics) {
    if (!metrics) return FALSE;
    *metrics = TEXTMETRICA{kFontHeight, kFontHeight, 0, 0, 0, kFontWidth, 2 * kFontWidth};
    return TRUE;
}

int GetSystemMetrics(int index) {
    switch (index) {
    case SM_CXSCREEN: return platform::GetScreenSize().cx;
    case SM_CYSCREEN: return platform::GetScreenSize().cy;
    case SM_CXDLGFRAME:
    case SM_CYDLGFRAME: return 1;
    default: return 0;
    }
}

int GetDeviceCaps(HDC, int index) {
    switch (index) {
    case HORZRES: return platform::GetScreenSize().cx;
    case VERTRES: return platform::GetScreenSize().cy;
    default: return 0;
    }
}

HGDIOBJ GetStockObject(int object) {
    static char nullBrush;
    return object == NULL_BRUSH ? reinterpret_cast<HGDIOBJ>(&nullBrush) : nullptr;
}

int SetBkMode(HDC dc, int) { return dc ? OPAQUE : 0; }
COLORREF SetBkColor(HDC, COLORREF) { return 0; }

namespace platform {

void QueueDialogScript(DialogScript script) { M().scripts.push_back(std::move(script)); }
void ClearDialogScripts() { M().scripts.clear(); }
std::size_t PendingDialogScripts() { return M().scripts.size(); }

bool ClickDlgItem(HWND dialog, int id) {
    HWND c = GetDlgItem(dialog, id);
    if (!c) return false;
    RECT r;
    GetWindowRect(c, &r);
    const int x = (r.left + r.right) / 2, y = (r.top + r.bottom) / 2;
    InjectMouseButton(MouseButton::Left, true, x, y);
    InjectMouseButton(MouseButton::Left, false, x, y);
    return true;
}

void PressKey(int virtualKey) {
    InjectKey(virtualKey, true);
    InjectKey(virtualKey, false);
}

bool DialogWaitsInVain(HWND dialog) { return GiveUp(dialog); }
unsigned AbandonedDialogCount() { return M().abandoned; }
void ResetAbandonedDialogs() { M().abandoned = 0; }

} // namespace platform
