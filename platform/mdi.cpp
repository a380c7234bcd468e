#include "platform/mdi.h"

#include "platform/window_record.h"

#include <algorithm>
#include <map>

namespace {

struct ClientState {
    HMENU windowMenu = nullptr;
    UINT firstChild = 0;
    HWND active = nullptr;
    std::vector<HWND> order;  // creation order, for ids
};

std::map<HWND, ClientState>& Clients() {
    static std::map<HWND, ClientState> c;
    return c;
}

ClientState* StateOf(HWND client) {
    auto it = Clients().find(client);
    return it == Clients().end() ? nullptr : &it->second;
}

void Prune(ClientState& s) {
    s.order.erase(std::remove_if(s.order.begin(), s.order.end(), [](HWND h) { return !IsWindow(h); }), s.order.end());
    if (s.active && !IsWindow(s.active)) s.active = nullptr;
}

void Activate(HWND client, ClientState& s, HWND child) {
    Prune(s);
    if (child == s.active) return;
    const HWND old = s.active;
    s.active = child;
    if (old) SendMessageA(old, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(old), reinterpret_cast<LPARAM>(child));
    if (child && IsWindow(child)) {
        BringWindowToTop(child);
        SendMessageA(child, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(old), reinterpret_cast<LPARAM>(child));
        SetFocus(child);
    }
    (void)client;
}

std::vector<HWND> Arrangeable(HWND client, bool skipDisabled, bool iconic) {
    std::vector<HWND> out;
    for (HWND c = GetTopWindow(client); c; c = GetWindow(c, GW_HWNDNEXT)) {
        if (!IsWindowVisible(c) || (IsIconic(c) != 0) != iconic) continue;
        if (skipDisabled && (GetWindowLongPtrA(c, GWL_STYLE) & WS_DISABLED)) continue;
        out.push_back(c);
    }
    std::reverse(out.begin(), out.end());  // back to front: the front child ends on top
    return out;
}

LRESULT MdiClientProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    ClientState* s = StateOf(hwnd);
    switch (message) {
    case WM_CREATE: {
        const auto* cs = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        ClientState st;
        if (cs && cs->lpCreateParams) {
            const auto* ccs = static_cast<const CLIENTCREATESTRUCT*>(cs->lpCreateParams);
            st.windowMenu = ccs->hWindowMenu;
            st.firstChild = ccs->idFirstChild;
        }
        Clients()[hwnd] = st;
        return 0;
    }
    case WM_NCDESTROY: Clients().erase(hwnd); return DefWindowProcA(hwnd, message, wParam, lParam);
    case WM_MDICREATE: {
        if (!s) return 0;
        auto* mcs = reinterpret_cast<MDICREATESTRUCTA*>(lParam);
        if (!mcs) return 0;
        Prune(*s);
        const DWORD style = (GetWindowLongPtrA(hwnd, GWL_STYLE) & MDIS_ALLCHILDSTYLES)
                                ? mcs->style | WS_CHILD
                                : mcs->style | WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_OVERLAPPEDWINDOW;
        int x = mcs->x, y = mcs->y;
        const int n = static_cast<int>(s->order.size());
        if (x == CW_USEDEFAULT) x = 24 * (n % 8);
        if (y == CW_USEDEFAULT) y = 24 * (n % 8);
        const UINT id = s->firstChild + static_cast<UINT>(n);
        HWND child = CreateWindowExA(0, mcs->szClass, mcs->szTitle, style & ~WS_VISIBLE, x, y, mcs->cx, mcs->cy, hwnd,
                                     reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), mcs->hOwner, mcs);
        s = StateOf(hwnd);
        if (!child || !s) return 0;
        s->order.push_back(child);
        if (style & WS_VISIBLE) ShowWindow(child, SW_SHOWNA);
        Activate(hwnd, *s, child);
        return reinterpret_cast<LRESULT>(child);
    }
    case WM_MDIACTIVATE:
        if (s) Activate(hwnd, *s, reinterpret_cast<HWND>(wParam));
        return 0;
    case WM_MDIGETACTIVE:
        if (!s) return 0;
        Prune(*s);
        if (lParam) *reinterpret_cast<BOOL*>(lParam) = s->active ? IsZoomed(s->active) : FALSE;
        return reinterpret_cast<LRESULT>(s->active);
    case WM_MDINEXT: {
        if (!s) return 0;
        Prune(*s);
        auto list = Arrangeable(hwnd, false, false);
        if (list.size() > 1) Activate(hwnd, *s, list.front());
        return 0;
    }
    case WM_MDIDESTROY: {
        const HWND child = reinterpret_cast<HWND>(wParam);
        if (!s || !IsWindow(child) || GetParent(child) != hwnd) return 0;
        Prune(*s);
        if (s->active == child) {
            HWND next = nullptr;
            for (HWND c = GetTopWindow(hwnd); c; c = GetWindow(c, GW_HWNDNEXT))
                if (c != child && IsWindowVisible(c) && !GetWindow(c, GW_OWNER)) {
                    next = c;
                    break;
                }
            SendMessageA(child, WM_MDIACTIVATE, wParam, reinterpret_cast<LPARAM>(next));
            s->active = nullptr;
            DestroyWindow(child);
            if ((s = StateOf(hwnd)) && next && IsWindow(next)) Activate(hwnd, *s, next);
        } else {
            DestroyWindow(child);
        }
        return 0;
    }
    case WM_MDIRESTORE: ShowWindow(reinterpret_cast<HWND>(wParam), SW_RESTORE); return 0;
    case WM_MDIMAXIMIZE: ShowWindow(reinterpret_cast<HWND>(wParam), SW_SHOWMAXIMIZED); return 0;
    case WM_MDICASCADE: {
        RECT area;
        GetClientRect(hwnd, &area);
        const auto list = Arrangeable(hwnd, (wParam & MDITILE_SKIPDISABLED) != 0, false);
        const int w = std::max<LONG>(64, area.right * 2 / 3), h = std::max<LONG>(48, area.bottom * 2 / 3);
        int i = 0;
        for (HWND c : list) {
            if (IsZoomed(c)) ShowWindow(c, SW_RESTORE);
            SetWindowPos(c, HWND_TOP, 24 * i, 24 * i, w, h, SWP_NOACTIVATE);
            ++i;
        }
        return static_cast<LRESULT>(list.size());
    }
    case WM_MDITILE: {
        RECT area;
        GetClientRect(hwnd, &area);
        const auto list = Arrangeable(hwnd, (wParam & MDITILE_SKIPDISABLED) != 0, false);
        const int n = static_cast<int>(list.size());
        if (n == 0) return 0;
        const bool horizontal = (wParam & MDITILE_HORIZONTAL) != 0;
        for (int i = 0; i < n; ++i) {
            HWND c = list[static_cast<std::size_t>(n - 1 - i)];
            if (IsZoomed(c)) ShowWindow(c, SW_RESTORE);
            if (horizontal)
                MoveWindow(c, 0, area.bottom * i / n, area.right, area.bottom * (i + 1) / n - area.bottom * i / n, TRUE);
            else
                MoveWindow(c, area.right * i / n, 0, area.right * (i + 1) / n - area.right * i / n, area.bottom, TRUE);
        }
        return n;
    }
    case WM_MDIICONARRANGE: {
        RECT area;
        GetClientRect(hwnd, &area);
        int x = 0;
        for (HWND c : Arrangeable(hwnd, false, true)) {
            MoveWindow(c, x, area.bottom - 32, 32, 32, TRUE);
            x += 40;
        }
        return 0;
    }
    case WM_MDISETMENU: {
        const HWND frame = GetParent(hwnd);
        const HMENU old = GetMenu(frame);
        if (wParam) SetMenu(frame, reinterpret_cast<HMENU>(wParam));
        if (s && lParam) s->windowMenu = reinterpret_cast<HMENU>(lParam);
        return reinterpret_cast<LRESULT>(old);
    }
    default: return DefWindowProcA(hwnd, message, wParam, lParam);
    }
}

} // namespace

LRESULT DefFrameProcA(HWND frame, HWND client, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND: {
        ClientState* s = StateOf(client);
        const UINT id = LOWORD(wParam);
        if (s) {
            Prune(*s);
            if (id >= s->firstChild && id < s->firstChild + s->order.size()) {
                const HWND child = s->order[id - s->firstChild];
                if (IsIconic(child)) ShowWindow(child, SW_RESTORE);
                Activate(client, *s, child);
                return 0;
            }
            if (id >= 0xF000 && s->active) return SendMessageA(s->active, WM_SYSCOMMAND, wParam, lParam);
        }
        return 0;
    }
    case WM_SIZE:
        if (IsWindow(client)) MoveWindow(client, 0, 0, LOWORD(static_cast<std::uintptr_t>(lParam)), HIWORD(static_cast<std::uintptr_t>(lParam)), TRUE);
        return 0;
    case WM_SETFOCUS:
        if (IsWindow(client)) SetFocus(client);
        return 0;
    default: return DefWindowProcA(frame, message, wParam, lParam);
    }
}

LRESULT DefMDIChildProcA(HWND child, UINT message, WPARAM wParam, LPARAM lParam) {
    const HWND client = IsWindow(child) ? child->parent : nullptr;
    if (!client || !platform::detail::IsMdiClient(client)) return DefWindowProcA(child, message, wParam, lParam);
    switch (message) {
    case WM_CLOSE: SendMessageA(client, WM_MDIDESTROY, reinterpret_cast<WPARAM>(child), 0); return 0;
    case WM_MOUSEACTIVATE:
    case WM_CHILDACTIVATE:
        if (reinterpret_cast<HWND>(SendMessageA(client, WM_MDIGETACTIVE, 0, 0)) != child)
            SendMessageA(client, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(child), 0);
        return message == WM_MOUSEACTIVATE ? 1 : 0;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_RESTORE && IsIconic(child)) {
            ShowWindow(child, SW_RESTORE);
            return 0;
        }
        return DefWindowProcA(child, message, wParam, lParam);
    default: return DefWindowProcA(child, message, wParam, lParam);
    }
}

namespace platform::detail {

void RegisterSystemClasses() {
    static bool busy = false;
    if (busy) return;
    busy = true;
    WNDCLASSA probe;
    if (!GetClassInfoA(nullptr, "MDICLIENT", &probe)) {
        WNDCLASSA wc{};
        wc.style = CS_HREDRAW | CS_VREDRAW;
        wc.lpfnWndProc = &MdiClientProc;
        wc.cbWndExtra = static_cast<int>(sizeof(void*));
        wc.lpszClassName = "MDICLIENT";
        RegisterClassA(&wc);
    }
    busy = false;
}

bool IsMdiClient(HWND hwnd) { return Clients().count(hwnd) != 0; }

} // namespace platform::detail
