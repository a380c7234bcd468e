// Dialog windows made from templates, the dialog manager's calls and the standard controls.
//
// Invariants: a dialog made here has a record in the dialog table from its creation until its
// WM_NCDESTROY; a control's state record lives as long as its window; the children of a dialog
// are kept in template order (the first item first), which is the order of enumeration.
#include "platform/dialog.h"
#include "platform/idle.h"

#include "platform/clipboard.h"
#include "platform/common_dialog.h"
#include "platform/dialog_paint.h"
#include "platform/global_memory.h"
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
    // Edits: the caret and the other end of the selection, as byte positions (both at the end of
    // the text until the edit is first used); the first pixel shown; the character a key press
    // typed, so that the same character arriving as WM_CHAR is not typed twice.
    std::size_t caret = 0;
    std::size_t anchor = 0;
    bool caretSet = false;
    int scroll = 0;
    int typed = 0;
    // Lists: the first row shown.
    int top = 0;
    // Combo boxes: the height with the list dropped, the list's window while it exists, whether
    // it is dropped, the row highlighted in it. A dropped list's own record names its combo box.
    int dropHeight = 0;
    HWND list = nullptr;
    bool dropped = false;
    int hot = -1;
    HWND owner = nullptr;
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

bool EqualNoCase(const std::string& a, const char* b);
LRESULT ButtonProc(HWND, UINT, WPARAM, LPARAM);
LRESULT StaticProc(HWND, UINT, WPARAM, LPARAM);
LRESULT EditProc(HWND, UINT, WPARAM, LPARAM);
LRESULT ListBoxProc(HWND, UINT, WPARAM, LPARAM);
LRESULT ComboBoxProc(HWND, UINT, WPARAM, LPARAM);
LRESULT DropListProc(HWND, UINT, WPARAM, LPARAM);

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
                   {"ComboBox", &ComboBoxProc, 0},
                   {"ComboLBox", &DropListProc, 0}};
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
    if ((style & DS_CENTER) && !(style & WS_CHILD)) {
        RECT around{0, 0, platform::GetScreenSize().cx, platform::GetScreenSize().cy};
        HWND top = owner;
        while (top && GetParent(top) && (GetWindowLongPtrA(top, GWL_STYLE) & WS_CHILD)) top = GetParent(top);
        if (top && IsWindow(top) && IsWindowVisible(top) && !IsIconic(top)) GetWindowRect(top, &around);
        const int width = rect.right - rect.left, height = rect.bottom - rect.top;
        rect.left = (around.left + around.right - width) / 2;
        rect.top = std::max<LONG>((around.top + around.bottom - height) / 2, 0);
        rect.right = rect.left + width;
        rect.bottom = rect.top + height;
    }
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
    // A group box is drawn behind the controls it frames, whatever its place in the template.
    std::vector<HWND> boxes;
    for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        if ((static_cast<DWORD>(GetWindowLongPtrA(c, GWL_STYLE)) & BS_TYPEMASK) == BS_GROUPBOX && EqualNoCase(c->cls->name, "Button"))
            boxes.push_back(c);
    for (HWND b : boxes) MoveToBack(b);
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

// --- how buttons and statics look ---

bool IsDefaultButton(HWND hwnd) {
    const DWORD type = static_cast<DWORD>(GetWindowLongPtrA(hwnd, GWL_STYLE)) & BS_TYPEMASK;
    return type == BS_DEFPUSHBUTTON;
}

void PaintButton(HWND hwnd) {
    using namespace platform::detail;
    Canvas canvas(hwnd);
    if (!canvas.Ok()) return;
    const ControlState& c = Control(hwnd);
    const DWORD type = static_cast<DWORD>(GetWindowLongPtrA(hwnd, GWL_STYLE)) & BS_TYPEMASK;
    const bool enabled = !Disabled(hwnd), focused = GetFocus() == hwnd;
    const int w = canvas.Width(), h = canvas.Height();
    const std::string& text = hwnd->title;
    const BYTE ink = enabled ? kInkBlack : kInkGrey;
    const int lineHeight = SystemLineHeight();
    switch (type) {
    case BS_CHECKBOX:
    case BS_AUTOCHECKBOX: {
        canvas.CopyParent();
        const int y = (h - 13) / 2;
        canvas.Fill(RECT{0, y, 13, y + 13}, enabled && !c.pressed ? kInkWhite : kInkSilver);
        canvas.Sunken(RECT{0, y, 13, y + 13});
        if (c.check == BST_CHECKED) canvas.CheckMark(3, y + 3, ink);
        canvas.Text(RECT{17, 0, w, h}, text, DT_SINGLELINE | DT_VCENTER, ink);
        if (focused) {
            const int tw = SystemTextWidth(text, true);
            canvas.Frame(RECT{15, (h - lineHeight) / 2 - 1, std::min(w, 17 + tw + 2), (h + lineHeight) / 2 + 1}, kInkGrey);
        }
        return;
    }
    case BS_RADIOBUTTON:
    case BS_AUTORADIOBUTTON: {
        canvas.CopyParent();
        canvas.RadioButton(0, (h - 12) / 2, c.check == BST_CHECKED, enabled && !c.pressed);
        canvas.Text(RECT{16, 0, w, h}, text, DT_SINGLELINE | DT_VCENTER, ink);
        if (focused) {
            const int tw = SystemTextWidth(text, true);
            canvas.Frame(RECT{14, (h - lineHeight) / 2 - 1, std::min(w, 16 + tw + 2), (h + lineHeight) / 2 + 1}, kInkGrey);
        }
        return;
    }
    case BS_GROUPBOX: {
        canvas.CopyParent();
        const int y = lineHeight / 2;
        // An etched frame, open where the caption stands.
        canvas.Frame(RECT{0, y, w - 1, h - 1}, kInkGrey);
        canvas.Frame(RECT{1, y + 1, w, h}, kInkWhite);
        canvas.Fill(RECT{1, y, w - 2, y + 1}, kInkGrey);
        if (!text.empty()) {
            const int tw = SystemTextWidth(text, true);
            const RECT gap{6, 0, std::min(w - 2, 6 + tw + 4), lineHeight};
            // The parent's pixels back under the caption.
            const platform::WindowPixels p = platform::GetWindowPixels(GetParent(hwnd));
            RECT wr;
            GetWindowRect(hwnd, &wr);
            POINT o{wr.left, wr.top};
            ScreenToClient(GetParent(hwnd), &o);
            for (int yy = gap.top; yy < gap.bottom; ++yy)
                for (int xx = gap.left; xx < gap.right; ++xx) {
                    const int px = xx + o.x, py = yy + o.y;
                    const BYTE under = (p.pixels && px >= 0 && py >= 0 && px < p.width && py < p.height)
                                           ? p.pixels[static_cast<std::size_t>(py) * p.width + px]
                                           : kInkSilver;
                    canvas.Fill(RECT{xx, yy, xx + 1, yy + 1}, under);
                }
            canvas.Text(RECT{8, 0, gap.right, lineHeight}, text, DT_SINGLELINE, ink);
        }
        return;
    }
    default: {
        // Push buttons: a raised face, pressed in while held; the default one framed in black.
        canvas.Fill(RECT{0, 0, w, h}, kInkSilver);
        RECT face{0, 0, w, h};
        if (IsDefaultButton(hwnd) || (c.pressed && type == BS_PUSHBUTTON && focused)) {
            canvas.Frame(face, kInkBlack);
            face = RECT{1, 1, w - 1, h - 1};
        }
        canvas.Raised(face, c.pressed);
        const int shift = c.pressed ? 1 : 0;
        RECT label{shift, shift, w + shift, h + shift};
        if (!enabled) {
            // Disabled: engraved, a white copy one pixel down and right of a grey one.
            canvas.Text(RECT{label.left + 1, label.top + 1, label.right + 1, label.bottom + 1}, text,
                        DT_SINGLELINE | DT_VCENTER | DT_CENTER, kInkWhite);
        }
        canvas.Text(label, text, DT_SINGLELINE | DT_VCENTER | DT_CENTER, ink);
        if (focused) canvas.Frame(RECT{face.left + 3, face.top + 3, face.right - 3, face.bottom - 3}, kInkGrey);
        return;
    }
    }
}

constexpr DWORD SS_CENTER_ = 0x1;
constexpr DWORD SS_RIGHT_ = 0x2;
constexpr DWORD SS_SIMPLE_ = 0xB;
constexpr DWORD SS_LEFTNOWORDWRAP_ = 0xC;
constexpr DWORD SS_NOPREFIX_ = 0x80;

void PaintStatic(HWND hwnd) {
    using namespace platform::detail;
    Canvas canvas(hwnd);
    if (!canvas.Ok()) return;
    canvas.CopyParent();
    const DWORD style = static_cast<DWORD>(GetWindowLongPtrA(hwnd, GWL_STYLE));
    const DWORD kind = style & 0x1F;
    UINT format = (style & SS_NOPREFIX_) ? DT_NOPREFIX : 0;
    if (kind == SS_CENTER_) format |= DT_CENTER | DT_WORDBREAK;
    else if (kind == SS_RIGHT_) format |= DT_RIGHT | DT_WORDBREAK;
    else if (kind == SS_SIMPLE_ || kind == SS_LEFTNOWORDWRAP_) format |= DT_LEFT;
    else if (kind == 0) format |= DT_LEFT | DT_WORDBREAK;
    else return;  // pictures and frames of this style are not drawn here
    canvas.Text(RECT{0, 0, canvas.Width(), canvas.Height()}, hwnd->title, format, Disabled(hwnd) ? kInkGrey : kInkBlack);
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
    case WM_SETTEXT: {
        const LRESULT r = CommonEnd(hwnd, message, wParam, lParam);
        InvalidateRect(hwnd, nullptr, FALSE);
        return r;
    }
    case WM_PAINT: {
        PAINTSTRUCT ps;
        BeginPaint(hwnd, &ps);
        const LONG_PTR style = GetWindowLongPtrA(hwnd, GWL_STYLE);
        if ((static_cast<DWORD>(style) & BS_TYPEMASK) != BS_OWNERDRAW) {
            PaintButton(hwnd);
        } else if (GetParent(hwnd)) {
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
        LRESULT drawn = 0;
        if (HWND parent = GetParent(hwnd))
            drawn = SendMessageA(parent, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(ps.hdc), reinterpret_cast<LPARAM>(hwnd));
        // A parent that answers with a brush has drawn the static; else it shows its own text.
        if (!drawn) PaintStatic(hwnd);
        EndPaint(hwnd, &ps);
        return 0;
    }
    if (message == WM_SETTEXT || message == WM_ENABLE) {
        const LRESULT r = CommonEnd(hwnd, message, wParam, lParam);
        InvalidateRect(hwnd, nullptr, FALSE);
        return r;
    }
    return CommonEnd(hwnd, message, wParam, lParam);
}

// --- edits ---

bool ReadOnly(HWND hwnd) { return (GetWindowLongPtrA(hwnd, GWL_STYLE) & ES_READONLY) != 0; }
bool Multiline(HWND hwnd) { return (GetWindowLongPtrA(hwnd, GWL_STYLE) & ES_MULTILINE) != 0; }

void TouchCaret(HWND hwnd, ControlState& c) {
    const std::size_t n = hwnd->title.size();
    if (!c.caretSet) {
        c.caret = c.anchor = n;
        c.caretSet = true;
    }
    c.caret = std::min(c.caret, n);
    c.anchor = std::min(c.anchor, n);
}

std::pair<std::size_t, std::size_t> Selection(const ControlState& c) {
    return {std::min(c.caret, c.anchor), std::max(c.caret, c.anchor)};
}

// Replaces the selection by text (within the limit); true when the text changed.
bool ReplaceSelection(HWND hwnd, ControlState& c, const std::string& with) {
    TouchCaret(hwnd, c);
    std::string text = hwnd->title;
    const auto [from, to] = Selection(c);
    std::string insert;
    // A one-line edit keeps no line breaks; a multi-line one keeps the text as given.
    for (char ch : with)
        if (Multiline(hwnd) || (ch != '\r' && ch != '\n')) insert += ch;
    const std::size_t kept = text.size() - (to - from);
    if (c.limit && kept + insert.size() > c.limit) insert.resize(c.limit > kept ? c.limit - kept : 0);
    if (from == to && insert.empty()) return false;
    text.replace(from, to - from, insert);
    hwnd->title = text;
    c.caret = c.anchor = from + insert.size();
    InvalidateRect(hwnd, nullptr, FALSE);
    return true;
}

void CopySelection(HWND hwnd, ControlState& c) {
    TouchCaret(hwnd, c);
    const auto [from, to] = Selection(c);
    if (from == to || !OpenClipboard(hwnd)) return;
    EmptyClipboard();
    const std::string part = hwnd->title.substr(from, to - from);
    if (HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, part.size() + 1)) {
        if (void* p = GlobalLock(block)) {
            std::memcpy(p, part.c_str(), part.size() + 1);
            GlobalUnlock(block);
            SetClipboardData(CF_TEXT, block);
        } else {
            GlobalFree(block);
        }
    }
    CloseClipboard();
}

std::string ClipboardString(HWND hwnd) {
    std::string text;
    if (!OpenClipboard(hwnd)) return text;
    if (HANDLE data = GetClipboardData(CF_TEXT))
        if (const char* p = static_cast<const char*>(GlobalLock(data))) {
            text = p;
            GlobalUnlock(data);
        }
    CloseClipboard();
    return text;
}

// The character a key gives, or 0.
int KeyCharacter(WPARAM key) {
    const bool shift = GetKeyState(VK_SHIFT) < 0;
    if (key >= 'A' && key <= 'Z') return shift ? static_cast<int>(key) : static_cast<int>(key) - 'A' + 'a';
    if (key >= '0' && key <= '9') {
        static const char kShifted[] = ")!@#$%^&*(";
        return shift ? kShifted[key - '0'] : static_cast<int>(key);
    }
    switch (key) {
    case VK_SPACE: return ' ';
    case 0xBA: return shift ? ':' : ';';
    case 0xBB: return shift ? '+' : '=';
    case 0xBC: return shift ? '<' : ',';
    case 0xBD: return shift ? '_' : '-';
    case 0xBE: return shift ? '>' : '.';
    case 0xBF: return shift ? '?' : '/';
    case 0xDE: return shift ? '"' : '\'';
    default: return 0;
    }
}

// The line of a position and where the line starts.
void LineOf(const std::string& text, std::size_t at, int* line, std::size_t* start) {
    *line = 0;
    *start = 0;
    for (std::size_t i = 0; i < at && i < text.size(); ++i)
        if (text[i] == '\n') {
            ++*line;
            *start = i + 1;
        }
}

constexpr int kEditMargin = 3;

// The position nearest to a client point.
std::size_t PositionAt(HWND hwnd, const ControlState& c, int x, int y) {
    const std::string& text = hwnd->title;
    std::size_t start = 0;
    if (Multiline(hwnd)) {
        const int wanted = std::max(0, (y - kEditMargin) / platform::detail::SystemLineHeight());
        for (int line = 0; line < wanted; ++line) {
            const std::size_t next = text.find('\n', start);
            if (next == std::string::npos) break;
            start = next + 1;
        }
    }
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const int target = x - kEditMargin + c.scroll;
    for (std::size_t i = start; i < end; ++i) {
        const int left = platform::detail::SystemTextWidth(std::string_view(text).substr(start, i - start));
        const int right = platform::detail::SystemTextWidth(std::string_view(text).substr(start, i + 1 - start));
        if (target < (left + right) / 2) return i;
    }
    return end;
}

void EditChanged(HWND hwnd) {
    Notify(hwnd, EN_CHANGE);
}

void PaintEdit(HWND hwnd) {
    platform::detail::Canvas canvas(hwnd);
    if (!canvas.Ok()) return;
    ControlState& c = Control(hwnd);
    TouchCaret(hwnd, c);
    const bool enabled = !Disabled(hwnd);
    const int w = canvas.Width(), h = canvas.Height();
    using namespace platform::detail;
    canvas.Fill(RECT{0, 0, w, h}, enabled && !ReadOnly(hwnd) ? kInkWhite : kInkSilver);
    const std::string& text = hwnd->title;
    const int lineHeight = SystemLineHeight();
    const bool multiline = Multiline(hwnd);
    // The caret stays in view: the text scrolls sideways under a one-line edit.
    int caretLine;
    std::size_t caretStart;
    LineOf(text, c.caret, &caretLine, &caretStart);
    const int caretX = SystemTextWidth(std::string_view(text).substr(caretStart, c.caret - caretStart));
    const int room = std::max(1, w - 2 * kEditMargin - 1);
    if (caretX - c.scroll > room) c.scroll = caretX - room;
    if (caretX < c.scroll) c.scroll = std::max(0, caretX - room / 3);
    const RECT inside{2, 2, w - 2, h - 2};
    const auto [from, to] = Selection(c);
    const bool focused = GetFocus() == hwnd;
    std::size_t start = 0;
    for (int line = 0;; ++line) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const int top = multiline ? kEditMargin + line * lineHeight : (h - lineHeight) / 2;
        const int left = kEditMargin - c.scroll;
        const std::string_view row = std::string_view(text).substr(start, end - start);
        canvas.Text(RECT{left, top, left + 4000, top + lineHeight}, row, DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP,
                    enabled ? kInkBlack : kInkGrey);
        // The selected part of this line, white on the selection colour.
        const std::size_t a = std::max(from, start), b = std::min(to, end);
        if (focused && a < b) {
            const int x0 = left + SystemTextWidth(row.substr(0, a - start));
            const int x1 = left + SystemTextWidth(row.substr(0, b - start));
            canvas.Fill(RECT{std::max<LONG>(x0, inside.left), top, std::min<LONG>(x1, inside.right), top + lineHeight}, kInkNavy);
            canvas.Text(RECT{x0, top, x0 + 4000, top + lineHeight}, row.substr(a - start, b - a),
                        DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP, kInkWhite);
        }
        if (focused && line == caretLine) {
            const int x = left + caretX;
            canvas.Fill(RECT{x, top, x + 1, top + lineHeight}, kInkBlack);
        }
        if (end >= text.size() || !multiline) break;
        start = end + 1;
    }
    canvas.Fill(RECT{0, 0, 2, h}, kInkWhite);  // text never runs over the frame
    canvas.Fill(RECT{w - 2, 0, w, h}, kInkWhite);
    canvas.Sunken(RECT{0, 0, w, h});
}

void MoveCaret(HWND hwnd, ControlState& c, std::size_t to, bool extend) {
    c.caret = std::min(to, hwnd->title.size());
    if (!extend) c.anchor = c.caret;
    InvalidateRect(hwnd, nullptr, FALSE);
}

LRESULT EditKey(HWND hwnd, ControlState& c, WPARAM key) {
    TouchCaret(hwnd, c);
    const bool shift = GetKeyState(VK_SHIFT) < 0, control = GetKeyState(VK_CONTROL) < 0;
    const std::string& text = hwnd->title;
    const bool writable = !Disabled(hwnd) && !ReadOnly(hwnd);
    c.typed = 0;
    switch (key) {
    case VK_LEFT:
        if (!shift && c.caret != c.anchor) MoveCaret(hwnd, c, Selection(c).first, false);
        else MoveCaret(hwnd, c, c.caret > 0 ? c.caret - 1 : 0, shift);
        return 0;
    case VK_RIGHT:
        if (!shift && c.caret != c.anchor) MoveCaret(hwnd, c, Selection(c).second, false);
        else MoveCaret(hwnd, c, c.caret + 1, shift);
        return 0;
    case VK_HOME: {
        int line;
        std::size_t start;
        LineOf(text, c.caret, &line, &start);
        MoveCaret(hwnd, c, control ? 0 : start, shift);
        return 0;
    }
    case VK_END: {
        std::size_t end = control ? std::string::npos : text.find('\n', c.caret);
        MoveCaret(hwnd, c, end == std::string::npos ? text.size() : end, shift);
        return 0;
    }
    case VK_DELETE:
        if (!writable) return 0;
        if (c.caret == c.anchor) c.anchor = std::min(c.caret + 1, text.size());
        if (ReplaceSelection(hwnd, c, "")) EditChanged(hwnd);
        return 0;
    case VK_BACK:
        if (!writable) return 0;
        c.typed = VK_BACK;
        if (c.caret == c.anchor && c.caret > 0) c.anchor = c.caret - 1;
        if (ReplaceSelection(hwnd, c, "")) EditChanged(hwnd);
        return 0;
    case VK_RETURN:
        if (!writable || !Multiline(hwnd)) return 0;
        c.typed = '\r';
        if (ReplaceSelection(hwnd, c, "\n")) EditChanged(hwnd);
        return 0;
    default: break;
    }
    if (control) {
        switch (key) {
        case 'A': c.anchor = 0; MoveCaret(hwnd, c, text.size(), true); return 0;
        case 'C': CopySelection(hwnd, c); return 0;
        case 'X':
            CopySelection(hwnd, c);
            if (writable && ReplaceSelection(hwnd, c, "")) EditChanged(hwnd);
            return 0;
        case 'V':
            if (writable && ReplaceSelection(hwnd, c, ClipboardString(hwnd))) EditChanged(hwnd);
            return 0;
        default: return 0;
        }
    }
    const int ch = KeyCharacter(key);
    if (ch && writable) {
        c.typed = ch;
        if (ReplaceSelection(hwnd, c, std::string(1, static_cast<char>(ch)))) EditChanged(hwnd);
    }
    return 0;
}

constexpr UINT EM_GETSEL_ = 0x00B0;
constexpr UINT EM_SETSEL_ = 0x00B1;
constexpr UINT WM_CUT_ = 0x0300;
constexpr UINT WM_COPY_ = 0x0301;
constexpr UINT WM_PASTE_ = 0x0302;
constexpr UINT WM_CLEAR_ = 0x0303;

LRESULT EditProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        BeginPaint(hwnd, &ps);
        PaintEdit(hwnd);
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_MOUSEMOVE: {
        if (Disabled(hwnd)) return 0;
        ControlState& c = Control(hwnd);
        TouchCaret(hwnd, c);
        if (message == WM_MOUSEMOVE) {
            // A drag with the button held extends the selection.
            if (GetCapture() != hwnd || !(wParam & MK_LBUTTON)) return 0;
            MoveCaret(hwnd, c, PositionAt(hwnd, c, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)), true);
            return 0;
        }
        SetFocus(hwnd);
        if (message == WM_LBUTTONDBLCLK) {
            c.anchor = 0;
            MoveCaret(hwnd, c, hwnd->title.size(), true);
            return 0;
        }
        MoveCaret(hwnd, c, PositionAt(hwnd, c, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)), (wParam & MK_SHIFT) != 0);
        SetCapture(hwnd);
        return 0;
    }
    case WM_LBUTTONUP:
        if (GetCapture() == hwnd) ReleaseCapture();
        return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_ENABLE: InvalidateRect(hwnd, nullptr, FALSE); return 0;
    case WM_KEYDOWN: return EditKey(hwnd, Control(hwnd), wParam);
    case WM_CHAR: {
        ControlState& c = Control(hwnd);
        // The key press typed it already.
        if (c.typed && static_cast<int>(wParam) == c.typed) {
            c.typed = 0;
            return 0;
        }
        c.typed = 0;
        if (Disabled(hwnd) || ReadOnly(hwnd)) return 0;
        TouchCaret(hwnd, c);
        if (wParam == VK_BACK) {
            if (c.caret == c.anchor && c.caret > 0) c.anchor = c.caret - 1;
            if (ReplaceSelection(hwnd, c, "")) EditChanged(hwnd);
        } else if (wParam >= 32 && wParam < 256) {
            if (ReplaceSelection(hwnd, c, std::string(1, static_cast<char>(wParam)))) EditChanged(hwnd);
        }
        return 0;
    }
    case WM_SETTEXT: {
        const LRESULT r = CommonEnd(hwnd, message, wParam, lParam);
        ControlState& c = Control(hwnd);
        c.caret = c.anchor = hwnd->title.size();
        c.caretSet = true;
        c.scroll = 0;
        InvalidateRect(hwnd, nullptr, FALSE);
        // A text set by the program is a change like a typed one: dialogs enable their OK from it.
        EditChanged(hwnd);
        return r;
    }
    case EM_LIMITTEXT: Control(hwnd).limit = static_cast<std::size_t>(wParam); return 0;
    case EM_SETREADONLY: {
        const LONG_PTR style = GetWindowLongPtrA(hwnd, GWL_STYLE);
        SetWindowLongPtrA(hwnd, GWL_STYLE, wParam ? (style | ES_READONLY) : (style & ~static_cast<LONG_PTR>(ES_READONLY)));
        InvalidateRect(hwnd, nullptr, FALSE);
        return TRUE;
    }
    case EM_GETSEL_: {
        ControlState& c = Control(hwnd);
        TouchCaret(hwnd, c);
        const auto [from, to] = Selection(c);
        if (wParam) *reinterpret_cast<DWORD*>(wParam) = static_cast<DWORD>(from);
        if (lParam) *reinterpret_cast<DWORD*>(lParam) = static_cast<DWORD>(to);
        return static_cast<LRESULT>((static_cast<DWORD>(to & 0xFFFF) << 16) | static_cast<DWORD>(from & 0xFFFF));
    }
    case EM_SETSEL_: {
        ControlState& c = Control(hwnd);
        TouchCaret(hwnd, c);
        const std::size_t n = hwnd->title.size();
        const auto at = [n](LPARAM v) { return v < 0 ? n : std::min(static_cast<std::size_t>(v), n); };
        const LPARAM start = static_cast<LPARAM>(static_cast<std::intptr_t>(wParam));
        // A start of -1 takes the selection away (the caret stays).
        if (start == -1) c.anchor = c.caret;
        else {
            c.anchor = at(start);
            c.caret = at(lParam);
        }
        InvalidateRect(hwnd, nullptr, FALSE);
        return 0;
    }
    case EM_REPLACESEL:
        if (lParam) {
            ControlState& c = Control(hwnd);
            ReplaceSelection(hwnd, c, reinterpret_cast<const char*>(lParam));
        }
        return 0;
    case WM_COPY_: CopySelection(hwnd, Control(hwnd)); return 0;
    case WM_CUT_:
    case WM_CLEAR_:
        if (message == WM_CUT_) CopySelection(hwnd, Control(hwnd));
        if (!ReadOnly(hwnd) && ReplaceSelection(hwnd, Control(hwnd), "")) EditChanged(hwnd);
        return 0;
    case WM_PASTE_:
        if (!ReadOnly(hwnd) && ReplaceSelection(hwnd, Control(hwnd), ClipboardString(hwnd))) EditChanged(hwnd);
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

// --- list boxes ---

constexpr int kListFrame = 2;
constexpr int kScrollWidth = 16;

int VisibleRows(HWND hwnd) {
    RECT r;
    GetClientRect(hwnd, &r);
    return std::max(1, static_cast<int>(r.bottom - 2 * kListFrame) / kListItemHeight);
}

bool HasScrollBar(HWND hwnd, const ControlState& c) { return static_cast<int>(c.items.size()) > VisibleRows(hwnd); }

void ClampTop(HWND hwnd, ControlState& c) {
    c.top = std::clamp(c.top, 0, std::max(0, static_cast<int>(c.items.size()) - VisibleRows(hwnd)));
}

void ShowRow(HWND hwnd, ControlState& c, int row) {
    if (row < 0) return;
    const int rows = VisibleRows(hwnd);
    if (row < c.top) c.top = row;
    if (row >= c.top + rows) c.top = row - rows + 1;
    ClampTop(hwnd, c);
}

void PaintScrollBar(platform::detail::Canvas& canvas, const ControlState& c, int rows, RECT bar) {
    using namespace platform::detail;
    canvas.Fill(bar, 247);  // the track, a lighter grey
    const int button = std::min<int>(kScrollWidth, (bar.bottom - bar.top) / 2);
    const RECT up{bar.left, bar.top, bar.right, bar.top + button}, down{bar.left, bar.bottom - button, bar.right, bar.bottom};
    for (const RECT& b : {up, down}) {
        canvas.Fill(b, kInkSilver);
        canvas.Raised(b, false);
    }
    canvas.Arrow(up, true, kInkBlack);
    canvas.Arrow(down, false, kInkBlack);
    const int track = (bar.bottom - bar.top) - 2 * button;
    const int count = static_cast<int>(c.items.size());
    if (track > 8 && count > 0) {
        const int thumb = std::max(8, track * rows / count);
        const int span = std::max(1, count - rows);
        const int at = up.bottom + (track - thumb) * c.top / span;
        const RECT t{bar.left, at, bar.right, at + thumb};
        canvas.Fill(t, kInkSilver);
        canvas.Raised(t, false);
    }
}

void PaintList(HWND hwnd) {
    using namespace platform::detail;
    Canvas canvas(hwnd);
    if (!canvas.Ok()) return;
    ControlState& c = Control(hwnd);
    ClampTop(hwnd, c);
    const int w = canvas.Width(), h = canvas.Height();
    const bool enabled = !Disabled(hwnd);
    const bool multiple = (GetWindowLongPtrA(hwnd, GWL_STYLE) & LBS_MULTIPLESEL) != 0;
    const bool focused = GetFocus() == hwnd;
    const bool bar = HasScrollBar(hwnd, c);
    const int rows = VisibleRows(hwnd);
    const int right = w - kListFrame - (bar ? kScrollWidth : 0);
    canvas.Fill(RECT{0, 0, w, h}, enabled ? kInkWhite : kInkSilver);
    const int count = static_cast<int>(c.items.size());
    for (int i = 0; i <= rows && c.top + i < count; ++i) {
        const int row = c.top + i;
        const int y = kListFrame + i * kListItemHeight;
        const RECT box{kListFrame, y, right, std::min(y + kListItemHeight, h - kListFrame)};
        if (box.top >= box.bottom) break;
        const bool chosen = multiple ? c.rowSelected[static_cast<std::size_t>(row)] != 0 : row == c.selection;
        if (chosen) canvas.Fill(box, enabled ? kInkNavy : kInkGrey);
        canvas.Text(RECT{box.left + 2, box.top, box.right, box.bottom}, c.items[static_cast<std::size_t>(row)],
                    DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX, chosen ? kInkWhite : (enabled ? kInkBlack : kInkGrey));
        // The keyboard's row in a list of many choices.
        if (focused && multiple && row == c.selection) canvas.Frame(box, kInkGrey);
    }
    if (bar) PaintScrollBar(canvas, c, rows, RECT{right, kListFrame, w - kListFrame, h - kListFrame});
    canvas.Sunken(RECT{0, 0, w, h});
}

// Makes a row the current one (and, in a single-choice list, the chosen one); notifies.
void ChooseRow(HWND hwnd, ControlState& c, int row, bool toggle) {
    const int n = static_cast<int>(c.items.size());
    if (n == 0) return;
    row = std::clamp(row, 0, n - 1);
    const bool multiple = (GetWindowLongPtrA(hwnd, GWL_STYLE) & LBS_MULTIPLESEL) != 0;
    if (multiple && toggle) c.rowSelected[static_cast<std::size_t>(row)] ^= 1;
    const bool changed = (multiple && toggle) || (!multiple && c.selection != row);
    c.selection = row;
    ShowRow(hwnd, c, row);
    InvalidateRect(hwnd, nullptr, FALSE);
    if (changed && (GetWindowLongPtrA(hwnd, GWL_STYLE) & LBS_NOTIFY)) Notify(hwnd, LBN_SELCHANGE);
}

LRESULT ListBoxProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    ControlState& c = Control(hwnd);
    bool handled = false;
    const bool sorted = (GetWindowLongPtrA(hwnd, GWL_STYLE) & LBS_SORT) != 0;
    const LRESULT r = ListMessage(hwnd, c, message, wParam, lParam, handled, sorted);
    if (handled) {
        if (message == LB_ADDSTRING || message == LB_DELETESTRING || message == LB_RESETCONTENT) {
            ClampTop(hwnd, c);
            InvalidateRect(hwnd, nullptr, FALSE);
        }
        if (message == LB_SETCURSEL) ShowRow(hwnd, c, c.selection);
        return r;
    }
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        BeginPaint(hwnd, &ps);
        PaintList(hwnd);
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        if (Disabled(hwnd)) return 0;
        SetFocus(hwnd);
        const int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
        RECT client;
        GetClientRect(hwnd, &client);
        if (HasScrollBar(hwnd, c) && x >= client.right - kListFrame - kScrollWidth) {
            // The bar: the arrows step one row, the track a page toward the press.
            const int rows = VisibleRows(hwnd);
            const int height = client.bottom - 2 * kListFrame;
            const int button = std::min(kScrollWidth, height / 2);
            const int count = static_cast<int>(c.items.size());
            const int track = height - 2 * button;
            const int thumb = std::max(8, track * rows / std::max(1, count));
            const int thumbTop = kListFrame + button + (track - thumb) * c.top / std::max(1, count - rows);
            if (y < kListFrame + button) --c.top;
            else if (y >= client.bottom - kListFrame - button) ++c.top;
            else if (y < thumbTop) c.top -= rows;
            else if (y >= thumbTop + thumb) c.top += rows;
            ClampTop(hwnd, c);
            InvalidateRect(hwnd, nullptr, FALSE);
            return 0;
        }
        const int row = c.top + (y - kListFrame) / kListItemHeight;
        if (y >= kListFrame && row >= 0 && row < static_cast<int>(c.items.size())) {
            ChooseRow(hwnd, c, row, true);
            if (message == WM_LBUTTONDBLCLK && (GetWindowLongPtrA(hwnd, GWL_STYLE) & LBS_NOTIFY)) Notify(hwnd, LBN_DBLCLK);
        }
        return 0;
    }
    case WM_KEYDOWN: {
        if (Disabled(hwnd) || c.items.empty()) return 0;
        const int rows = VisibleRows(hwnd), n = static_cast<int>(c.items.size());
        const int at = c.selection < 0 ? -1 : c.selection;
        switch (wParam) {
        case VK_UP: ChooseRow(hwnd, c, at < 0 ? 0 : at - 1, false); break;
        case VK_DOWN: ChooseRow(hwnd, c, at + 1, false); break;
        case VK_PRIOR: ChooseRow(hwnd, c, at - rows + 1, false); break;
        case VK_NEXT: ChooseRow(hwnd, c, std::max(at, 0) + rows - 1, false); break;
        case VK_HOME: ChooseRow(hwnd, c, 0, false); break;
        case VK_END: ChooseRow(hwnd, c, n - 1, false); break;
        case VK_SPACE:
            if (GetWindowLongPtrA(hwnd, GWL_STYLE) & LBS_MULTIPLESEL) ChooseRow(hwnd, c, std::max(at, 0), true);
            break;
        default: break;
        }
        return 0;
    }
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_ENABLE:
    case WM_SIZE: InvalidateRect(hwnd, nullptr, FALSE); return 0;
    default: return CommonEnd(hwnd, message, wParam, lParam);
    }
}

// --- combo boxes: the current entry and a button. The template's height is the height with the
// list dropped; the box itself is one line high. The dropped list is a window of its own ("ComboLBox",
// owned by the dialog) so that it may reach past the dialog's edges; while it is dropped the combo
// box holds the mouse, so that a press anywhere else closes the list and reaches no other window. ---

int ComboBoxHeight() { return platform::detail::SystemLineHeight() + 6; }

bool ComboDropped(HWND hwnd) {
    auto it = M().controls.find(hwnd);
    return it != M().controls.end() && it->second.dropped;
}

void PaintCombo(HWND hwnd) {
    using namespace platform::detail;
    Canvas canvas(hwnd);
    if (!canvas.Ok()) return;
    const ControlState& c = Control(hwnd);
    const int w = canvas.Width(), h = std::min(canvas.Height(), ComboBoxHeight());
    const bool enabled = !Disabled(hwnd);
    canvas.CopyParent();
    canvas.Fill(RECT{0, 0, w, h}, enabled ? kInkWhite : kInkSilver);
    const RECT button{w - 2 - kScrollWidth, 2, w - 2, h - 2};
    const bool focused = GetFocus() == hwnd && !c.dropped;
    if (focused && !hwnd->title.empty()) canvas.Fill(RECT{3, 3, button.left - 1, h - 3}, kInkNavy);
    canvas.Text(RECT{5, 2, button.left - 1, h - 2}, hwnd->title, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX,
                focused ? kInkWhite : (enabled ? kInkBlack : kInkGrey));
    canvas.Fill(button, kInkSilver);
    canvas.Raised(button, c.dropped);
    const int shift = c.dropped ? 1 : 0;
    canvas.Arrow(RECT{button.left + shift, button.top + shift, button.right + shift, button.bottom + shift}, false,
                 enabled ? kInkBlack : kInkGrey);
    canvas.Sunken(RECT{0, 0, w, h});
}

// The dropped list: the combo box's rows, the highlighted one in the selection colour.
void PaintDropList(HWND list) {
    using namespace platform::detail;
    Canvas canvas(list);
    if (!canvas.Ok()) return;
    HWND combo = Control(list).owner;
    if (!IsWindow(combo)) return;
    ControlState& c = Control(combo);
    ClampTop(list, c);
    const int w = canvas.Width(), h = canvas.Height();
    const bool bar = HasScrollBar(list, c);
    const int rows = VisibleRows(list);
    const int right = w - kListFrame - (bar ? kScrollWidth : 0);
    canvas.Fill(RECT{0, 0, w, h}, kInkWhite);
    const int count = static_cast<int>(c.items.size());
    for (int i = 0; i < rows && c.top + i < count; ++i) {
        const int row = c.top + i;
        const int y = kListFrame + i * kListItemHeight;
        const RECT box{kListFrame, y, right, std::min(y + kListItemHeight, h - kListFrame)};
        const bool hot = row == c.hot;
        if (hot) canvas.Fill(box, kInkNavy);
        canvas.Text(RECT{box.left + 2, box.top, box.right, box.bottom}, c.items[static_cast<std::size_t>(row)],
                    DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX, hot ? kInkWhite : kInkBlack);
    }
    if (bar) PaintScrollBar(canvas, c, rows, RECT{right, kListFrame, w - kListFrame, h - kListFrame});
    canvas.Frame(RECT{0, 0, w, h}, kInkBlack);
}

LRESULT DropListProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        BeginPaint(hwnd, &ps);
        PaintDropList(hwnd);
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_MOUSEACTIVATE: return MA_NOACTIVATE;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        // Reached only when the combo box has lost the mouse: the list closes.
        HWND combo = Control(hwnd).owner;
        if (IsWindow(combo) && ComboDropped(combo)) SendMessageA(combo, CB_SHOWDROPDOWN, FALSE, 0);
        return 0;
    }
    default: return CommonEnd(hwnd, message, wParam, lParam);
    }
}

void SetComboSelection(HWND hwnd, ControlState& c, int row) {
    c.selection = row;
    hwnd->title = row >= 0 && row < static_cast<int>(c.items.size()) ? c.items[static_cast<std::size_t>(row)] : std::string();
    InvalidateRect(hwnd, nullptr, FALSE);
}

void StepCombo(HWND hwnd, ControlState& c, int by) {
    const int n = static_cast<int>(c.items.size());
    if (n == 0) return;
    const int next = c.selection < 0 ? 0 : (by > 0 ? (c.selection + 1) % n : std::max(c.selection - 1, 0));
    if (next == c.selection) return;
    SetComboSelection(hwnd, c, next);
    Notify(hwnd, CBN_SELCHANGE);
}

// The list's place: under the box, or over it when there is no room below on the screen; as many
// rows as the template's height leaves room for, no more than there are entries.
RECT DropListRect(HWND hwnd, const ControlState& c) {
    RECT r;
    GetWindowRect(hwnd, &r);
    const int room = std::max(kListItemHeight, c.dropHeight - (r.bottom - r.top) - 2 * kListFrame);
    const int rows = std::max(1, std::min(static_cast<int>(c.items.size()), room / kListItemHeight));
    const int height = rows * kListItemHeight + 2 * kListFrame;
    int top = r.bottom;
    if (top + height > platform::GetScreenSize().cy && r.top - height >= 0) top = r.top - height;
    return RECT{r.left, top, r.right, top + height};
}

void RepaintDropList(const ControlState& c) {
    if (IsWindow(c.list)) InvalidateRect(c.list, nullptr, FALSE);
}

void DropCombo(HWND hwnd) {
    ControlState* c = &Control(hwnd);
    if (c->dropped) return;
    // The owner may fill the list when it hears of the drop.
    Notify(hwnd, CBN_DROPDOWN);
    if (!IsWindow(hwnd)) return;
    c = &Control(hwnd);
    if (!IsWindow(c->list)) {
        HWND top = hwnd;
        while (top && (GetWindowLongPtrA(top, GWL_STYLE) & WS_CHILD) && GetParent(top)) top = GetParent(top);
        c->list = CreateWindowExA(0, "ComboLBox", "", WS_POPUP, 0, 0, 1, 1, top, nullptr, nullptr, nullptr);
        if (!c->list) return;
        Control(c->list).owner = hwnd;
        c = &Control(hwnd);
    }
    c->dropped = true;
    c->hot = c->selection;
    const RECT place = DropListRect(hwnd, *c);
    SetWindowPos(c->list, HWND_TOP, place.left, place.top, place.right - place.left, place.bottom - place.top,
                 SWP_SHOWWINDOW | SWP_NOACTIVATE);
    ShowRow(c->list, *c, c->hot);
    RepaintDropList(*c);
    InvalidateRect(hwnd, nullptr, FALSE);
    if (!Disabled(hwnd)) SetCapture(hwnd);
}

// Closes the list; `choose` takes the highlighted row as the selection (the person confirmed it).
void CloseCombo(HWND hwnd, bool choose) {
    ControlState& c = Control(hwnd);
    if (!c.dropped) return;
    c.dropped = false;
    if (IsWindow(c.list)) ShowWindow(c.list, SW_HIDE);
    if (GetCapture() == hwnd) ReleaseCapture();
    InvalidateRect(hwnd, nullptr, FALSE);
    const int row = c.hot;
    const bool chosen = choose && row >= 0 && row < static_cast<int>(c.items.size());
    const bool changed = chosen && row != c.selection;
    if (changed) SetComboSelection(hwnd, c, row);
    if (chosen) Notify(hwnd, CBN_SELENDOK);
    if (!IsWindow(hwnd)) return;
    Notify(hwnd, CBN_CLOSEUP);
    if (changed && IsWindow(hwnd)) Notify(hwnd, CBN_SELCHANGE);
}

// Where a point of the combo box's client area falls: -3 the box itself, -2 the list's scroll
// bar, -1 elsewhere, else the list row under it.
int DropListHit(HWND hwnd, const ControlState& c, LPARAM lParam) {
    POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    RECT box;
    GetClientRect(hwnd, &box);
    if (p.x >= 0 && p.y >= 0 && p.x < box.right && p.y < box.bottom) return -3;
    if (!IsWindow(c.list)) return -1;
    ClientToScreen(hwnd, &p);
    ScreenToClient(c.list, &p);
    RECT lr;
    GetClientRect(c.list, &lr);
    if (p.x < 0 || p.y < 0 || p.x >= lr.right || p.y >= lr.bottom) return -1;
    if (HasScrollBar(c.list, c) && p.x >= lr.right - kListFrame - kScrollWidth) return -2;
    const int row = c.top + (p.y - kListFrame) / kListItemHeight;
    if (p.y < kListFrame || row < c.top || row >= c.top + VisibleRows(c.list)) return -1;
    return row < static_cast<int>(c.items.size()) ? row : -1;
}

void MoveHot(HWND hwnd, ControlState& c, int row) {
    const int n = static_cast<int>(c.items.size());
    if (n == 0) return;
    c.hot = std::clamp(row, 0, n - 1);
    ShowRow(c.list, c, c.hot);
    RepaintDropList(c);
    (void)hwnd;
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
        if (message == CB_SETCURSEL || message == CB_RESETCONTENT) c.hot = c.selection;
        if (c.hot >= static_cast<int>(c.items.size())) c.hot = -1;
        if (c.dropped && IsWindow(c.list)) {
            if (message != CB_SETCURSEL) {
                const RECT place = DropListRect(hwnd, c);
                MoveWindow(c.list, place.left, place.top, place.right - place.left, place.bottom - place.top, FALSE);
            }
            ShowRow(c.list, c, c.hot);
            RepaintDropList(c);
        }
        InvalidateRect(hwnd, nullptr, FALSE);
        return r;
    }
    switch (message) {
    case WM_CREATE: {
        // The template gives the height with the list dropped; the box keeps one line.
        const auto* cs = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        c.dropHeight = cs ? cs->cy : 0;
        SetWindowPos(hwnd, nullptr, 0, 0, cs ? cs->cx : 0, ComboBoxHeight(), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        return 0;
    }
    case WM_WINDOWPOSCHANGING: {
        // A program that sizes the box to its dropped height keeps a box of one line.
        auto* wp = reinterpret_cast<WINDOWPOS*>(lParam);
        if (wp && !(wp->flags & SWP_NOSIZE) && wp->cy > ComboBoxHeight()) {
            c.dropHeight = wp->cy;
            wp->cy = ComboBoxHeight();
        }
        return 0;
    }
    case CB_SHOWDROPDOWN:
        if (wParam) DropCombo(hwnd);
        else CloseCombo(hwnd, false);
        return TRUE;
    case CB_GETDROPPEDSTATE: return c.dropped ? TRUE : FALSE;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        BeginPaint(hwnd, &ps);
        PaintCombo(hwnd);
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        if (Disabled(hwnd)) return 0;
        if (!c.dropped) {
            SetFocus(hwnd);
            DropCombo(hwnd);
            return 0;
        }
        const int hit = DropListHit(hwnd, c, lParam);
        if (hit == -2) {
            // The list's scroll bar: the arrows step a row, the track a page.
            POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            ClientToScreen(hwnd, &p);
            ScreenToClient(c.list, &p);
            RECT lr;
            GetClientRect(c.list, &lr);
            const int rows = VisibleRows(c.list), height = lr.bottom - 2 * kListFrame;
            const int button = std::min(kScrollWidth, height / 2);
            if (p.y < kListFrame + button) --c.top;
            else if (p.y >= lr.bottom - kListFrame - button) ++c.top;
            else if (p.y < kListFrame + height / 2) c.top -= rows;
            else c.top += rows;
            ClampTop(c.list, c);
            RepaintDropList(c);
        } else if (hit >= 0) {
            MoveHot(hwnd, c, hit);  // chosen when the button comes up
        } else {
            CloseCombo(hwnd, false);  // the box again, or anywhere outside the list
        }
        return 0;
    }
    case WM_MOUSEMOVE:
        if (c.dropped && !Disabled(hwnd)) {
            const int hit = DropListHit(hwnd, c, lParam);
            if (hit >= 0 && hit != c.hot) MoveHot(hwnd, c, hit);
        }
        return 0;
    case WM_LBUTTONUP:
        // The release of the press that dropped the list lands on the box and leaves it open.
        if (c.dropped && !Disabled(hwnd) && DropListHit(hwnd, c, lParam) >= 0) {
            c.hot = DropListHit(hwnd, c, lParam);
            CloseCombo(hwnd, true);
        }
        return 0;
    case WM_SYSKEYDOWN:
        // Alt+Down drops the list, Alt+Up or Alt+Down closes it with the highlighted row.
        if (Disabled(hwnd) || (wParam != VK_DOWN && wParam != VK_UP)) return DefWindowProcA(hwnd, message, wParam, lParam);
        if (c.dropped) CloseCombo(hwnd, true);
        else if (wParam == VK_DOWN) DropCombo(hwnd);
        return 0;
    case WM_KEYDOWN: {
        if (Disabled(hwnd)) return 0;
        if (wParam == VK_F1 + 3) {
            if (c.dropped) CloseCombo(hwnd, true);
            else DropCombo(hwnd);
            return 0;
        }
        if (!c.dropped) {
            if (wParam == VK_DOWN) StepCombo(hwnd, c, 1);
            if (wParam == VK_UP) StepCombo(hwnd, c, -1);
            return 0;
        }
        const int rows = VisibleRows(c.list), n = static_cast<int>(c.items.size());
        const int at = c.hot;
        switch (wParam) {
        case VK_UP: MoveHot(hwnd, c, at < 0 ? 0 : at - 1); break;
        case VK_DOWN: MoveHot(hwnd, c, at + 1); break;
        case VK_PRIOR: MoveHot(hwnd, c, at - rows + 1); break;
        case VK_NEXT: MoveHot(hwnd, c, std::max(at, 0) + rows - 1); break;
        case VK_HOME: MoveHot(hwnd, c, 0); break;
        case VK_END: MoveHot(hwnd, c, n - 1); break;
        case VK_RETURN: CloseCombo(hwnd, true); break;
        case VK_ESCAPE: CloseCombo(hwnd, false); break;
        default: break;
        }
        return 0;
    }
    case WM_KILLFOCUS:
        CloseCombo(hwnd, false);
        InvalidateRect(hwnd, nullptr, FALSE);
        return 0;
    case WM_SHOWWINDOW:
        if (!wParam) CloseCombo(hwnd, false);
        return DefWindowProcA(hwnd, message, wParam, lParam);
    case WM_ENABLE:
        // A disabled box may still show its list (a mirror of another's choice) but takes no mouse.
        if (!wParam && GetCapture() == hwnd) ReleaseCapture();
        InvalidateRect(hwnd, nullptr, FALSE);
        return 0;
    case WM_SETFOCUS: InvalidateRect(hwnd, nullptr, FALSE); return 0;
    case WM_DESTROY:
        if (IsWindow(c.list)) DestroyWindow(c.list);
        return CommonEnd(hwnd, message, wParam, lParam);
    default: return CommonEnd(hwnd, message, wParam, lParam);
    }
}

} // namespace

// --- the dialog manager ---

INT_PTR DialogBoxIndirectParamA(HINSTANCE instance, const void* tmpl, HWND owner, DLGPROC proc, LPARAM param) {
    const bool ownerWasEnabled = owner && IsWindow(owner) && IsWindowEnabled(owner);
    if (ownerWasEnabled) EnableWindow(owner, FALSE);
    HWND dialog = MakeDialog(instance, tmpl, owner, proc, param, true);
    INT_PTR result = -1;
    if (dialog) {
        CancelCaptureForModalLoop();
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
    case WM_ERASEBKGND: {
        // A dialog without a look of its own shows the face colour of the controls.
        platform::detail::Canvas canvas(dialog);
        canvas.Fill(RECT{0, 0, canvas.Width(), canvas.Height()}, platform::detail::kInkSilver);
        return 1;
    }
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

namespace platform {

namespace detail {
void EnsureControlClasses() { RegisterControlClasses(); }
} // namespace detail

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

bool ListItemScreenPoint(HWND control, const std::string& text, POINT& point) {
    if (!IsWindow(control)) return false;
    auto it = M().controls.find(control);
    if (it == M().controls.end()) return false;
    const ControlState& c = it->second;
    HWND shown = control;
    if (EqualNoCase(control->cls->name, "ComboBox")) {
        if (!c.dropped || !IsWindow(c.list)) return false;
        shown = c.list;
    }
    if (!IsWindowVisible(shown)) return false;
    const int rows = VisibleRows(shown);
    for (int i = 0; i < rows && c.top + i < static_cast<int>(c.items.size()); ++i) {
        if (c.items[static_cast<std::size_t>(c.top + i)] != text) continue;
        RECT r;
        GetClientRect(shown, &r);
        POINT p{(r.right - (HasScrollBar(shown, c) ? kScrollWidth : 0)) / 2, kListFrame + i * kListItemHeight + kListItemHeight / 2};
        ClientToScreen(shown, &p);
        point = p;
        return true;
    }
    return false;
}

bool DialogWaitsInVain(HWND dialog) { return GiveUp(dialog); }
unsigned AbandonedDialogCount() { return M().abandoned; }
void ResetAbandonedDialogs() { M().abandoned = 0; }

} // namespace platform
