#include "platform/common_dialog.h"

#include "platform/dialog.h"
#include "platform/input.h"
#include "platform/msgbox.h"
#include "platform/window.h"

#include <cstring>
#include <algorithm>
#include <deque>
#include <vector>

namespace {

struct DialogScript {
    std::deque<std::string> answers;
    std::string lastFilter;
};

DialogScript& D() {
    static DialogScript d;
    return d;
}

bool IsSelfOrDescendant(HWND dialog, HWND w) {
    for (; w; w = (GetWindowLongPtrA(w, GWL_STYLE) & WS_CHILD) ? GetParent(w) : nullptr)
        if (w == dialog) return true;
    return false;
}

// The dialog's child that holds `w` (w itself or an ancestor of it).
HWND ChildHolding(HWND dialog, HWND w) {
    for (; w && (GetWindowLongPtrA(w, GWL_STYLE) & WS_CHILD); w = GetParent(w))
        if (GetParent(w) == dialog) return w;
    return nullptr;
}

std::vector<HWND> Children(HWND dialog) {
    std::vector<HWND> out;
    for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) out.push_back(c);
    return out;
}

bool Reachable(HWND c) { return IsWindowVisible(c) && IsWindowEnabled(c); }
DWORD Style(HWND c) { return static_cast<DWORD>(GetWindowLongPtrA(c, GWL_STYLE)); }

bool IsButton(HWND c) {
    char name[16] = {};
    GetClassNameA(c, name, sizeof name);
    return std::strcmp(name, "Button") == 0;
}

bool IsComboBox(HWND c) {
    char name[16] = {};
    GetClassNameA(c, name, sizeof name);
    return std::strcmp(name, "ComboBox") == 0;
}

// Tab and Shift+Tab: the next (previous) reachable WS_TABSTOP control, wrapping.
void MoveTab(HWND dialog, HWND from, bool back) {
    const std::vector<HWND> all = Children(dialog);
    const int n = static_cast<int>(all.size());
    int at = -1;
    for (int i = 0; i < n; ++i)
        if (all[static_cast<std::size_t>(i)] == from) at = i;
    const int start = at >= 0 ? at : back ? 0 : n - 1;  // from nothing: the first (last) one
    for (int k = 1; k <= n; ++k) {
        const int i = ((start + (back ? -k : k)) % n + n) % n;
        HWND c = all[static_cast<std::size_t>(i)];
        if ((Style(c) & WS_TABSTOP) && Reachable(c)) {
            SetFocus(c);
            return;
        }
    }
}

// The arrows among the buttons of one group (from a WS_GROUP control to the next), wrapping; an
// automatic radio button reached is checked, as a click would.
void MoveInGroup(HWND dialog, HWND from, bool back) {
    std::vector<HWND> group, current;
    for (HWND c : Children(dialog)) {
        if ((Style(c) & WS_GROUP) && !current.empty()) {
            if (std::find(current.begin(), current.end(), from) != current.end()) break;
            current.clear();
        }
        current.push_back(c);
    }
    group = current;
    const auto it = std::find(group.begin(), group.end(), from);
    if (it == group.end()) return;
    const int n = static_cast<int>(group.size()), at = static_cast<int>(it - group.begin());
    for (int k = 1; k < n; ++k) {
        HWND c = group[static_cast<std::size_t>(((at + (back ? -k : k)) % n + n) % n)];
        if (!Reachable(c) || !IsButton(c)) continue;
        SetFocus(c);
        if ((Style(c) & BS_TYPEMASK) == BS_AUTORADIOBUTTON && SendMessageA(c, BM_GETCHECK, 0, 0) != BST_CHECKED) {
            SendMessageA(c, WM_KEYDOWN, VK_SPACE, 0);
            SendMessageA(c, WM_KEYUP, VK_SPACE, 0);
        }
        return;
    }
}

// What Return presses: the focused standard push button, else the default push button, else
// OK. Zero when that button is disabled.
WORD ReturnCommand(HWND dialog, HWND focus) {
    if (focus && IsButton(focus)) {
        const DWORD type = Style(focus) & BS_TYPEMASK;
        if (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON) return static_cast<WORD>(GetDlgCtrlID(focus));
    }
    for (HWND c : Children(dialog))
        if (IsButton(c) && (Style(c) & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
            return IsWindowEnabled(c) ? static_cast<WORD>(GetDlgCtrlID(c)) : 0;
    HWND ok = GetDlgItem(dialog, IDOK);
    return ok && !IsWindowEnabled(ok) ? 0 : static_cast<WORD>(IDOK);
}

} // namespace

BOOL GetOpenFileNameA(OPENFILENAMEA* ofn) {
    if (!ofn || !ofn->lpstrFile || ofn->nMaxFile == 0) return FALSE;
    DialogScript& d = D();
    d.lastFilter.clear();
    if (ofn->lpstrFilter) {
        // Pairs of texts up to the empty one.
        for (const char* p = ofn->lpstrFilter; *p; p += std::strlen(p) + 1) {
            d.lastFilter += p;
            d.lastFilter += '|';
        }
    }
    if (d.answers.empty()) return FALSE;
    const std::string path = d.answers.front();
    d.answers.pop_front();
    if (path.empty() || path.size() + 1 > ofn->nMaxFile) return FALSE;
    std::memcpy(ofn->lpstrFile, path.c_str(), path.size() + 1);
    if (ofn->lpstrFileTitle && ofn->nMaxFileTitle > 0) {
        const std::size_t slash = path.find_last_of("/\\");
        const std::string title = slash == std::string::npos ? path : path.substr(slash + 1);
        const std::size_t n = std::min<std::size_t>(title.size(), ofn->nMaxFileTitle - 1);
        std::memcpy(ofn->lpstrFileTitle, title.data(), n);
        ofn->lpstrFileTitle[n] = '\0';
    }
    return TRUE;
}

BOOL IsDialogMessageA(HWND dialog, MSG* msg) {
    if (!msg || !IsWindow(dialog) || !IsSelfOrDescendant(dialog, msg->hwnd)) return FALSE;
    // A dropped combo box list takes Return and Escape itself.
    if (msg->message == WM_KEYDOWN && (msg->wParam == VK_RETURN || msg->wParam == VK_ESCAPE) && IsWindow(msg->hwnd) &&
        IsComboBox(msg->hwnd) && SendMessageA(msg->hwnd, CB_GETDROPPEDSTATE, 0, 0)) {
        DispatchMessage(msg);
        return TRUE;
    }
    if (msg->message == WM_KEYDOWN && (msg->wParam == VK_RETURN || msg->wParam == VK_ESCAPE)) {
        const WORD id = msg->wParam == VK_RETURN ? ReturnCommand(dialog, ChildHolding(dialog, msg->hwnd)) : IDCANCEL;
        if (id) SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, 0), reinterpret_cast<LPARAM>(msg->hwnd));
        return TRUE;
    }
    if (msg->message == WM_KEYDOWN && msg->wParam == VK_TAB && GetKeyState(VK_CONTROL) >= 0) {
        MoveTab(dialog, ChildHolding(dialog, msg->hwnd), GetKeyState(VK_SHIFT) < 0);
        return TRUE;
    }
    if (msg->message == WM_KEYDOWN && msg->wParam >= VK_LEFT && msg->wParam <= VK_DOWN) {
        // Lists, edits and combo boxes use the arrows themselves; buttons step through their group.
        HWND from = ChildHolding(dialog, msg->hwnd);
        if (from && IsButton(from)) {
            MoveInGroup(dialog, from, msg->wParam == VK_LEFT || msg->wParam == VK_UP);
            return TRUE;
        }
    }
    TranslateMessage(msg);
    DispatchMessage(msg);
    return TRUE;
}

namespace platform {
void QueueOpenFileName(const std::string& path) { D().answers.push_back(path); }
std::string LastOpenFileFilter() { return D().lastFilter; }
} // namespace platform
